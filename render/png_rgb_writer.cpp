#include "render/png_rgb_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/parallel.h"

namespace kestrano {

namespace {

// Bands smaller than this are not worth a thread of their own.
constexpr std::size_t kMinBandBytes = std::size_t{1} << 20;
// IDAT chunks of at most this size, as most writers use.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

struct Band {
    std::vector<unsigned char> deflated;
    uLong adler = 1;          // adler32 of the band's filtered rows
    std::size_t length = 0;   // their byte count
};

void deflateBand(const QImage& rgb, int firstRow, int endRow, bool last, Band& band)
{
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    const std::unique_ptr<z_stream, int (*)(z_stream*)> release(&z, deflateEnd);
    const std::size_t rowBytes = static_cast<std::size_t>(rgb.width()) * 3;
    std::vector<unsigned char> row(rowBytes + 1, 0);  // filter type 0: none
    band.length = row.size() * static_cast<std::size_t>(endRow - firstRow);
    band.deflated.resize(std::max<std::size_t>(band.length / 2, 4096));
    std::size_t written = 0;
    for (int y = firstRow; y < endRow; ++y) {
        std::memcpy(row.data() + 1, rgb.constScanLine(y), rowBytes);
        band.adler = adler32(band.adler, row.data(), static_cast<uInt>(row.size()));
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 < endRow ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        do {
            if (written == band.deflated.size())
                band.deflated.resize(band.deflated.size() * 2);
            const std::size_t room = std::min<std::size_t>(band.deflated.size() - written, 1u << 30);
            z.next_out = band.deflated.data() + written;
            z.avail_out = static_cast<uInt>(room);
            if (deflate(&z, flush) == Z_STREAM_ERROR)
                throw std::runtime_error("deflate failed");
            written += room - z.avail_out;
        } while (z.avail_out == 0);
    }
    band.deflated.resize(written);
}

void putBigEndian(std::vector<unsigned char>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

class PngFile {
public:
    explicit PngFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "wb"))
    {
        if (file_ == nullptr)
            fail();
    }
    ~PngFile()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }

    void write(const void* bytes, std::size_t n)
    {
        if (n > 0 && std::fwrite(bytes, 1, n, file_) != n)
            fail();
    }

    void chunk(const char* type, const unsigned char* data, std::size_t n)
    {
        std::vector<unsigned char> head;
        putBigEndian(head, static_cast<std::uint32_t>(n));
        head.insert(head.end(), type, type + 4);
        uLong crc = crc32(0, head.data() + 4, 4);
        if (n > 0)
            crc = crc32(crc, data, static_cast<uInt>(n));
        std::vector<unsigned char> tail;
        putBigEndian(tail, static_cast<std::uint32_t>(crc));
        write(head.data(), head.size());
        write(data, n);
        write(tail.data(), tail.size());
    }

    void close()
    {
        const int result = std::fclose(file_);
        file_ = nullptr;
        if (result != 0)
            fail();
    }

private:
    [[noreturn]] void fail() const
    {
        throw std::runtime_error(path_ + ": cannot write (" + std::strerror(errno) + ")");
    }

    std::string path_;
    std::FILE* file_;
};

}  // namespace

void writeRgbPng(const std::string& path, const QImage& picture, int threads)
{
    const QImage rgb = picture.format() == QImage::Format_RGB888 ? picture
                                                                 : picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw std::runtime_error(path + ": not enough memory to write the picture");
    const int rows = rgb.height();
    const std::size_t rowBytes = static_cast<std::size_t>(rgb.width()) * 3 + 1;
    const std::size_t total = rowBytes * static_cast<std::size_t>(rows);
    const std::size_t bands =
        std::clamp<std::size_t>(std::min<std::size_t>(total / kMinBandBytes, static_cast<std::size_t>(workerCount(threads))),
                                1, static_cast<std::size_t>(std::max(rows, 1)));
    std::vector<Band> parts(bands);
    parallelFor(workerCount(threads), bands, [&](std::size_t b) {
        const auto first = static_cast<int>(partBegin(static_cast<std::size_t>(rows), bands, b));
        const auto end = static_cast<int>(partBegin(static_cast<std::size_t>(rows), bands, b + 1));
        deflateBand(rgb, first, end, b + 1 == bands, parts[b]);
    });

    // zlib header (deflate, 32 KiB window, fastest level), the bands, the checksum.
    std::vector<unsigned char> stream = {0x78, 0x01};
    uLong adler = 1;
    for (Band& part : parts) {
        stream.insert(stream.end(), part.deflated.begin(), part.deflated.end());
        adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.length));
        std::vector<unsigned char>().swap(part.deflated);
    }
    putBigEndian(stream, static_cast<std::uint32_t>(adler));

    PngFile file(path);
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    file.write(signature, sizeof signature);
    std::vector<unsigned char> header;
    putBigEndian(header, static_cast<std::uint32_t>(rgb.width()));
    putBigEndian(header, static_cast<std::uint32_t>(rows));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter method, no interlace
    file.chunk("IHDR", header.data(), header.size());
    if (rgb.dotsPerMeterX() > 0 && rgb.dotsPerMeterY() > 0) {
        std::vector<unsigned char> density;
        putBigEndian(density, static_cast<std::uint32_t>(rgb.dotsPerMeterX()));
        putBigEndian(density, static_cast<std::uint32_t>(rgb.dotsPerMeterY()));
        density.push_back(1);  // per metre
        file.chunk("pHYs", density.data(), density.size());
    }
    for (std::size_t at = 0; at < stream.size(); at += kChunkBytes)
        file.chunk("IDAT", stream.data() + at, std::min(kChunkBytes, stream.size() - at));
    file.chunk("IEND", nullptr, 0);
    file.close();
}

}  // namespace kestrano
