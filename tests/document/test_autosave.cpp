// The autosave: written no later than the interval after a change and only then, the
// photo's rows once per photo image, removed by a save or a clean end, offered back only
// when its program ended without cleaning up; put back together it is the bytes Save writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "document/autosave.h"
#include "document/layout.h"
#include "document/undo.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/file.h"
#include "resources/strings/strings.h"
#include "support/engine_reset.h"

namespace
{

class Autosave : public PictureEngineTest
{
  public:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        ASSERT_NE(AddPatternPhoto(dir.string()), nullptr) << gErrorTrail;
        StartHistory();
        folder = (dir / "state" / "merrowick").string() + "/";
        std::snprintf(gFileName, sizeof gFileName, "card");
        ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 30)) << gErrorTrail;
    }
    void TearDown() override
    {
        PLAT_FileFaultsReset();
        AUTOSAVE_ReleaseOrphan(0);
        AUTOSAVE_Stop();
        UNDO_Shutdown();
        PictureEngineTest::TearDown();
    }
    // A change as the editor makes it: one step of the history, the picture modified.
    static void AddHat()
    {
        PICTURE_ChangeBegin(CHANGE_ADD);
        EXPECT_NE(IMGOBJ_AddObj("hat.clp", IMG_OBJ, 5, 5, nullptr, nullptr), nullptr);
        PICTURE_ChangeEnd(CHANGE_ADD);
    }
    std::vector<std::string> Files(const std::string &ext) const
    {
        std::vector<std::string> out;
        for (const auto &e : fs::directory_iterator(folder))
            if (e.path().string().ends_with(ext))
                out.push_back(e.path().string());
        return out;
    }
    // A slot as a killed run leaves it: a whole layout, description, unlocked lock.
    void DeadSlot(const std::string &slot, const char *name)
    {
        WriteFile(folder + slot + ".mwi", Now());
        const std::string info = dir.string() + "/\n" + name + "\n.mwi\n0\n1700000000\n";
        WriteFile(folder + slot + ".txt", std::vector<uint8_t>(info.begin(), info.end()));
        WriteFile(folder + slot + ".lock", {});
    }
    // The layout the autosave in the folder puts back together; empty when it cannot.
    std::vector<uint8_t> Kept() const
    {
        const std::vector<std::string> pictures = Files(".mwi");
        AUTOSAVEINFO info = {};
        char path[4096];
        std::snprintf(info.szPicture, sizeof info.szPicture, "%s",
                      pictures.empty() ? "" : pictures[0].c_str());
        const std::vector<uint8_t> bytes =
            pictures.size() == 1 && AUTOSAVE_OrphanLayout(&info, path, sizeof path)
                ? ReadBytes(path)
                : std::vector<uint8_t>{};
        AUTOSAVE_ReleaseOrphan(0);
        return bytes;
    }
    static std::vector<uint8_t> Now()
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(LayoutToBytes(&bytes)) << gErrorTrail;
        return bytes;
    }
    // The photo's rows file's inode (0: not one file), which stays while it is not written.
    ino_t RowsInode() const
    {
        struct stat st = {};
        const std::vector<std::string> rows = Files(".photo");
        return rows.size() == 1 && ::stat(rows[0].c_str(), &st) == 0 ? st.st_ino : 0;
    }
    // Whether the one rows file is named for the photo's present image ("<slot>.<serial>.photo").
    bool RowsOfThePhotoNow() const
    {
        const std::vector<std::string> rows = Files(".photo");
        for (const AO *e = gAOList; e; e = e->pNext) {
            const IMGOBJ *o = reinterpret_cast<const IMGOBJ *>(e);
            if (e->iType == AO_TYPE_IMGOBJ && o->iKind == IMG_SRC && !e->bRemove)
                return rows.size() == 1 &&
                       rows[0].ends_with("." + std::to_string(o->dwImageSerial) + ".photo");
        }
        return false;
    }
    std::string folder;
    uint32_t t = 100000; // the ticks' clock
};

} // namespace

