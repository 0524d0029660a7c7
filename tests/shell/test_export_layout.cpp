// The export command with layout files: the photo and every piece composed at the
// photo's or the given size; a failed export leaves the output file as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/layout.h"
#include "formats/formats.h"
#include "shell/exportcmd.h"
#include "tests/formats/photo_target.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/engine_reset.h"
#include "tests/support/layout_bytes.h"

namespace
{

constexpr uint32_t kBlue = 0x0000FF;

class ExportLayout : public EngineTest
{
  protected:
    int Run(const std::vector<std::string> &tail, std::string *err)
    {
        std::vector<std::string> args = {"merrowick", "--export"};
        args.insert(args.end(), tail.begin(), tail.end());
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        int handled = 0;
        ::testing::internal::CaptureStderr();
        const int status = RunExportCommand(static_cast<int>(argv.size()), argv.data(), &handled);
        *err = ::testing::internal::GetCapturedStderr();
        return status;
    }
    // Pixels of a rectangle of the output that are far from the photo's blue.
    static int NotBlue(LPDDS s, int x0, int y0, int w, int h)
    {
        int n = 0;
        for (int y = y0; y < y0 + h; y++)
            for (int x = x0; x < x0 + w; x++) {
                const uint32_t p = DXGetPixel(s, x, y);
                n += !((p & 0xFF) > 160 && (p >> 16) < 90);
            }
        return n;
    }
};

// Clip art in the right half, a text bubble in the left half, none in the top band.
TEST_F(ExportLayout, ThePhotoAndEveryPieceAreComposedAtTheRequestedSize)
{
    const std::string in = (dir / "card.mwi").string(), out = (dir / "card.jpg").string();
    WriteFile(in, LayoutBytes(80, 60,
                              {PieceAt(IMG_OBJ, "admiral.clp", 400, 180, 150, 150),
                               PieceAt(IMG_TEXT, "text4.clp", 200, 200, 180, 150, "HELLO")}));
    std::string err;
    ASSERT_EQ(Run({in, out, "--size", "800x600"}, &err), 0) << err;
    PhotoTarget t;
    ASSERT_TRUE(t.Load(JpegLoad, out));
    ASSERT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(800, 600));
    EXPECT_EQ(NotBlue(t.surface, 0, 0, 800, 150), 0) << "nothing above the pieces";
    EXPECT_GT(NotBlue(t.surface, 440, 220, 280, 280), 1000) << "the clip art";
    EXPECT_GT(NotBlue(t.surface, 30, 260, 340, 280), 1000) << "the bubble";
    // Without a size the photo's own is used.
    ASSERT_EQ(Run({in, out}, &err), 0) << err;
    ASSERT_TRUE(t.Load(JpegLoad, out));
    EXPECT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(80, 60));
}

TEST_F(ExportLayout, AFailedExportLeavesTheOutputFileAsItWas)
{
    const std::string in = (dir / "card.mwi").string(), out = (dir / "card.jpg").string();
    tmp.WriteText("card.jpg", "earlier export");
    const struct {
        std::vector<uint8_t> layout;
        const char *says;
    } cases[] = {
        {LayoutBytes(80, 60, {PieceAt(IMG_OBJ, "no-such-piece.clp", 400, 180, 150, 150)}),
         "IMGOBJ_AddObj() failed!"},
        {LayoutBytes(80, 60, {PieceAt(IMG_OBJ, "../obj.edi", 400, 180, 150, 150)}),
         "names no plain clip-art file"},
    };
    for (const auto &c : cases) {
        WriteFile(in, c.layout);
        std::string err;
        EXPECT_EQ(Run({in, out}, &err), 1);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_NE(err.find("LayoutLoad() failed!"), std::string::npos) << err;
        std::ifstream file(out);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "earlier export");
    }
}

} // namespace
