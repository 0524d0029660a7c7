// Fonts 0 and 10 draw every printable character the text dialog writes: each has a picture
// of its own on the sheet (the added ones below the first 345 rows, which keep their
// glyphs), and drawing the character copies exactly that picture from its row.
#include <gtest/gtest.h>

#include "glyphtables.h"
#include "picture/font.h"
#include "picture/text.h"
#include "pixels/pixels.h"

TEST(MoreGlyphs, EveryCharacterTheDialogWritesDrawsItsOwnPictureInBothFonts)
{
    gDDSSprite = DDLoadBitmap("SPRITE", 0, 0);
    ASSERT_NE(gDDSSprite, nullptr);
    LPDDS target = DXCreateSurface(nullptr, 200, 120, DDSCAPS_SYSTEMOFFSCREEN);
    for (int c = 0x21; c <= 0xFF; ++c) { // printable, its own capital, defined in the code page
        char text[2] = {static_cast<char>(c), 0};
        TextToCapitals(text);
        if (static_cast<unsigned char>(text[0]) != c || c == 0x7F || c == 0x81 || c == 0x8D ||
            c == 0x8F || c == 0x90 || c == 0x9D || c == 0xA0)
            continue;
        for (int32_t font : {0, 10}) {
            const FONTDEF *def = FontDef(font);
            const int32_t g = FontGlyphIndex(static_cast<unsigned char>(c));
            ASSERT_LT(g, def->iGlyphCount);
            const GLYPHENTRY e = def->pGlyphs[g];
            const int32_t row = def->pRows[g];
            EXPECT_TRUE(g < 100 || row >= 345) << "the first rows keep their glyphs";
            DXFillRect(target, 0, 0, 200, 120, 0xFFFFFF);
            ASSERT_TRUE(BltFont(font, target, 0, 0, FONT_ALIGN_LEFT, text));
            int ink = 0, same = 0;
            for (int y = 0; y < def->iHeight; ++y)
                for (int x = 0; x < e.w; ++x) {
                    const uint32_t drawn = DXGetPixel(target, x, y);
                    ink += drawn != 0xFFFFFF;
                    same += drawn == DXGetPixel(gDDSSprite, e.x + x, row + y);
                }
            EXPECT_TRUE(ink > 0 && same == e.w * def->iHeight) << "font " << font << " byte " << c;
        }
    }
    DXReleaseSurface(target);
    DXReleaseSurface(gDDSSprite);
    gDDSSprite = nullptr;
}
