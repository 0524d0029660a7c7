// The generated artwork, read with the program's own loaders.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "glyphtables.h"
#include "interface/graphicsmap.h"
#include "interface/interface.h"
#include "picture/font.h"
#include "picture/text.h"
#include "platform/trail.h"
#include "support/data_files.h"

// Every entry of the sticker generator's manifest is a true-colour bitmap, and the text
// styles' bubbles and previews have the sizes the program's style table gives them.
TEST(Stickers, EveryManifestEntryAndTextStyleIsGeneratedAtItsSize)
{
    std::ifstream in(SourcePath("tools/stickers/manifest.tsv"));
    std::set<std::string> names;
    for (std::string line, file; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream cols(line);
        std::getline(cols, file, '\t');
        EXPECT_TRUE(names.insert(file).second) << file << " twice";
        const DecodedBitmap pic(ReadData("clipart/" + file));
        ASSERT_TRUE(pic.ok) << file << ": " << pic.why;
        EXPECT_EQ(pic.info.biBitCount, 24) << file;
        EXPECT_TRUE(pic.Ink() > 0 && pic.Ink() < pic.w() * pic.h()) << file;
    }
    EXPECT_EQ(names.size(), 254u);
    for (const TEXTSTYLE &s : gTextStyles) {
        const DecodedBitmap bubble(ReadData(std::string("clipart/") + s.szFile)),
            preview(ReadData(std::string("resources/") + s.pszPreview + ".bmp"));
        EXPECT_EQ(std::pair(bubble.w(), bubble.h()), std::pair(s.iRefWidth, s.iRefHeight))
            << s.szFile;
        EXPECT_EQ(std::pair(preview.w(), preview.h()), std::pair(72, 48)) << s.pszPreview;
    }
}

// Each character has a picture of its own on the sheet (the added ones below the first 345
// rows, which keep their glyphs), and drawing it copies exactly that picture.
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

// Every graphic of the map lies inside the sheet; the level places seventeen buttons
// numbered 1 to 17 in the window.
TEST(LevelFile, SeventeenNumberedButtonsInTheWindowAndGraphicsInsideTheSheet)
{
    const std::vector<uint8_t> map = ReadData("obj.edi"), level = ReadData("merrowick.lvl");
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
        SCOPED_TRACE("button " + std::to_string(a.p[2]));
        EXPECT_TRUE(a.p[2] >= 1 && a.p[2] <= 17 && numbers.insert(a.p[2]).second) << "number";
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= 800 && a.bottom <= 600);
    }
    FreeLevel();
    FreeObjects();
}

// The 2x sheet, background and logo are the 1x ones' size doubled, as the window needs
// them to use them at all.
TEST(Artwork2x, IsTheSizeOfThe1xArtworkDoubled)
{
    for (const char *name : {"resources/SPRITE.bmp", "merrowick7.clp", "logo7.clp"}) {
        const DecodedBitmap one(ReadData(name));
        const std::string base = std::string(name).substr(std::string(name).rfind('/') + 1);
        const DecodedBitmap two(ReadData("2x/" + base));
        ASSERT_TRUE(one.ok && two.ok) << name << ": " << one.why << " / " << two.why;
        EXPECT_EQ(std::pair(two.w(), two.h()), std::pair(2 * one.w(), 2 * one.h())) << name;
    }
}
