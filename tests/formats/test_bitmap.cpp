// Windows bitmap photos: files made by ImageMagick in the common layouts load with the
// same pixels ImageMagick reads back; damaged files fail with a clear trail.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "formats/formats.h"
#include "support/bmp_builder.h"
#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

std::vector<uint8_t> ReadAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

void Convert(const std::string &args)
{
    ASSERT_EQ(std::system(("convert " + args).c_str()), 0) << args;
}

class Bitmap : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        dir = fs::temp_directory_path() / ("mw-bitmap-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(Bitmap, CommonLayoutsLoadWithTheirPixels)
{
    // A 4 × 3 grid of colours that palettes and 16 bits hold exactly, at an odd width.
    const std::string src = (dir / "src.ppm").string(), ref = (dir / "ref.rgb").string();
    Convert("-size 4x3 xc:red -fill blue -draw 'point 1,0' -fill lime -draw 'point 2,1' "
            "-fill white -draw 'point 3,2' -sample '53x39!' '" + src + "'");
    const std::tuple<const char *, const char *, bool> kinds[] = {
        {"rgb24.bmp", "-type truecolor bmp3:", false}, {"topdown.bmp", "-type truecolor bmp3:", true},
        {"pal8.dib", "-type palette bmp3:", false},
        {"rle8.rle", "-type palette -compress RLE bmp3:", false},
        {"v5.bmp", "-type truecolor bmp:", true},
        {"rgb565.bmp", "-define bmp:subtype=RGB565 bmp:", false},
    };
    for (const auto &[name, how, topDown] : kinds) {
        const std::string file = (dir / name).string();
        Convert("'" + src + "' " + how + "'" + file + "'");
        Convert("'" + file + "' -depth 8 rgb:'" + ref + "'");
        if (topDown) { // height negated, rows reversed
            std::vector<uint8_t> b = ReadAll(file);
            uint32_t offset;
            std::memcpy(&offset, &b[10], 4);
            const size_t stride = (b.size() - offset) / 39;
            for (int y = 0; y < 39 / 2; y++)
                std::swap_ranges(&b[offset + y * stride], &b[offset + (y + 1) * stride],
                                 &b[offset + (38 - y) * stride]);
            const int32_t up = -39;
            std::memcpy(&b[22], &up, 4);
            WriteFile(file, b);
        }
        const std::vector<uint8_t> want = ReadAll(ref);
        PhotoTarget t;
        ASSERT_TRUE(t.Load(topDown ? BitmapLoad : PhotoLoad, file)) << name << gErrorTrail;
        ASSERT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(53, 39)) << name;
        int mismatches = 0;
        for (int i = 0; i < 53 * 39; i++)
            mismatches += DXGetPixel(t.surface, i % 53, i / 53) !=
                          uint32_t(want[i * 3] << 16 | want[i * 3 + 1] << 8 | want[i * 3 + 2]);
        EXPECT_EQ(mismatches, 0) << name;
    }
}

TEST_F(Bitmap, DamagedMissingAndOversizedFilesFailWithATrail)
{
    BmpSpec huge; // claims 40000 × 40000 pixels, top-down, with hardly any data
    huge.width = 40000, huge.height = -40000, huge.pixels.resize(16);
    WriteFile((dir / "huge.bmp").string(), MakeBmp(huge));
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
