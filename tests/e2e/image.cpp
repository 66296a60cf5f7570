// XWD decoding and a small PNG writer for the end-to-end screenshots.
// The PNG uses fixed-Huffman deflate with a hash-chain matcher: the game's
// pictures are large flat areas, so this alone makes them some 30 times smaller.
#include "image.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace e2e {

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

// ---- deflate / PNG -------------------------------------------------------

class BitWriter {
public:
    std::string out;
    void Put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            acc_ |= ((value >> i) & 1u) << used_;
            if (++used_ == 8) {
                out.push_back(static_cast<char>(acc_));
                acc_ = 0;
                used_ = 0;
            }
        }
    }
    // Huffman codes go into the stream most significant bit first.
    void PutCode(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            Put((code >> i) & 1u, 1);
        }
    }
    void Flush() {
        if (used_ > 0) {
            out.push_back(static_cast<char>(acc_));
            acc_ = 0;
            used_ = 0;
        }
    }

private:
    uint32_t acc_ = 0;
    int used_ = 0;
};

void PutLiteralOrLength(BitWriter& w, int v) {
    if (v < 144) {
        w.PutCode(0x30 + v, 8);
    } else if (v < 256) {
        w.PutCode(0x190 + (v - 144), 9);
    } else if (v < 280) {
        w.PutCode(v - 256, 7);
    } else {
        w.PutCode(0xC0 + (v - 280), 8);
    }
}

// clang-format off
constexpr std::array<int, 29> kLengthBase = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {
    1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// clang-format on

void PutMatch(BitWriter& w, int length, int distance) {
    int li = 28;
    while (kLengthBase[li] > length) {
        --li;
    }
    PutLiteralOrLength(w, 257 + li);
    w.Put(length - kLengthBase[li], kLengthExtra[li]);
    int di = 29;
    while (kDistBase[di] > distance) {
        --di;
    }
    w.PutCode(di, 5);
    w.Put(distance - kDistBase[di], kDistExtra[di]);
}

std::string Deflate(const std::string& data) {
    constexpr int kWindow = 32768;
    constexpr int kMaxLength = 258;
    constexpr int kChainSteps = 24;
    constexpr int kHashBits = 15;
    const int n = static_cast<int>(data.size());
    std::vector<int> head(1 << kHashBits, -1);
    std::vector<int> prev(data.size(), -1);
    auto byteAt = [&](int i) { return static_cast<uint8_t>(data[i]); };
    auto hashAt = [&](int i) {
        const uint32_t v = byteAt(i) | byteAt(i + 1) << 8 | byteAt(i + 2) << 16;
        return static_cast<int>((v * 2654435761u) >> (32 - kHashBits));
    };
    auto insert = [&](int i) {
        if (i + 2 < n) {
            const int h = hashAt(i);
            prev[i] = head[h];
            head[h] = i;
        }
    };

    BitWriter w;
    w.Put(1, 1); // last block
    w.Put(1, 2); // fixed Huffman codes
    int i = 0;
    while (i < n) {
        int bestLength = 0;
        int bestDistance = 0;
        if (i + 2 < n) {
            int candidate = head[hashAt(i)];
            for (int step = 0; step < kChainSteps && candidate >= 0 && i - candidate <= kWindow;
                 ++step) {
                int length = 0;
                const int limit = std::min(kMaxLength, n - i);
                while (length < limit && data[candidate + length] == data[i + length]) {
                    ++length;
                }
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = i - candidate;
                    if (length == limit) {
                        break;
                    }
                }
                candidate = prev[candidate];
            }
        }
        if (bestLength >= 3) {
            PutMatch(w, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k) {
                insert(i + k);
            }
            i += bestLength;
        } else {
            PutLiteralOrLength(w, byteAt(i));
            insert(i);
            ++i;
        }
    }
    PutLiteralOrLength(w, 256);
    w.Flush();
    return w.out;
}

uint32_t Crc32(const std::string& bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (char ch : bytes) {
        c = table[(c ^ static_cast<uint8_t>(ch)) & 0xFFu] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const std::string& bytes) {
    uint32_t a = 1, b = 0;
    for (char ch : bytes) {
        a = (a + static_cast<uint8_t>(ch)) % 65521u;
        b = (b + a) % 65521u;
    }
    return b << 16 | a;
}

void AppendU32(std::string& s, uint32_t v) {
    for (int k = 3; k >= 0; --k) {
        s.push_back(static_cast<char>((v >> (8 * k)) & 0xFFu));
    }
}

void AppendChunk(std::string& png, const char* type, const std::string& data) {
    AppendU32(png, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    AppendU32(png, Crc32(typed));
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
    std::string zlib = "\x78\x01";
    zlib += Deflate(raw);
    AppendU32(zlib, Adler32(raw));

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
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string png = EncodePng(image);
    file.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(file);
}

} // namespace e2e
