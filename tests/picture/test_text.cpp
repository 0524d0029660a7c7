// Bitmap fonts drawn at once, and the row breaking of text pieces and the start screen.
#include "picture/font.h"
#include "picture/text.h"
#include "resources/strings/strings.h"
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

class Fonts : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset(); // sheet rows 0-107 red, the rest blue: tells which row a glyph came from.
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 108, kRed);
        DXFillRect(gDDSSprite, 0, 108, 2048, 237, kBlue);
        target = DXCreateSurface(nullptr, 1200, 200, DDSCAPS_SYSTEMOFFSCREEN);
    }
    void TearDown() override
    {
        AO_ClearList();
        for (LPDDS *s : {&target, &gDDSSprite})
            DXReleaseSurface(*s), *s = nullptr;
    }
    LPDDS target = nullptr;
};

TEST_F(Fonts, DrawsTheLineAroundItsAnchorWithGlyphsFromTheirRows)
{
    // Digits come from the large font's second row; lower case draws nothing.
    const int32_t lw = FontStringWidth(0, "A1abc"), drawn = FontStringWidth(0, "A1");
    const int32_t left[] = {300, 300 - lw / 2, 300 - lw};
    for (int32_t align : {FONT_ALIGN_LEFT, FONT_ALIGN_CENTRE, FONT_ALIGN_RIGHT}) {
        ClearSurface(target);
        ASSERT_TRUE(BltFont(0, target, 300, 0, align, "A1abc"));
        const int32_t x = left[align == FONT_ALIGN_LEFT ? 0 : align == FONT_ALIGN_CENTRE ? 1 : 2];
        EXPECT_EQ(DXGetPixel(target, x - 1, 50), kWhite) << align;
        EXPECT_EQ(DXGetPixel(target, x, 50), kRed) << align;
        EXPECT_EQ(DXGetPixel(target, x + 57, 50), kWhite) << "the spacing stays white";
        EXPECT_EQ(DXGetPixel(target, x + 57 + 12, 50), kBlue) << align;
        for (int32_t blank : {x + drawn, x + lw - 1})
            EXPECT_EQ(DXGetPixel(target, blank, 50), kWhite) << align;
    }
    EXPECT_EQ(FontStringWidth(42, "A1"), FontStringWidth(0, "A1")) << "unknown: font 0";
    EXPECT_TRUE(BltFont(12, target, 0, 0, 0, "AB")) << "glyphs off the sheet are skipped";
    EXPECT_STREQ(gErrorTrail, "");
}

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

TEST(FeedRows, RowsFitTheBoxAndTwentyFiveAtMost)
{
    char rows[FEED_MAX_ROWS][FEED_ROW_SIZE];
    for (int32_t i = 0, n = FeedTextRows(LoadText(231), 165, rows); i < n; ++i)
        EXPECT_LE(FontStringWidth(10, rows[i]), 165) << rows[i];
    // A row that with its hyphen is exactly as wide as the box keeps the hyphen.
    ASSERT_EQ(FeedTextRows("AAAA-BBBB", FontStringWidth(10, "AAAA-"), rows), 2);
    EXPECT_STREQ(rows[0], "AAAA-");
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "X\n";
    EXPECT_EQ(FeedTextRows(many.c_str(), 165, rows), -1);
}

} // namespace
