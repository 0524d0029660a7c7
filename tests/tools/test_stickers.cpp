// The generated clip-art stickers, text-style bitmaps, previews and category pictures,
// read back with the program's own bitmap decoder.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "picture/text.h"
#include "support/data_files.h"
#include "support/decoded_bitmap.h"

namespace
{

// Transparent pixels not reachable from the border through transparent pixels.
long EnclosedTransparentPixels(const DecodedBitmap &pic)
{
    const int w = pic.w(), h = pic.h();
    std::vector<uint8_t> reached(size_t(w) * h, 0);
    std::vector<int> stack;
    long reachedCount = 0;
    auto push = [&](int x, int y) {
        size_t i = size_t(y) * w + x;
        if (x >= 0 && y >= 0 && x < w && y < h && !reached[i] && pic.At(x, y) == 0xFFFFFF) {
            reached[i] = 1, reachedCount++;
            stack.push_back(int(i));
        }
    };
    for (int x = 0; x < w; ++x)
        push(x, 0), push(x, h - 1);
    for (int y = 0; y < h; ++y)
        push(0, y), push(w - 1, y);
    while (!stack.empty()) {
        int x = stack.back() % w, y = stack.back() / w;
        stack.pop_back();
        push(x - 1, y), push(x + 1, y), push(x, y - 1), push(x, y + 1);
    }
    return long(w) * h - pic.Ink() - reachedCount;
}

} // namespace

TEST(Stickers, EveryCatalogueEntryIsAKeyedTrueColourBitmapOfStickerSize)
{
    // The generator's manifest: file, source, operations ("see-through": an enclosed
    // transparent part is meant, as in a ring), ...
    std::ifstream in(SourcePath("tools/stickers/manifest.tsv"));
    std::set<std::string> names;
    for (std::string line, file, source, ops; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream cols(line);
        std::getline(std::getline(std::getline(cols, file, '\t'), source, '\t'), ops, '\t');
        EXPECT_TRUE(names.insert(file).second) << file << " twice";
        SCOPED_TRACE(file);
        DecodedBitmap pic(ReadData("clipart/" + file));
        ASSERT_TRUE(pic.ok) << pic.why;
        EXPECT_EQ(pic.info.biBitCount, 24);
        EXPECT_EQ(pic.info.biSize, 40u);
        const TEXTSTYLE *style = nullptr;
        for (const TEXTSTYLE &s : gTextStyles)
            style = file == s.szFile ? &s : style;
        const int side = std::max(pic.w(), pic.h());
        EXPECT_TRUE(style ? pic.w() == style->iRefWidth && pic.h() == style->iRefHeight
                          : side >= 400 && side <= 600)
            << pic.w() << " x " << pic.h();
        EXPECT_GT(pic.Ink(), 0) << "nothing is drawn";
        EXPECT_LT(pic.Ink(), pic.w() * pic.h()) << "nothing is transparent";
        const bool seeThrough = ops.find("see-through") != std::string::npos;
        EXPECT_EQ(seeThrough ? 0 : EnclosedTransparentPixels(pic), 0) << "holes inside";
    }
    EXPECT_EQ(names.size(), 254u);
}

TEST(Stickers, TextStylesHaveAnOpaqueTextAreaExceptTheTransparentOne)
{
    for (const TEXTSTYLE &s : gTextStyles) {
        SCOPED_TRACE(s.szFile);
        DecodedBitmap pic(ReadData(std::string("clipart/") + s.szFile));
        ASSERT_TRUE(pic.ok) << pic.why;
        ASSERT_EQ(std::pair(pic.w(), pic.h()), std::pair(s.iRefWidth, s.iRefHeight));
        // The text rectangle and a small margin; the transparent style shows only the
        // letters, so it is transparent throughout.
        const int *r = s.rcText, area = (r[2] + 8) * (r[3] + 8);
        const bool clear = std::string(s.szFile) == "transp.clp";
        EXPECT_EQ(clear ? pic.Ink() : pic.Ink(r[0] - 4, r[1] - 4, r[2] + 8, r[3] + 8),
                  clear ? 0 : area);
    }
}

TEST(Stickers, PreviewsAndCategoryPicturesExistAtTheirSizes)
{
    std::vector<std::pair<std::string, int>> wanted; // name, height (72 or 32 wide)
    for (const TEXTSTYLE &s : gTextStyles)
        wanted.push_back({s.pszPreview, 48});
    for (const char *c : {"HATS", "HAIR", "FACE", "BODY", "BABY", "PARTY", "PETS", "BEACH",
                          "VALENTINE", "HALLOWEEN", "PARENTS", "CHRISTMAS", "EASTER"})
        wanted.push_back({std::string("CAT_") + c, 32});
    for (const auto &[name, height] : wanted) {
        SCOPED_TRACE(name);
        DecodedBitmap pic(ReadData("resources/" + name + ".bmp"));
        ASSERT_TRUE(pic.ok) << pic.why;
        EXPECT_EQ(std::pair(pic.w(), pic.h()), std::pair(height == 48 ? 72 : 32, height));
        EXPECT_EQ(pic.info.biBitCount, 24);
        EXPECT_GT(pic.Ink(), pic.w() * pic.h() / 8) << "hardly anything is drawn";
    }
}
