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

namespace
{

// Transparent pixels not reachable from the border through transparent pixels.
long EnclosedTransparentPixels(const DecodedBitmap &pic)
{
    const int w = pic.w(), h = pic.h();
    std::vector<int> stack;
    std::vector<uint8_t> seen(size_t(w) * h);
    for (int i = 0; i < w * h; i++)
        if (i % w == 0 || i % w == w - 1 || i < w || i >= w * (h - 1))
            stack.push_back(i);
    long reached = 0;
    while (!stack.empty()) {
        const int i = stack.back(), x = i % w, y = i / w;
        stack.pop_back();
        if (seen[i] || pic.At(x, y) != 0xFFFFFF)
            continue;
        seen[i] = 1, reached++;
        for (int n :
             {x > 0 ? i - 1 : i, x < w - 1 ? i + 1 : i, y > 0 ? i - w : i, y < h - 1 ? i + w : i})
            stack.push_back(n);
    }
    return long(w) * h - pic.Ink() - reached;
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
        EXPECT_GT(pic.Ink(), pic.w() * pic.h() / 8) << "hardly anything is drawn";
    }
}
