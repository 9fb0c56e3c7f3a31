#include "pictures/formats/xpm_colours.h"

#include <string>

#include "pictures/image.h"

namespace pictures {

namespace {

struct Named {
    std::string_view name;  // lower case, without spaces
    uint8_t r, g, b;
};

// X11's values for its names, not those of the web's colour names: green is 0 255 0, gray
// is 190 190 190.
constexpr Named kNames[] = {
    {"black", 0, 0, 0}, {"white", 255, 255, 255}, {"red", 255, 0, 0}, {"green", 0, 255, 0}, {"blue", 0, 0, 255},
    {"yellow", 255, 255, 0}, {"cyan", 0, 255, 255}, {"magenta", 255, 0, 255}, {"gray", 190, 190, 190},
    {"grey", 190, 190, 190}, {"orange", 255, 165, 0}, {"purple", 160, 32, 240}, {"brown", 165, 42, 42},
    {"pink", 255, 192, 203}, {"navy", 0, 0, 128}, {"maroon", 176, 48, 96}, {"gold", 255, 215, 0},
    {"violet", 238, 130, 238}, {"darkgray", 169, 169, 169}, {"darkgrey", 169, 169, 169},
    {"lightgray", 211, 211, 211}, {"lightgrey", 211, 211, 211}, {"dimgray", 105, 105, 105},
    {"dimgrey", 105, 105, 105}, {"slategray", 112, 128, 144}, {"lightslategray", 119, 136, 153},
    {"darkslategray", 47, 79, 79}, {"lightblue", 173, 216, 230}, {"darkblue", 0, 0, 139}, {"darkred", 139, 0, 0},
    {"darkgreen", 0, 100, 0}, {"darkcyan", 0, 139, 139}, {"darkmagenta", 139, 0, 139},
    {"lightyellow", 255, 255, 224}, {"lightcyan", 224, 255, 255}, {"khaki", 240, 230, 140}, {"tan", 210, 180, 140},
    {"salmon", 250, 128, 114}, {"coral", 255, 127, 80}, {"turquoise", 64, 224, 208}, {"wheat", 245, 222, 179},
    {"beige", 245, 245, 220}, {"ivory", 255, 255, 240}, {"snow", 255, 250, 250}, {"navyblue", 0, 0, 128},
    {"midnightblue", 25, 25, 112}, {"royalblue", 65, 105, 225}, {"steelblue", 70, 130, 180},
    {"skyblue", 135, 206, 235}, {"deepskyblue", 0, 191, 255}, {"dodgerblue", 30, 144, 255},
    {"cornflowerblue", 100, 149, 237}, {"lightsteelblue", 176, 196, 222}, {"cadetblue", 95, 158, 160},
    {"forestgreen", 34, 139, 34}, {"seagreen", 46, 139, 87}, {"limegreen", 50, 205, 50},
    {"yellowgreen", 154, 205, 50}, {"olivedrab", 107, 142, 35}, {"darkolivegreen", 85, 107, 47},
    {"palegreen", 152, 251, 152}, {"springgreen", 0, 255, 127}, {"goldenrod", 218, 165, 32},
    {"darkgoldenrod", 184, 134, 11}, {"indianred", 205, 92, 92}, {"tomato", 255, 99, 71}, {"orangered", 255, 69, 0},
    {"hotpink", 255, 105, 180}, {"deeppink", 255, 20, 147}, {"violetred", 208, 32, 144},
    {"firebrick", 178, 34, 34}, {"sienna", 160, 82, 45}, {"peru", 205, 133, 63}, {"chocolate", 210, 105, 30},
    {"saddlebrown", 139, 69, 19}, {"sandybrown", 244, 164, 96}, {"orchid", 218, 112, 214}, {"plum", 221, 160, 221},
    {"thistle", 216, 191, 216}, {"lavender", 230, 230, 250}, {"linen", 250, 240, 230}, {"gainsboro", 220, 220, 220},
    {"whitesmoke", 245, 245, 245}, {"aquamarine", 127, 255, 212}, {"mediumpurple", 147, 112, 219},
    {"blueviolet", 138, 43, 226}, {"darkviolet", 148, 0, 211},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// #RGB, #RRGGBB, #RRRGGGBBB or #RRRRGGGGBBBB, each channel scaled to 8 bits.
std::optional<uint32_t> Hex(std::string_view digits) {
    const size_t n = digits.size() / 3;
    if (n < 1 || n > 4 || digits.size() % 3) return std::nullopt;
    unsigned channel[3] = {};
    for (size_t i = 0; i < digits.size(); ++i) {
        const int d = HexDigit(digits[i]);
        if (d < 0) return std::nullopt;
        channel[i / n] = channel[i / n] << 4 | unsigned(d);
    }
    const int bits = int(n) * 4;
    return Argb(To8Bits(channel[0], bits), To8Bits(channel[1], bits), To8Bits(channel[2], bits));
}

// gray0 to gray100 (or grey): that percentage of white, as X11's table has them (rounded
// in floating point there, which puts 50 and 90 one lower than exact rounding would).
std::optional<uint32_t> Grey(std::string_view name) {
    if (!name.starts_with("gray") && !name.starts_with("grey")) return std::nullopt;
    const std::string_view digits = name.substr(4);
    if (digits.empty() || digits.size() > 3) return std::nullopt;
    unsigned percent = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        percent = percent * 10 + unsigned(c - '0');
    }
    if (percent > 100) return std::nullopt;
    const unsigned v = (percent * 255 + 50) / 100 - (percent == 50 || percent == 90);
    return Argb(v, v, v);
}

}  // namespace

std::optional<uint32_t> XpmColour(std::string_view value) {
    // No name or hex colour is longer: a longer value is not copied.
    if (value.size() > 64) return std::nullopt;
    std::string name;  // lower case, spaces left out: "Light Gray" is lightgray
    for (const char c : value)
        if (c != ' ' && c != '\t') name += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (name.starts_with("#")) return Hex(std::string_view(name).substr(1));
    if (name == "none") return 0u;
    if (const std::optional<uint32_t> grey = Grey(name)) return grey;
    for (const Named& named : kNames)
        if (named.name == name) return Argb(named.r, named.g, named.b);
    return std::nullopt;
}

}  // namespace pictures
