// Text pieces: row breaking, the text block in the bubble's rectangle (mirrored, at
// full resolution), and the start screen's rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/font.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "resources/strings/strings.h"
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

std::vector<std::string> Rows(const char *text)
{
    char rows[BUBBLE_MAX_ROWS][BUBBLE_ROW_SIZE];
    return std::vector<std::string>(rows, rows + BubbleTextRows(text, rows));
}

TEST(BubbleRows, BreakAtLineEndsSpacesTheCountLimitAndHyphensAndShowFiveRows)
{
    const std::pair<const char *, std::vector<std::string>> cases[] = {
        {"HELLO\r\n\r\n", {"HELLO\r"}}, // trailing empty rows go
        {"", {""}},                     // the first row always stays
        {"ONE\r\nTWO\r\nTHREE\r\nFOUR\r\nFIVE\r\nSIX",
         {"ONE\r", "TWO\r", "THREE\r", "FOUR\r", "FIVE\r"}},
        // Lower case draws as narrow fallback glyphs: the 29-character limit breaks these.
        {"abcdefghijklmnopqrstuvwxyzabcdefgh", {"abcdefghijklmnopqrstuvwxyzab-", "cdefgh"}},
        {"aaaaaaaaaaaaaaaaaaaa-bbbbbbbbbbbb", {"aaaaaaaaaaaaaaaaaaaa-", "bbbbbbbbbbbb"}},
    };
    for (const auto &[text, rows] : cases)
        EXPECT_EQ(Rows(text), rows) << text;
    const std::string text = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG AGAIN";
    std::string joined; // broken at spaces: rows fit and lose no word
    for (const std::string &row : Rows(text.c_str())) {
        EXPECT_LE(FontStringWidth(0, row.c_str()), 1150) << row;
        joined += (joined.empty() ? "" : " ") + row;
    }
    EXPECT_EQ(joined, text);
}

class BubbleText : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        // Glyph "A" (x 0-56) red, everything else blue.
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 345, kBlue);
        DXFillRect(gDDSSprite, 0, 0, 57, 345, kRed);
        gDDSText = DXCreateSurface(nullptr, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSPicture = DXCreateSurface(nullptr, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        std::memset(&obj, 0, sizeof obj);
        obj.iKind = IMG_TEXT, obj.ao.iWidth = 400, obj.ao.iHeight = 289;
        obj.iiRes[LO_RES_OBJ].DDSSurface = DXCreateSurface(nullptr, 1280, 1024, 2112);
        std::strcpy(obj.szText, "AB");
        gPictureRect = {190, 75, 500, 400};
    }
    void TearDown() override
    {
        for (LPDDS *s : {&gDDSSprite, &gDDSText, &gDDSPicture, &obj.iiRes[LO_RES_OBJ].DDSSurface})
            DXReleaseSurface(*s), *s = nullptr;
    }
    struct Box {
        int left = 1 << 30, top = -1, right = -1, bottom = -1;
    };
    static Box Bounds(LPDDS s) // of everything not white
    {
        Box b;
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1280; ++x)
                if (DXGetPixel(s, x, y) != kWhite)
                    b = {std::min(b.left, x), b.top < 0 ? y : b.top, std::max(b.right, x), y};
        return b;
    }
    IMGOBJ obj;
};

// The style's text rectangle is (128, 115, 554, 297) of an 800 × 577 bubble; mirrored,
// it starts at 118. The block fills its width and starts at its top.
TEST_F(BubbleText, BlockFillsTheStylesTextRectangle)
{
    const struct {
        int flip, fullRes;
        int32_t w, h; // the bubble on the screen (400 × 289) or in a 1000 × 800 export
        float left;
    } cases[] = {{0, 0, 400, 289, 128}, {1, 0, 400, 289, 118}, {0, 1, 800, 578, 128}};
    for (const auto &c : cases) {
        obj.bFlipH = c.flip;
        ClearSurface(gDDSPicture);
        ASSERT_TRUE(TextBubbleText(&obj, c.fullRes, c.fullRes ? 1000 : 0, c.fullRes ? 800 : 0));
        LPDDS s = c.fullRes ? gDDSPicture : obj.iiRes[LO_RES_OBJ].DDSSurface;
        const Box b = Bounds(s);
        const int left = static_cast<int>(c.w * (c.left / 800));
        EXPECT_EQ(std::pair(b.left, b.top), std::pair(left, static_cast<int>(c.h * (115.0f / 577))))
            << c.flip << c.fullRes;
        if (!c.flip) {
            EXPECT_EQ(b.right, left + static_cast<int>(c.w * (554.0f / 800)) - 1) << c.fullRes;
        }
        EXPECT_LE(b.bottom, b.top + static_cast<int>(c.h * (297.0f / 577)));
        EXPECT_EQ(DXGetPixel(s, b.left, b.top + 5), kRed) << "A stays on the left";
        EXPECT_EQ(DXGetPixel(s, b.right, b.top + 5), kBlue);
    }
}

TEST(FeedRows, RowsFitTheBoxAndTwentyFiveAtMost)
{
    char rows[FEED_MAX_ROWS][FEED_ROW_SIZE];
    for (int32_t i = 0, n = FeedTextRows(LoadText(231), 165, rows); i < n; ++i)
        EXPECT_LE(FontStringWidth(10, rows[i]), 165) << rows[i];
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "X\n";
    EXPECT_EQ(FeedTextRows(many.c_str(), 165, rows), -1);
}

} // namespace