// Written once the first unsaved change is nearly the interval old (ticks a second apart),
// again only after another change, never while the picture is unmodified.
TEST_F(Autosave, WrittenWithinTheIntervalAfterAChangeAndOnlyThen)
{
    EXPECT_EQ(AUTOSAVE_Tick(t), 0) << "unmodified";
    EXPECT_TRUE(AUTOSAVE_WriteNow() && Files(".mwi").empty()) << "nothing to write";
    AddHat();
    for (const auto &[at, writes] :
         {std::pair{0, 0}, {28000, 0}, {29000, 1}, {30000, 0}, {90000, 0}}) {
        EXPECT_EQ(AUTOSAVE_Tick(t + at), writes) << at;
        EXPECT_TRUE(AUTOSAVE_Wait());
    }
    EXPECT_EQ(Kept(), Now());
    EXPECT_EQ(gModified, 1) << "the autosave leaves the picture modified";
    // Another change: written again 30 s later; a save removes it.
    AddHat();
    EXPECT_EQ(AUTOSAVE_Tick(t + 100000), 0);
    EXPECT_EQ(AUTOSAVE_Tick(t + 129000), 1);
    EXPECT_TRUE(AUTOSAVE_Wait());
    AUTOSAVE_Discard();
    EXPECT_TRUE(Files(".mwi").empty());
    // An interval from the settings file is kept within its limits.
    AUTOSAVE_Stop();
    ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 1));
    AddHat();
    EXPECT_EQ(AUTOSAVE_Tick(t + 200000), 0);
    EXPECT_EQ(AUTOSAVE_Tick(t + 200000 + (AUTOSAVE_MIN_SECONDS - 1) * 1000), 1);
    // Before a signal ends the program: written at once, however recent the change, and
    // its slot left for the next start to offer.
    AddHat();
    EXPECT_TRUE(AUTOSAVE_WriteNow());
    AUTOSAVE_Leave();
    ASSERT_EQ(Files(".mwi").size(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // the next start's own slot
    ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 30));
    AUTOSAVEINFO info;
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
    EXPECT_STREQ(info.szName, "card");
}

// Which slots are offered back: only those whose program ended without cleaning up.
TEST_F(Autosave, OnlyTheWorkOfARunThatDidNotEndCleanlyIsOffered)
{
    AUTOSAVEINFO info;
    EXPECT_FALSE(AUTOSAVE_FindOrphan(&info)) << "nothing there";
    // A killed run's slot is offered with its name and time; a running program's is not.
    DeadSlot("111-1", "beach");
    DeadSlot("222-1", "party");
    const int held = ::open((folder + "222-1.lock").c_str(), O_RDWR);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    WriteFile(folder + "333-1.lock", {}); // ended, nothing unsaved: cleared away
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
    EXPECT_EQ(std::string(info.szName) + info.szExt + " " + std::to_string(info.tWritten),
              "beach.mwi 1700000000");
    EXPECT_EQ(info.szPicture, folder + "111-1.mwi");
    EXPECT_FALSE(fs::exists(folder + "333-1.lock"));
    const int other = ::open((folder + "111-1.lock").c_str(), O_RDWR);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "claimed: no other program takes it";
    ::close(other);
    EXPECT_TRUE(LayoutLoad(info.szPicture, 1)) << gErrorTrail;
    AUTOSAVE_ReleaseOrphan(1);
    EXPECT_FALSE(fs::exists(folder + "111-1.mwi"));
    EXPECT_FALSE(AUTOSAVE_FindOrphan(&info)) << "the running program's slot stays its own";
    EXPECT_TRUE(fs::exists(folder + "222-1.mwi"));
    ::close(held);
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info)) << "its program has ended now";
    EXPECT_STREQ(info.szName, "party");
    AUTOSAVE_ReleaseOrphan(1);
    // A slot whose description is missing or broken is still offered, as an untitled
    // picture; the autosave folder comes from XDG_STATE_HOME, else HOME.
    DeadSlot("444-1", "x");
    WriteFile(folder + "444-1.txt", {'o', 'n', 'l', 'y'});
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
    EXPECT_STREQ(info.szName, "");
    EXPECT_EQ(info.bNeedsSaveAs, 1);
    EXPECT_GT(info.tWritten, 0) << "the file's own time";
    char out[4096];
    ScopedEnv home("HOME", "/h");
    for (const auto &[state, want] :
         {std::pair{"/s", "/s/merrowick/"}, {nullptr, "/h/.local/state/merrowick/"}}) {
        ScopedEnv env("XDG_STATE_HOME", state);
        EXPECT_TRUE(AUTOSAVE_Folder(out, sizeof out) && std::string(out) == want) << out;
    }
}

