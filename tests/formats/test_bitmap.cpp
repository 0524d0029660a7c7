// Windows bitmap photos: files made by ImageMagick in the common layouts load with the
// same pixels ImageMagick reads back; damaged files fail with a clear trail.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

std::vector<uint8_t> ReadAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path &p, const std::vector<uint8_t> &b)
{
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), b.size());
}

void Convert(const std::string &args)
{
    ASSERT_EQ(std::system(("convert " + args).c_str()), 0) << args;
}

// The same picture with its rows stored top-down: the height negated, the rows reversed.
std::vector<uint8_t> TopDown(std::vector<uint8_t> b)
{
    int32_t h;
    uint32_t offset;
    std::memcpy(&offset, &b[10], 4);
    std::memcpy(&h, &b[22], 4);
    const size_t stride = (b.size() - offset) / h;
    std::vector<uint8_t> rows(b.begin() + offset, b.end());
    for (int32_t y = 0; y < h; y++)
        std::memcpy(&b[offset + y * stride], &rows[(h - 1 - y) * stride], stride);
    h = -h;
    std::memcpy(&b[22], &h, 4);
    return b;
}

class Bitmap : public ::testing::Test
{
  protected:
    fs::path dir;
    void SetUp() override
    {
        EngineReset();
        dir = fs::temp_directory_path() / ("mw-bitmap-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(Bitmap, CommonLayoutsLoadWithTheirPixels)
{
    // A 4 × 3 grid of colours that palettes and 16 bits hold exactly, at an odd width.
    const fs::path src = dir / "src.ppm";
    Convert("-size 4x3 xc:red -fill blue -draw 'point 1,0' -fill lime -draw 'point 2,1' "
            "-fill white -draw 'point 3,2' -sample '53x39!' '" + src.string() + "'");
    const struct {
        const char *name, *how;
        bool topDown;
    } kinds[] = {
        {"rgb24.bmp", "-type truecolor bmp3:", false},
        {"topdown.bmp", "-type truecolor bmp3:", true},
        {"pal8.dib", "-type palette bmp3:", false},
        {"rle8.rle", "-type palette -compress RLE bmp3:", false},
        {"v5.bmp", "-type truecolor bmp:", true},
        {"rgb565.bmp", "-define bmp:subtype=RGB565 bmp:", false},
    };
    for (const auto &k : kinds) {
        const fs::path file = dir / k.name, ref = dir / "ref.rgb";
        Convert("'" + src.string() + "' " + k.how + "'" + file.string() + "'");
        Convert("'" + file.string() + "' -depth 8 rgb:'" + ref.string() + "'");
        if (k.topDown)
            WriteAll(file, TopDown(ReadAll(file)));
        const std::vector<uint8_t> want = ReadAll(ref);

        PhotoTarget t;
        ASSERT_TRUE(t.Load(k.topDown ? BitmapLoad : PhotoLoad, file)) << k.name << gErrorTrail;
        ASSERT_EQ(t.info.iWidth, 53) << k.name;
        ASSERT_EQ(t.info.iHeight, 39) << k.name;
        EXPECT_EQ(t.info.iComponents, 3);
        int mismatches = 0;
        for (int y = 0; y < 39; y++)
            for (int x = 0; x < 53; x++) {
                const uint8_t *q = DXPixel(t.surface, x, y);
                const uint8_t *p = &want[(y * 53 + x) * 3];
                mismatches += q[0] != p[2] || q[1] != p[1] || q[2] != p[0];
            }
        EXPECT_EQ(mismatches, 0) << k.name;
    }
}

TEST_F(Bitmap, DamagedMissingAndOversizedFilesFailWithATrail)
{
    // A header that claims 40000 × 40000 (top-down: -40000) pixels with hardly any data.
    std::vector<uint8_t> huge(54 + 16, 0);
    const int32_t side = 40000, up = -40000;
    huge[0] = 'B', huge[1] = 'M', huge[10] = 54, huge[14] = 40, huge[26] = 1, huge[28] = 24;
    std::memcpy(&huge[18], &side, 4);
    std::memcpy(&huge[22], &up, 4);
    WriteAll(dir / "huge.bmp", huge);
    std::ofstream(dir / "junk.bmp") << "BM not really a bitmap";
    const std::string gone = (dir / "gone.bmp").string();
    const std::pair<const char *, std::string> cases[] = {
        {"junk.bmp", "LoadImage() !\nBitmapLoad() failed!\n"},
        {"gone.bmp", "can't open " + gone + "\nLoadImage() !\nBitmapLoad() failed!\n"},
        {"huge.bmp", "too large: 40000 x 40000"},
    };
    for (const auto &[name, trail] : cases) {
        TrailClear();
        PhotoTarget t;
        EXPECT_FALSE(t.Load(PhotoLoad, dir / name));
        EXPECT_NE(std::string(gErrorTrail).find(trail), std::string::npos) << gErrorTrail;
        EXPECT_EQ(t.calls, 0) << "no surface is asked for before the file is known good";
    }
}

} // namespace
