// The graphics map "obj.edi".
#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "interface/graphicsmap.h"
#include "platform/platform.h"
#include "platform/trail.h"

TEST(GraphicsMap, ReadsEntriesAndRefusesRepeatedIdsIdsOutsideTheMapAndBadValues)
{
    std::string longMap; // only the first 32768 bytes are read: the entry cut there fails
    for (int id = 0; id < 3000; id++) // 15 bytes each
        longMap += "G:" + (std::to_string(id) + "     ").substr(0, 5) + "1,2,3,4\n";
    const struct {
        std::string text;
        const char *trail; // "": read
        int32_t kept;      // entries read before the bad one stay
    } cases[] = {
        {"G:1001 10,20,52,44\r\nG:7    1,2,3,4\nG:2330 0,0,0,0", "", 3},
        {"G:1001 1,2,5,4\nG:1002 1,1,1,1\nG:1001 0,0,1,1\n", "Graphics Id already used!\n1001\n",
         2},
        {"G:1    1,2,3,4\nG:32768 1,2,3,4\n", "Graphics Id out of range!\n32768\n", 1},
        {"G:1    1,2,3,4\nG:12   1,2,3\n", "G: Corrupted line!!\n", 1},
        {"G:12   1,2,3,-4\n", "G: Corrupted line!!\n", 0}, // no negative sizes
        {longMap, "G: Corrupted line!!\n", 2184},
    };
    for (const auto &c : cases) {
        TrailClear();
        const int ok =
            GraphicsMapParse(reinterpret_cast<const uint8_t *>(c.text.data()), c.text.size());
        EXPECT_EQ(ok, !*c.trail) << c.text.substr(0, 40);
        EXPECT_STREQ(gErrorTrail, c.trail) << c.text.substr(0, 40);
        EXPECT_EQ(gGraphicsCount, c.kept) << c.text.substr(0, 40);
        FreeObjects();
    }
}

TEST(GraphicsMap, LoadObjectsReadsTheFileOrSaysWhyNot)
{
    char dir[] = "/tmp/mw-objedi-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir);
    TrailClear();
    EXPECT_FALSE(LoadObjects());
    EXPECT_STREQ(gErrorTrail, "Open file failed!\n");
    const std::string file = std::string(dir) + "/obj.edi";
    std::ofstream(file) << "G:5    9,8,7,6\n"; // values at a fixed offset after the id
    ASSERT_TRUE(LoadObjects()) << gErrorTrail;
    const GRAPHICSRECT *r = GraphicsRect(5);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::array{r->x, r->y, r->iWidth, r->iHeight, r->iId}), (std::array{9, 8, 7, 6, 5}));
    FreeObjects();
    unlink(file.c_str());
    rmdir(dir);
    gMainDir[0] = '\0';
}
