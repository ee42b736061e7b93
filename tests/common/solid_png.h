#pragma once

#include <QColor>

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

// A square PNG of one colour at one bit per pixel, written a row at a time
// so that making it costs no memory: a 10000-pixel side gives about 12 KB
// that decode to 400 MB.
inline bool WriteSolidPng(const std::string& path, int side, QRgb colour)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, side, side, 1, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Every pixel is entry 0, so that the filtered rows are one long run of zeros.
    png_color palette[1] = {{png_byte(qRed(colour)), png_byte(qGreen(colour)), png_byte(qBlue(colour))}};
    png_set_PLTE(png, info, palette, 1);
    png_write_info(png, info);
    std::vector<png_byte> row((side + 7) / 8, 0);
    for (int y = 0; y < side; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
