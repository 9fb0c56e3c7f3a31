// The picture libraries cross-built for Windows (scripts/build-windows-deps.sh): all of them
// link into one static program, each reports the upstream version of the Debian source
// package the prefix was built from, and the codecs round-trip small pictures.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <aom/aom_codec.h>
#include <brotli/decode.h>
#include <brotli/encode.h>
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

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "windows_deps_versions.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Upstream version of each Debian package in the prefix: "1:2.1.5-2" gives "2.1.5".
std::map<std::string, std::string> UpstreamVersions() {
    std::map<std::string, std::string> versions;
    std::istringstream lines(kWindowsDepsVersions);
    std::string package, version;
    while (lines >> package >> version) {
        if (auto colon = version.find(':'); colon != std::string::npos) version.erase(0, colon + 1);
        version.erase(version.find_first_of("-+~", version.find('.')), std::string::npos);
        versions[package] = version;
    }
    return versions;
}

std::string Dotted(unsigned major, unsigned minor, unsigned patch) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

// A picture whose neighbouring samples all differ, so that a lossy path shows.
Bytes Pattern(int width, int height, int channels) {
    Bytes pixels(size_t(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (unsigned char)((i * 37 + i / 7 * 11) & 0xff);
    return pixels;
}

// A smooth picture for the lossy JPEG codec.
Bytes Gradient(int width, int height) {
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.insert(pixels.end(), {Bytes::value_type(x * 8), Bytes::value_type(y * 8), 128});
    return pixels;
}

}  // namespace

TEST_CASE("each library reports the version of the Debian source package it was built from") {
    const auto debian = UpstreamVersions();
    const uint32_t brotli = BrotliDecoderVersion();
    const std::string tiff = TIFFGetVersion();  // "LIBTIFF, Version 4.5.0\n..."
    const std::string tiff_version = tiff.substr(tiff.find("Version ") + 8, tiff.find('\n') - tiff.find("Version ") - 8);
    const std::pair<const char*, std::string> reported[] = {
        {"libz-mingw-w64-dev", zlibVersion()},
        {"libpng1.6", png_get_libpng_ver(nullptr)},
        {"libwebp", Dotted(WebPGetEncoderVersion() >> 16, (WebPGetEncoderVersion() >> 8) & 0xff, WebPGetEncoderVersion() & 0xff)},
        {"libwebp", Dotted(WebPGetMuxVersion() >> 16, (WebPGetMuxVersion() >> 8) & 0xff, WebPGetMuxVersion() & 0xff)},
        {"libwebp", Dotted(WebPGetDemuxVersion() >> 16, (WebPGetDemuxVersion() >> 8) & 0xff, WebPGetDemuxVersion() & 0xff)},
        {"libimagequant", Dotted(liq_version() / 10000, liq_version() / 100 % 100, liq_version() % 100)},
        {"tiff", tiff_version},
        {"lcms2", std::to_string(cmsGetEncodedCMMversion() / 1000) + "." + std::to_string(cmsGetEncodedCMMversion() % 1000 / 10)},
        {"expat", std::string(XML_ExpatVersion()).substr(6)},  // "expat_2.5.0"
        {"exiv2", Exiv2::version()},
        {"brotli", Dotted(brotli >> 24, (brotli >> 12) & 0xfff, brotli & 0xfff)},
        {"jpeg-xl", Dotted(JxlEncoderVersion() / 1000000, JxlEncoderVersion() / 1000 % 1000, JxlEncoderVersion() % 1000)},
        {"libde265", de265_get_version()},
        {"dav1d", dav1d_version()},
        {"aom", aom_codec_version_str()},
        {"libheif", heif_get_version()},
    };
    for (const auto& [package, version] : reported) {
        CAPTURE(package);
        REQUIRE(debian.count(package) == 1);
        CHECK(version == debian.at(package));
    }
    // Highway has no version call: it at least finds the processor's vector units.
    CHECK(hwy::SupportedTargets() != 0);
}

TEST_CASE("libtiff has the codecs the program writes and reads, and expat its DTD support") {
    for (auto codec : {COMPRESSION_ADOBE_DEFLATE, COMPRESSION_DEFLATE, COMPRESSION_JPEG, COMPRESSION_WEBP, COMPRESSION_LZW}) {
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
        CHECK(libdeflate_deflate_decompress(d, packed.data(), packed.size(), back.data(), back.size(), nullptr) == LIBDEFLATE_SUCCESS);
        libdeflate_free_decompressor(d);
        CHECK(back == data);
    }
    SUBCASE("WebP lossless") {
        const Bytes rgba = Pattern(width, height, 4);
        uint8_t* webp = nullptr;
        const size_t size = WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &webp);
        REQUIRE(size > 0);
        int w = 0, h = 0;
        uint8_t* back = WebPDecodeRGBA(webp, size, &w, &h);
        REQUIRE(back != nullptr);
        CHECK(w == width);
        CHECK(h == height);
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
    SUBCASE("GIF") {
        const Bytes indices = Pattern(width, height, 1);
        ColorMapObject* palette = GifMakeMapObject(256, nullptr);
        for (int i = 0; i < 256; ++i) palette->Colors[i] = {GifByteType(i), GifByteType(255 - i), GifByteType(i / 2)};
        Bytes gif;
        int error = 0;
        GifFileType* out = EGifOpen(&gif, [](GifFileType* f, const GifByteType* b, int n) {
            static_cast<Bytes*>(f->UserData)->insert(static_cast<Bytes*>(f->UserData)->end(), b, b + n);
            return n;
        }, &error);
        REQUIRE(out != nullptr);
        CHECK(EGifPutScreenDesc(out, width, height, 8, 0, palette) == GIF_OK);
        CHECK(EGifPutImageDesc(out, 0, 0, width, height, false, nullptr) == GIF_OK);
        for (int y = 0; y < height; ++y) CHECK(EGifPutLine(out, const_cast<GifByteType*>(&indices[y * width]), width) == GIF_OK);
        CHECK(EGifCloseFile(out, &error) == GIF_OK);
        GifFreeMapObject(palette);
        std::pair<const Bytes*, size_t> source{&gif, 0};
        GifFileType* in = DGifOpen(&source, [](GifFileType* f, GifByteType* b, int n) {
            auto* s = static_cast<std::pair<const Bytes*, size_t>*>(f->UserData);
            n = int(std::min<size_t>(n, s->first->size() - s->second));
            std::memcpy(b, s->first->data() + s->second, n);
            s->second += n;
            return n;
        }, &error);
        REQUIRE(in != nullptr);
        REQUIRE(DGifSlurp(in) == GIF_OK);
        REQUIRE(in->ImageCount == 1);
        CHECK(Bytes(in->SavedImages[0].RasterBits, in->SavedImages[0].RasterBits + indices.size()) == indices);
        CHECK(in->SColorMap->Colors[200].Green == 55);
        DGifCloseFile(in, &error);
    }
    SUBCASE("JPEG XL lossless, encoded on two threads") {
        const Bytes rgb = Pattern(width, height, 3);
        const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        JxlEncoder* enc = JxlEncoderCreate(nullptr);
        void* runner = JxlThreadParallelRunnerCreate(nullptr, 2);
        REQUIRE(JxlEncoderSetParallelRunner(enc, JxlThreadParallelRunner, runner) == JXL_ENC_SUCCESS);
        JxlBasicInfo info;
        JxlEncoderInitBasicInfo(&info);
        info.xsize = width;
        info.ysize = height;
        info.bits_per_sample = 8;
        info.num_color_channels = 3;
        info.uses_original_profile = JXL_TRUE;
        REQUIRE(JxlEncoderSetBasicInfo(enc, &info) == JXL_ENC_SUCCESS);
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        REQUIRE(JxlEncoderSetColorEncoding(enc, &srgb) == JXL_ENC_SUCCESS);
        JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
        REQUIRE(JxlEncoderSetFrameLossless(settings, JXL_TRUE) == JXL_ENC_SUCCESS);
        REQUIRE(JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) == JXL_ENC_SUCCESS);
        JxlEncoderCloseInput(enc);
        Bytes jxl(64);
        uint8_t* next = jxl.data();
        size_t avail = jxl.size();
        JxlEncoderStatus status;
        while ((status = JxlEncoderProcessOutput(enc, &next, &avail)) == JXL_ENC_NEED_MORE_OUTPUT) {
            const size_t used = next - jxl.data();
            jxl.resize(jxl.size() * 2);
            next = jxl.data() + used;
            avail = jxl.size() - used;
        }
        REQUIRE(status == JXL_ENC_SUCCESS);
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
    const Bytes rgb = Gradient(width, height);
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
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
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[c.next_scanline * width * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);

    jpeg_decompress_struct d{};
    d.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg, size);
    REQUIRE(jpeg_read_header(&d, TRUE) == JPEG_HEADER_OK);
    jpeg_start_decompress(&d);
    CHECK(d.output_width == unsigned(width));
    CHECK(d.output_height == unsigned(height));
    Bytes back(rgb.size());
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &back[d.output_scanline * width * 3];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::free(jpeg);
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(int(back[i]) - int(rgb[i])));
    CHECK(worst <= 12);
}

