// Blit and stretch speed: a picture-sized copy opaque and colour-keyed against a
// memcpy of the same bytes, and the photo-sized stretches down and up.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "pixels/pixels.h"

namespace
{

constexpr int kW = 1065, kH = 904; // the picture rectangle of a full window

LPDDS Noise(int w, int h, bool withWhite)
{
    LPDDS s = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
    std::mt19937 rng(1);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            DXPutPixel(s, x, y, withWhite && rng() % 3 == 0 ? 0xFFFFFF : rng() & 0xFFFFFF);
    return s;
}

void BM_Memcpy(benchmark::State &state)
{
    LPDDS src = Noise(kW, kH, false), dest = Noise(1280, 1024, false);
    for (auto _ : state) {
        for (int y = 0; y < kH; y++)
            std::memcpy(DXPixel(dest, 0, y), DXPixel(src, 0, y), kW * 3);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kW * kH * 3);
    DXReleaseSurface(src);
    DXReleaseSurface(dest);
}

void BM_Blt(benchmark::State &state)
{
    int mode = static_cast<int>(state.range(0));
    LPDDS src = Noise(kW, kH, true), dest = Noise(1280, 1024, false);
    for (auto _ : state) {
        DXBlt(dest, 100, 60, kW, kH, src, 0, 0, mode);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kW * kH * 3);
    DXReleaseSurface(src);
    DXReleaseSurface(dest);
}

// The colour-keyed copy word-wise (0) and with the vector instructions (1).
void BM_KeyedBlt(benchmark::State &state)
{
    gKeyedSimd = static_cast<int32_t>(state.range(0));
    LPDDS src = Noise(kW, kH, true), dest = Noise(1280, 1024, false);
    for (auto _ : state) {
        DXBlt(dest, 100, 60, kW, kH, src, 0, 0, 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kW * kH * 3);
    gKeyedSimd = 1;
    DXReleaseSurface(src);
    DXReleaseSurface(dest);
}

// The anchor: the keyed copy a pixel at a time, comparing each with the key.
void BM_KeyedPerPixel(benchmark::State &state)
{
    LPDDS src = Noise(kW, kH, true), dest = Noise(1280, 1024, false);
    for (auto _ : state) {
        for (int y = 0; y < kH; y++) {
            const uint8_t *s = DXPixel(src, 0, y);
            uint8_t *d = DXPixel(dest, 100, 60 + y);
            for (int x = 0; x < kW; x++, s += 3, d += 3)
                if ((s[0] | s[1] << 8 | s[2] << 16) != 0xFFFFFF)
                    d[0] = s[0], d[1] = s[1], d[2] = s[2];
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kW * kH * 3);
    DXReleaseSurface(src);
    DXReleaseSurface(dest);
}

void BM_StretchBlt(benchmark::State &state)
{
    int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    LPDDS src = Noise(4000, 3000, false), dest = DXCreateSurface(nullptr, w, h, 2112);
    for (auto _ : state) {
        DXStretchBlt(dest, 0, 0, w, h, src, 0, 0, 4000, 3000, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
    DXReleaseSurface(src);
    DXReleaseSurface(dest);
}

// The window background of the first frame in a window 4 pixels narrower than its art
// (the offscreen screen's frame): 800 x 600 stretched to 796 x 600.
void BM_Backdrop(benchmark::State &state)
{
    LPDDS src = Noise(800, 600, false), dest = DXCreateSurface(nullptr, 800, 600, 2112);
    for (auto _ : state) {
        DXStretchBlt(dest, 0, 0, 796, 600, src, 0, 0, 800, 600, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 796 * 600);
    DXReleaseSurface(src);
    DXReleaseSurface(dest);
}

// The window's sprite sheet at start: a surface over the embedded rows (in_place:1)
// against the decode into a surface of its own (what the window did before, and what the
// headless start still does).
void BM_SheetLoad(benchmark::State &state)
{
    const bool inPlace = state.range(0) != 0;
    for (auto _ : state) {
        LPDDS sheet = inPlace ? DDLoadSheet("SPRITE") : DDLoadBitmap("SPRITE", 0, 0);
        benchmark::DoNotOptimize(sheet);
        DXReleaseSurface(sheet);
    }
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Blt)->Arg(1)->ArgName("opaque")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyedPerPixel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyedBlt)->DenseRange(0, 1)->ArgName("simd")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchBlt)->Args({585, 438})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchBlt)->Args({8000, 6000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Backdrop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SheetLoad)->DenseRange(0, 1)->ArgName("in_place")->Unit(benchmark::kMicrosecond);
