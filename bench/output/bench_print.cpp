// Printing a 4000 × 3000 picture (12 megapixels) on A4 at 1200 dpi into a PDF: the time
// of one job (composition, the page, the file) and its peak memory beyond what was in use
// before, against the budget of the composed picture plus 100 MB. The page itself would
// be 9921 × 14031 pixels (418 MB at 3 bytes a pixel); the job never makes it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPrinter>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "output/output.h"
#include "output/printrules.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/trail.h"

namespace
{

constexpr int32_t kWidth = 4000, kHeight = 3000;

// Resident memory now and at its peak, in kB (Linux); writing 5 to clear_refs resets the peak.
long StatusKB(const char *key)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A photo with smooth gradients and grain, as a camera's would be: written as a JPEG
// and loaded as the picture's background.
bool MakePicture(const std::string &path)
{
    std::vector<uint8_t> px(size_t(W8(kWidth)) * 3 * kHeight);
    std::mt19937 noise(7);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            uint8_t *p = &px[(size_t(y) * W8(kWidth) + x) * 3];
            const int grain = int(noise() % 24);
            p[0] = uint8_t(x * 200 / kWidth + grain);
            p[1] = uint8_t(y * 200 / kHeight + grain);
            p[2] = uint8_t(((x + y) / 16) % 200 + grain);
        }
    if (!JpegSave(px.data(), path.c_str(), kWidth, kHeight, 3, 90))
        return false;
    DXStartHeadless(DXNEED_PICTURE | DXNEED_TEXT);
    IMGOBJ *photo = IMGOBJ_LoadPhoto(path.c_str());
    if (!photo)
        return false;
    AO_AddObj(&photo->ao);
    ImageObjectResize(nullptr);
    gPictureExists = 1;
    return true;
}

void BM_PrintA4At1200Dpi(benchmark::State &state)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench_output", *argv[] = {name, nullptr};
    static QApplication *app = new QApplication(argc, argv);
    (void)app;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "mw-bench-print";
    std::filesystem::create_directories(dir);
    if (!MakePicture((dir / "photo.jpg").string())) {
        state.SkipWithError(gErrorTrail);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "page.pdf").string()));
    printer.setResolution(1200);
    printer.setPageSize(QPageSize(QPageSize::A4));
    PRINTSIZE ps = {PRINT_PAPER, 0, 0, 0, 0, 0, ALIGN_CENTER, ALIGN_CENTER};

    long peakOverStart = 0;
    for (auto _ : state) {
        const long start = StatusKB("VmRSS:");
        ResetPeak();
        if (!PrintPage(nullptr, &printer, &ps)) {
            state.SkipWithError(gErrorTrail);
            break;
        }
        peakOverStart = std::max(peakOverStart, StatusKB("VmHWM:") - start);
    }
    const double composedMB = double(W8(kWidth)) * 3 * kHeight / (1024 * 1024);
    state.counters["composed_MB"] = composedMB;
    state.counters["peak_over_start_MB"] = double(peakOverStart) / 1024;
    state.counters["budget_MB"] = composedMB + 100;
    state.counters["pdf_MB"] = double(std::filesystem::file_size(dir / "page.pdf")) / (1024 * 1024);
    if (peakOverStart / 1024.0 > composedMB + 100)
        state.SkipWithError("peak memory over the composed picture plus 100 MB");
    AO_ClearList();
    DXCleanup();
    std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK(BM_PrintA4At1200Dpi)->Unit(benchmark::kMillisecond)->Iterations(3);
