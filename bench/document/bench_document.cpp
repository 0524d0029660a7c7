// LayoutSave and LayoutLoad of a 12-megapixel photo with 20 pieces, beside writing and
// reading the same bytes with plain fwrite and fread (and fwrite with the fsync the safe
// save does), and the time from opening a 12-megapixel JPEG to the first frame that
// shows it. All times are wall-clock.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "document/layout.h"
#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace fs = std::filesystem;

namespace
{

constexpr int kW = 4000, kH = 3000;

// The engine with a 12-megapixel photo and 20 pieces, and the layout saved once.
struct Picture {
    fs::path dir;
    std::string layout, jpeg;
    size_t bytes = 0;
    Picture()
    {
        dir = fs::temp_directory_path() / ("mw-bench-document-" + std::to_string(::getpid()));
        fs::create_directories(dir / "clipart");
        layout = (dir / "bench.mwi").string();
        jpeg = (dir / "bench.jpg").string();
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE | DXNEED_TEXT);
        AO_Init(nullptr);
        gFramesRunning = 1; // as in the window: a frame removes the replaced picture
        // A 200 × 150 clip-art bitmap, written as a 24-bit file.
        std::vector<uint8_t> pixels(static_cast<size_t>(W8(kW)) * 3 * kH);
        for (size_t i = 0; i < pixels.size(); i++)
            pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        JpegSave(pixels.data(), jpeg.c_str(), kW, kH, 3, 90);
        LPDDS clip = DXCreateSurface(nullptr, 200, 150, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(clip, 20, 20, 160, 110, 0x3366AA);
        WriteBitmap((dir / "clipart" / "piece.clp").string(), clip);
        DXReleaseSurface(clip);
        IMGOBJ_AddObj(jpeg.c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
        for (int i = 0; i < 20; i++)
            IMGOBJ_AddObj("piece.clp", IMG_OBJ, 200 + i * 10, 100 + i * 10, nullptr, nullptr);
        if (!LayoutSave(layout.c_str()))
            std::fprintf(stderr, "%s", gErrorTrail);
        bytes = fs::file_size(layout);
    }
    ~Picture()
    {
        AO_CleanUp(nullptr);
        DXCleanup();
        fs::remove_all(dir);
    }
    static void WriteBitmap(const std::string &path, LPDDS s)
    {
        const int row = (s->iWidth * 3 + 3) / 4 * 4;
        std::vector<uint8_t> file(54 + static_cast<size_t>(row) * s->iHeight, 0);
        auto put = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; i++)
                file[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
        file[0] = 'B', file[1] = 'M';
        put(2, static_cast<uint32_t>(file.size())), put(10, 54), put(14, 40);
        put(18, static_cast<uint32_t>(s->iWidth)), put(22, static_cast<uint32_t>(-s->iHeight));
        file[26] = 1, file[28] = 24;
        for (int y = 0; y < s->iHeight; y++)
            std::copy(DXPixel(s, 0, y), DXPixel(s, 0, y) + s->iWidth * 3,
                      file.begin() + 54 + static_cast<ptrdiff_t>(y) * row);
        FILE *fp = std::fopen(path.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), fp);
        std::fclose(fp);
    }
};

Picture &ThePicture()
{
    static Picture picture;
    return picture;
}

void BM_LayoutSave(benchmark::State &state)
{
    Picture &p = ThePicture();
    const std::string out = (p.dir / "save.mwi").string();
    for (auto _ : state)
        if (!LayoutSave(out.c_str()))
            state.SkipWithError(gErrorTrail);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.bytes));
}

// The same number of bytes in rows of the photo's width, with or without fsync.
void BM_PlainFwrite(benchmark::State &state)
{
    Picture &p = ThePicture();
    const std::string out = (p.dir / "plain.bin").string();
    std::vector<uint8_t> row(kW * 3, 0x55);
    for (auto _ : state) {
        FILE *fp = std::fopen(out.c_str(), "wb");
        for (size_t left = p.bytes; left > 0;) {
            const size_t n = left < row.size() ? left : row.size();
            std::fwrite(row.data(), 1, n, fp);
            left -= n;
        }
        if (state.range(0))
            fflush(fp), fsync(fileno(fp));
        std::fclose(fp);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.bytes));
}

void BM_LayoutLoad(benchmark::State &state)
{
    Picture &p = ThePicture();
    for (auto _ : state) {
        if (!LayoutLoad(p.layout.c_str(), 1))
            state.SkipWithError(gErrorTrail);
        AO_ProcessFlip(); // the replaced picture goes
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.bytes));
}

void BM_PlainFread(benchmark::State &state)
{
    Picture &p = ThePicture();
    std::vector<uint8_t> row(kW * 3);
    std::vector<uint8_t> into(p.bytes);
    for (auto _ : state) {
        FILE *fp = std::fopen(p.layout.c_str(), "rb");
        for (size_t at = 0; at < p.bytes;) {
            const size_t n = p.bytes - at < row.size() ? p.bytes - at : row.size();
            at += std::fread(into.data() + at, 1, n, fp);
        }
        std::fclose(fp);
        benchmark::DoNotOptimize(into.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.bytes));
}

// The same read into a block allocated for it: what a program pays to hold the bytes the
// first time, the kernel's clearing of the fresh pages included (the photo's surface is
// such a block; the reused buffer above pays neither).
void BM_PlainFreadFresh(benchmark::State &state)
{
    Picture &p = ThePicture();
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> into(new uint8_t[p.bytes]);
        FILE *fp = std::fopen(p.layout.c_str(), "rb");
        for (size_t at = 0; at < p.bytes;) {
            const size_t n = p.bytes - at < kW * 3u ? p.bytes - at : kW * 3u;
            at += std::fread(into.get() + at, 1, n, fp);
        }
        std::fclose(fp);
        benchmark::DoNotOptimize(into.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.bytes));
}

// Opening a 12-megapixel JPEG until the first frame has drawn it.
void BM_OpenJpegToFirstFrame(benchmark::State &state)
{
    Picture &p = ThePicture();
    for (auto _ : state) {
        AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
        if (!IMGOBJ_AddObj(p.jpeg.c_str(), IMG_SRC, 0, 0, nullptr, nullptr))
            state.SkipWithError(gErrorTrail);
        AO_ProcessFlip();
    }
}

BENCHMARK(BM_LayoutSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFwrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LayoutLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainFreadFresh)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenJpegToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
