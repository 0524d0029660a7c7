// The window's sprite sheet drawn from its embedded rows: which bitmaps can serve as they
// are, and that the sheet over the program's read-only bytes is read the same and never
// written (a write there would end the test with a fault).
#include <gtest/gtest.h>

#include <cstring>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

TEST(Sheet, OnlyWholeTopDownRowsOf24BitsServeAsTheyAre)
{
    // 5 x 2 pixels: rows of 15 bytes, 16 with their padding.
    const struct {
        const char *what;
        int32_t height;
        uint16_t bpp;
        size_t bytes;
        bool serves;
    } cases[] = {{"top-down, 24 bits", -2, 24, 32, true},
                 {"bottom-up", 2, 24, 32, false},
                 {"32 bits", -2, 32, 40, false},
                 {"the last row's padding cut off", -2, 24, 31, false},
                 {"a row short", -2, 24, 16, false}};
    for (const auto &c : cases) {
        BmpLayout b;
        b.width = 5, b.height = c.height, b.bpp = c.bpp;
        b.pixels.assign(c.bytes, 7);
        const std::vector<uint8_t> file = MakeBmp(b);
        int32_t w = 0, h = 0;
        const uint8_t *rows = DibRowsInPlace(file.data(), file.size(), &w, &h);
        EXPECT_EQ(rows != nullptr, c.serves) << c.what;
        if (rows)
            EXPECT_EQ(std::tuple(rows - file.data(), w, h), std::tuple(54, 5, 2)) << c.what;
    }
}

TEST(Sheet, TheWindowsSheetIsTheEmbeddedRowsReadAsDecoded)
{
    FakePlatformReset();
    TrailClear();
    TempDir dir;
    CurrentDir in(dir.Path());
    WriteFile(dir / "merrowick7.clp", SolidBmp(40, 30, 0xFFFFFF));
    WriteFile(dir / "logo7.clp", SolidBmp(12, 6, 0x336699));
    size_t size = 0;
    const uint8_t *embedded = PLAT_FindResource("SPRITE", &size); // the program's own
    ASSERT_NE(embedded, nullptr);
    ASSERT_EQ(DXInit(), 1) << gErrorTrail;
    int32_t w, h;
    EXPECT_EQ(gDDSSprite->pBits, DibRowsInPlace(embedded, size, &w, &h));
    EXPECT_EQ(std::tuple(gDDSSprite->bHasColorKey, gDDSSprite->dwColorKey),
              std::tuple(1, 0xFFFFFFu));
    DIBIMAGE decoded;
    const char *why;
    ASSERT_EQ(DibDecode(embedded, size, &decoded, &why), 1) << why;
    ASSERT_EQ(std::tuple(decoded.iWidth, decoded.iHeight, decoded.iPitch),
              std::tuple(gDDSSprite->iWidth, gDDSSprite->iHeight, gDDSSprite->iPitch));
    EXPECT_EQ(std::memcmp(decoded.pBits, gDDSSprite->pBits,
                          static_cast<size_t>(decoded.iPitch) * decoded.iHeight),
              0);
    DibFreeImage(&decoded);
    DXRestoreAll(); // nothing to draw again into the sheet's own rows
    EXPECT_TRUE(FakePlatform().messageBoxes.empty());
    DXCleanup();
}
