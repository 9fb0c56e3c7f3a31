#include "runtime/open_file_name.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include "runtime/backend.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace platform {

namespace {

constexpr uint32_t kRecordSize = 76;

std::map<LPSTR32, std::unique_ptr<std::string>>& AnsiBlocks() {
    static std::map<LPSTR32, std::unique_ptr<std::string>> blocks;
    return blocks;
}
LPSTR32 nextAddress = 0x00100000;

LPSTR32 ToAnsiField(const std::u16string& text) { return text.empty() ? 0 : AnsiAlloc(rt::ToAnsi(text)); }

void FromAnsiField(LPSTR32 address, std::u16string& text) {
    if (const std::string* block = AnsiAt(address)) text = rt::FromAnsi(*block);
}

}  // namespace

LPSTR32 AnsiAlloc(std::string bytes) {
    auto block = std::make_unique<std::string>(std::move(bytes));
    LPSTR32 address = 0;
    if constexpr (sizeof(void*) == sizeof(LPSTR32)) {
        // A real address: the system's own call reads and writes the block through it.
        address = LPSTR32(reinterpret_cast<uintptr_t>(block->data()));
    } else {
        address = nextAddress;
        nextAddress += 0x10;
    }
    AnsiBlocks().emplace(address, std::move(block));
    return address;
}

std::string* AnsiAt(LPSTR32 address) {
    auto it = AnsiBlocks().find(address);
    return it == AnsiBlocks().end() ? nullptr : it->second.get();
}

void AnsiFree(LPSTR32 address) { AnsiBlocks().erase(address); }

int32_t GetOpenFileNameA(OPENFILENAMEA* record) {
    if (!record || record->lStructSize != kRecordSize) return 0;
    const std::string* file = AnsiAt(record->lpstrFile);
    if (!file || record->nMaxFile == 0 || record->nMaxFile > file->size()) return 0;
    if (const auto& scripted = rt::testing::Hooks().openDialog) {
        const std::optional<std::string> chosen = scripted(*record);
        return chosen ? rt::StoreOpenChoice(*record, *chosen) : 0;
    }
    return rt::backend::ShowOpenDialog(*record);
}

int32_t GetOpenFileNameA(OPENFILENAME& record) {
    OPENFILENAMEA copy{};
    copy.lStructSize = uint32_t(record.lStructSize);
    copy.hwndOwner = record.hwndOwner;
    copy.hInstance = record.hInstance;
    copy.lpstrFilter = ToAnsiField(record.lpstrFilter);
    copy.lpstrCustomFilter = ToAnsiField(record.lpstrCustomFilter);
    copy.nMaxCustFilter = uint32_t(record.nMaxCustFilter);
    copy.nFilterIndex = uint32_t(record.nFilterIndex);
    copy.lpstrFile = ToAnsiField(record.lpstrFile);
    copy.nMaxFile = uint32_t(record.nMaxFile);
    copy.lpstrFileTitle = ToAnsiField(record.lpstrFileTitle);
    copy.nMaxFileTitle = uint32_t(record.nMaxFileTitle);
    copy.lpstrInitialDir = ToAnsiField(record.lpstrInitialDir);
    copy.lpstrTitle = ToAnsiField(record.lpstrTitle);
    copy.Flags = uint32_t(record.Flags);
    copy.nFileOffset = uint16_t(record.nFileOffset);
    copy.nFileExtension = uint16_t(record.nFileExtension);
    copy.lpstrDefExt = ToAnsiField(record.lpstrDefExt);
    copy.lCustData = record.lCustData;
    copy.lpfnHook = uint32_t(record.lpfnHook);
    copy.lpTemplateName = ToAnsiField(record.lpTemplateName);

    const LPSTR32 texts[] = {copy.lpstrFilter,     copy.lpstrCustomFilter, copy.lpstrFile,
                             copy.lpstrFileTitle,  copy.lpstrInitialDir,   copy.lpstrTitle,
                             copy.lpstrDefExt,     copy.lpTemplateName};
    struct Release {
        const LPSTR32* begin;
        const LPSTR32* end;
        ~Release() {
            for (auto p = begin; p != end; ++p) AnsiFree(*p);
        }
    } release{std::begin(texts), std::end(texts)};

    const int32_t result = GetOpenFileNameA(&copy);

    FromAnsiField(copy.lpstrFilter, record.lpstrFilter);
    FromAnsiField(copy.lpstrCustomFilter, record.lpstrCustomFilter);
    FromAnsiField(copy.lpstrFile, record.lpstrFile);
    FromAnsiField(copy.lpstrFileTitle, record.lpstrFileTitle);
    FromAnsiField(copy.lpstrInitialDir, record.lpstrInitialDir);
    FromAnsiField(copy.lpstrTitle, record.lpstrTitle);
    FromAnsiField(copy.lpstrDefExt, record.lpstrDefExt);
    FromAnsiField(copy.lpTemplateName, record.lpTemplateName);
    record.nFileOffset = int16_t(copy.nFileOffset);
    record.nFileExtension = int16_t(copy.nFileExtension);
    record.Flags = int32_t(copy.Flags);
    return result;
}

}  // namespace platform

namespace rt {

namespace {

// Copies text with its NUL into a block of the given usable size; false when it does not fit.
bool Store(platform::LPSTR32 address, uint32_t capacity, const std::string& text) {
    std::string* block = platform::AnsiAt(address);
    if (!block || capacity > block->size() || text.size() + 1 > capacity) return false;
    std::memcpy(block->data(), text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

std::string AnsiText(platform::LPSTR32 address) {
    const std::string* block = platform::AnsiAt(address);
    if (!block) return {};
    return std::string(block->c_str());
}

int32_t StoreOpenChoice(platform::OPENFILENAMEA& record, const std::string& hostPath) {
    const std::string bytes = ToAnsi(WindowsPath(hostPath));
    if (!Store(record.lpstrFile, record.nMaxFile, bytes)) return 0;

    // Offsets of the file's name and of its extension within the path, in bytes.
    const size_t slash = bytes.rfind('\\');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = bytes.rfind('.');
    const size_t extAt = dot == std::string::npos || dot < nameAt ? bytes.size() : dot + 1;
    record.nFileOffset = uint16_t(std::min<size_t>(nameAt, 0xFFFF));
    record.nFileExtension = uint16_t(std::min<size_t>(extAt, 0xFFFF));
    if (record.lpstrFileTitle) Store(record.lpstrFileTitle, record.nMaxFileTitle, bytes.substr(nameAt));
    return 1;
}

}  // namespace rt
