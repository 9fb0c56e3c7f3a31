// JPEG files for the tests of large pictures: a busy photo-like picture, encoded with
// libjpeg in a chosen chroma sampling, restart interval and colour profile.
#pragma once

#include <cstdio>
#include <jpeglib.h>

#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>
#include <cmath>
#include <cstdlib>

// Smooth colour fields with grain and hard chroma edges, which tell apart any pixel
// decoded differently.
inline QImage BusyPicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(uint(w * 31 + h));
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int grain = int(rng.bounded(24)) - 12;
            const bool edge = ((x / 7) + (y / 5)) % 3 == 0;
            line[x] = qRgb(qBound(0, int(120 + 100 * std::sin(x * 0.01)) + grain, 255),
                           qBound(0, (edge ? 220 : 40) + grain, 255),
                           qBound(0, int(128 + 90 * std::cos(y * 0.013)) - grain, 255));
        }
    }
    return image;
}

// Sampling: 1 for 4:4:4, 2 for 4:2:0 (both directions halved).
inline QByteArray JpegOf(const QImage& image, int sampling, int restartRows = 0, const QByteArray& icc = {}) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(image.width());
    c.image_height = JDIMENSION(image.height());
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 92, TRUE);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = sampling;
    c.restart_in_rows = restartRows;
    jpeg_start_compress(&c, TRUE);
    if (!icc.isEmpty())
        jpeg_write_icc_profile(&c, reinterpret_cast<const JOCTET*>(icc.constData()), unsigned(icc.size()));
    for (int y = 0; y < image.height(); ++y) {
        JSAMPROW row = const_cast<uchar*>(image.constScanLine(y));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}
