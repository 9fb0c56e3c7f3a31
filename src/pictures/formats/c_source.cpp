#include "pictures/formats/c_source.h"

#include <algorithm>

namespace pictures {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsWordChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool CSource::SkipSpace() {
    while (at_ < text_.size()) {
        const std::string_view rest = text_.substr(at_);
        if (IsSpace(rest[0])) {
            ++at_;
        } else if (rest.starts_with("/*")) {
            const size_t end = rest.find("*/", 2);
            at_ = end == std::string_view::npos ? text_.size() : at_ + end + 2;
        } else if (rest.starts_with("//")) {
            SkipLine();
        } else {
            return true;
        }
    }
    return false;
}

char CSource::Peek() { return SkipSpace() ? text_[at_] : '\0'; }

bool CSource::Take(char c) {
    if (Peek() != c || c == '\0') return false;
    ++at_;
    return true;
}

bool CSource::Take(std::string_view word) {
    if (!SkipSpace() || !text_.substr(at_).starts_with(word)) return false;
    at_ += word.size();
    return true;
}

std::string_view CSource::Identifier() {
    SkipSpace();
    const size_t start = at_;
    while (at_ < text_.size() && IsWordChar(text_[at_])) ++at_;
    return text_.substr(start, at_ - start);
}

std::optional<uint64_t> CSource::Number() {
    const char c = Peek();
    if (c < '0' || c > '9') return std::nullopt;
    constexpr uint64_t kCap = uint64_t(1) << 32;
    uint64_t value = 0;
    if (text_.substr(at_).starts_with("0x") || text_.substr(at_).starts_with("0X")) {
        at_ += 2;
        const size_t start = at_;
        for (int d; at_ < text_.size() && (d = HexDigit(text_[at_])) >= 0; ++at_) value = std::min(value * 16 + d, kCap);
        if (at_ == start) return std::nullopt;
    } else {
        for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_)
            value = std::min(value * 10 + uint64_t(text_[at_] - '0'), kCap);
    }
    // A suffix such as U or L does not change the value.
    while (at_ < text_.size() && (text_[at_] == 'u' || text_[at_] == 'U' || text_[at_] == 'l' || text_[at_] == 'L')) ++at_;
    return value;
}

std::optional<std::string_view> CSource::String() {
    if (!Take('"')) return std::nullopt;
    const size_t start = at_;
    for (; at_ < text_.size(); ++at_) {
        if (text_[at_] == '\\') {
            ++at_;
        } else if (text_[at_] == '"') {
            return text_.substr(start, at_++ - start);
        }
    }
    Fail(Failure::Truncated);
}

bool CSource::EnterArray(std::string_view word) {
    bool seen = false;
    while (!Take('{')) {
        const std::string_view found = Identifier();
        seen = seen || found == word;
        if (found.empty() && !Take('[') && !Take(']') && !Take('=') && !Take('*')) {
            if (!SkipSpace()) Fail(Failure::Truncated);
            Fail(Failure::Damaged, u"no array where its pixels should be");
        }
    }
    return seen;
}

void CSource::SkipLine() {
    const size_t end = text_.find('\n', at_);
    at_ = end == std::string_view::npos ? text_.size() : end + 1;
}

}  // namespace pictures
