// The autosave keeps the photo's rows in a file of their own, written once per photo: a
// change of the pieces writes only the rest, the two put back together are the bytes Save
// writes, a write cut short leaves the previous autosave whole, and a kept picture whose
// rows are gone or wrong is refused with what is wrong.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "document/autosave.h"
#include "document/layout.h"
#include "document/undo.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/file.h"
#include "support/engine_reset.h"

namespace
{

class AutosaveRows : public PictureEngineTest
{
  public:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        ASSERT_NE(AddPatternPhoto(dir.string()), nullptr) << gErrorTrail;
        StartHistory();
        home = dir.string();
        folder = home + "/state/";
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
    static void AddHat()
    {
        PICTURE_ChangeBegin(CHANGE_ADD);
        EXPECT_NE(IMGOBJ_AddObj("hat.clp", IMG_OBJ, 5, 5, nullptr, nullptr), nullptr);
        PICTURE_ChangeEnd(CHANGE_ADD);
    }
    // The folder's files ending in ext.
    std::vector<std::string> Files(const std::string &ext) const
    {
        std::vector<std::string> out;
        for (const auto &e : fs::directory_iterator(folder))
            if (e.path().string().ends_with(ext))
                out.push_back(e.path().string());
        return out;
    }
    // The layout the autosave at picture puts back together; empty when it cannot.
    static std::vector<uint8_t> Assembled(const std::string &picture)
    {
        AUTOSAVEINFO info = {};
        std::snprintf(info.szPicture, sizeof info.szPicture, "%s", picture.c_str());
        char path[4096];
        if (!AUTOSAVE_OrphanLayout(&info, path, sizeof path))
            return {};
        std::vector<uint8_t> bytes = ReadBytes(path);
        AUTOSAVE_ReleaseOrphan(0);
        return bytes;
    }
    std::vector<uint8_t> Kept() const
    {
        const std::vector<std::string> pictures = Files(".mwi");
        return pictures.size() == 1 ? Assembled(pictures[0]) : std::vector<uint8_t>{};
    }
    static std::vector<uint8_t> Now()
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(LayoutToBytes(&bytes)) << gErrorTrail;
        return bytes;
    }
    // The photo's rows file and its inode: both stay while the rows are not written again.
    std::pair<std::string, ino_t> RowsFile() const
    {
        const std::vector<std::string> rows = Files(".photo");
        struct stat st = {};
        if (rows.size() != 1 || ::stat(rows[0].c_str(), &st) != 0)
            return {};
        return {rows[0], st.st_ino};
    }
    std::string home, folder;
};

} // namespace

// The rows are written with the first change of each photo and not again while it stays;
// a turn that keeps the size, its undo, a cut and a new photo each write them anew.
TEST_F(AutosaveRows, WrittenOncePerPhotoAndPutBackAsSaveWritesIt)
{
    const struct {
        const char *step;
        void (*change)(AutosaveRows *);
        bool rows;
    } steps[] = {
        {"first change", [](AutosaveRows *) { AddHat(); }, true},
        {"another piece", [](AutosaveRows *) { AddHat(); }, false},
        {"turned half round", [](AutosaveRows *) { ASSERT_TRUE(UNDO_PhotoRotate(180)); }, true},
        {"the turn undone", [](AutosaveRows *) { ASSERT_TRUE(UNDO_Undo()); }, true},
        {"cut", [](AutosaveRows *) { ASSERT_TRUE(UNDO_PhotoCrop(2, 2, 12, 8)); }, true},
        {"saved, then a piece",
         [](AutosaveRows *) {
             AUTOSAVE_Discard();
             gModified = 0;
             AddHat();
         },
         false},
        {"a layout opened",
         [](AutosaveRows *t) {
             const std::string other = t->home + "/other.mwi";
             ASSERT_TRUE(LayoutSave(other.c_str()) && LayoutRead(other.c_str(), 1)) << gErrorTrail;
             AddHat();
         },
         true},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.step);
        s.change(this);
        const auto before = RowsFile();
        ASSERT_TRUE(AUTOSAVE_WriteNow()) << gErrorTrail;
        EXPECT_EQ(RowsFile() != before, s.rows);
        EXPECT_EQ(Files(".photo").size(), 1u);
        EXPECT_EQ(Kept(), Now());
    }
    AUTOSAVE_Stop();
    EXPECT_TRUE(fs::is_empty(folder));
}

