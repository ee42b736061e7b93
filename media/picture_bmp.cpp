#include "media/picture_common.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Our own reader rather than Qt's: Qt's decodes the whole picture into memory before anything
// can be dropped, turns away top-down pictures read from a file handle, and leaves the rows
// of an RLE picture that ends early blank instead of saying that it is cut short.

namespace bimbalo::pictures {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

std::uint32_t LittleEndian(const unsigned char* at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

std::string HexByte(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", byte);
    return text;
}

[[noreturn]] void Damaged(const std::string& why)
{
    throw PictureFault{PictureFault::Damaged, why};
}

[[noreturn]] void EndsEarly()
{
    Damaged("the file ends before the last row of pixels");
}

// A channel given by a bit mask, widened to eight bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t maximum = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (mask == 0)
            return;
        while (!((mask >> shift) & 1u))
            ++shift;
        maximum = mask >> shift;
    }
    int Of(std::uint32_t pixel) const
    {
        if (maximum == 0)
            return 0;
        const std::uint64_t value = (pixel & mask) >> shift;
        return maximum == 255 ? static_cast<int>(value) : static_cast<int>((value * 255 + maximum / 2) / maximum);
    }
};

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t pixelOffset = 0;
    std::uint64_t rowBytes = 0;
    Channel red, green, blue, alpha;
    std::array<QRgb, 256> palette{};
};

// Blocks of the file, byte by byte, for the run-length decoders.
class ByteSource {
public:
    explicit ByteSource(std::FILE* file) : file_(file) {}
    // -1 at the end of the file.
    int Next()
    {
        if (at_ == size_) {
            size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
            at_ = 0;
            if (size_ == 0)
                return -1;
        }
        return buffer_[at_++];
    }
    int NextOrFail()
    {
        const int byte = Next();
        if (byte < 0)
            EndsEarly();
        return byte;
    }

private:
    std::FILE* file_;
    std::array<unsigned char, 16 * 1024> buffer_{};
    std::size_t size_ = 0;
    std::size_t at_ = 0;
};

std::int64_t FileSize(std::FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0)
        return -1;
    return end;
}

