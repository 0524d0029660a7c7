// The headless export command end to end: photos in, JPEG files out, and refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/formats.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "shell/exportcmd.h"

namespace
{

namespace fs = std::filesystem;

struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
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

class ExportCommand : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
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
        int status = RunExportCommand(static_cast<int>(argv.size()), argv.data(), &h);
        std::string captured = ::testing::internal::GetCapturedStderr();
        if (err)
            *err = captured;
        if (handled)
            *handled = h;
        return status;
    }
    // A width × height photo, left half red and right half blue, as a JPEG file.
    std::string WriteJpeg(int width, int height)
    {
        std::vector<uint8_t> px(static_cast<size_t>(W8(width)) * 3 * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t *p = &px[(static_cast<size_t>(y) * W8(width) + x) * 3];
                p[x < width / 2 ? 2 : 0] = 255; // blue, green, red order
            }
        std::string path = (dir / "photo.jpg").string();
        EXPECT_TRUE(JpegSave(px.data(), path.c_str(), width, height, 3, 95));
        return path;
    }
    // A 24-bit bottom-up Windows bitmap of one colour.
    std::string WriteBitmap(int width, int height, uint8_t r, uint8_t g, uint8_t b)
    {
        int stride = (width * 3 + 3) & ~3;
        uint32_t imageSize = static_cast<uint32_t>(stride * height);
        std::vector<uint8_t> f(54 + imageSize, 0);
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
        put32(34, imageSize);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                size_t at = 54 + static_cast<size_t>(y) * stride + x * 3;
                f[at] = b, f[at + 1] = g, f[at + 2] = r;
            }
        std::string path = (dir / "photo.bmp").string();
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

TEST_F(ExportCommand, PhotosOfExtremeProportionsExport)
{
    for (auto [w, h] : {std::pair{1, 700}, std::pair{700, 1}}) {
        std::string in = WriteJpeg(w, h), out = (dir / "out.jpg").string(), err;
        ASSERT_EQ(Run({"--export", in, out}, &err), 0) << w << " x " << h << ": " << err;
        Decoded d = ReadJpeg(out);
        EXPECT_EQ(d.width, w);
        EXPECT_EQ(d.height, h);
    }
}

TEST_F(ExportCommand, JpegPhotoExportsAtItsOwnSize)
{
    std::string in = WriteJpeg(64, 48), out = (dir / "out.jpg").string(), err;
    ASSERT_EQ(Run({"--export", in, out}, &err), 0) << err;
    Decoded d = ReadJpeg(out);
    EXPECT_EQ(d.width, 64);
    EXPECT_EQ(d.height, 48);
    // Left red, right blue, as in the photo.
    const uint8_t *left = &d.rgb[(24 * 64 + 8) * 3], *right = &d.rgb[(24 * 64 + 56) * 3];
    EXPECT_GT(left[0], 200);
    EXPECT_LT(left[2], 60);
    EXPECT_GT(right[2], 200);
    EXPECT_LT(right[0], 60);
}

TEST_F(ExportCommand, BitmapPhotoExportsAtTheRequestedSize)
{
    std::string in = WriteBitmap(33, 17, 0, 160, 0), out = (dir / "big.jpg").string(), err;
    ASSERT_EQ(Run({"--export", in, out, "--size", "101x47"}, &err), 0) << err;
    Decoded d = ReadJpeg(out);
    EXPECT_EQ(d.width, 101);
    EXPECT_EQ(d.height, 47);
    const uint8_t *mid = &d.rgb[(23 * 101 + 50) * 3];
    EXPECT_NEAR(mid[1], 160, 12);
    EXPECT_LT(mid[0], 30);
}

TEST_F(ExportCommand, BadPhotoFailsWithTheTrailOnStandardError)
{
    std::string out = (dir / "out.jpg").string(), err;
    EXPECT_EQ(Run({"--export", (dir / "missing.jpg").string(), out}, &err), 1);
    EXPECT_NE(err.find("JpegLoad() failed!"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out));

    std::ofstream(dir / "junk.bmp") << "not a bitmap at all";
    EXPECT_EQ(Run({"--export", (dir / "junk.bmp").string(), out}, &err), 1);
    EXPECT_NE(err.find("BitmapLoad() failed!"), std::string::npos) << err;

    EXPECT_EQ(Run({"--export", (dir / "notes.txt").string(), out}, &err), 1);
    EXPECT_NE(err.find("not a photo"), std::string::npos) << err;

    std::string in = WriteJpeg(16, 16);
    EXPECT_EQ(Run({"--export", in, (dir / "no" / "such" / "out.jpg").string()}, &err), 1);
    EXPECT_NE(err.find("JpegSave() failed!"), std::string::npos) << err;
}

TEST_F(ExportCommand, BadSizeAndUsageAreRefusedBeforeAnythingRuns)
{
    std::string in = WriteJpeg(16, 16), out = (dir / "out.jpg").string(), err;
    for (const char *size : {"0x10", "10", "abc", "70000x10"}) {
        EXPECT_EQ(Run({"--export", in, out, "--size", size}, &err), 2) << size;
        EXPECT_NE(err.find("invalid size"), std::string::npos) << err;
    }
    EXPECT_EQ(Run({"--export", in, out, "--size"}, &err), 2);
    EXPECT_EQ(Run({"--export", in}, &err), 2);
    EXPECT_NE(err.find("needs INPUT and OUTPUT"), std::string::npos);
    EXPECT_EQ(Run({"--export", in, out, "--frobnicate"}, &err), 2);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(ExportCommand, HelpVersionAndOrdinaryStartsAreTold)
{
    int handled = -1;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"--help"}, nullptr, &handled), 0);
    std::string help = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(handled, 1);
    EXPECT_NE(help.find("--export INPUT OUTPUT"), std::string::npos);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"--version"}, nullptr, &handled), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind("merrowick ", 0), 0u);
    EXPECT_EQ(Run({"photo.jpg", "/SE"}, nullptr, &handled), 0);
    EXPECT_EQ(handled, 0) << "a normal start is left to the window";
    EXPECT_EQ(Run({}, nullptr, &handled), 0);
    EXPECT_EQ(handled, 0);
}

} // namespace