TEST_CASE("AV1 through libheif: aom encodes losslessly, dav1d decodes the same pixels") {
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
    // RGB kept as RGB (identity matrix, full range), so that lossless means every byte.
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
    nclx->full_range_flag = 1;
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->output_nclx_profile = nclx;
    REQUIRE(heif_context_encode_image(ctx, image, encoder, options, nullptr).code == heif_error_Ok);
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
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
    REQUIRE(heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code == heif_error_Ok);
    CHECK(heif_image_get_width(decoded, heif_channel_interleaved) == width);
    const uint8_t* out = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    Bytes back;
    for (int y = 0; y < height; ++y) back.insert(back.end(), out + y * stride, out + y * stride + width * 3);
    CHECK(back == rgb);
    heif_image_release(decoded);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
}

TEST_CASE("exiv2 writes an XMP packet through its toolkit and expat reads it back") {
    REQUIRE(Exiv2::XmpParser::initialize());
    Exiv2::XmpData xmp;
    xmp["Xmp.xmp.CreatorTool"] = "湖の写真";
    std::string packet;
    REQUIRE(Exiv2::XmpParser::encode(packet, xmp) == 0);
    Exiv2::XmpData back;
    REQUIRE(Exiv2::XmpParser::decode(back, packet) == 0);
    CHECK(back["Xmp.xmp.CreatorTool"].toString() == "湖の写真");
    Exiv2::XmpParser::terminate();
}
