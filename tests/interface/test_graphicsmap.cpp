// The graphics map "obj.edi".
#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <unistd.h>

#include "interface/graphicsmap.h"
#include "platform/platform.h"
#include "platform/trail.h"

static int Parse(const std::string &text)
{
    TrailClear();
    return GraphicsMapParse(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

TEST(GraphicsMap, ReadsEntriesAtTheFixedOffsetAfterTheId)
{
    ASSERT_EQ(Parse("G:1001 10,20,52,44\r\nG:7    1,2,3,4\nG:2330 0,0,0,0"), 1);
    EXPECT_EQ(gGraphicsCount, 3);
    const GRAPHICSRECT *r = GraphicsRect(1001);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::array{r->x, r->y, r->iWidth, r->iHeight, r->iId}),
              (std::array{10, 20, 52, 44, 1001}));
    for (int32_t unknown : {8, -1, GRAPHICS_ID_COUNT})
        EXPECT_EQ(GraphicsRect(unknown), nullptr) << unknown;
    FreeObjects();
}

TEST(GraphicsMap, RefusesRepeatedIdsIdsOutsideTheMapAndMissingOrNegativeValues)
{
    std::string longMap; // only the first 32768 bytes are read: the entry cut there fails
    for (int id = 0; id < 3000; id++) {
        const std::string n = std::to_string(id);
        longMap += "G:" + n + std::string(5 - n.size(), ' ') + "1,2,3,4\n"; // 15 bytes
    }
    const struct {
        std::string text;
        const char *trail;
        int32_t kept; // entries read before the bad one stay
    } cases[] = {
        {"G:1001 1,2,5,4\nG:1002 1,1,1,1\nG:1001 0,0,1,1\n", "Graphics Id already used!\n1001\n", 2},
        {"G:1    1,2,3,4\nG:32768 1,2,3,4\n", "Graphics Id out of range!\n32768\n", 1},
        {"G:99999999999 1,2,3,4\n", "G: Corrupted line!!\n", 0},
        {"G:1    1,2,3,4\nG:12   1,2,3\n", "G: Corrupted line!!\n", 1},
        {"G:12   1,2,3,-4\n", "G: Corrupted line!!\n", 0}, // no negative sizes
        {"G:12   1,2,-3,4\n", "G: Corrupted line!!\n", 0},
        {"G:1    1,2,3,4\nG:12", "G: Corrupted line!!\n", 1}, // values would lie past the end
        {longMap, "G: Corrupted line!!\n", 2184},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Parse(c.text), 0) << c.text.substr(0, 40);
        EXPECT_STREQ(gErrorTrail, c.trail) << c.text.substr(0, 40);
        EXPECT_EQ(gGraphicsCount, c.kept) << c.text.substr(0, 40);
        FreeObjects();
    }
}

TEST(GraphicsMap, LoadObjectsReadsTheFileOrSaysWhyNot)
{
    char dir[] = "/tmp/mw-objedi-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string file = std::string(dir) + "/obj.edi";
    const std::tuple<const char *, const char *, const char *> cases[] = {
        // (contents, null: no file; sub-folder; trail)
        {nullptr, "", "Open file failed!\n"},
        {"", "", "Read file failed!\n"},
        {"G:5    9,8,7,6\n", "", ""},
        {"G:5    9,8,7,6\n", "gone/", "SetCurrentDirectory() !\n"},
    };
    for (const auto &[contents, sub, trail] : cases) {
        if (contents)
            std::ofstream(file) << contents;
        std::snprintf(gMainDir, sizeof gMainDir, "%s/%s", dir, sub);
        TrailClear();
        EXPECT_EQ(LoadObjects(), !*trail) << trail;
        EXPECT_STREQ(gErrorTrail, trail);
        EXPECT_EQ(GraphicsRect(5) != nullptr, !*trail);
        FreeObjects();
    }
    unlink(file.c_str());
    rmdir(dir);
    gMainDir[0] = '\0';
}
