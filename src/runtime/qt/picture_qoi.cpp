// QOI pictures: a 14-byte header, then chunks that repeat, index, nudge or spell out
// pixels, then seven zero bytes and a one.
#include <QtEndian>

#include "runtime/qt/picture_own_formats.h"

namespace rt {

namespace {

constexpr int64_t kFixedCost = 1 << 20;

class QoiReader : public OwnFormatReader {
public:
    explicit QoiReader(const QByteArray& bytes) : bytes_(bytes) {}

    DecodingCost Measure() override {
        const auto* d = reinterpret_cast<const uchar*>(bytes_.constData());
        width_ = qFromBigEndian<quint32>(d + 4);
        height_ = qFromBigEndian<quint32>(d + 8);
        alpha_ = d[12] == 4;
        if (width_ == 0 || height_ == 0 || width_ > INT_MAX || height_ > INT_MAX || (d[12] != 3 && d[12] != 4)) return {};
        return {QSize(int(width_), int(height_)),
                CostInBytes(double(width_) * height_ * 4 + double(bytes_.size()) + kFixedCost)};
    }

    QImage Decode() override {
        QImage image = NewImage(int(width_), int(height_), alpha_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const auto* d = reinterpret_cast<const uchar*>(bytes_.constData());
        const qsizetype end = bytes_.size();
        qsizetype at = 14;
        QRgb seen[64] = {};
        QRgb px = qRgba(0, 0, 0, 255);
        int run = 0;
        for (int y = 0; y < int(height_); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < int(width_); ++x) {
                if (run > 0) {
                    --run;
                } else {
                    if (at >= end) throw DecodeFailure{DecodeFailure::Truncated, {}};
                    const uchar op = d[at++];
                    if (op == 0xFE || op == 0xFF) {  // RGB, RGBA
                        const int n = op == 0xFE ? 3 : 4;
                        if (end - at < n) throw DecodeFailure{DecodeFailure::Truncated, {}};
                        px = qRgba(d[at], d[at + 1], d[at + 2], n == 4 ? d[at + 3] : qAlpha(px));
                        at += n;
                    } else if ((op >> 6) == 0) {  // index
                        px = seen[op];
                    } else if ((op >> 6) == 1) {  // small difference, each channel -2..1
                        px = qRgba((qRed(px) + ((op >> 4) & 3) - 2) & 0xFF, (qGreen(px) + ((op >> 2) & 3) - 2) & 0xFF,
                                   (qBlue(px) + (op & 3) - 2) & 0xFF, qAlpha(px));
                    } else if ((op >> 6) == 2) {  // luma: green -32..31, red and blue relative to it
                        if (at >= end) throw DecodeFailure{DecodeFailure::Truncated, {}};
                        const int dg = (op & 0x3F) - 32, rb = d[at++];
                        px = qRgba((qRed(px) + dg + (rb >> 4) - 8) & 0xFF, (qGreen(px) + dg) & 0xFF,
                                   (qBlue(px) + dg + (rb & 15) - 8) & 0xFF, qAlpha(px));
                    } else {  // run of the previous pixel, 1..62
                        run = op & 0x3F;
                    }
                    seen[(qRed(px) * 3 + qGreen(px) * 5 + qBlue(px) * 7 + qAlpha(px) * 11) % 64] = px;
                }
                line[x] = alpha_ ? px : (px | 0xFF000000u);
            }
        }
        return image;
    }

private:
    const QByteArray& bytes_;
    quint32 width_ = 0, height_ = 0;
    bool alpha_ = false;
};

}  // namespace

bool IsQoi(const QByteArray& head) { return head.size() >= 14 && head.startsWith("qoif"); }

std::unique_ptr<OwnFormatReader> OpenQoi(const QByteArray& bytes) {
    return std::make_unique<QoiReader>(bytes);
}

}  // namespace rt
