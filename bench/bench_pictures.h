// The picture the save and format benchmarks write, and how near a copy comes to it.
#pragma once

#include <QImage>
#include <algorithm>
#include <cmath>
#include <random>

// A photograph stand-in: smooth colour fields, fine grain and a few hard edges.
inline QImage MakePicture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(7);
    std::normal_distribution<float> grain(0.f, 6.f);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const float fx = float(x) / w, fy = float(y) / h;
            float r = 128 + 90 * std::sin(6.1f * fx + 2.3f * fy) + 20 * std::sin(41.f * fx * fy);
            float g = 120 + 80 * std::cos(4.7f * fy - 1.3f * fx) + 15 * std::sin(29.f * fy);
            float b = 110 + 70 * std::sin(3.3f * (fx + fy)) + 25 * std::cos(17.f * fx);
            if ((x / 750 + y / 500) % 5 == 0) r = 0.6f * r + 90, g *= 0.5f;  // hard-edged patches
            const float n = grain(random);
            auto c = [](float v) { return int(std::clamp(v, 0.f, 255.f)); };
            line[x] = qRgb(c(r + n), c(g + n), c(b + n));
        }
    }
    return image;
}

// Peak signal-to-noise ratio over the three colours, in dB (99 for identical pictures).
inline double Psnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size()) return 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        auto* p = reinterpret_cast<const QRgb*>(x.scanLine(row));
        auto* q = reinterpret_cast<const QRgb*>(y.scanLine(row));
        for (int i = 0; i < x.width(); ++i) {
            const int dr = qRed(p[i]) - qRed(q[i]), dg = qGreen(p[i]) - qGreen(q[i]), db = qBlue(p[i]) - qBlue(q[i]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}
