// The autosave after a change to a 12-megapixel picture with 20 pieces: the time the
// window's thread spends (the tick that takes the snapshot and starts the worker) and the
// bytes written, after a piece moved and after the photo turned; beside the snapshot the
// whole layout would take (LayoutToBytes) and LayoutSave of the same picture.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "document/autosave.h"
#include "document/layout.h"
#include "document/undo.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace fs = std::filesystem;

namespace
{

// A 24-bit top-down bitmap file whose pixels vary.
void WriteBmp(const std::string &path, int w, int h)
{
    const size_t row = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + row * h, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, static_cast<uint32_t>(file.size())), put(10, 54), put(14, 40);
    put(18, static_cast<uint32_t>(w)), put(22, static_cast<uint32_t>(-h));
    file[26] = 1, file[28] = 24;
    for (size_t i = 54; i < file.size(); i++)
        file[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    FILE *fp = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), fp);
    std::fclose(fp);
}

struct Picture {
    fs::path dir;
    std::vector<IMGOBJ *> pieces;
    uint32_t clock = 1000;
    Picture()
    {
        dir = fs::temp_directory_path() / ("mw-bench-autosave-" + std::to_string(::getpid()));
        fs::create_directories(dir / "clipart");
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE | DXNEED_TEXT);
        AO_Init(nullptr);
        WriteBmp((dir / "photo.bmp").string(), 4000, 3000);
        WriteBmp((dir / "clipart" / "piece.clp").string(), 200, 150);
        IMGOBJ_AddObj((dir / "photo.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
        for (int i = 0; i < 20; i++)
            pieces.push_back(
                IMGOBJ_AddObj("piece.clp", IMG_OBJ, 100 + i * 10, 80 + i * 10, nullptr, nullptr));
        static const PICTURE_NOTIFY history = {nullptr, nullptr, nullptr, UNDO_ChangeBegin,
                                               UNDO_ChangeEnd};
        PICTURE_Init(&history);
        UNDO_Init();
        AUTOSAVE_Start((dir / "state").c_str(), AUTOSAVE_MIN_SECONDS);
    }
    ~Picture()
    {
        AUTOSAVE_Stop();
        UNDO_Shutdown();
        PICTURE_Shutdown();
        AO_CleanUp(nullptr);
        DXCleanup();
        fs::remove_all(dir);
    }
    // The tick that sees the change (and starts the clock of the interval).
    void Notice() { AUTOSAVE_Tick(clock += 1000); }
    // A tick late enough for the write to be due.
    int Tick() { return AUTOSAVE_Tick(clock += 10 * 1000); }
    void MovePiece()
    {
        gSelected = pieces[10];
        PICTURE_ChangeBegin(CHANGE_BUTTON + 11);
        MoveSelected(1, 0);
        PICTURE_ChangeEnd(CHANGE_BUTTON + 11);
    }
};

Picture &ThePicture()
{
    static Picture picture;
    return picture;
}

// Time on the calling thread; the worker's file writes are waited for outside it.
void Autosave(benchmark::State &state, bool turn)
{
    Picture &p = ThePicture();
    p.MovePiece();
    p.Notice(), p.Tick(), AUTOSAVE_Wait(); // the photo's rows on disk
    size_t bytes = 0;
    double writeMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (turn)
            UNDO_PhotoRotate(180);
        else
            p.MovePiece();
        p.Notice();
        state.ResumeTiming();
        const int started = p.Tick();
        state.PauseTiming();
        if (!started || !AUTOSAVE_Wait()) {
            state.SkipWithError(started ? gErrorTrail : "no write started");
            break;
        }
        double snapshot, write;
        AUTOSAVE_LastCost(&snapshot, &write);
        bytes = AUTOSAVE_LastBytes(), writeMs += write;
        state.ResumeTiming();
    }
    state.counters["written_KB"] = static_cast<double>(bytes) / 1024;
    state.counters["worker_ms"] = writeMs / static_cast<double>(state.iterations());
}

void BM_AutosaveAfterPieceMove(benchmark::State &state)
{
    Autosave(state, false);
}

void BM_AutosaveAfterPhotoTurn(benchmark::State &state)
{
    Autosave(state, true);
}

// What a write took on the window's thread before the rows were kept apart.
void BM_WholeLayoutSnapshot(benchmark::State &state)
{
    ThePicture();
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        LayoutToBytes(&bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["written_KB"] = static_cast<double>(bytes.size()) / 1024;
}

void BM_LayoutSaveSamePicture(benchmark::State &state)
{
    Picture &p = ThePicture();
    const std::string out = (p.dir / "save.mwi").string();
    for (auto _ : state)
        if (!LayoutSave(out.c_str()))
            state.SkipWithError(gErrorTrail);
    state.counters["written_KB"] = static_cast<double>(fs::file_size(out)) / 1024;
}

// A fixed count: each iteration also waits for the worker's write outside the timing,
// which the library's own count (made from the timed part) would make minutes long.
BENCHMARK(BM_AutosaveAfterPieceMove)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);
BENCHMARK(BM_AutosaveAfterPhotoTurn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_WholeLayoutSnapshot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LayoutSaveSamePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
