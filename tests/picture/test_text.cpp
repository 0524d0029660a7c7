// Text: bitmap fonts, row breaking, and captions.
#include "picture/caption.h"
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

TEST(CaptionText, AnyBytesBecomeCleanText)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"Hej då", "Hej då"},
        {"a\r\nb\rc\td", "a\nb\nc d"},
        {std::string("x\0y\x1b\x7f", 5), "xy"},
        {"\xff\xfe", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // bytes that start nothing
        {"\xED\xA0\x80", "\xEF\xBF\xBD"},         // a lone surrogate
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // an overlong slash
        {"\xE2\x82", "\xEF\xBF\xBD"},             // cut short at the end
        {"\xE2\x82z", "\xEF\xBF\xBDz"},           // cut short before a letter
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD"},     // beyond U+10FFFF
        {"\xF0\x9F\x98\x80 \xD7\x90", "\xF0\x9F\x98\x80 \xD7\x90"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CAPTION_CleanText(c.in.data(), c.in.size()), c.out) << c.in;

    int cut = 0;
    const std::string many(3000, 'a');
    EXPECT_EQ(CAPTION_CleanText(many.data(), many.size(), &cut).size(), 2000u);
    EXPECT_EQ(cut, 1);
    std::string wide; // 4-byte characters: the byte limit comes first
    for (int i = 0; i < 2100; i++)
        wide += "\xF0\x9F\x98\x80";
    const std::string kept = CAPTION_CleanText(wide.data(), wide.size(), &cut);
    EXPECT_EQ(kept.size(), CAPTION_MAX_BYTES);
    EXPECT_EQ(CAPTION_CountChars(kept), 2000);
    CAPTION_CleanText("ok", 2, &cut);
    EXPECT_EQ(cut, 0);
}

// 10,000 marks on one letter, a 2,000-character line: drawn into the box asked for.
TEST(CaptionDraw, HostileTextStaysBounded)
{
    std::string marks = "a";
    for (int i = 0; i < 10000; i++)
        marks += "\xCC\x81";
    for (const std::string &text : {marks, std::string(2000, 'W')}) {
        CAPTION c;
        c.style = {0, 0xFF0000, 0x00FF00, 0, 0, 1};
        c.text = CAPTION_CleanText(text.data(), text.size());
        CAPTIONIMAGE img;
        ASSERT_TRUE(CAPTION_Render(c, 640, 480, &img));
        EXPECT_EQ(img.bgra.size(), 640u * 480 * 4);
        EXPECT_FALSE(CAPTION_Render(c, 100000, 100000, &img));
        EXPECT_TRUE(img.bgra.empty());
    }
}

class CaptionPiece : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gPictureRect = {190, 75, 600, 400};
    }
    void TearDown() override { AO_ClearList(); }
};

TEST_F(CaptionPiece, IsSelectedTurnsResizesAndExportsAtItsSize)
{
    const std::string text = "Grattis!\nHappy day";
    const CAPTIONDESC desc = {{0, 0xFF0000, 0x000000, 0, 0, 1}, text.data(), text.size()};
    IMGOBJ *obj = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, &desc, nullptr);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(gSelected, obj);
    EXPECT_EQ(obj->pCaption->text, text);
    EXPECT_NEAR(CAPTION_LetterPx(obj), 40, 2) << "a tenth of the picture's height";
    EXPECT_GE(obj->ao.x, gPictureRect.x);
    const float w = obj->fWidth;
    ResizeSelected(w, 0);
    RotateSelected(30);
    EXPECT_EQ(obj->iAngle, 30) << "captions turn";
    EXPECT_FLOAT_EQ(obj->fWidth, 2 * w);
    ASSERT_TRUE(UpdateImgObj(obj));
    EXPECT_GT(obj->pCaption->screen.h, static_cast<int32_t>(obj->fHeight)) << "the turned box";

    // The export draws it at the export's size: twice the picture, twice the ink.
    obj->iAngle = 0;
    ResizeSelected(-w, 0);
    UpdateImgObj(obj);
    int64_t inkScreen = 0;
    for (size_t i = 3; i < obj->pCaption->screen.bgra.size(); i += 4)
        inkScreen += obj->pCaption->screen.bgra[i] >= 128;
    LPDDS out = DXCreateSurface(nullptr, 1200, 800, DDSCAPS_SYSTEMOFFSCREEN);
    ASSERT_TRUE(ComposePieces(out, 1200, 800));
    int64_t red = 0;
    for (int32_t y = 0; y < 800; y++)
        for (int32_t x = 0; x < 1200; x++)
            red += DXGetPixel(out, x, y) == 0xFF0000;
    DXReleaseSurface(out);
    EXPECT_NEAR(static_cast<double>(red) / inkScreen, 4.0, 0.8);

    // A caption as template is copied whole (duplicate).
    IMGOBJ *copy = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, nullptr, obj);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->pCaption->text, text);
    EXPECT_EQ(copy->fWidth, obj->fWidth);
    EXPECT_NE(copy->pCaption, obj->pCaption);
}

} // namespace