BmpLayout ReadLayout(std::FILE* file)
{
    unsigned char headers[14 + 124 + 16] = {};
    const std::size_t start = std::fread(headers, 1, 18, file);
    if (start < 2 || headers[0] != 'B' || headers[1] != 'M')
        throw PictureFault{PictureFault::NotOfKind, start >= 2 ? "starts with " + HexByte(headers[0]) + " " + HexByte(headers[1])
                                                              : std::string("no \"BM\" signature")};
    if (start < 18)
        Damaged("the headers are cut short");
    const std::uint32_t headerSize = LittleEndian(headers + 14, 4);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64
        && headerSize != 108 && headerSize != 124)
        Damaged("unknown kind of header (" + std::to_string(headerSize) + " bytes)");
    if (std::fread(headers + 18, 1, headerSize - 4, file) != headerSize - 4)
        Damaged("the headers are cut short");
    const unsigned char* info = headers + 14;

    BmpLayout layout;
    layout.pixelOffset = LittleEndian(headers + 10, 4);
    if (headerSize == 12) {  // the old OS/2 header
        layout.width = LittleEndian(info + 4, 2);
        layout.height = LittleEndian(info + 6, 2);
        layout.bitsPerPixel = static_cast<int>(LittleEndian(info + 10, 2));
    } else {
        layout.width = static_cast<std::int32_t>(LittleEndian(info + 4, 4));
        layout.height = static_cast<std::int32_t>(LittleEndian(info + 8, 4));
        layout.bitsPerPixel = static_cast<int>(LittleEndian(info + 14, 2));
        layout.compression = LittleEndian(info + 16, 4);
    }
    if (layout.height < 0) {
        layout.height = -layout.height;
        layout.topDown = true;
    }
    CheckPictureSize(layout.width, layout.height, 4);

    const int bits = layout.bitsPerPixel;
    const std::uint32_t compression = layout.compression;
    const bool known = (compression == kRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
                       || (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4)
                       || ((compression == kBitFields || compression == kAlphaBitFields) && (bits == 16 || bits == 32)
                           && headerSize != 64);  // OS/2's 3 is its Huffman coding
    if (!known)
        Damaged("unsupported: compression " + std::to_string(compression) + " with " + std::to_string(bits)
                + " bits per pixel");
    layout.rowBytes = (static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;

    std::uint64_t tableStart = 14 + headerSize;
    if (compression == kBitFields || compression == kAlphaBitFields) {
        unsigned char masks[16] = {};
        const int count = compression == kAlphaBitFields ? 4 : 3;
        if (headerSize == 40) {
            if (std::fread(masks, 1, static_cast<std::size_t>(count) * 4, file) != static_cast<std::size_t>(count) * 4)
                Damaged("the headers are cut short");
            tableStart += static_cast<std::uint64_t>(count) * 4;
        } else {
            std::memcpy(masks, info + 40, headerSize >= 56 ? 16 : 12);
        }
        layout.red = Channel(LittleEndian(masks, 4));
        layout.green = Channel(LittleEndian(masks + 4, 4));
        layout.blue = Channel(LittleEndian(masks + 8, 4));
        if (compression == kAlphaBitFields || headerSize >= 56)
            layout.alpha = Channel(LittleEndian(masks + 12, 4));
    } else if (bits == 16) {
        layout.red = Channel(0x7C00);
        layout.green = Channel(0x03E0);
        layout.blue = Channel(0x001F);
    } else if (bits == 32) {
        layout.red = Channel(0xFF0000);
        layout.green = Channel(0xFF00);
        layout.blue = Channel(0xFF);
    }

    if (bits <= 8) {
        const std::uint32_t entryBytes = headerSize == 12 ? 3 : 4;
        std::uint64_t count = std::uint64_t{1} << bits;
        if (headerSize != 12) {
            const std::uint32_t used = LittleEndian(info + 32, 4);
            if (used > 0 && used < count)
                count = used;
        }
        // Some writers declare more colours than they leave room for before the pixels.
        if (layout.pixelOffset > tableStart)
            count = std::min<std::uint64_t>(count, (layout.pixelOffset - tableStart) / entryBytes);
        unsigned char table[256 * 4];
        if (std::fread(table, 1, count * entryBytes, file) != count * entryBytes)
            Damaged("the file ends in the colour table");
        layout.palette.fill(qRgb(0, 0, 0));
        for (std::uint64_t i = 0; i < count; ++i) {
            const unsigned char* entry = table + i * entryBytes;
            layout.palette[i] = qRgb(entry[2], entry[1], entry[0]);
        }
    }
    if (layout.pixelOffset < tableStart)
        Damaged("the pixels are said to start inside the headers");
    return layout;
}

// One stored row of an uncompressed picture as ARGB pixels.
void ConvertRow(const BmpLayout& layout, const unsigned char* raw, QRgb* out)
{
    const auto width = static_cast<std::size_t>(layout.width);
    switch (layout.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        const int bits = layout.bitsPerPixel;
        const int perByte = 8 / bits;
        const unsigned mask = (1u << bits) - 1;
        for (std::size_t x = 0; x < width; ++x) {
            const int shift = 8 - bits * (1 + static_cast<int>(x % static_cast<std::size_t>(perByte)));
            out[x] = layout.palette[(raw[x / static_cast<std::size_t>(perByte)] >> shift) & mask];
        }
        break;
    }
    case 24:
        for (std::size_t x = 0; x < width; ++x, raw += 3)
            out[x] = qRgb(raw[2], raw[1], raw[0]);
        break;
    default: {
        const int bytes = layout.bitsPerPixel / 8;
        const bool alpha = layout.alpha.mask != 0;
        for (std::size_t x = 0; x < width; ++x, raw += bytes) {
            const std::uint32_t pixel = LittleEndian(raw, bytes);
            out[x] = qRgba(layout.red.Of(pixel), layout.green.Of(pixel), layout.blue.Of(pixel),
                           alpha ? layout.alpha.Of(pixel) : 255);
        }
        break;
    }
    }
}

