// Pictures computed pixel by pixel, so the program ships no image files.
#include "indexer/app/ui/Pictures.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace indexer {

namespace {

/// A small repeatable noise value 0..1 for a pixel of the tile.
double Grain(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFF) / 255.0;
}

std::unique_ptr<Fl_RGB_Image> FromPixels(const std::vector<unsigned char>& rgb, int w, int h, int depth) {
    // The temporary image only borrows the pixels; its copy owns its own.
    Fl_RGB_Image borrowed(rgb.data(), w, h, depth);
    return std::unique_ptr<Fl_RGB_Image>(static_cast<Fl_RGB_Image*>(borrowed.copy()));
}

}  // namespace

std::unique_ptr<Fl_RGB_Image> MakeBackgroundTile() {
    constexpr int kSize = 64;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<unsigned char> rgb(kSize * kSize * 3);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            // Two soft diagonal weaves whose periods divide the tile, so the
            // tiles meet without a seam, plus a little grain.
            const double weave = std::sin(2 * kPi * (x + y) / 16.0) * std::sin(2 * kPi * (x - y) / 32.0);
            const double shade = 4.0 * weave + 5.0 * (Grain(x, y) - 0.5);
            unsigned char* p = &rgb[(y * kSize + x) * 3];
            p[0] = static_cast<unsigned char>(238 + shade);
            p[1] = static_cast<unsigned char>(233 + shade);
            p[2] = static_cast<unsigned char>(218 + shade);
        }
    }
    return FromPixels(rgb, kSize, kSize, 3);
}

std::unique_ptr<Fl_RGB_Image> MakeProgramIcon() {
    constexpr int kSize = 32;
    std::vector<unsigned char> rgba(kSize * kSize * 4, 0);
    auto put = [&](int x, int y, unsigned char r, unsigned char g, unsigned char b) {
        if (x < 0 || y < 0 || x >= kSize || y >= kSize) return;
        unsigned char* p = &rgba[(y * kSize + x) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    };
    // The page with its text lines.
    for (int y = 2; y < 28; ++y)
        for (int x = 4; x < 22; ++x) {
            const bool edge = x == 4 || x == 21 || y == 2 || y == 27;
            const bool line = (y % 4 == 0) && x > 6 && x < 19 && y > 4 && y < 26;
            if (edge) put(x, y, 60, 60, 90);
            else if (line) put(x, y, 120, 120, 150);
            else put(x, y, 255, 255, 250);
        }
    // The glass: a ring and its handle.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const double d = std::hypot(x - 18.5, y - 16.5);
            if (d >= 5.5 && d <= 7.5) put(x, y, 150, 20, 20);
            else if (d < 5.5) {
                unsigned char* p = &rgba[(y * kSize + x) * 4];
                if (p[3] == 0) put(x, y, 210, 230, 255);
                else p[2] = 255;
            }
        }
    for (int i = 0; i < 8; ++i)
        for (int t = -1; t <= 1; ++t) put(23 + i + t, 22 + i, 90, 50, 20);
    return FromPixels(rgba, kSize, kSize, 4);
}

}  // namespace indexer
