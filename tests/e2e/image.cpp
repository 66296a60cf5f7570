// XWD decoding and a small PNG writer (compressed by zlib) for the
// end-to-end screenshots.
#include "image.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>

namespace vlotest {

Rgb Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return {};
    }
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool Image::AnyNonBlack() const {
    for (uint8_t v : rgb) {
        if (v != 0) {
            return true;
        }
    }
    return false;
}

namespace {

// ---- XWD -----------------------------------------------------------------

uint32_t ReadU32(const std::string& s, size_t at, bool bigEndian) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
        const uint32_t byte = static_cast<uint8_t>(s[at + k]);
        v |= bigEndian ? byte << (8 * (3 - k)) : byte << (8 * k);
    }
    return v;
}

int ShiftOf(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

uint8_t Channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = ShiftOf(mask);
    const uint32_t top = mask >> shift;
    const uint32_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>(top == 255 ? v : v * 255 / top);
}

// ---- PNG -----------------------------------------------------------------

void AppendU32(std::string& s, uint32_t v) {
    for (int k = 3; k >= 0; --k) {
        s.push_back(static_cast<char>((v >> (8 * k)) & 0xFFu));
    }
}

void AppendChunk(std::string& png, const char* type, const std::string& data) {
    AppendU32(png, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    AppendU32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                               static_cast<uInt>(typed.size()))));
}

} // namespace

bool DecodeXwd(const std::string& bytes, Image& out, std::string& error) {
    constexpr size_t kHeaderFields = 25;
    if (bytes.size() < kHeaderFields * 4) {
        error = "XWD dump shorter than its header (" + std::to_string(bytes.size()) + " bytes)";
        return false;
    }
    // xwd writes its header most significant byte first; accept the other
    // order too by looking at the file version, which is always 7.
    const bool big = ReadU32(bytes, 4, true) == 7;
    if (!big && ReadU32(bytes, 4, false) != 7) {
        error = "not an XWD file of version 7";
        return false;
    }
    auto field = [&](int k) { return ReadU32(bytes, static_cast<size_t>(k) * 4, big); };
    const uint32_t headerSize = field(0);
    const uint32_t format = field(2);
    const int width = static_cast<int>(field(4));
    const int height = static_cast<int>(field(5));
    const uint32_t byteOrder = field(7);
    const uint32_t bitsPerPixel = field(11);
    const uint32_t bytesPerLine = field(12);
    const uint32_t masks[3] = {field(14), field(15), field(16)};
    const uint32_t colours = field(19);
    if (format != 2 || (bitsPerPixel != 24 && bitsPerPixel != 32)) {
        error = "unsupported XWD format " + std::to_string(format) + " with " +
                std::to_string(bitsPerPixel) + " bits per pixel";
        return false;
    }
    const size_t offset = headerSize + static_cast<size_t>(colours) * 12;
    const size_t need = offset + static_cast<size_t>(bytesPerLine) * height;
    if (width <= 0 || height <= 0 || bytes.size() < need) {
        error = "XWD dump truncated: " + std::to_string(bytes.size()) + " of " +
                std::to_string(need) + " bytes";
        return false;
    }
    out.width = width;
    out.height = height;
    out.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    const size_t bpp = bitsPerPixel / 8;
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + static_cast<size_t>(y) * bytesPerLine;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            for (size_t k = 0; k < bpp; ++k) {
                const uint32_t byte = static_cast<uint8_t>(bytes[row + x * bpp + k]);
                pixel |= byteOrder == 0 ? byte << (8 * k) : byte << (8 * (bpp - 1 - k));
            }
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            out.rgb[i] = Channel(pixel, masks[0]);
            out.rgb[i + 1] = Channel(pixel, masks[1]);
            out.rgb[i + 2] = Channel(pixel, masks[2]);
        }
    }
    return true;
}

Image Resample(const Image& screen, const Placement& at) {
    Image out;
    out.width = 640;
    out.height = 400;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const Rgb c = screen.At(at.ScreenX(x), at.ScreenY(y));
            const size_t i = (static_cast<size_t>(y) * out.width + x) * 3;
            out.rgb[i] = c.r;
            out.rgb[i + 1] = c.g;
            out.rgb[i + 2] = c.b;
        }
    }
    return out;
}

Image Downscale(const Image& image, int factor) {
    if (factor <= 1) {
        return image;
    }
    Image out;
    out.width = image.width / factor;
    out.height = image.height / factor;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const Rgb c = image.At(x * factor, y * factor);
            const size_t i = (static_cast<size_t>(y) * out.width + x) * 3;
            out.rgb[i] = c.r;
            out.rgb[i + 1] = c.g;
            out.rgb[i + 2] = c.b;
        }
    }
    return out;
}

std::string EncodePng(const Image& image) {
    std::string raw;
    raw.reserve(static_cast<size_t>(image.width * 3 + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        raw.push_back('\0'); // filter: none
        raw.append(reinterpret_cast<const char*>(image.rgb.data()) +
                       static_cast<size_t>(y) * image.width * 3,
                   static_cast<size_t>(image.width) * 3);
    }
    // PNG's image data is exactly one zlib stream.
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string zlib(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(zlib.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        return {};
    }
    zlib.resize(packedSize);

    std::string ihdr;
    AppendU32(ihdr, static_cast<uint32_t>(image.width));
    AppendU32(ihdr, static_cast<uint32_t>(image.height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    AppendChunk(png, "IHDR", ihdr);
    AppendChunk(png, "IDAT", zlib);
    AppendChunk(png, "IEND", "");
    return png;
}

bool WritePng(const Image& image, const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const std::string png = EncodePng(image);
    if (png.empty()) {
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file);
}

} // namespace vlotest
