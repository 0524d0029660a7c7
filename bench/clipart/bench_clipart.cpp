// The thumbnail pass of the clip-art dialog over the real sticker files: the largest
// category (Face, 47 stickers) and the whole catalogue (the longest search result), as
// the dialog makes it and, for comparison, by decoding each file whole. Then the same
// from a click in the dialog to the filled list, with the list's icons.
#include <QApplication>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "clipart/catalogue.h"
#include "clipart/thumbnail.h"
#include "platform/platform.h"
#include "shell/clipartdialog.h"

static void UseDataFolder()
{
    std::snprintf(gMainDir, sizeof gMainDir, "%s/", MW_BENCH_DATA_DIR);
}

static std::vector<CLIPARTITEM> Stickers(int32_t group)
{
    std::vector<CLIPARTITEM> items;
    if (group >= 0)
        ClipArt_GroupItems(group, &items);
    else
        for (int32_t k = 0; k < CLIPART_COUNT; k++)
            items.push_back({gClipArtList[k].szFileName, "", k});
    return items;
}

static void BM_ThumbnailPass(benchmark::State &state)
{
    UseDataFolder();
    const std::vector<CLIPARTITEM> items = Stickers(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        for (const CLIPARTITEM &item : items) {
            DIBIMAGE thumb;
            ClipArt_ThumbnailOrPlaceholder(item.sFileName.c_str(), CLIPART_THUMB_SIZE, &thumb);
            benchmark::DoNotOptimize(thumb.pBits);
            DibFreeImage(&thumb);
        }
    }
    state.counters["stickers"] = static_cast<double>(items.size());
}
BENCHMARK(BM_ThumbnailPass)->Arg(2)->Arg(-1)->Unit(benchmark::kMillisecond);

// Each sticker read and decoded whole, then stretched: what a thumbnail costs without
// reading only the rows it shows.
static void BM_ThumbnailPassWholeFiles(benchmark::State &state)
{
    UseDataFolder();
    const std::vector<CLIPARTITEM> items = Stickers(static_cast<int32_t>(state.range(0)));
    uint8_t canvas[CLIPART_THUMB_SIZE * CLIPART_THUMB_SIZE * 3];
    LPDDS dest =
        DXCreateSurfaceOver(canvas, CLIPART_THUMB_SIZE, CLIPART_THUMB_SIZE, CLIPART_THUMB_SIZE * 3);
    for (auto _ : state) {
        for (const CLIPARTITEM &item : items) {
            std::ifstream in(std::string(gMainDir) + "clipart/" + item.sFileName, std::ios::binary);
            std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                       std::istreambuf_iterator<char>()};
            DIBIMAGE dib = {};
            if (DibDecode(bytes.data(), bytes.size(), &dib, nullptr)) {
                LPDDS src = DXCreateSurfaceOver(dib.pBits, dib.iWidth, dib.iHeight, dib.iPitch);
                XYWH r;
                ClipArt_ThumbRect(dib.iWidth, dib.iHeight, CLIPART_THUMB_SIZE, &r);
                DXStretchBlt(dest, r.x, r.y, r.w, r.h, src, 0, 0, dib.iWidth, dib.iHeight, 1);
                DXReleaseSurface(src);
            }
            DibFreeImage(&dib);
        }
    }
    DXReleaseSurface(dest);
}
BENCHMARK(BM_ThumbnailPassWholeFiles)->Arg(2)->Arg(-1)->Unit(benchmark::kMillisecond);

// From a click on the Face category, or from typing "e" in the search box (every sticker
// with an "e" in its English name), to the filled list in the dialog.
static void BM_DialogFill(benchmark::State &state)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_clipart", *argv[] = {name, nullptr};
    [[maybe_unused]] static QApplication *app = new QApplication(argc, argv);
    UseDataFolder();
    ClipArtDlg dialog(nullptr);
    for (auto _ : state) {
        if (state.range(0) == 0) {
            dialog.ShowGroup(2);
        } else {
            std::vector<CLIPARTITEM> found;
            ClipArt_Search("e", &found);
            dialog.FillList(found, true);
        }
    }
    state.counters["items"] = dialog.List()->count();
}
BENCHMARK(BM_DialogFill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
