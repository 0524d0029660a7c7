// Windows bitmap photos: files made by ImageMagick in the common layouts load with the
// same pixels ImageMagick reads back; damaged and oversized files fail with a trail.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "support/bmp_builder.h"
#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

void Convert(const std::string &args)
{
    ASSERT_EQ(std::system(("convert " + args).c_str()), 0) << args;
}

using Bitmap = EngineTest;

TEST_F(Bitmap, CommonLayoutsLoadWithTheirPixels)
{
    // A 4 × 3 grid of colours that a palette holds exactly, at an odd width.
    const std::string src = (dir / "s.ppm").string(), ref = (dir / "ref.rgb").string();
    Convert("-size 4x3 xc:red -fill blue -draw 'point 1,0' -fill lime -draw 'point 2,1' "
            "-fill white -draw 'point 3,2' -sample 53x39! '" +
            src + "'");
    for (const auto &[name, how] : {std::pair{"rgb24.bmp", "-type truecolor bmp3:"},
                                    {"pal8.dib", "-type palette bmp3:"},
                                    {"v5.bmp", "-type truecolor bmp:"}}) {
        const std::string file = (dir / name).string();
        Convert("'" + src + "' " + how + "'" + file + "'");
        Convert("'" + file + "' -depth 8 rgb:'" + ref + "'");
        const std::vector<uint8_t> want = ReadBytes(ref);
        PhotoTarget t;
        ASSERT_TRUE(t.Load(PhotoLoad, file)) << name << gErrorTrail;
        ASSERT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(53, 39)) << name;
        int mismatches = 0;
        for (int i = 0; i < 53 * 39; i++)
            mismatches += DXGetPixel(t.surface, i % 53, i / 53) !=
                          uint32_t(want[i * 3] << 16 | want[i * 3 + 1] << 8 | want[i * 3 + 2]);
        EXPECT_EQ(mismatches, 0) << name;
    }
}

TEST_F(Bitmap, DamagedAndOversizedFilesFailBeforeASurfaceIsAskedFor)
{
    BmpSpec huge; // 40000 × 40000 pixels, top-down, with hardly any data
    huge.width = 40000, huge.height = -40000, huge.pixels.resize(16);
    WriteFile((dir / "huge.bmp").string(), MakeBmp(huge));
    WriteFile((dir / "junk.bmp").string(), {'B', 'M', '?'});
    for (const auto &[name, trail] :
         {std::pair{"junk.bmp", "LoadImage() !\nBitmapLoad() failed!\n"},
          {"huge.bmp", "too large: 40000 x 40000"}}) {
        PhotoTarget t;
        EXPECT_FALSE(t.Load(PhotoLoad, dir / name));
        EXPECT_NE(std::string(gErrorTrail).find(trail), std::string::npos) << gErrorTrail;
        EXPECT_EQ(t.calls, 0) << name;
    }
}

} // namespace
