// The core tells HEIF, AVIF and JPEG XL files from their bytes without their family's
// module, as the module's own readers would: the two must agree on every head.
#include "picture_test_support.h"
#include "pictures/formats/formats.h"

namespace {

// An ftyp box: major brand, then compatible brands.
std::string Ftyp(std::string major, std::initializer_list<std::string> compatible) {
    std::string body = major + std::string("\0\0\0\0", 4);
    for (const std::string& brand : compatible) body += brand;
    const size_t size = body.size() + 8;
    return std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} + "ftyp" + body;
}

}  // namespace

TEST_CASE("the core's recognition of HEIF, AVIF and JPEG XL agrees with their readers'") {
    using namespace std::string_literals;
    const std::string heads[] = {
        Ftyp("heic", {"mif1", "heic"}),
        Ftyp("mif1", {"heic"}),
        Ftyp("mif1", {"avif"}),  // an AVIF whose major brand is the general one
        Ftyp("avif", {"mif1", "miaf"}),
        Ftyp("avis", {"msf1"}),
        Ftyp("msf1", {"hevc"}),
        Ftyp("isom", {"mp41"}),  // a video, not a picture
        Ftyp("heic", {}).substr(0, 10),  // cut inside the box
        "\xff\x0a"s + std::string(30, '\0'),
        "\xff\x0a"s,
        "\xff"s,
        "\0\0\0\x0cJXL \r\n\x87\n"s + std::string(20, '\0'),
        "\0\0\0\x0cJXL \r\n\x87"s,  // the signature box cut short
        "\0\0\0\x0cJXK \r\n\x87\n"s,
        "\x89PNG\r\n\x1a\n"s,
        ""s,
    };
    const std::pair<const pictures::Format*, const pictures::Format*> pairs[] = {
        {&pictures::kHeifFamily, &pictures::kHeif},
        {&pictures::kAvifFamily, &pictures::kAvif},
        {&pictures::kJxlFamily, &pictures::kJxl},
    };
    int recognised = 0;
    for (const std::string& head : heads)
        for (const auto& [core, reader] : pairs) {
            const pictures::Bytes bytes(head);
            const bool ours = core->recognise(bytes, {}, head.size(), "");
            CAPTURE(reader->name);
            CAPTURE(head.size());
            CHECK(ours == reader->recognise(bytes, {}, head.size(), ""));
            recognised += ours;
        }
    CHECK(recognised == 9);  // the heads above that are in one of the three formats
}
