// Saving never loses the earlier file: layout files and JPEG exports alike keep a
// read-only file, follow a link to its target, keep permission bits, and save names
// near the length limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "document/layout.h"
#include "formats/formats.h"
#include "picture/imgobj.h"
#include "support/engine_reset.h"

namespace
{

class SafeSave : public EngineTest, public ::testing::WithParamInterface<int>
{
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        // A layout of an empty 8 × 4 photo is enough to write.
        photo = IMGOBJ_AddObjSrcBuf(8, 4, 3);
        ASSERT_NE(photo, nullptr);
        gPictureRect = {190, 75, 400, 200};
    }
    void TearDown() override { AO_ClearList(); }
    // Saves with the routine under test (0 layout, 1 JPEG); its failure line in *line.
    int Save(const std::string &path, const char **line)
    {
        if (GetParam() == 0) {
            *line = "Create file failed!";
            return LayoutSave(path.c_str());
        }
        *line = "Can't open file";
        std::vector<uint8_t> pixels(8 * 3 * 4, 0x80);
        return JpegSave(pixels.data(), path.c_str(), 8, 4, 3, 90);
    }
    // The files of the folder (no temporary file may stay behind).
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        for (const auto &e : fs::directory_iterator(dir))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    IMGOBJ *photo = nullptr;
};

TEST_P(SafeSave, AReadOnlyFileIsRefusedAndKept)
{
    const std::string target = (dir / "old.file").string();
    tmp.WriteText("old.file", "earlier");
    ::chmod(target.c_str(), 0444);
    gModified = 1;
    const char *line;
    EXPECT_FALSE(Save(target, &line));
    EXPECT_EQ(std::string(gErrorTrail), std::string(line) + "\n");
    EXPECT_EQ(ReadText(target), "earlier");
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(Files(), std::vector<std::string>{"old.file"});
}

TEST_P(SafeSave, ALinkStaysALinkAndItsTargetIsReplacedWithItsModeKept)
{
    fs::create_directories(dir / "real");
    tmp.WriteText("real/picture", "earlier");
    const std::string target = (dir / "real" / "picture").string();
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("real/picture", dir / "link");
    fs::create_symlink("link", dir / "link2"); // a chain of two
    const char *line;
    ASSERT_TRUE(Save((dir / "link2").string(), &line)) << gErrorTrail;
    EXPECT_TRUE(fs::is_symlink(dir / "link2"));
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_NE(ReadText(target), "earlier");
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(fs::directory_iterator(dir / "real")->path().filename(), "picture");
}

TEST_P(SafeSave, ANameNearTheLimitSavesAndAMissingFolderFails)
{
    const std::string longName = std::string(251, 'n') + ".mwi"; // 255 bytes
    const char *line;
    EXPECT_TRUE(Save((dir / longName).string(), &line)) << gErrorTrail;
    EXPECT_TRUE(fs::exists(dir / longName));
    TrailClear();
    EXPECT_FALSE(Save((dir / "no" / "such" / "x.mwi").string(), &line));
    EXPECT_EQ(std::string(gErrorTrail), std::string(line) + "\n");
    EXPECT_EQ(Files(), std::vector<std::string>{longName});
}

TEST_P(SafeSave, ANewFileTakesTheUsualModeAndAnOverwrittenOneKeepsItsOwn)
{
    const mode_t mask = ::umask(027);
    const char *line;
    ASSERT_TRUE(Save((dir / "new.file").string(), &line)) << gErrorTrail;
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat((dir / "new.file").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ::chmod((dir / "new.file").c_str(), 0604);
    ASSERT_TRUE(Save((dir / "new.file").string(), &line));
    ASSERT_EQ(::stat((dir / "new.file").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
}

INSTANTIATE_TEST_SUITE_P(LayoutAndJpeg, SafeSave, ::testing::Values(0, 1),
                         [](const auto &info) { return info.param ? "Jpeg" : "Layout"; });

} // namespace
