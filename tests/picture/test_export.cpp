// The headless export command end to end: photos in, JPEG files out, and refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/formats.h"
#include "shell/exportcmd.h"
#include "tests/support/engine_reset.h"

namespace
{

namespace fs = std::filesystem;

struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t *At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Decoded ReadJpeg(const std::string &path)
{
    Decoded d;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return d;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.rgb.resize(static_cast<size_t>(d.width) * d.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &d.rgb[static_cast<size_t>(cinfo.output_scanline) * d.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return d;
}

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
              ("mw-export-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

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
    std::string WriteJpeg(int width, int height)
    {
        std::vector<uint8_t> px(static_cast<size_t>(W8(width)) * 3 * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                px[(static_cast<size_t>(y) * W8(width) + x) * 3 + (RedAt(x, y) ? 2 : 0)] = 255;
        const std::string path = (dir / "photo.jpg").string();
        EXPECT_TRUE(JpegSave(px.data(), path.c_str(), width, height, 3, 95));
        return path;
    }
    // A 24-bit bottom-up Windows bitmap.
    std::string WriteBitmap(int width, int height)
    {
        const int stride = (width * 3 + 3) & ~3;
        std::vector<uint8_t> f(54 + static_cast<size_t>(stride) * height, 0);
        auto put32 = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                f[at + i] = static_cast<uint8_t>(v >> (8 * i));
        };
        f[0] = 'B', f[1] = 'M';
        put32(2, static_cast<uint32_t>(f.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, static_cast<uint32_t>(width));
        put32(22, static_cast<uint32_t>(height));
        f[26] = 1, f[28] = 24;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                f[54 + static_cast<size_t>(height - 1 - y) * stride + x * 3 +
                  (RedAt(x, y) ? 2 : 0)] = 255;
        const std::string path = (dir / "photo.bmp").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<char *>(f.data()), static_cast<std::streamsize>(f.size()));
        return path;
    }
    fs::path dir;
};

TEST(ExportSize, AcceptsOnlyWidthByHeightWithinTheSurfaceLimits)
{
    int32_t w = 0, h = 0;
    EXPECT_TRUE(ParseExportSize("640x480", &w, &h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_TRUE(ParseExportSize("1x1", &w, &h));
    EXPECT_TRUE(ParseExportSize("65496x9770", &w, &h));
    // Rows are padded to 8 pixels: the padded buffer must fit too.
    for (const char *bad : {"", "640", "640x", "x480", "0x480", "-5x5", "640x480x", "99999x2",
                            "30000x30000", "6400000000x1", "65497x2", "65500x9770"})
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
        {true, 700, 1, nullptr, 700, 1},
    };
    for (const auto &c : cases) {
        const std::string in = c.jpeg ? WriteJpeg(c.w, c.h) : WriteBitmap(c.w, c.h);
        const std::string out = (dir / "out.jpg").string();
        std::vector<std::string> args = {"--export", in, out};
        if (c.size)
            args.insert(args.end(), {"--size", c.size});
        std::string err;
        ASSERT_EQ(Run(args, &err), 0) << c.w << "x" << c.h << ": " << err;
        const Decoded d = ReadJpeg(out);
        ASSERT_EQ(d.width, c.outW);
        ASSERT_EQ(d.height, c.outH);
        if (c.w < 8 || c.h < 8)
            continue;
        // The centre of every cell has the cell's colour.
        int wrong = 0;
        for (int y = 4; y < c.h; y += 8)
            for (int x = 4; x < c.w; x += 8) {
                const uint8_t *p = d.At(x * c.outW / c.w, y * c.outH / c.h);
                const bool red = p[0] > 160 && p[2] < 90, blue = p[2] > 160 && p[0] < 90;
                wrong += RedAt(x, y) ? !red : !blue;
            }
        EXPECT_EQ(wrong, 0) << c.w << "x" << c.h;
    }
}

TEST_F(ExportCommand, RefusalsExitWithTheirStatusAndReasonAndWriteNothing)
{
    const std::string jpeg = WriteJpeg(16, 16), out = (dir / "out.jpg").string();
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
        {{"--export", jpeg, out, "--size", "0x10"}, 2, "invalid size"},
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

TEST_F(ExportCommand, HelpVersionAndOrdinaryStartsAreTold)
{
    int handled = -1;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"--help"}, nullptr, &handled), 0);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("--export INPUT OUTPUT"),
              std::string::npos);
    EXPECT_EQ(handled, 1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"--version"}, nullptr, &handled), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind("merrowick ", 0), 0u);
    for (const std::vector<std::string> &args : {std::vector<std::string>{"photo.jpg", "/SE"},
                                                 std::vector<std::string>{}}) {
        EXPECT_EQ(Run(args, nullptr, &handled), 0);
        EXPECT_EQ(handled, 0) << "a normal start is left to the window";
    }
}

} // namespace
