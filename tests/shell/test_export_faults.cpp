// The headless export with every file call failing in turn and the disk filling up part
// way: it exits with an error and its reasons, and the earlier output file stays as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/formats.h"
#include "picture/ao.h"
#include "shell/exportcmd.h"
#include "tests/support/engine_reset.h"
#include "tests/support/file_faults.h"
#include "tests/support/layout_bytes.h"

namespace
{

class ExportFaults : public EngineTest
{
  protected:
    // Runs the export of input to out.jpg; its error lines go into the trail.
    int Export(const std::string &input)
    {
        std::vector<std::string> args = {"merrowick", "--export", input, out, "--size", "64x48"};
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        int handled = 0;
        ::testing::internal::CaptureStderr();
        const int status = RunExportCommand(static_cast<int>(argv.size()), argv.data(), &handled);
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (status != 0)
            TrailAppend(err.c_str());
        return status == 0;
    }
    TempConfig config;
    const std::string out = (dir / "out.jpg").string();
};

TEST_F(ExportFaults, AnExportThatFailsAnywhereLeavesTheEarlierOutput)
{
    const std::string layout = (dir / "card.mwi").string(), photo = (dir / "photo.jpg").string();
    WriteFile(layout, LayoutBytes(40, 30,
                                  {PieceAt(IMG_OBJ, "admiral.clp", 400, 180, 150, 150),
                                   PieceAt(IMG_TEXT, "text4.clp", 200, 200, 180, 150, "HI")}));
    const std::vector<uint8_t> pixels(W8(40) * 3 * 30, 0x80);
    ASSERT_TRUE(JpegSave(pixels.data(), photo.c_str(), 40, 30, 3, 90));
    // Nothing of the engine stays behind an export, whether it failed or not.
    auto engine = [] { return std::to_string(gAOList != nullptr) + (gDDSPicture ? "+" : "-"); };
    // The inputs, the settings and the clip art may fail to be read and the export still
    // succeed alike (a setting falls back to its default); what is written may not fail.
    const unsigned writes =
        FaultBit(FILEOP_WRITE) | FaultBit(FILEOP_SYNC) | FaultBit(FILEOP_RENAME);
    const FaultCase cases[] = {
        {"layout export", out, "an earlier export", nullptr, [&] { return Export(layout); }, engine,
         writes},
        {"photo export", out, "an earlier export", nullptr, [&] { return Export(photo); }, engine,
         writes},
    };
    for (const FaultCase &c : cases)
        CheckSaveUnderFaults(c);
}

} // namespace
