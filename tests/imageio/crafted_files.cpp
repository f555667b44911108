#include "imageio/crafted_files.h"

#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <stdexcept>

namespace crafted {

namespace {

// `bytes` bytes of v, little-endian unless `big`.
void put(std::string& out, std::uint32_t v, int bytes, bool big = false)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> 8 * (big ? bytes - 1 - i : i)) & 0xFF);
}

}  // namespace

std::string png(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, const std::string& idat,
                const std::string& palette, bool interlaced)
{
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string out;
        put(out, static_cast<std::uint32_t>(data.size()), 4, true);
        const std::string body = type + data;
        out += body;
        put(out, crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())), 4, true);
        return out;
    };
    std::string header;
    put(header, width, 4, true);
    put(header, height, 4, true);
    header += {static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0, static_cast<char>(interlaced)};
    const std::string plte = palette.empty() ? "" : chunk("PLTE", palette);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + plte + chunk("IDAT", idat) + chunk("IEND", "");
}

std::string deflated(const std::string& raw)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

std::string jpeg(int width, int height, int components, const std::vector<unsigned char>& samples, bool progressive,
                 int quality)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    for (int r = 0; r < height; ++r) {
        JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + static_cast<std::size_t>(r) * width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string withRepeatedLastScan(const std::string& file, int times)
{
    const std::size_t scan = file.rfind("\xff\xda");  // entropy-coded data never holds a marker
    const std::size_t end = file.size() - 2;          // the end-of-image marker
    std::string out = file.substr(0, end);
    for (int i = 0; i < times; ++i)
        out += file.substr(scan, end - scan);
    return out + file.substr(end);
}

std::string withJpegSize(std::string file, std::uint16_t width, std::uint16_t height)
{
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (static_cast<unsigned char>(file[i]) == 0xFF &&
            (static_cast<unsigned char>(file[i + 1]) == 0xC0 || static_cast<unsigned char>(file[i + 1]) == 0xC2)) {
            const char size[] = {static_cast<char>(height >> 8), static_cast<char>(height & 0xFF),
                                 static_cast<char>(width >> 8), static_cast<char>(width & 0xFF)};
            return file.replace(i + 5, 4, size, 4);
        }
    throw std::runtime_error("no frame header");
}

}  // namespace crafted
