// The autosave: written no later than the interval after a change and only then, removed
// by a save or a clean end, and offered back only when its program ended without cleaning
// up and no running program holds it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "document/autosave.h"
#include "document/layout.h"
#include "document/undo.h"
#include "picture/ao.h"
#include "picture/compose.h"
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
        ASSERT_NE(AddPhotoFile(64, 48), nullptr);
        StartHistory();
        folder = (dir / "state" / "merrowick").string() + "/";
        std::snprintf(gFileName, sizeof gFileName, "card");
        std::snprintf(gFileExt, sizeof gFileExt, ".mwi");
        std::snprintf(gFileDir, sizeof gFileDir, "%s/", dir.c_str());
        ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 30)) << gErrorTrail;
    }
    void TearDown() override
    {
        AUTOSAVE_ReleaseOrphan(0);
        AUTOSAVE_Stop();
        UNDO_Shutdown();
        PictureEngineTest::TearDown();
    }
    // A change as the editor makes it: one step of the history, the picture modified.
    static IMGOBJ *AddHat()
    {
        PICTURE_ChangeBegin(CHANGE_ADD);
        IMGOBJ *hat = IMGOBJ_AddObj("hat.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
        PICTURE_ChangeEnd(CHANGE_ADD);
        EXPECT_NE(hat, nullptr) << gErrorTrail;
        return hat;
    }
    // The autosaved pictures in the folder.
    std::vector<std::string> Pictures() const
    {
        std::vector<std::string> out;
        for (const auto &e : fs::directory_iterator(folder))
            if (e.path().extension() == ".mwi")
                out.push_back(e.path().string());
        return out;
    }
    // A slot as a program that was killed leaves it: picture, description, unlocked lock.
    void DeadSlot(const std::string &slot, const char *name)
    {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(LayoutToBytes(&bytes));
        WriteFile(folder + slot + ".mwi", bytes);
        const std::string info =
            std::string(dir.string() + "/\n") + name + "\n.mwi\n0\n1700000000\n";
        WriteFile(folder + slot + ".txt", std::vector<uint8_t>(info.begin(), info.end()));
        WriteFile(folder + slot + ".lock", {});
    }
    std::string folder;
};

} // namespace

// Written once the first unsaved change is nearly the interval old (ticks a second apart),
// again only after another change, never while the picture is unmodified.
TEST_F(Autosave, WrittenWithinTheIntervalAfterAChangeAndOnlyThen)
{
    const uint32_t t0 = 100000;
    EXPECT_EQ(AUTOSAVE_Tick(t0), 0) << "unmodified";
    AddHat();
    const struct {
        uint32_t at;
        int writes;
    } ticks[] = {{t0, 0}, {t0 + 28000, 0}, {t0 + 29000, 1}, {t0 + 30000, 0}, {t0 + 90000, 0}};
    for (const auto &t : ticks) {
        EXPECT_EQ(AUTOSAVE_Tick(t.at), t.writes) << t.at - t0;
        EXPECT_TRUE(AUTOSAVE_Wait());
    }
    ASSERT_EQ(Pictures().size(), 1u);
    const std::string written = Pictures()[0];

    // What was written opens as the picture.
    std::vector<uint8_t> now;
    ASSERT_TRUE(LayoutToBytes(&now));
    AUTOSAVEINFO whole = {};
    std::snprintf(whole.szPicture, sizeof whole.szPicture, "%s", written.c_str());
    char layout[4096];
    ASSERT_TRUE(AUTOSAVE_OrphanLayout(&whole, layout, sizeof layout)) << gErrorTrail;
    EXPECT_EQ(ReadBytes(layout), now);
    EXPECT_EQ(gModified, 1) << "the autosave leaves the picture modified";

    // Another change: written again 30 s later; a save removes it.
    AddHat();
    EXPECT_EQ(AUTOSAVE_Tick(t0 + 100000), 0);
    EXPECT_EQ(AUTOSAVE_Tick(t0 + 129000), 1);
    EXPECT_TRUE(AUTOSAVE_Wait());
    AUTOSAVE_Discard();
    EXPECT_TRUE(Pictures().empty());
    // An interval from the settings file is kept within its limits.
    AUTOSAVE_Stop();
    ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 1));
    AddHat();
    EXPECT_EQ(AUTOSAVE_Tick(t0 + 200000), 0);
    EXPECT_EQ(AUTOSAVE_Tick(t0 + 200000 + (AUTOSAVE_MIN_SECONDS - 1) * 1000), 1);
}

