// Saving never loses the earlier file: layout files and JPEG exports alike refuse a
// read-only file or a missing folder and keep what was there, follow a link to its
// target, keep permission bits, and save names near the length limit.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

#include "document/layout.h"
#include "formats/formats.h"
#include "picture/imgobj.h"
#include "support/engine_reset.h"
#include "support/file_faults.h"

namespace
{

class SafeSave : public EngineTest, public ::testing::WithParamInterface<int>
{
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        // A layout of an empty 8 × 4 photo is enough to write.
        ASSERT_NE(IMGOBJ_AddObjSrcBuf(8, 4, 3), nullptr);
        gPictureRect = {190, 75, 400, 200};
    }
    void TearDown() override { AO_ClearList(); }
    // Saves with the routine under test (0 layout, 1 JPEG).
    static int Save(const std::string &path)
    {
        if (GetParam() == 0)
            return LayoutSave(path.c_str());
        std::vector<uint8_t> pixels(8 * 3 * 4, 0x80);
        return JpegSave(pixels.data(), path.c_str(), 8, 4, 3, 90);
    }
    static mode_t Mode(const std::string &path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
};

TEST_P(SafeSave, AReadOnlyFileOrAMissingFolderIsRefusedAndTheEarlierFileKept)
{
    tmp.WriteText("old.file", "earlier");
    ::chmod((dir / "old.file").c_str(), 0444);
    gModified = 1;
    for (const fs::path &target : {dir / "old.file", dir / "no" / "such" / "x.mwi"}) {
        TrailClear();
        EXPECT_FALSE(Save(target));
        EXPECT_STREQ(gErrorTrail, GetParam() ? "Can't open file\n" : "Create file failed!\n");
    }
    EXPECT_EQ(ReadText(dir / "old.file"), "earlier");
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(FolderNames(dir), std::vector<std::string>{"old.file"});
}

TEST_P(SafeSave, NewFilesTakeTheUsualModeAndALinkedFileIsReplacedKeepingItsOwn)
{
    const mode_t mask = ::umask(027);
    ASSERT_TRUE(Save(dir / "new.file")) << gErrorTrail;
    ::umask(mask);
    EXPECT_EQ(Mode(dir / "new.file"), 0640u);
    // The end of a chain of two links is replaced; the links stay links.
    tmp.WriteText("real/picture", "earlier");
    ::chmod((dir / "real/picture").c_str(), 0604);
    fs::create_symlink("real/picture", dir / "link");
    fs::create_symlink("link", dir / "link2");
    ASSERT_TRUE(Save(dir / "link2")) << gErrorTrail;
    EXPECT_TRUE(fs::is_symlink(dir / "link2") && fs::is_symlink(dir / "link"));
    EXPECT_NE(ReadText(dir / "real/picture"), "earlier");
    EXPECT_EQ(Mode(dir / "real/picture"), 0604u);
    EXPECT_EQ(FolderNames(dir / "real"), std::vector<std::string>{"picture"});
    const std::string longName = std::string(251, 'n') + ".mwi"; // 255 bytes
    EXPECT_TRUE(Save(dir / longName)) << gErrorTrail;
    EXPECT_TRUE(fs::exists(dir / longName));
}

INSTANTIATE_TEST_SUITE_P(LayoutAndJpeg, SafeSave, ::testing::Values(0, 1),
                         [](const auto &info) { return info.param ? "Jpeg" : "Layout"; });

} // namespace
