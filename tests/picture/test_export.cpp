// The headless export command end to end: photos in, JPEG files out, and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "shell/exportcmd.h"
#include "support/bmp_builder.h"
#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"

namespace
{

namespace fs = std::filesystem;

// The test photos: 8 × 8 cells, red where (cell x + cell y) is even, else blue.
bool RedAt(int x, int y)
{
    return (x / 8 + y / 8) % 2 == 0;
}

class ExportCommand : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        dir = fs::temp_directory_path() /
              ("mw-export-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the command line; returns the exit status, stderr in *err.
    int Run(std::vector<std::string> args, std::string *err = nullptr, int *handled = nullptr)
    {
        args.insert(args.begin(), "merrowick");
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        int h = -1;
        ::testing::internal::CaptureStderr();
        const int status = RunExportCommand(static_cast<int>(argv.size()), argv.data(), &h);
        const std::string captured = ::testing::internal::GetCapturedStderr();
        if (err)
            *err = captured;
        if (handled)
            *handled = h;
        return status;
    }
    // The cell photo as a JPEG (W8-stride rows) or a 24-bit bottom-up bitmap.
    std::string WritePhoto(bool jpeg, int w, int h)
    {
        const size_t stride = jpeg ? W8(w) * 3 : (w * 3 + 3) & ~3;
        std::vector<uint8_t> px(stride * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                px[(jpeg ? y : h - 1 - y) * stride + x * 3 + (RedAt(x, y) ? 2 : 0)] = 255;
        const std::string path = (dir / (jpeg ? "photo.jpg" : "photo.bmp")).string();
        if (jpeg) {
            EXPECT_TRUE(JpegSave(px.data(), path.c_str(), w, h, 3, 95));
        } else {
            BmpSpec s;
            s.width = w, s.height = h, s.pixels = px;
            WriteFile(path, MakeBmp(s));
        }
        return path;
    }
    fs::path dir;
};

TEST(ExportSize, AcceptsOnlyWidthByHeightWithinTheSurfaceLimits)
{
    int32_t w = 0, h = 0;
    EXPECT_TRUE(ParseExportSize("640x480", &w, &h));
    EXPECT_EQ(std::pair(w, h), std::pair(640, 480));
    EXPECT_TRUE(ParseExportSize("65496x9770", &w, &h));
    // Rows are padded to 8 pixels: the padded buffer must fit too.
    for (const char *bad : {"", "640x", "x480", "0x480", "-5x5", "640x480x", "6400000000x1",
                            "65497x2", "65500x9770"})
        EXPECT_FALSE(ParseExportSize(bad, &w, &h)) << bad;
}

TEST_F(ExportCommand, PhotosExportAtTheirOwnOrTheRequestedSize)
{
    const struct {
        bool jpeg;
        int w, h;
        const char *size; // null: the photo's own
        int outW, outH;
    } cases[] = {
        {true, 61, 45, nullptr, 61, 45}, // rows not a multiple of 8 pixels
        {false, 37, 21, "74x42", 74, 42},
        {false, 40, 24, "60x48", 60, 48}, // stretched more one way than the other
        {true, 1, 700, nullptr, 1, 700},
    };
    for (const auto &c : cases) {
        const std::string out = (dir / "out.jpg").string();
        std::vector<std::string> args = {"--export", WritePhoto(c.jpeg, c.w, c.h), out};
        if (c.size)
            args.insert(args.end(), {"--size", c.size});
        std::string err;
        ASSERT_EQ(Run(args, &err), 0) << c.w << "x" << c.h << ": " << err;
        PhotoTarget t;
        ASSERT_TRUE(t.Load(JpegLoad, out));
        ASSERT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(c.outW, c.outH));
        int wrong = 0; // the centre of every cell has the cell's colour
        for (int y = 4; y < c.h; y += 8)
            for (int x = 4; x < c.w; x += 8) {
                const uint32_t p = DXGetPixel(t.surface, x * c.outW / c.w, y * c.outH / c.h);
                const int r = p >> 16, b = p & 255;
                wrong += RedAt(x, y) ? !(r > 160 && b < 90) : !(b > 160 && r < 90);
            }
        EXPECT_EQ(wrong, 0) << c.w << "x" << c.h;
    }
}

TEST_F(ExportCommand, RefusalsExitWithTheirStatusAndReasonAndWriteNothing)
{
    const std::string jpeg = WritePhoto(true, 16, 16), out = (dir / "out.jpg").string();
    std::ofstream(dir / "junk.bmp") << "not a bitmap at all";
    const struct {
        std::vector<std::string> args;
        int status;
        const char *says;
    } cases[] = {
        {{"--export", (dir / "missing.jpg").string(), out}, 1, "JpegLoad() failed!"},
        {{"--export", (dir / "junk.bmp").string(), out}, 1, "BitmapLoad() failed!"},
        {{"--export", (dir / "notes.txt").string(), out}, 1, "not a photo"},
        {{"--export", jpeg, (dir / "no" / "such" / "out.jpg").string()}, 1, "JpegSave() failed!"},
        {{"--export", jpeg, out, "--size", "70000x10"}, 2, "invalid size"},
        {{"--export", jpeg, out, "--size"}, 2, ""},
        {{"--export", jpeg}, 2, "needs INPUT and OUTPUT"},
        {{"--export", jpeg, out, "--frobnicate"}, 2, ""},
    };
    for (const auto &c : cases) {
        std::string err;
        EXPECT_EQ(Run(c.args, &err), c.status) << c.args.back();
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(out)) << c.args.back();
    }
}

TEST_F(ExportCommand, HelpAndVersionAreHandledAndOrdinaryStartsLeftToTheWindow)
{
    const std::pair<std::vector<std::string>, const char *> cases[] = {
        {{"--help"}, "--export INPUT OUTPUT"},
        {{"--version"}, "merrowick "},
        {{"photo.jpg", "/SE"}, nullptr},
        {{}, nullptr},
    };
    for (const auto &[args, says] : cases) {
        int handled = -1;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(Run(args, nullptr, &handled), 0);
        const std::string printed = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(handled, says != nullptr);
        EXPECT_NE(printed.find(says ? says : ""), std::string::npos) << printed;
    }
}

} // namespace
