// Build tool: the program's icon, a PNG, as a C++ table of its pixels (0xAARRGGBB), so that
// the program makes its icon without reading an image file at start: the first file Qt
// reads has it survey every image-format plugin installed, which the start should not wait
// for. Usage: icon_pixels icon.png out.cpp
#include <png.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: icon_pixels icon.png out.cpp\n");
        return 2;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, argv[1])) {
        std::fprintf(stderr, "%s: %s\n", argv[1], image.message);
        return 1;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], image.message);
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "w");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    std::fprintf(out, "// Made by icon_pixels from the program's icon. Do not edit.\n#include <cstdint>\n\n");
    std::fprintf(out, "namespace rt {\n\nextern const int kProgramIconWidth = %u;\nextern const int kProgramIconHeight = %u;\n",
                 image.width, image.height);
    std::fprintf(out, "extern const uint32_t kProgramIconPixels[] = {");
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned long argb = (unsigned long)rgba[i + 3] << 24 | (unsigned long)rgba[i] << 16 |
                                   (unsigned long)rgba[i + 1] << 8 | rgba[i + 2];
        std::fprintf(out, "%s0x%08lx,", i % 32 == 0 ? "\n    " : " ", argb);
    }
    std::fprintf(out, "\n};\n\n}  // namespace rt\n");
    // A table cut short must not stand for the icon in the next build.
    if (std::ferror(out) | std::fclose(out)) {
        std::perror(argv[2]);
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
