// The signs and capitals fonts 0 and 10 hold beyond the first tables: every printable
// character the text dialog writes has a picture on the sheet, below the first 345 rows,
// clear of every other glyph, and the fonts draw exactly that picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "glyphtables.h"
#include "picture/font.h"
#include "picture/text.h"
#include "pixels/pixels.h"
#include "support/data_files.h"

namespace
{

// The bytes the dialog can leave in a text: printable code page 1252 characters that
// are their own capitals (the line feed and the undefined bytes excluded).
std::vector<unsigned char> DialogBytes()
{
    std::vector<unsigned char> out;
    for (int c = 0x20; c <= 0xFF; ++c) {
        char s[2] = {static_cast<char>(c), 0};
        TextToCapitals(s);
        const bool undefined =
            c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        if (!undefined && static_cast<unsigned char>(s[0]) == c)
            out.push_back(static_cast<unsigned char>(c));
    }
    return out;
}

const DecodedBitmap &Sheet()
{
    static const DecodedBitmap sheet(ReadData("resources/SPRITE.bmp"));
    return sheet;
}

TEST(MoreGlyphs, EveryCharacterTheDialogWritesHasInkInBothFontsOnCellsOfItsOwn)
{
    ASSERT_TRUE(Sheet().ok) << Sheet().why;
    for (int32_t font : {0, 10}) {
        const FONTDEF *def = FontDef(font);
        std::vector<std::array<int, 4>> added; // x, y, w, h of the cells from glyph 100 on
        for (unsigned char c : DialogBytes()) {
            SCOPED_TRACE("font " + std::to_string(font) + " byte " + std::to_string(c));
            const int32_t g = FontGlyphIndex(c);
            ASSERT_LT(g, def->iGlyphCount);
            const GLYPHENTRY e = def->pGlyphs[g];
            const int32_t row = def->pRows[g];
            ASSERT_TRUE(e.x >= 0 && e.x + e.w <= Sheet().w() && row + def->iHeight <= Sheet().h());
            EXPECT_TRUE(c == ' ' || c == 0xA0 || Sheet().Ink(e.x, row, e.w, def->iHeight) > 0);
            EXPECT_GT(e.w, 0);
            if (g >= 100) {
                EXPECT_GE(row, 345) << "the first rows keep their glyphs";
                added.push_back({e.x, row, e.w, def->iHeight});
            }
        }
        EXPECT_EQ(added.size(), size_t{kGlyphCountMore - 100});
        std::sort(added.begin(), added.end(),
                  [](auto &a, auto &b) { return std::pair(a[1], a[0]) < std::pair(b[1], b[0]); });
        for (size_t i = 1; i < added.size(); ++i)
            if (added[i][1] == added[i - 1][1])
                EXPECT_LE(added[i - 1][0] + added[i - 1][2], added[i][0]) << "overlap at " << i;
    }
    EXPECT_TRUE(TextBubbleDraws(0xA0) && !TextBubbleDraws(0x81));
}

// Drawing a line of the added characters copies each one's cell from its own row.
TEST(MoreGlyphs, BothFontsDrawThePictureOfTheirCell)
{
    gDDSSprite = DDLoadBitmap("SPRITE", 0, 0);
    ASSERT_NE(gDDSSprite, nullptr);
    LPDDS target = DXCreateSurface(nullptr, 1200, 120, DDSCAPS_SYSTEMOFFSCREEN);
    for (int32_t font : {0, 10}) {
        const FONTDEF *def = FontDef(font);
        for (unsigned char c : {0x80, 0xD3, 0xDF, 0x8C, 0x40, 0x24}) { // € Ó ß Œ @ $
            const char text[2] = {static_cast<char>(c), 0};
            DXFillRect(target, 0, 0, 1200, 120, 0xFFFFFF);
            ASSERT_TRUE(BltFont(font, target, 0, 0, FONT_ALIGN_LEFT, text));
            const GLYPHENTRY e = def->pGlyphs[FontGlyphIndex(c)];
            const int32_t row = def->pRows[FontGlyphIndex(c)];
            int same = 0;
            for (int y = 0; y < def->iHeight; ++y)
                for (int x = 0; x < e.w; ++x)
                    same += DXGetPixel(target, x, y) == DXGetPixel(gDDSSprite, e.x + x, row + y);
            EXPECT_EQ(same, e.w * def->iHeight) << "font " << font << " byte " << int(c);
        }
    }
    DXReleaseSurface(target);
    DXReleaseSurface(gDDSSprite);
    gDDSSprite = nullptr;
}

} // namespace
