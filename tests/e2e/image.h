// Screenshots of the end-to-end tests: an RGB picture, read from the X
// server's XWD dump and written as PNG for a person to look at.
// Depends on the standard library and zlib (no X headers).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vlotest {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// A width x height picture, rows top to bottom, three bytes per pixel.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    bool Empty() const { return width <= 0 || height <= 0; }
    // The pixel at (x, y); outside the picture it reads as black.
    Rgb At(int x, int y) const;
    // True when any pixel of the picture is not black.
    bool AnyNonBlack() const;
};

// Decodes an XWD dump (as `xwd -silent` writes it): ZPixmap of 24 or 32 bits
// per pixel in either byte order, colours taken through the header's masks.
// Returns false with a reason in `error` for anything else or a short file.
bool DecodeXwd(const std::string& bytes, Image& out, std::string& error);

// Every `factor`-th pixel in both directions: undoes an exact integer
// scaling with nearest-neighbour filtering (as the renderer stretches the
// 640 x 400 picture over a larger fullscreen window).
Image Downscale(const Image& image, int factor);

// Where a picture of 640 x 400 lies on a screen: its top-left screen pixel and
// the screen pixels per picture pixel, the same on both axes.
struct Placement {
    double x = 0;
    double y = 0;
    double scale = 1;
    // The screen pixel at the centre of picture pixel (px, py).
    int ScreenX(int px) const { return static_cast<int>(x + (px + 0.5) * scale); }
    int ScreenY(int py) const { return static_cast<int>(y + (py + 0.5) * scale); }
};

// The 640 x 400 picture read back from a screen through `at`: each picture
// pixel from the screen pixel at its centre (undoes nearest-neighbour scaling
// by any factor).
Image Resample(const Image& screen, const Placement& at);

// Encodes the picture as a PNG (8-bit RGB, zlib-compressed). Returns the
// file's bytes, or an empty string when compression fails.
std::string EncodePng(const Image& image);

// Writes EncodePng(image) to `path`, creating the folders above it.
bool WritePng(const Image& image, const std::string& path);

} // namespace vlotest
