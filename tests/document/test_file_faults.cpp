// Saves that fail anywhere keep the earlier file, loads that fail anywhere change nothing.
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "document/layout.h"
#include "support/engine_reset.h"
#include "support/file_faults.h"

namespace
{

// The picture as a short text: its layout bytes (hashed), the display list's length, the
// photo size, the picture area, the modified flag and the document name.
std::string PictureState()
{
    std::vector<uint8_t> bytes;
    const int ok = LayoutToBytes(&bytes);
    int entries = 0;
    for (AO *e = gAOList; e; e = e->pNext)
        entries++;
    char text[1024];
    std::snprintf(text, sizeof text,
                  "layout %d: %zu bytes, hash %zx; %d entries; photo %dx%d; area %d,%d %dx%d; "
                  "modified %d; %s%s",
                  ok, bytes.size(),
                  std::hash<std::string>()(std::string(bytes.begin(), bytes.end())), entries,
                  gPhotoWidth, gPhotoHeight, gPictureRect.x, gPictureRect.y, gPictureRect.w,
                  gPictureRect.h, gModified, gFileName, gFileExt);
    return text;
}

class FileFaults : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        setenv("XDG_DATA_HOME", dir.c_str(), 1); // no one's own stickers stand in
        // The current picture (a photo, a hat and a bubble) and another layout to open,
        // whose photo rows lie back to back and are read in blocks.
        for (const auto &[name, w, h, piece] : {std::tuple{"current.mwi", 24, 16, "hat.clp"},
                                                std::tuple{"other.mwi", 1288, 12, "dog.clp"}}) {
            ASSERT_NE(AddPhotoFile(w, h, 0x336699), nullptr);
            ASSERT_NE(IMGOBJ_AddObj(piece, IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
            const char bubble[208] = {0, 0, 0, 0, 'H', 'I'};
            ASSERT_NE(IMGOBJ_AddObj("text4.clp", IMG_TEXT, 0, 0, bubble, nullptr), nullptr);
            ASSERT_TRUE(LayoutSave(Path(name).c_str())) << gErrorTrail;
            AO_ClearList();
        }
        // A noisy photo, larger than one read of the JPEG reader.
        std::vector<uint8_t> pixels(320 * 3 * 240);
        std::minstd_rand noise(7);
        for (uint8_t &p : pixels)
            p = static_cast<uint8_t>(noise());
        ASSERT_TRUE(JpegSave(pixels.data(), Path("photo.jpg").c_str(), 320, 240, 3, 100));
        ASSERT_GT(fs::file_size(dir / "photo.jpg"), 2u << 16);
        ASSERT_EQ(std::system(("convert " + Path("photo.jpg") + " " + Path("photo.png")).c_str()),
                  0);
    }
    void TearDown() override
    {
        unsetenv("XDG_DATA_HOME");
        PictureEngineTest::TearDown();
    }
    std::string Path(const std::string &name) const { return (dir / name).string(); }
    // The current picture, modified, named "holiday.mwi".
    void CurrentPicture()
    {
        AO_ClearList();
        gAOListCleared = 0;
        PLAT_FileFaultsReset();
        ASSERT_TRUE(LayoutLoad(Path("current.mwi").c_str(), 1)) << gErrorTrail;
        gModified = 1;
        std::snprintf(gFileName, sizeof gFileName, "holiday");
        std::snprintf(gFileExt, sizeof gFileExt, ".mwi");
    }
    TempConfig config;
};

TEST_F(FileFaults, SavesThatFailAnywhereKeepTheEarlierFileAndThePicture)
{
    std::vector<uint8_t> pixels(W8(40) * 3 * 30, 0x5A);
    const FaultCase cases[] = {
        {"layout save", Path("picture.mwi"), "an earlier picture", [&] { CurrentPicture(); },
         [&] { return LayoutSave(Path("picture.mwi").c_str()); }, PictureState, kEveryFileCall,
         true},
        {"JPEG save", Path("picture.jpg"), "an earlier JPEG", [&] { CurrentPicture(); },
         [&] { return JpegSave(pixels.data(), Path("picture.jpg").c_str(), 40, 30, 3, 90); },
         PictureState, kEveryFileCall, true},
        // A settings file that cannot be read is never overwritten; only the close after
        // reading it may fail unnoticed.
        {"settings write", PLAT_SettingsPath(),
         "; CR LF lines\r\n[SETUP]\r\nLanguage=1\r\nDirectoryMain=/data/\r\n\r\n[MISC]\r\nX=1\r\n",
         nullptr, [] { return PLAT_WriteProfileString("SETUP", "Language", "2"); },
         [] { return TempConfig::Value("MISC", "X"); }, kEveryFileCall & ~FaultBit(FILEOP_CLOSE)},
    };
    for (const FaultCase &c : cases)
        CheckSaveUnderFaults(c);
    EXPECT_EQ(
        ReadText(PLAT_SettingsPath()),
        "; CR LF lines\r\n[SETUP]\r\nLanguage=2\r\nDirectoryMain=/data/\r\n\r\n[MISC]\r\nX=1\r\n");
}

TEST_F(FileFaults, LoadsThatFailAnywhereLeaveThePictureAndTheDefaults)
{
    auto photoOpen = [&](const char *name) {
        return [this, name] {
            return IMGOBJ_AddObj(Path(name).c_str(), IMG_SRC, 0, 0, nullptr, nullptr) != nullptr;
        };
    };
    const unsigned reads = FaultBit(FILEOP_OPEN) | FaultBit(FILEOP_READ);
    const FaultCase cases[] = {
        // A seek of the layout's stream reads ahead, and reads again when that failed.
        {"layout load", "", "", [&] { CurrentPicture(); },
         [&] { return LayoutLoad(Path("other.mwi").c_str(), 1); }, PictureState,
         FaultBit(FILEOP_OPEN)},
        {"JPEG photo open", "", "", [&] { CurrentPicture(); }, photoOpen("photo.jpg"), PictureState,
         reads},
        {"bitmap photo open", "", "", [&] { CurrentPicture(); }, photoOpen("photo.bmp"),
         PictureState, reads},
        {"PNG photo open", "", "", [&] { CurrentPicture(); }, photoOpen("photo.png"), PictureState,
         reads},
        {"settings read", "", "", [&] { config.WriteIni("[SETUP]\nLanguage=2\n"); },
         [] {
             const std::string value = TempConfig::Value("SETUP", "Language");
             EXPECT_TRUE(value == "2" || value == "<none>") << value;
             return value == "2";
         },
         [] { return ReadText(PLAT_SettingsPath()); }, reads},
    };
    for (const FaultCase &c : cases)
        CheckLoadUnderFaults(c);
}

// Should an open wait for a writer all the same, the watchdog lets it go after half a
// minute and the test fails.
TEST_F(FileFaults, FilesThatAreNoRegularFilesAreRefusedWithoutWaiting)
{
    const std::vector<std::string> pipes = {Path("pipe.jpg"), Path("pipe.png"), Path("pipe.mwi"),
                                            PLAT_SettingsPath()};
    for (const std::string &p : pipes)
        ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0) << p;
    std::atomic<bool> done{false}, released{false};
    std::thread watchdog([&] {
        for (int tenths = 0; !done; tenths++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (tenths < 300)
                continue;
            released = true; // a writer that opens and closes ends a waiting read
            for (const std::string &p : pipes)
                if (const int fd = ::open(p.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                    ::close(fd);
        }
    });
    AO_ClearList();
    for (const char *name : {"pipe.jpg", "pipe.png"}) {
        TrailClear();
        EXPECT_EQ(IMGOBJ_AddObj(Path(name).c_str(), IMG_SRC, 0, 0, nullptr, nullptr), nullptr);
        EXPECT_NE(std::string(gErrorTrail).find("not a regular file"), std::string::npos)
            << gErrorTrail;
    }
    EXPECT_FALSE(LayoutLoad(Path("pipe.mwi").c_str(), 1));
    EXPECT_EQ(TempConfig::Value("SETUP", "Language"), "<none>");
    done = true;
    watchdog.join();
    EXPECT_FALSE(released) << "an open waited for a writer";
}

} // namespace

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