// A write that fails (a full disk) is said once in the status bar, tried again an interval
// later, and its recovery said too; one cut short at any file leaves the previous autosave
// whole; a kept one whose rows are spoilt is refused; a folder that cannot be made is said.
TEST_F(Autosave, AFailedWriteIsSaidOnceAndTriedAgain)
{
    auto said = [] { return FakePlatform().statusTexts[0]; };
    AddHat();
    PLAT_FileDiskFull(0);
    EXPECT_EQ(AUTOSAVE_Tick(1000), 0);
    EXPECT_EQ(AUTOSAVE_Tick(30000), 1);
    EXPECT_FALSE(AUTOSAVE_Wait());
    for (uint32_t at : {31000u, 32000u, 61000u}) // said once; tried again 30 s later
        AUTOSAVE_Tick(at), AUTOSAVE_Wait();
    ASSERT_EQ(said().size(), 1u);
    EXPECT_TRUE(said()[0].find("No space left on device") != std::string::npos &&
                said()[0].find(folder) != std::string::npos)
        << said()[0];
    PLAT_FileFaultsReset();
    EXPECT_EQ(AUTOSAVE_Tick(62000), 0) << "the second failure: again 30 s later";
    EXPECT_EQ(AUTOSAVE_Tick(92000), 1);
    EXPECT_TRUE(AUTOSAVE_Wait());
    AUTOSAVE_Tick(93000);
    ASSERT_EQ(said().size(), 2u);
    EXPECT_EQ(said()[1], LoadText(1671));
    EXPECT_EQ(Files(".mwi").size(), 1u);
    // A write that fails at any of its files leaves the previous autosave whole (or, when
    // only the .txt fails, the new picture whole); the next write mends it.
    for (int failing = 1; failing <= 3; failing++) { // rows, picture, description
        const std::vector<uint8_t> before = Kept();
        ASSERT_FALSE(before.empty());
        ASSERT_TRUE(UNDO_PhotoRotate(180));
        PLAT_FileFaultsReset();
        PLAT_FileFailAt(FILEOP_RENAME, failing, EIO);
        EXPECT_FALSE(AUTOSAVE_WriteNow());
        PLAT_FileFaultsReset();
        EXPECT_EQ(Kept(), failing < 3 ? before : Now()) << "failing rename " << failing;
        ASSERT_TRUE(AUTOSAVE_WriteNow());
        EXPECT_EQ(Kept(), Now());
        EXPECT_TRUE(Files(".photo").size() == 1 && Files(".tmp").empty());
    }
    // A kept picture of a run that ended: restored as it was, or refused with what is wrong
    // and the file when its rows are missing, cut short or another's.
    const std::vector<uint8_t> saved = Now();
    const struct {
        const char *file; // the claimed slot's file spoilt: cut to size, -1 removed
        int size;
        const char *says; // null: restored
    } cases[] = {{nullptr, 0, nullptr},
                 {".photo", -1, "photo is missing"},
                 {".photo", 100, "does not belong to it or is cut short"},
                 {".mwi", 40, "picture is cut short"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.says ? c.says : "restored");
        for (const auto &e : fs::directory_iterator(folder)) { // as a killed run leaves it
            const std::string name = e.path().filename().string();
            if (!name.ends_with(".lock"))
                fs::copy_file(e.path(), folder + "7-1" + name.substr(name.find('.')),
                              fs::copy_options::overwrite_existing);
        }
        WriteFile(folder + "7-1.lock", {});
        AUTOSAVEINFO info;
        ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
        for (const std::string &f : c.file ? Files(c.file) : std::vector<std::string>{})
            if (f.find("/7-1.") != std::string::npos)
                c.size < 0 ? (void)fs::remove(f) : fs::resize_file(f, c.size);
        TrailClear();
        char path[4096];
        const int ok = AUTOSAVE_OrphanLayout(&info, path, sizeof path);
        ASSERT_EQ(ok, c.says == nullptr) << gErrorTrail;
        EXPECT_TRUE(ok ? LayoutLoad(path, 1) && Now() == saved
                       : std::strstr(gErrorTrail, c.says) && std::strstr(gErrorTrail, "7-1."))
            << gErrorTrail;
        AUTOSAVE_ReleaseOrphan(1);
        EXPECT_EQ(Files(".photo").size(), 1u) << "the claimed slot's files go";
    }
    // A folder under a plain file cannot be made: said when a write is due.
    AUTOSAVE_Stop();
    tmp.WriteText("plain", "x");
    EXPECT_FALSE(AUTOSAVE_Start((dir / "plain" / "merrowick").c_str(), 30));
    TrailClear();
    AddHat();
    const size_t n = said().size();
    AUTOSAVE_Tick(100000);
    EXPECT_EQ(AUTOSAVE_Tick(129000), 0);
    ASSERT_EQ(said().size(), n + 1);
    EXPECT_NE(said().back().find("plain"), std::string::npos) << said().back();
}

