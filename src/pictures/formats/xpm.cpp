// XPM pictures (version 3): C source holding an array of strings: the values line (width,
// height, number of colours, characters per pixel), one line per colour, then one per row
// of pixels, each pixel named by its colour's characters.
#include <algorithm>
#include <climits>
#include <vector>

#include "pictures/formats/c_source.h"
#include "pictures/formats/formats.h"
#include "pictures/formats/xpm_colours.h"

namespace pictures {

namespace {

struct Colour {
    std::string_view key;  // the characters that name it in the rows
    uint32_t argb;
};

// The value of the first of a colour line's keys that it gives: c (colour), then g and g4
// (grey displays), then m (mono); the s key (a symbolic name) has no colour. A value may be
// several words ("light gray"); empty when the line gives none of these keys.
std::string_view ColourValue(std::string_view entry) {
    static constexpr std::string_view kKeys[] = {"c", "g", "g4", "m", "s"};
    std::string_view values[5];
    int current = -1;
    size_t valueStart = std::string_view::npos, valueEnd = 0;
    const auto close = [&] {
        if (current >= 0 && valueStart != std::string_view::npos)
            values[current] = entry.substr(valueStart, valueEnd - valueStart);
    };
    for (size_t at = 0; at < entry.size();) {
        const size_t start = entry.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const size_t end = std::min(entry.find_first_of(" \t", start), entry.size());
        const std::string_view word = entry.substr(start, end - start);
        const auto key = std::find(std::begin(kKeys), std::end(kKeys), word);
        // A key word right after another key is that key's value.
        if (key != std::end(kKeys) && (current < 0 || valueStart != std::string_view::npos)) {
            close();
            current = int(key - std::begin(kKeys));
            valueStart = std::string_view::npos;
        } else if (current >= 0) {
            if (valueStart == std::string_view::npos) valueStart = start;
            valueEnd = end;
        }
        at = end;
    }
    close();
    for (int k = 0; k < 4; ++k)
        if (!values[k].empty()) return values[k];
    return {};
}

class XpmReader : public FormatReader {
public:
    explicit XpmReader(Bytes file) : file_(file) {}

    Cost Measure() override {
        CSource source(file_);
        source.EnterArray({});
        CSource values(Bytes(NextLine(source)));
        uint64_t numbers[4];
        for (uint64_t& n : numbers) {
            const std::optional<uint64_t> value = values.Number();
            if (!value) Fail(Failure::Damaged, u"its values line lacks a number");
            n = *value;
        }
        tableAt_ = source.At();
        const auto [width, height, colours, chars] = numbers;
        if (chars == 0) Fail(Failure::Damaged, u"no characters per pixel");
        if (colours == 0) Fail(Failure::Damaged, u"an empty colour table");
        // Each colour takes a line of more than one byte: a larger count cannot be in the file.
        if (colours > file_.size) Fail(Failure::Truncated);
        if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return {};
        width_ = int(width), height_ = int(height), colours_ = colours, chars_ = chars;
        return {width_, height_, CostInBytes(double(width) * double(height) * 4 + TableBytes())};
    }

    Metadata ReadMetadata(Budget&) override {
        Metadata metadata;
        metadata.lossless = true;
        return metadata;
    }

    Image Decode(Budget& budget) override {
        CSource source(file_, tableAt_);
        budget.Take(TableBytes());
        std::vector<Colour> table;
        table.reserve(colours_);
        bool alpha = false;
        for (uint64_t i = 0; i < colours_; ++i) {
            const std::string_view line = NextLine(source);
            if (line.size() < chars_) Fail(Failure::Damaged, u"a colour line shorter than its characters");
            const std::string_view value = ColourValue(line.substr(chars_));
            if (value.empty()) Fail(Failure::Damaged, u"a colour line without a colour");
            const std::optional<uint32_t> argb = XpmColour(value);
            if (!argb) Fail(Failure::Damaged, u"a colour name not known: " + Text(value.substr(0, 40)));
            alpha = alpha || AlphaOf(*argb) != 255;
            table.push_back({line.substr(0, chars_), *argb});
        }
        // Sorted for finding each pixel's colour; the first line of a key repeated wins.
        std::stable_sort(table.begin(), table.end(), [](const Colour& a, const Colour& b) { return a.key < b.key; });

        Image image = Image::New(width_, height_, alpha, budget);
        const uint64_t rowChars = uint64_t(width_) * chars_;
        for (int y = 0; y < height_; ++y) {
            const std::string_view line = NextLine(source);
            if (line.size() < rowChars) Fail(Failure::Damaged, u"a row shorter than the picture's width");
            uint32_t* row = image.Row(y);
            for (int x = 0; x < width_; ++x) {
                const std::string_view key = line.substr(size_t(x) * chars_, chars_);
                const auto found = std::lower_bound(table.begin(), table.end(), key,
                                                    [](const Colour& c, std::string_view k) { return c.key < k; });
                if (found == table.end() || found->key != key)
                    Fail(Failure::Damaged, u"a pixel of a colour its table does not give");
                row[x] = found->argb;
            }
        }
        return image;
    }

private:
    double TableBytes() const { return double(colours_) * sizeof(Colour); }

    // The array's next string, with the comma after it.
    static std::string_view NextLine(CSource& source) {
        const std::optional<std::string_view> line = source.String();
        if (!line) {
            if (!source.SkipSpace()) Fail(Failure::Truncated);
            Fail(Failure::Damaged, source.Peek() == '}' ? u"fewer lines than its size needs" : u"not a string where a line should be");
        }
        source.Take(',');
        return *line;
    }

    Bytes file_;
    int width_ = 0, height_ = 0;
    uint64_t colours_ = 0, chars_ = 0;
    size_t tableAt_ = 0;
};

}  // namespace

const Format kXpm = {
    "xpm",
    [](Bytes head, Bytes, uint64_t, std::string_view) {
        const std::string_view text = head.View();
        const size_t start = text.find_first_not_of(" \t\r\n");
        return start != std::string_view::npos && text.substr(start).starts_with("/* XPM */");
    },
    [](Bytes file) -> std::unique_ptr<FormatReader> { return std::make_unique<XpmReader>(file); },
};

}  // namespace pictures
