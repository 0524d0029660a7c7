// Windows bitmap photos: files made by ImageMagick in the common layouts load with the
// same pixels ImageMagick reads back; damaged files fail with a clear trail.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "tests/formats/photo_target.h"

namespace fs = std::filesystem;

namespace
{

std::vector<uint8_t> ReadAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

class Bitmap : public ::testing::Test
{
  protected:
    fs::path dir;
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        dir = fs::temp_directory_path() / ("mw-bitmap-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(Bitmap, CommonLayoutsLoadWithTheirPixels)
{
    // A 4 × 3 grid of colours that palettes hold exactly, at an odd width.
    const fs::path src = dir / "src.ppm";
    ASSERT_EQ(std::system(("convert -size 4x3 xc:red -fill blue -draw 'point 1,0' -fill lime "
                           "-draw 'point 2,1' -fill white -draw 'point 3,2' -sample '53x39!' '" +
                           src.string() + "'")
                              .c_str()),
              0);
    const std::pair<const char *, const char *> kinds[] = {
        {"rgb24.bmp", "-type truecolor bmp3:"},
        {"pal8.dib", "-type palette bmp3:"},
        {"rle8.rle", "-type palette -compress RLE bmp3:"},
        {"v5.bmp", "-type truecolor bmp:"},
    };
    for (const auto &[name, how] : kinds) {
        const fs::path file = dir / name;
        ASSERT_EQ(
            std::system(
                ("convert '" + src.string() + "' " + how + "'" + file.string() + "'").c_str()),
            0);
        const fs::path ref = dir / "ref.rgb";
        ASSERT_EQ(
            std::system(
                ("convert '" + file.string() + "' -depth 8 rgb:'" + ref.string() + "'").c_str()),
            0);
        const std::vector<uint8_t> want = ReadAll(ref);

        PhotoTarget t;
        ASSERT_TRUE(t.Load(PhotoLoad, file)) << name << ": " << gErrorTrail;
        ASSERT_EQ(t.info.iWidth, 53) << name;
        ASSERT_EQ(t.info.iHeight, 39) << name;
        EXPECT_EQ(t.info.iComponents, 3);
        int mismatches = 0;
        for (int y = 0; y < 39; y++)
            for (int x = 0; x < 53; x++) {
                const uint8_t *q = DXPixel(t.surface, x, y);
                const uint8_t *p = &want[(y * 53 + x) * 3];
                mismatches += q[0] != p[2] || q[1] != p[1] || q[2] != p[0];
            }
        EXPECT_EQ(mismatches, 0) << name;
    }
}

TEST_F(Bitmap, DamagedMissingAndOversizedFilesFailWithATrail)
{
    const fs::path junk = dir / "junk.bmp";
    std::ofstream(junk) << "BM not really a bitmap";
    PhotoTarget t;
    EXPECT_FALSE(t.Load(BitmapLoad, junk));
    EXPECT_NE(std::string(gErrorTrail).find("LoadImage() !\n"), std::string::npos) << gErrorTrail;
    EXPECT_EQ(t.calls, 0) << "no surface is asked for before the file is known good";

    TrailClear();
    EXPECT_FALSE(t.Load(PhotoLoad, dir / "gone.bmp"));
    EXPECT_EQ(std::string(gErrorTrail), "can't open " + (dir / "gone.bmp").string() +
                                            "\nLoadImage() !\nBitmapLoad() failed!\n");

    // A header that claims 40000 × 40000 pixels with hardly any data behind it.
    TrailClear();
    std::vector<uint8_t> b(54 + 16, 0);
    const uint32_t side = 40000;
    b[0] = 'B', b[1] = 'M', b[10] = 54, b[14] = 40, b[26] = 1, b[28] = 24;
    std::memcpy(&b[18], &side, 4);
    std::memcpy(&b[22], &side, 4);
    std::ofstream(dir / "huge.bmp", std::ios::binary)
        .write(reinterpret_cast<const char *>(b.data()), b.size());
    EXPECT_FALSE(t.Load(BitmapLoad, dir / "huge.bmp"));
    EXPECT_NE(std::string(gErrorTrail).find("too large: 40000 x 40000"), std::string::npos)
        << gErrorTrail;
    EXPECT_EQ(t.calls, 0);
}

} // namespace
