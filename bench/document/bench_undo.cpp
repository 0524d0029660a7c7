// The edit history: undo and redo of one step (a move, alone and with the piece's
// rebuild; a delete, whose undo rebuilds the piece from its file), in a picture of 20
// pieces; and the autosave's snapshot of a 12-megapixel picture on the window's thread.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

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

// A 24-bit bottom-up bitmap file of one colour.
void WriteSolidBmp(const std::string &path, int w, int h, uint32_t colour)
{
    const int row = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + static_cast<size_t>(row) * h, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, static_cast<uint32_t>(file.size())), put(10, 54), put(14, 40);
    put(18, static_cast<uint32_t>(w)), put(22, static_cast<uint32_t>(h));
    file[26] = 1, file[28] = 24;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                file[54 + static_cast<size_t>(y) * row + x * 3 + c] =
                    static_cast<uint8_t>(colour >> (8 * c));
    FILE *fp = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), fp);
    std::fclose(fp);
}

struct Picture {
    fs::path dir;
    std::vector<IMGOBJ *> pieces;
    Picture(int w, int h)
    {
        dir = fs::temp_directory_path() / ("mw-bench-undo-" + std::to_string(::getpid()));
        fs::create_directories(dir / "clipart");
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE | DXNEED_TEXT);
        AO_Init(nullptr);
        WriteSolidBmp((dir / "photo.bmp").string(), w, h, 0x808080);
        WriteSolidBmp((dir / "clipart" / "piece.clp").string(), 200, 150, 0x3366AA);
        IMGOBJ_AddObj((dir / "photo.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
        for (int i = 0; i < 20; i++)
            pieces.push_back(IMGOBJ_AddObj("piece.clp", IMG_OBJ, 0, 0, nullptr, nullptr));
        static const PICTURE_NOTIFY history = {nullptr, nullptr, nullptr, UNDO_ChangeBegin,
                                               UNDO_ChangeEnd};
        PICTURE_Init(&history);
        UNDO_Init();
    }
    ~Picture()
    {
        UNDO_Shutdown();
        AO_CleanUp(nullptr);
        DXCleanup();
        fs::remove_all(dir);
    }
    // Lets the pieces that were told to go leave the list, as the next frame does.
    static void Frame()
    {
        for (AO *e = gAOList, *next; e; e = next) {
            next = e->pNext;
            if (e->bRemove)
                AO_DelObj(e);
        }
    }
};

void BM_UndoRedoMove(benchmark::State &state)
{
    Picture picture(640, 480);
    IMGOBJ *piece = picture.pieces[10];
    gSelected = piece;
    PICTURE_ChangeBegin(CHANGE_BUTTON + 11);
    MoveSelected(-5, 0);
    PICTURE_ChangeEnd(CHANGE_BUTTON + 11);
    if (UNDO_StepCount() != 1 || !UNDO_Undo() || !UNDO_Redo() || piece->ao.x != gSelected->ao.x)
        state.SkipWithError("no step to undo");
    const bool rebuild = state.range(0) != 0;
    for (auto _ : state) {
        UNDO_Undo();
        if (rebuild)
            UpdateImgObj(gSelected);
        UNDO_Redo();
        if (rebuild)
            UpdateImgObj(gSelected);
    }
    state.SetLabel(rebuild ? "undo + redo, each with the piece's rebuild" : "undo + redo");
}
BENCHMARK(BM_UndoRedoMove)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_UndoRedoDelete(benchmark::State &state)
{
    Picture picture(640, 480);
    gSelected = picture.pieces[10];
    PICTURE_ChangeBegin(CHANGE_DELETE);
    gSelected->ao.bRemove = 1;
    gSelected = nullptr;
    PICTURE_ChangeEnd(CHANGE_DELETE);
    Picture::Frame();
    if (UNDO_StepCount() != 1)
        state.SkipWithError("no step to undo");
    for (auto _ : state) {
        UNDO_Undo(); // rebuilt from its file
        UNDO_Redo();
        Picture::Frame();
    }
    state.SetLabel("undo (piece rebuilt from its file) + redo");
}
BENCHMARK(BM_UndoRedoDelete)->Unit(benchmark::kMicrosecond);

void BM_AutosaveSnapshot12MP(benchmark::State &state)
{
    Picture picture(4000, 3000);
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        LayoutToBytes(&bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_AutosaveSnapshot12MP)->Unit(benchmark::kMillisecond);

} // namespace
