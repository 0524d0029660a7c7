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
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "shell/appstate.h"

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
        gPictureRect = {0, 0, 0, 0};
        dir = fs::temp_directory_path() / ("mw-bitmap-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    static IMGOBJ *PhotoObject(const fs::path &path)
    {
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
        obj->ao.iType = AO_TYPE_IMGOBJ;
        obj->pszFullPath = strdup(path.c_str());
        return obj;
    }
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

        IMGOBJ *obj = PhotoObject(file);
        ASSERT_TRUE(BitmapLoad(obj)) << name << ": " << gErrorTrail;
        ASSERT_EQ(obj->iSrcWidth, 53) << name;
        ASSERT_EQ(obj->iSrcHeight, 39) << name;
        EXPECT_EQ(gPhotoWidth, 53);
        EXPECT_EQ(gPhotoComponents, 3);
        int mismatches = 0;
        for (int y = 0; y < 39; y++)
            for (int x = 0; x < 53; x++) {
                const uint8_t *q = DXPixel(obj->iiRes[HI_RES_OBJ].DDSSurface, x, y);
                const uint8_t *p = &want[(y * 53 + x) * 3];
                mismatches += q[0] != p[2] || q[1] != p[1] || q[2] != p[0];
            }
        EXPECT_EQ(mismatches, 0) << name;
        AO_DelObj(&obj->ao);
    }
}

TEST_F(Bitmap, DamagedMissingAndOversizedFilesFailWithATrail)
{
    const fs::path junk = dir / "junk.bmp";
    std::ofstream(junk) << "BM not really a bitmap";
    IMGOBJ *obj = PhotoObject(junk);
    gPhotoWidth = 77;
    EXPECT_FALSE(BitmapLoad(obj));
    EXPECT_NE(std::string(gErrorTrail).find("LoadImage() !\n"), std::string::npos) << gErrorTrail;
    EXPECT_EQ(gPhotoWidth, 77) << "a failed load keeps the photo size";
    EXPECT_EQ(obj->iiRes[HI_RES_OBJ].DDSSurface, nullptr);
    AO_DelObj(&obj->ao);

    TrailClear();
    obj = PhotoObject(dir / "gone.bmp");
    EXPECT_FALSE(BitmapLoad(obj));
    EXPECT_EQ(std::string(gErrorTrail),
              "can't open " + (dir / "gone.bmp").string() + "\nLoadImage() !\n");
    AO_DelObj(&obj->ao);

    // A header that claims 40000 × 40000 pixels with hardly any data behind it.
    TrailClear();
    std::vector<uint8_t> b(54 + 16, 0);
    const uint32_t side = 40000;
    b[0] = 'B', b[1] = 'M', b[10] = 54, b[14] = 40, b[26] = 1, b[28] = 24;
    std::memcpy(&b[18], &side, 4);
    std::memcpy(&b[22], &side, 4);
    std::ofstream(dir / "huge.bmp", std::ios::binary)
        .write(reinterpret_cast<const char *>(b.data()), b.size());
    obj = PhotoObject(dir / "huge.bmp");
    EXPECT_FALSE(BitmapLoad(obj));
    EXPECT_NE(std::string(gErrorTrail).find("too large: 40000 x 40000"), std::string::npos)
        << gErrorTrail;
    AO_DelObj(&obj->ao);
}

} // namespace
