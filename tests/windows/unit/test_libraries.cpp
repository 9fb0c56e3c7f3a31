// The picture libraries cross-built for Windows (scripts/build-windows-deps.sh): all of them
// link into one static program, each reports the upstream version of the Debian source
// package the prefix was built from, and the codecs round-trip small pictures.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <aom/aom_codec.h>
#include <brotli/decode.h>
#include <dav1d/dav1d.h>
#include <exiv2/exiv2.hpp>
#include <expat.h>
#include <gif_lib.h>
#include <hwy/targets.h>
#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>
#include <lcms2.h>
#include <libde265/de265.h>
#include <libdeflate.h>
#include <libheif/heif.h>
#include <libimagequant.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "windows_deps_versions.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Upstream version of each Debian package in the prefix: "1:2.1.5-2" gives "2.1.5".
std::map<std::string, std::string> UpstreamVersions() {
    std::map<std::string, std::string> versions;
    std::istringstream lines(kWindowsDepsVersions);
    for (std::string package, version; lines >> package >> version;) {
        version.erase(0, version.find(':') + 1);
        versions[package] = version.substr(0, version.find_first_of("-+~", version.find('.')));
    }
    return versions;
}

std::string Dotted(unsigned major, unsigned minor, unsigned patch) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

// Neighbouring samples all differ, so that a lossy path shows.
Bytes Pattern(int width, int height, int channels) {
    Bytes pixels(size_t(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (unsigned char)((i * 37 + i / 7 * 11) & 0xff);
    return pixels;
}

int WorstDifference(const Bytes& a, const Bytes& b) {
    int worst = a.size() == b.size() ? 0 : 256;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

}  // namespace

TEST_CASE("each library reports the version of the Debian source package it was built from") {
    const auto debian = UpstreamVersions();
    const uint32_t webp = WebPGetEncoderVersion(), brotli = BrotliDecoderVersion(), jxl = JxlEncoderVersion();
    const std::string tiff = TIFFGetVersion();  // "LIBTIFF, Version 4.5.0\n..."
    const std::pair<const char*, std::string> reported[] = {
        {"libz-mingw-w64-dev", zlibVersion()},
        {"libpng1.6", png_get_libpng_ver(nullptr)},
        {"libwebp", Dotted(webp >> 16, (webp >> 8) & 0xff, webp & 0xff)},
        {"libwebp", Dotted(WebPGetMuxVersion() >> 16, (WebPGetMuxVersion() >> 8) & 0xff, WebPGetMuxVersion() & 0xff)},
        {"libwebp", Dotted(WebPGetDemuxVersion() >> 16, (WebPGetDemuxVersion() >> 8) & 0xff, WebPGetDemuxVersion() & 0xff)},
        {"tiff", tiff.substr(tiff.find("Version ") + 8, tiff.find('\n') - tiff.find("Version ") - 8)},
        {"lcms2", std::to_string(cmsGetEncodedCMMversion() / 1000) + "." + std::to_string(cmsGetEncodedCMMversion() % 1000 / 10)},
        {"expat", XML_ExpatVersion() + 6},  // "expat_2.5.0"
        {"exiv2", Exiv2::version()},
        {"brotli", Dotted(brotli >> 24, (brotli >> 12) & 0xfff, brotli & 0xfff)},
        {"jpeg-xl", Dotted(jxl / 1000000, jxl / 1000 % 1000, jxl % 1000)},
        {"libde265", de265_get_version()},
        {"dav1d", dav1d_version()},
        {"aom", aom_codec_version_str() + 1},  // "v3.6.0"
        {"libheif", heif_get_version()},
    };
    for (const auto& [name, version] : reported) {
        const std::string package = name;
        CAPTURE(package);
        REQUIRE(debian.count(package) == 1);
        CHECK(version == debian.at(package));
    }
    // Without a version call: giflib's messages, libimagequant's palette bounds, and the
    // vector units Highway finds.
    CHECK(std::string(GifErrorString(D_GIF_ERR_NOT_GIF_FILE)) == "Data is not in GIF format");
    liq_attr* attr = liq_attr_create();
    CHECK(liq_set_max_colors(attr, 256) == LIQ_OK);
    CHECK(liq_set_max_colors(attr, 257) == LIQ_VALUE_OUT_OF_RANGE);
    liq_attr_destroy(attr);
    CHECK(hwy::SupportedTargets() != 0);
}

TEST_CASE("libtiff has the codecs the program writes and reads, and expat its DTD support") {
    for (auto codec : {COMPRESSION_ADOBE_DEFLATE, COMPRESSION_JPEG, COMPRESSION_WEBP, COMPRESSION_LZW}) {
        CAPTURE(codec);
        CHECK(TIFFIsCODECConfigured(codec));
    }
    bool dtd = false;
    for (const XML_Feature* f = XML_GetFeatureList(); f->feature != XML_FEATURE_END; ++f)
        dtd = dtd || f->feature == XML_FEATURE_DTD;
    CHECK(dtd);
}

TEST_CASE("lossless codecs give back every byte") {
    const int width = 19, height = 13;
    SUBCASE("libdeflate") {
        const Bytes data = Pattern(width, height, 3);
        Bytes packed(libdeflate_deflate_compress_bound(nullptr, data.size())), back(data.size());
        libdeflate_compressor* c = libdeflate_alloc_compressor(9);
        packed.resize(libdeflate_deflate_compress(c, data.data(), data.size(), packed.data(), packed.size()));
        libdeflate_free_compressor(c);
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        CHECK(libdeflate_deflate_decompress(d, packed.data(), packed.size(), back.data(), back.size(), nullptr) ==
              LIBDEFLATE_SUCCESS);
        libdeflate_free_decompressor(d);
        CHECK(back == data);
    }
    SUBCASE("WebP") {
        Bytes rgba = Pattern(width, height, 4);
        for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] |= 1;  // WebP may recolour fully transparent pixels
        uint8_t* webp = nullptr;
        const size_t size = WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &webp);
        int w = 0, h = 0;
        uint8_t* back = WebPDecodeRGBA(webp, size, &w, &h);
        REQUIRE(back != nullptr);
        CHECK((w == width && h == height));
        CHECK(Bytes(back, back + rgba.size()) == rgba);
        WebPFree(back);
        WebPFree(webp);
    }
    SUBCASE("PNG") {
        const Bytes rgba = Pattern(width, height, 4);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = width;
        image.height = height;
        image.format = PNG_FORMAT_RGBA;
        png_alloc_size_t size = 0;
        REQUIRE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr));
        Bytes png(size);
        REQUIRE(png_image_write_to_memory(&image, png.data(), &size, 0, rgba.data(), 0, nullptr));
        png_image read{};
        read.version = PNG_IMAGE_VERSION;
        REQUIRE(png_image_begin_read_from_memory(&read, png.data(), size));
        read.format = PNG_FORMAT_RGBA;
        Bytes back(PNG_IMAGE_SIZE(read));
        REQUIRE(png_image_finish_read(&read, nullptr, back.data(), 0, nullptr));
        CHECK(back == rgba);
    }
    SUBCASE("JPEG XL, encoded on two threads") {
        const Bytes rgb = Pattern(width, height, 3);
        const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        JxlEncoder* enc = JxlEncoderCreate(nullptr);
        void* runner = JxlThreadParallelRunnerCreate(nullptr, 2);
        REQUIRE(JxlEncoderSetParallelRunner(enc, JxlThreadParallelRunner, runner) == JXL_ENC_SUCCESS);
        JxlBasicInfo info;
        JxlEncoderInitBasicInfo(&info);
        info.xsize = width;
        info.ysize = height;
        info.uses_original_profile = JXL_TRUE;
        REQUIRE(JxlEncoderSetBasicInfo(enc, &info) == JXL_ENC_SUCCESS);
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        REQUIRE(JxlEncoderSetColorEncoding(enc, &srgb) == JXL_ENC_SUCCESS);
        JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
        REQUIRE(JxlEncoderSetFrameLossless(settings, JXL_TRUE) == JXL_ENC_SUCCESS);
        REQUIRE(JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) == JXL_ENC_SUCCESS);
        JxlEncoderCloseInput(enc);
        Bytes jxl(1 << 16);
        uint8_t* next = jxl.data();
        size_t avail = jxl.size();
        REQUIRE(JxlEncoderProcessOutput(enc, &next, &avail) == JXL_ENC_SUCCESS);
        jxl.resize(next - jxl.data());
        JxlEncoderDestroy(enc);
        JxlThreadParallelRunnerDestroy(runner);

        JxlDecoder* dec = JxlDecoderCreate(nullptr);
        REQUIRE(JxlDecoderSubscribeEvents(dec, JXL_DEC_FULL_IMAGE) == JXL_DEC_SUCCESS);
        REQUIRE(JxlDecoderSetInput(dec, jxl.data(), jxl.size()) == JXL_DEC_SUCCESS);
        JxlDecoderCloseInput(dec);
        Bytes back(rgb.size());
        JxlDecoderStatus event;
        while ((event = JxlDecoderProcessInput(dec)) == JXL_DEC_NEED_IMAGE_OUT_BUFFER || event == JXL_DEC_FULL_IMAGE)
            if (event == JXL_DEC_NEED_IMAGE_OUT_BUFFER)
                REQUIRE(JxlDecoderSetImageOutBuffer(dec, &format, back.data(), back.size()) == JXL_DEC_SUCCESS);
        CHECK(event == JXL_DEC_SUCCESS);
        JxlDecoderDestroy(dec);
        CHECK(back == rgb);
    }
}

