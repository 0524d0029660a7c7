// png16.h — 16-bit PNG test files written with libpng's full writer: grey or colour, with
// or without alpha, plain or interlaced, with a gAMA chunk or none (libpng's simplified
// writer always stores a gamma, so it cannot make the files other programs write).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <png.h>
#include <string>
#include <vector>

// 16 × 8 pixels: sample v(x) = x * 4369 (0 to 65535 across), colour channels v, 65535 - v
// and v / 2; alpha opaque. Returns whether the file was written.
inline bool WritePng16(const std::string &path, bool colour, bool alpha, bool interlaced,
                       double gamma /* 0: no gAMA chunk */)
{
    constexpr int kW = 16, kH = 8;
    const int channels = (colour ? 3 : 1) + (alpha ? 1 : 0);
    std::vector<uint8_t> rows(static_cast<size_t>(kW) * kH * channels * 2);
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
            const unsigned v = x * 4369u;
            const unsigned samples[4] = {v, 65535 - v, v / 2, 65535};
            uint8_t *p = &rows[(static_cast<size_t>(y) * kW + x) * channels * 2];
            for (int c = 0; c < channels; c++) {
                const unsigned s = c == channels - 1 && alpha ? 65535 : samples[colour ? c : 0];
                p[2 * c] = static_cast<uint8_t>(s >> 8), p[2 * c + 1] = static_cast<uint8_t>(s);
            }
        }
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, f);
        const int type = (colour ? PNG_COLOR_MASK_COLOR : 0) | (alpha ? PNG_COLOR_MASK_ALPHA : 0);
        png_set_IHDR(png, info, kW, kH, 16, type,
                     interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (gamma > 0)
            png_set_gAMA(png, info, gamma);
        png_write_info(png, info);
        std::vector<png_bytep> pointers(kH);
        for (int y = 0; y < kH; y++)
            pointers[y] = &rows[static_cast<size_t>(y) * kW * channels * 2];
        png_write_image(png, pointers.data()); // the samples are big-endian already
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

// The 8-bit value a viewer shows for a 16-bit sample: sRGB-encoded samples scale down;
// linear ones (a gAMA of 1.0) are encoded for a display of gamma 2.2.
inline int Shown8(unsigned sample, bool linear)
{
    const double v = sample / 65535.0;
    return static_cast<int>(std::lround((linear ? std::pow(v, 1 / 2.2) : v) * 255));
}
