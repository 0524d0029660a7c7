// Saving never loses the earlier file: layout files and JPEG exports alike refuse a
// read-only file or a missing folder and keep what was there, follow a link to its
// target, keep permission bits, and save names near the length limit.
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "document/layout.h"
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
    const std::string first = GetParam() ? "Can't open file " : "Can't create file ";
    fs::create_directories(dir / "folder.jpg");
    const struct {
        fs::path target;
        const char *reason;
    } refused[] = {
        {dir / "old.file", "Permission denied"},
        {dir / "no" / "such" / "x.mwi", "No such file or directory"},
        {dir / "folder.jpg", "Is a directory"},
        {dir / (std::string(252, 'n') + ".mwi"), "File name too long"},
    };
    for (const auto &r : refused) {
        TrailClear();
        EXPECT_FALSE(Save(r.target));
        EXPECT_EQ(gErrorTrail, first + r.target.string() + " (" + r.reason + ")\n");
    }
    // The system refusing the temporary file: a full inode table, a read-only folder.
    for (int error : {ENOSPC, EACCES}) {
        TrailClear();
        PLAT_FileFaultsReset();
        PLAT_FileFailAt(FILEOP_OPEN, 1, error);
        EXPECT_FALSE(Save(dir / "new.mwi"));
        PLAT_FileFaultsReset();
        EXPECT_EQ(gErrorTrail,
                  first + (dir / "new.mwi").string() + " (" + std::strerror(error) + ")\n");
    }
    fs::remove(dir / "folder.jpg");
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

// The window's way with the signals that end the program: a registered temporary file is
// removed at once, and the signal waits in the pipe for the program to end in order.
TEST(EndSignals, RemoveTemporariesAtOnceAndWaitForTheProgram)
{
    TempDir tmp;
    const std::string temp = tmp / ".mw1_0.tmp";
    tmp.WriteText(".mw1_0.tmp", "half a picture");
    tmp.WriteText("kept", "forgotten by the table");
    ASSERT_TRUE(PLAT_TempRegister(temp.c_str()));
    ASSERT_TRUE(PLAT_TempRegister((tmp / "kept").c_str()));
    PLAT_TempForget((tmp / "kept").c_str());
    ASSERT_TRUE(PLAT_InstallSignalCleanup(1));
    ASSERT_GE(PLAT_SignalFd(), 0);
    ::raise(SIGTERM);
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_TRUE(fs::exists(tmp / "kept"));
    EXPECT_EQ(PLAT_TakeSignal(), SIGTERM);
    PLAT_TempForget(temp.c_str());
    std::signal(SIGTERM, SIG_DFL);
}
