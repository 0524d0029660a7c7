// The generated stickers against the tables that name them: every entry of the generator's
// manifest is a true-colour bitmap, and the text styles' bubbles and previews have the
// sizes the program's style table gives them.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "picture/text.h"
#include "support/data_files.h"

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
