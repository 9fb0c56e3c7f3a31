// The picture on which both builds measure their GIF quality: smooth gradients in far
// more than 256 colours, a hard-edged disc and fine stripes, the same on every system.
// kGifPsnr is what the Linux build's GIF keeps of it (measured there; its test holds
// it to this figure), the mark the Windows build must come within 1 dB of.
#pragma once

#include <cmath>
#include <cstdint>

namespace gif_quality {

constexpr int kWidth = 256, kHeight = 192;
constexpr double kLinuxPsnr = 29.45;

// Red, green and blue of the pixel at (x, y).
inline void Pixel(int x, int y, uint8_t rgb[3]) {
    const double dx = x - 170.0, dy = y - 90.0;
    const bool disc = dx * dx + dy * dy < 50.0 * 50.0;
    const bool stripes = y > 150 && (x / 3) % 2 == 0;
    rgb[0] = uint8_t(disc ? 230 : (x * 255) / (kWidth - 1));
    rgb[1] = uint8_t(disc ? 40 + y / 4 : (y * 255) / (kHeight - 1));
    rgb[2] = uint8_t(stripes ? 20 : 128 + int(100.0 * std::sin((x + y) / 30.0)));
}

// Peak signal-to-noise ratio in dB over the three channels, from the summed squared
// differences of count channel values.
inline double Psnr(double squaredErrors, double count) {
    const double mse = squaredErrors / count;
    return mse <= 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace gif_quality