// A write that fails at any of its files leaves the previous autosave whole (or, when only
// the .txt fails, the new picture whole); the next write mends it.
TEST_F(AutosaveRows, AWriteCutShortKeepsThePreviousOne)
{
    AddHat();
    ASSERT_TRUE(AUTOSAVE_WriteNow());
    for (int failing = 1; failing <= 3; failing++) {
        SCOPED_TRACE(failing);
        const std::vector<uint8_t> before = Kept();
        ASSERT_FALSE(before.empty());
        ASSERT_TRUE(UNDO_PhotoRotate(180));
        PLAT_FileFaultsReset();
        PLAT_FileFailAt(FILEOP_RENAME, failing, EIO); // rows, picture, description
        EXPECT_FALSE(AUTOSAVE_WriteNow());
        PLAT_FileFaultsReset();
        EXPECT_EQ(Kept(), failing < 3 ? before : Now());
        ASSERT_TRUE(AUTOSAVE_WriteNow());
        EXPECT_EQ(Kept(), Now());
        EXPECT_EQ(Files(".photo").size(), 1u);
        EXPECT_TRUE(Files(".tmp").empty());
    }
}

// A kept picture from a run that ended, its rows beside it: restored as it was, and refused
// with a message naming what is wrong when its rows are missing, cut short or another's.
TEST_F(AutosaveRows, AKeptPictureWithoutItsRowsIsRefused)
{
    AddHat();
    ASSERT_TRUE(AUTOSAVE_WriteNow());
    const std::vector<uint8_t> saved = Now();
    const struct {
        const char *fault, *file; // the file of the claimed slot that is spoilt
        int size;                 // what it is cut to; -1: removed
        const char *says;         // null: restored
    } cases[] = {{"none", nullptr, 0, nullptr},
                 {"rows gone", ".photo", -1, "photo is missing"},
                 {"rows cut short", ".photo", 100, "does not belong to it or is cut short"},
                 {"picture cut short", ".mwi", 40, "picture is cut short"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        // The slot as a killed run leaves it: its files under the run's name, unlocked.
        for (const auto &e : fs::directory_iterator(folder)) {
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
        EXPECT_EQ(ok, c.says == nullptr) << gErrorTrail;
        if (ok) {
            EXPECT_TRUE(LayoutLoad(path, 1)) << gErrorTrail;
            EXPECT_EQ(Now(), saved);
        } else {
            EXPECT_NE(std::string(gErrorTrail).find(c.says), std::string::npos) << gErrorTrail;
            EXPECT_NE(std::string(gErrorTrail).find("7-1."), std::string::npos) << gErrorTrail;
        }
        AUTOSAVE_ReleaseOrphan(1);
        EXPECT_EQ(Files(".photo").size(), 1u) << "the claimed slot's files go";
    }
}

// The photo changed while the worker still writes its rows straight from its image: the
// image stays until the worker is done (or has stopped), and the next write is the picture
// as it is now.
TEST_F(AutosaveRows, ThePhotoChangedWhileItsRowsAreWritten)
{
    const std::string small = home + "/small.mwi", big = home + "/big.mwi";
    ASSERT_TRUE(LayoutSave(small.c_str())) << gErrorTrail;
    for (AO *e = gAOList; e; e = e->pNext)
        e->bRemove = 1;
    ASSERT_NE(AddPhotoFile(1600, 1200), nullptr);
    ASSERT_TRUE(LayoutSave(big.c_str())) << gErrorTrail;
    const struct {
        const char *change;
        void (*apply)(const std::string &small);
    } cases[] = {
        {"turned", [](const std::string &) { ASSERT_TRUE(UNDO_PhotoRotate(90)); }},
        {"cut", [](const std::string &) { ASSERT_TRUE(UNDO_PhotoCrop(0, 0, 40, 30)); }},
        {"another opened",
         [](const std::string &s) {
             ASSERT_TRUE(LayoutRead(s.c_str(), 1)) << gErrorTrail;
             AddHat();
         }},
    };
    uint32_t t = 1000;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        ASSERT_TRUE(LayoutRead(big.c_str(), 1)) << gErrorTrail;
        AddHat();
        AUTOSAVE_Tick(t += 1000);
        ASSERT_EQ(AUTOSAVE_Tick(t += 30000), 1);
        c.apply(small);
        AUTOSAVE_Tick(t += 1000); // stops a write of the old image still under way
        AUTOSAVE_Wait();
        ASSERT_TRUE(AUTOSAVE_WriteNow()) << gErrorTrail;
        EXPECT_EQ(Kept(), Now());
        EXPECT_EQ(Files(".photo").size(), 1u);
        EXPECT_TRUE(Files(".tmp").empty());
    }
}