// The photo's rows are written with the first change of each photo image and not again
// while it stays, also when the photo changes while its rows are being written from its
// image (a clean end then leaves nothing); put together, the autosave is what Save writes.
TEST_F(Autosave, RowsWrittenOncePerPhotoImage)
{
    const std::string small = (dir / "small.mwi").string(), big = (dir / "big.mwi").string();
    ASSERT_TRUE(LayoutSave(small.c_str())) << gErrorTrail;
    for (AO *e = gAOList; e; e = e->pNext)
        e->bRemove = 1;
    ASSERT_NE(AddPhotoFile(1600, 1200), nullptr);
    ASSERT_TRUE(LayoutSave(big.c_str()) && LayoutRead(small.c_str(), 1)) << gErrorTrail;
    auto reads = [](const std::string &path) {
        ASSERT_TRUE(LayoutRead(path.c_str(), 1)) << gErrorTrail;
        AddHat();
    };
    auto writingBig = [&] { // a write of a new image of big's photo under way
        reads(big);
        AUTOSAVE_Tick(t += 1000);
        ASSERT_EQ(AUTOSAVE_Tick(t += 30000), 1);
    };
    const struct {
        const char *step;
        std::function<void()> change;
        bool rows;
    } steps[] = {
        {"first change", [] { AddHat(); }, true},
        {"another piece", [] { AddHat(); }, false},
        {"turned half round", [] { ASSERT_TRUE(UNDO_PhotoRotate(180)); }, true},
        {"the turn undone", [] { ASSERT_TRUE(UNDO_Undo()); }, true},
        {"cut", [] { ASSERT_TRUE(UNDO_PhotoCrop(2, 2, 12, 8)); }, true},
        {"saved, then a piece", [] { AUTOSAVE_Discard(), gModified = 0, AddHat(); }, false},
        {"the same layout read", [&] { LayoutSave(small.c_str()), reads(small); }, true},
        {"turned while written", [&] { writingBig(), UNDO_PhotoRotate(90); }, true},
        {"cut while written", [&] { writingBig(), UNDO_PhotoCrop(0, 0, 40, 30); }, true},
        {"another opened while written", [&] { writingBig(), reads(small); }, true},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.step);
        s.change();
        AUTOSAVE_Tick(t += 1000); // stops a write of an image the photo no longer shows
        AUTOSAVE_Wait();
        const ino_t before = RowsInode();
        ASSERT_TRUE(AUTOSAVE_WriteNow()) << gErrorTrail;
        // A new image's rows are written, by the tick that stopped a stale write (when the
        // change is older than the interval) or now; the same image's are not written again.
        EXPECT_TRUE(s.rows ? RowsOfThePhotoNow() : RowsInode() == before);
        EXPECT_TRUE(Files(".photo").size() == 1 && Files(".tmp").empty());
        EXPECT_EQ(Kept(), Now());
    }
    AUTOSAVE_Stop();
    EXPECT_TRUE(fs::is_empty(folder));
}