void DecodeUncompressed(std::FILE* file, const BmpLayout& layout, CutCollector& collector)
{
    const std::int64_t fileSize = FileSize(file);
    const std::uint64_t needed = layout.pixelOffset + layout.rowBytes * static_cast<std::uint64_t>(layout.height);
    if (fileSize >= 0 && needed > static_cast<std::uint64_t>(fileSize))
        EndsEarly();
    if (std::fseek(file, static_cast<long>(layout.pixelOffset), SEEK_SET) != 0)
        EndsEarly();

    std::vector<unsigned char> raw(static_cast<std::size_t>(layout.rowBytes));
    std::vector<QRgb> row(static_cast<std::size_t>(layout.width));
    // Rows that are not sampled are skipped unread: every row's size is known.
    std::uint64_t skip = 0;
    for (std::int64_t stored = 0; stored < layout.height; ++stored) {
        const int y = static_cast<int>(layout.topDown ? stored : layout.height - 1 - stored);
        if (!collector.Wants(y)) {
            skip += layout.rowBytes;
            continue;
        }
        if (skip > 0 && std::fseek(file, static_cast<long>(skip), SEEK_CUR) != 0)
            EndsEarly();
        skip = 0;
        if (std::fread(raw.data(), 1, raw.size(), file) != raw.size())
            EndsEarly();
        ConvertRow(layout, raw.data(), row.data());
        collector.Put(y, row.data());
    }
}

// RLE8 and RLE4. Pixels that the stream skips with its moves or leaves out at the end of a
// row or of the picture take colour 0 of the table. A stream that ends before the last row is
// reached is damaged: the rows it had are not passed off as the whole picture.
void DecodeRunLength(std::FILE* file, const BmpLayout& layout, CutCollector& collector)
{
    if (std::fseek(file, static_cast<long>(layout.pixelOffset), SEEK_SET) != 0)
        EndsEarly();
    ByteSource in(file);
    const bool four = layout.compression == kRle4;
    const auto width = static_cast<std::size_t>(layout.width);
    std::vector<unsigned char> indices(width, 0);
    std::vector<QRgb> row(width);
    bool dirty = false;

    std::int64_t stored = 0;
    std::size_t x = 0;
    auto finishRow = [&] {
        const int y = static_cast<int>(layout.topDown ? stored : layout.height - 1 - stored);
        if (collector.Wants(y)) {
            for (std::size_t i = 0; i < width; ++i)
                row[i] = layout.palette[indices[i]];
            collector.Put(y, row.data());
        }
        if (dirty)
            std::fill(indices.begin(), indices.end(), 0);
        dirty = false;
        ++stored;
    };
    auto put = [&](int index) {
        if (x < width) {
            indices[x] = static_cast<unsigned char>(index);
            dirty = true;
        }
        ++x;
    };

    while (stored < layout.height) {
        const int count = in.NextOrFail();
        const int value = in.NextOrFail();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of the row
            finishRow();
            x = 0;
            break;
        case 1:  // end of the picture
            while (stored < layout.height)
                finishRow();
            break;
        case 2: {  // move right and up
            const int right = in.NextOrFail();
            const int up = in.NextOrFail();
            for (int i = 0; i < up && stored < layout.height; ++i)
                finishRow();
            x += static_cast<std::size_t>(right);
            break;
        }
        default: {  // `value` pixels as they are, padded to a whole number of 16-bit words
            const int bytes = four ? (value + 1) / 2 : value;
            for (int i = 0; i < bytes; ++i) {
                const int byte = in.NextOrFail();
                if (!four) {
                    put(byte);
                } else {
                    put(byte >> 4);
                    if (2 * i + 1 < value)
                        put(byte & 15);
                }
            }
            if (bytes % 2 != 0)
                in.NextOrFail();
            break;
        }
        }
    }
}

}  // namespace

CutPicture DecodeBmp(std::FILE* file, CutPlan& plan)
{
    const BmpLayout layout = ReadLayout(file);
    CutPicture picture;
    picture.natural = QSize(static_cast<int>(layout.width), static_cast<int>(layout.height));
    const PictureCut cut = plan.Plan(picture.natural, PictureMeta{});
    CutCollector collector(picture.natural, cut, layout.alpha.mask != 0, plan.corner());
    if (layout.compression == kRle8 || layout.compression == kRle4)
        DecodeRunLength(file, layout, collector);
    else
        DecodeUncompressed(file, layout, collector);
    picture.corner = collector.corner();
    picture.image = collector.TakeImage();
    return picture;
}

}  // namespace bimbalo::pictures
