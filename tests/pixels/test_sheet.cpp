// The window's sprite sheet is drawn from its embedded rows and its background from its
// file's mapped rows: only whole top-down 24-bit rows serve as they are, and a surface over
// read-only bytes reads as the decoded one and is never written (a write there would end
// the test with a fault).
#include <gtest/gtest.h>

#include <cstring>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

TEST(Sheet, TheWindowsSheetIsTheEmbeddedRowsReadAsDecoded)
{
    // 5 x 2 pixels, rows of 16 bytes with their padding: top-down serves, bottom-up and a
    // last row cut short do not.
    for (auto [height, bytes, serves] :
         {std::tuple{-2, 32, true}, {2, 32, false}, {-2, 31, false}}) {
        BmpLayout b;
        b.width = 5, b.height = height, b.pixels.assign(bytes, 7);
        const std::vector<uint8_t> file = MakeBmp(b);
        int32_t w, h;
        EXPECT_EQ(DibRowsInPlace(file.data(), file.size(), &w, &h) == file.data() + 54, serves)
            << height << " " << bytes;
    }
    FakePlatformReset();
    TrailClear();
    TempDir dir;
    CurrentDir in(dir.Path());
    WriteFile(dir / "merrowick7.clp", SolidBmp(40, 30, 0xFFFFFF));
    WriteFile(dir / "logo7.clp", SolidBmp(12, 6, 0x336699));
    size_t size = 0;
    const uint8_t *embedded = PLAT_FindResource("SPRITE", &size); // the program's own
    ASSERT_EQ(DXInit(), 1) << gErrorTrail;
    int32_t w, h;
    EXPECT_EQ(gDDSSprite->pBits, DibRowsInPlace(embedded, size, &w, &h));
    DIBIMAGE decoded;
    const char *why;
    ASSERT_EQ(DibDecode(embedded, size, &decoded, &why), 1) << why;
    ASSERT_EQ(decoded.iPitch * decoded.iHeight, gDDSSprite->iPitch * gDDSSprite->iHeight);
    EXPECT_EQ(std::memcmp(decoded.pBits, gDDSSprite->pBits, decoded.iPitch * decoded.iHeight), 0);
    DibFreeImage(&decoded);
    DXRestoreAll(); // nothing to draw again into the sheet's own rows
    EXPECT_TRUE(FakePlatform().messageBoxes.empty());
    DXCleanup();

    // The background file: top-down, its mapped rows are the surface; bottom-up, decoded.
    const auto colour = [](int x, int y) { return 0x010203u * static_cast<uint32_t>(x + 7 * y); };
    for (bool topDown : {true, false}) {
        WriteFile(dir / "merrowick7.clp", PictureBmp(41, 30, colour, topDown));
        ASSERT_EQ(DXInit(), 1) << gErrorTrail;
        EXPECT_EQ(gDDSClp->pMapping != nullptr, topDown);
        for (auto [x, y] : {std::pair{0, 0}, {40, 0}, {17, 29}, {40, 29}}) {
            const uint8_t *p = DXPixel(gDDSClp, x, y);
            EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, colour(x, y))
                << topDown << " " << x << "," << y;
        }
        DXCleanup();
    }
}
