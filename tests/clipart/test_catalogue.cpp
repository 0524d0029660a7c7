// The sticker catalogue: names, a category's limit, search, and the lookup of a name.
#include <gtest/gtest.h>
#include <set>

#include "clipart/catalogue.h"
#include "clipart/lookup.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "support/data_files.h"

namespace
{

std::vector<std::string> Files(const std::vector<CLIPARTITEM> &items)
{
    std::vector<std::string> out;
    for (const CLIPARTITEM &item : items)
        out.push_back(item.sFileName);
    return out;
}

TEST(ClipArtCatalogue, EveryStickerIsInTheDataFolderWithANameInBothLanguages)
{
    std::set<std::string> seen;
    int32_t n = 0;
    uint32_t allBits = 0;
    for (; gClipArtList[n].szFileName[0]; n++) {
        const CLIPARTENTRY &e = gClipArtList[n];
        SCOPED_TRACE(e.szFileName);
        EXPECT_TRUE(seen.insert(e.szFileName).second) << "listed twice";
        EXPECT_TRUE(fs::is_regular_file(DataPath(std::string("clipart/") + e.szFileName)));
        EXPECT_NE(StringTableLookup(e.iNameId), nullptr);
        EXPECT_NE(StringTableLookup(e.iNameId + 3000), nullptr);
        EXPECT_NE(e.dwCategories, 0u);
        allBits |= e.dwCategories;
    }
    EXPECT_EQ(n, CLIPART_COUNT);
    uint32_t categoryBits = 0;
    for (const CLIPARTCATEGORY &c : gClipArtCategories) {
        categoryBits |= c.dwBit;
        size_t size = 0;
        EXPECT_NE(PLAT_FindResource(c.pszPicture, &size), nullptr) << c.pszPicture;
        EXPECT_NE(StringTableLookup(c.iNameId + 3000), nullptr);
    }
    EXPECT_EQ(allBits, categoryBits) << "every category has stickers, and no sticker has 0x1000";
}

TEST(ClipArtCatalogue, CollectingStopsPastFiveHundredAndSkipsRepeatedFiles)
{
    std::vector<std::string> names;
    for (int k = 0; k < 501; k++)
        names.push_back("s" + std::to_string(k) + ".clp");
    std::vector<CLIPARTENTRY> table;
    for (const std::string &name : names)
        table.push_back({name.c_str(), 1301, CLIPCAT_HATS});
    table.push_back({"s7.clp", 1301, CLIPCAT_HATS}); // the same file again
    table.push_back({"", 0, 0});
    std::vector<int32_t> indices;
    TrailClear();
    EXPECT_FALSE(ClipArt_Collect(table.data(), CLIPCAT_HATS, &indices));
    EXPECT_STREQ(gErrorTrail, "nSelectionList[overflow!]\n");
    EXPECT_TRUE(indices.empty());

    table.erase(table.begin()); // 500 files, one of them twice
    TrailClear();
    EXPECT_TRUE(ClipArt_Collect(table.data(), CLIPCAT_HATS | CLIPCAT_FACE, &indices));
    EXPECT_EQ(indices.size(), 500u);
    EXPECT_TRUE(ClipArt_Collect(table.data(), 0x1000, &indices));
    EXPECT_TRUE(indices.empty());
    EXPECT_FALSE(TrailPending());
}

TEST(ClipArtCatalogue, SearchFindsNamesInTheCurrentLanguageIgnoringCase)
{
    TempDir data;
    ScopedEnv dataHome("XDG_DATA_HOME", data.Path());
    data.WriteText("merrowick/stickers/grandpa santa.clp", "BM");
    struct Case {
        int32_t language;
        const char *query;
        std::vector<std::string> files;
    } cases[] = {
        {0,
         " sAnTa ",
         {"brownie.clp", "xmascap.clp", "santabeard.clp", "santabeard2.clp", "grandpa santa.clp"}},
        {3000, "GLAS\xD6G", {"glasses.clp"}}, // Swedish "Glasögon", capital Ö
        {0, "Glas\xF6g", {}},
        {0, "   ", {}},
        {0, "lucia", {"lucia.clp"}},
    };
    for (const Case &c : cases) {
        gLanguageOffset = c.language;
        std::vector<CLIPARTITEM> items;
        ClipArt_Search(c.query, &items);
        EXPECT_EQ(Files(items), c.files) << c.query;
    }
    gLanguageOffset = 0;
}

TEST(ClipArtCatalogue, OnlyPlainNamesAreLookedUpClipArtFolderFirst)
{
    TempDir main, data;
    ScopedEnv dataHome("XDG_DATA_HOME", data.Path());
    std::snprintf(gMainDir, sizeof gMainDir, "%s/", main.Path().c_str());
    main.WriteText("clipart/both.clp", "x");
    data.WriteText("merrowick/stickers/both.clp", "x");
    data.WriteText("merrowick/stickers/own.clp", "x");
    main.WriteText("secret.clp", "x");
    char path[4096];
    EXPECT_TRUE(ClipArt_FindFile("both.clp", path, sizeof path));
    EXPECT_EQ(std::string(path), main / "clipart/both.clp");
    EXPECT_TRUE(ClipArt_FindFile("own.clp", path, sizeof path));
    EXPECT_EQ(std::string(path), data / "merrowick/stickers/own.clp");
    for (const char *name : {"../secret.clp", "..", "", "sub/both.clp", "..\\secret.clp", "none"})
        EXPECT_FALSE(ClipArt_FindFile(name, path, sizeof path)) << name;
    EXPECT_FALSE(ClipArt_FindFile("both.clp", path, 10)) << "a cut path";
    gMainDir[0] = '\0';
}

} // namespace
