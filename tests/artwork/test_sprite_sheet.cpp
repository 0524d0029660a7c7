// The graphics map and level file that place the interface buttons on the sprite sheet.
#include <gtest/gtest.h>

#include <set>

#include "interface/graphicsmap.h"
#include "interface/interface.h"
#include "platform/trail.h"
#include "support/data_files.h"

// Every graphic of the map lies inside the sheet; the level places seventeen buttons
// numbered 1 to 17 in the window, clear of each other and of the picture's frame, each
// with its normal, lit and pressed looks stacked in the sheet.
TEST(LevelFile, SeventeenButtonsInsideTheSheetAndClearOfEachOther)
{
    const std::vector<uint8_t> map = ReadData("obj.edi"), level = ReadData("merrowick.lvl");
    const DecodedBitmap sheet(ReadData("resources/SPRITE.bmp"));
    ASSERT_TRUE(sheet.ok) << sheet.why;
    ASSERT_TRUE(GraphicsMapParse(map.data(), map.size())) << DataPath("obj.edi");
    for (int32_t i = 0; i < gGraphicsCount; ++i) {
        const GRAPHICSRECT &r = gGraphicsRects[i];
        EXPECT_TRUE(r.iWidth > 0 && r.iHeight > 0 && r.x >= 0 && r.y >= 0 &&
                    r.x + r.iWidth <= 1700 && r.y + r.iHeight <= 345)
            << r.iId;
    }
    ASSERT_TRUE(LevelParse(level.data(), level.size(), "merrowick.lvl")) << gErrorTrail;
    ASSERT_EQ(gLevel.iActionCount, 17);
    std::set<int> numbers;
    for (int32_t i = 0; i < 17; ++i) {
        const LEVELACTION &a = gLevel.pActions[i];
        const int w = a.right - a.left, h = a.bottom - a.top;
        SCOPED_TRACE("button " + std::to_string(a.p[2]));
        EXPECT_TRUE(a.p[2] >= 1 && a.p[2] <= 17 && numbers.insert(a.p[2]).second) << "number";
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= 800 && a.bottom <= 600);
        // The picture's frame starts 13 pixels before the picture area (190, 75).
        EXPECT_TRUE(a.right <= 190 - 13 || a.bottom <= 75 - 13);
        for (int32_t k = 0; k < i; ++k) {
            const LEVELACTION &o = gLevel.pActions[k];
            EXPECT_FALSE(a.left < o.right && o.left < a.right && a.top < o.bottom &&
                         o.top < a.bottom)
                << "and button " << o.p[2];
        }
        ASSERT_LE(a.ySrc + 3 * h, 345);
        for (int look = 0; look < 3; ++look)
            EXPECT_GT(sheet.Ink(a.xSrc, a.ySrc + look * h, w, h), w * h / 2) << "look " << look;
    }
    FreeLevel();
    FreeObjects();
}