TEST_CASE("a JPEG written with libjpeg reads back close to the picture") {
    const int width = 32, height = 24;
    Bytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) rgb.insert(rgb.end(), {Bytes::value_type(x * 8), Bytes::value_type(y * 8), 128});
    jpeg_error_mgr errors{};
    jpeg_compress_struct c{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &jpeg, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    for (JSAMPROW row; c.next_scanline < c.image_height; jpeg_write_scanlines(&c, &row, 1))
        row = &rgb[c.next_scanline * width * 3];
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);

    jpeg_decompress_struct d{};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg, size);
    REQUIRE(jpeg_read_header(&d, TRUE) == JPEG_HEADER_OK);
    jpeg_start_decompress(&d);
    REQUIRE((d.output_width == unsigned(width) && d.output_height == unsigned(height)));
    Bytes back(rgb.size());
    for (JSAMPROW row; d.output_scanline < d.output_height; jpeg_read_scanlines(&d, &row, 1))
        row = &back[d.output_scanline * width * 3];
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::free(jpeg);
    CHECK(WorstDifference(back, rgb) <= 12);
}

TEST_CASE("AV1 through libheif: aom encodes losslessly, dav1d decodes, within YCbCr rounding") {
    const int width = 64, height = 48;
    const Bytes rgb = Pattern(width, height, 3);
    CHECK(heif_have_decoder_for_format(heif_compression_HEVC));  // libde265
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    REQUIRE(heif_context_get_encoder_for_format(ctx, heif_compression_AV1, &encoder).code == heif_error_Ok);
    REQUIRE(heif_encoder_set_lossless(encoder, 1).code == heif_error_Ok);
    REQUIRE(heif_encoder_set_parameter_string(encoder, "chroma", "444").code == heif_error_Ok);
    heif_image* image = nullptr;
    REQUIRE(heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code == heif_error_Ok);
    REQUIRE(heif_image_add_plane(image, heif_channel_interleaved, width, height, 8).code == heif_error_Ok);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) std::memcpy(plane + y * stride, &rgb[y * width * 3], width * 3);
    REQUIRE(heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code == heif_error_Ok);
    heif_image_release(image);
    heif_encoder_release(encoder);
    Bytes avif;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
        static_cast<Bytes*>(out)->insert(static_cast<Bytes*>(out)->end(), (const uint8_t*)data, (const uint8_t*)data + size);
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    }};
    REQUIRE(heif_context_write(ctx, &writer, &avif).code == heif_error_Ok);
    heif_context_free(ctx);

    ctx = heif_context_alloc();
    REQUIRE(heif_context_read_from_memory_without_copy(ctx, avif.data(), avif.size(), nullptr).code == heif_error_Ok);
    heif_image_handle* handle = nullptr;
    REQUIRE(heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok);
    heif_image* decoded = nullptr;
    REQUIRE(heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code ==
            heif_error_Ok);
    REQUIRE(heif_image_get_width(decoded, heif_channel_interleaved) == width);
    const uint8_t* out = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    Bytes back;
    for (int y = 0; y < height; ++y) back.insert(back.end(), out + y * stride, out + y * stride + width * 3);
    // The AV1 stream itself is lossless, but libheif 1.15 goes through full-range BT.601
    // YCbCr whatever matrix is asked for: a sample may move by one.
    CHECK(WorstDifference(back, rgb) <= 1);
    heif_image_release(decoded);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
}

TEST_CASE("exiv2 writes an XMP packet through its toolkit and expat reads it back") {
    REQUIRE(Exiv2::XmpParser::initialize());
    Exiv2::XmpData xmp, back;
    xmp["Xmp.xmp.CreatorTool"] = "湖の写真";
    std::string packet;
    REQUIRE(Exiv2::XmpParser::encode(packet, xmp) == 0);
    REQUIRE(Exiv2::XmpParser::decode(back, packet) == 0);
    CHECK(back["Xmp.xmp.CreatorTool"].toString() == "湖の写真");
    Exiv2::XmpParser::terminate();
}