// Which slots are offered back: only those whose program ended without cleaning up.
TEST_F(Autosave, OnlyTheWorkOfARunThatDidNotEndCleanlyIsOffered)
{
    AUTOSAVEINFO info;
    EXPECT_FALSE(AUTOSAVE_FindOrphan(&info)) << "nothing there";

    // A run that ended cleanly leaves nothing.
    AddHat();
    EXPECT_EQ(AUTOSAVE_Tick(1), 0);
    EXPECT_EQ(AUTOSAVE_Tick(30000), 1);
    AUTOSAVE_Stop();
    EXPECT_TRUE(fs::is_empty(folder));
    ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 30));

    // A killed run's slot is offered with its name and time; a running program's is not.
    DeadSlot("111-1", "beach");
    DeadSlot("222-1", "party");
    const int held = ::open((folder + "222-1.lock").c_str(), O_RDWR);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    WriteFile(folder + "333-1.lock", {}); // ended, nothing unsaved: cleared away
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
    EXPECT_STREQ(info.szName, "beach");
    EXPECT_STREQ(info.szExt, ".mwi");
    EXPECT_EQ(info.tWritten, 1700000000);
    EXPECT_EQ(info.szPicture, folder + "111-1.mwi");
    EXPECT_FALSE(fs::exists(folder + "333-1.lock"));

    // While this program holds the claim, another cannot take the same slot.
    const int other = ::open((folder + "111-1.lock").c_str(), O_RDWR);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "claimed";
    ::close(other);

    // What it held opens as a picture.
    EXPECT_TRUE(LayoutLoad(info.szPicture, 1)) << gErrorTrail;
    AUTOSAVE_ReleaseOrphan(1);
    EXPECT_FALSE(fs::exists(folder + "111-1.mwi"));
    EXPECT_FALSE(AUTOSAVE_FindOrphan(&info)) << "the running program's slot stays its own";
    EXPECT_TRUE(fs::exists(folder + "222-1.mwi"));
    ::close(held);
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info)) << "its program has ended now";
    EXPECT_STREQ(info.szName, "party");
}

// A slot whose description is missing or broken is still offered, as an untitled picture;
// the autosave folder comes from XDG_STATE_HOME, else HOME.
TEST_F(Autosave, BrokenDescriptionsAndTheFolder)
{
    DeadSlot("444-1", "x");
    WriteFile(folder + "444-1.txt", {'o', 'n', 'l', 'y'});
    AUTOSAVEINFO info;
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
    EXPECT_STREQ(info.szName, "");
    EXPECT_EQ(info.bNeedsSaveAs, 1);
    EXPECT_GT(info.tWritten, 0) << "the file's own time";

    char out[4096];
    ScopedEnv home("HOME", "/h");
    for (const auto &[state, want] :
         {std::pair{"/s", "/s/merrowick/"}, {nullptr, "/h/.local/state/merrowick/"}}) {
        ScopedEnv env("XDG_STATE_HOME", state);
        ASSERT_TRUE(AUTOSAVE_Folder(out, sizeof out));
        EXPECT_STREQ(out, want);
    }
}

// A write that fails (a full disk) is said once in the status bar, tried again an interval
// later, and its recovery said too; a folder that cannot be made is said when there is
// something to keep.
TEST_F(Autosave, AFailedWriteIsSaidOnceAndTriedAgain)
{
    auto said = [] { return FakePlatform().statusTexts[0]; };
    AddHat();
    PLAT_FileDiskFull(0);
    EXPECT_EQ(AUTOSAVE_Tick(1000), 0);
    EXPECT_EQ(AUTOSAVE_Tick(30000), 1);
    EXPECT_FALSE(AUTOSAVE_Wait());
    for (uint32_t t : {31000u, 32000u, 61000u}) // said once; tried again 30 s later
        AUTOSAVE_Tick(t), AUTOSAVE_Wait();
    ASSERT_EQ(said().size(), 1u);
    EXPECT_NE(said()[0].find("No space left on device"), std::string::npos) << said()[0];
    EXPECT_NE(said()[0].find(folder), std::string::npos) << said()[0];
    PLAT_FileFaultsReset();
    EXPECT_EQ(AUTOSAVE_Tick(62000), 0) << "the second failure: again 30 s later";
    EXPECT_EQ(AUTOSAVE_Tick(92000), 1);
    EXPECT_TRUE(AUTOSAVE_Wait());
    AUTOSAVE_Tick(93000);
    ASSERT_EQ(said().size(), 2u);
    EXPECT_EQ(said()[1], LoadText(1671));
    EXPECT_EQ(Pictures().size(), 1u);

    // A folder under a plain file cannot be made: said when a write is due.
    AUTOSAVE_Stop();
    tmp.WriteText("plain", "x");
    EXPECT_FALSE(AUTOSAVE_Start((dir / "plain" / "merrowick").c_str(), 30));
    TrailClear();
    AddHat();
    AUTOSAVE_Tick(100000);
    EXPECT_EQ(AUTOSAVE_Tick(129000), 0);
    ASSERT_EQ(said().size(), 3u);
    EXPECT_NE(said()[2].find("plain"), std::string::npos) << said()[2];
}

// Before a signal ends the program: the picture is written at once and its slot left for
// the next start to offer, however recent the change.
TEST_F(Autosave, WrittenAtOnceAndKeptWhenASignalEndsTheProgram)
{
    EXPECT_TRUE(AUTOSAVE_WriteNow()) << "nothing to write";
    EXPECT_TRUE(Pictures().empty());
    AddHat();
    EXPECT_TRUE(AUTOSAVE_WriteNow());
    AUTOSAVE_Leave();
    ASSERT_EQ(Pictures().size(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // the next start's own slot
    ASSERT_TRUE(AUTOSAVE_Start(folder.c_str(), 30));
    AUTOSAVEINFO info;
    ASSERT_TRUE(AUTOSAVE_FindOrphan(&info));
    EXPECT_STREQ(info.szName, "card");
}
