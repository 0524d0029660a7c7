// E-mail through a recording xdg-email placed first on PATH: what it is given, the
// attachment it finds, failures, the greyed command, and the clean-up of earlier runs.
#include <QAction>
#include <QDir>
#include <QLockFile>
#include <QPrintDialog>
#include <QProcess>
#include <QTest>
#include <fstream>

#include "formats/formats.h"
#include "output/output.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "shell/shellcore.h"
#include "tests/formats/photo_target.h"
#include "tests/output/output_support.h"

namespace
{

// Records its arguments one a line, says $SAYS on stderr, waits $WAIT seconds and exits
// with $STATUS.
const char kScript[] = "#!/bin/sh\n"
                       "printf '%s\\n' \"$@\" > \"$MW_MAIL_LOG\"\n"
                       "[ -n \"$SAYS\" ] && echo \"$SAYS\" >&2\n"
                       "sleep \"${WAIT:-0}\"; exit \"${STATUS:-0}\"\n";

class MailTest : public PictureTest
{
  protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        mBin.WriteText("xdg-email", kScript);
        fs::permissions(mBin / "xdg-email", fs::perms::owner_all);
        UsePath(mBin.Path() + ":" + mOldPath);
        setenv("MW_MAIL_LOG", (mDir / "args").c_str(), 1);
        for (const char *v : {"SAYS", "WAIT", "STATUS"})
            unsetenv(v);
        std::snprintf(gFileName, sizeof gFileName, "beach party");
    }
    void TearDown() override
    {
        UsePath(mOldPath);
        gMailWaitMs = 5000;
        PictureTest::TearDown();
    }
    static void UsePath(const std::string &path) { setenv("PATH", path.c_str(), 1); }
    // The arguments the mail command was given.
    std::vector<std::string> Args()
    {
        std::vector<std::string> args;
        std::ifstream in(mDir / "args");
        for (std::string line; std::getline(in, line);)
            args.push_back(line);
        return args;
    }
    TempDir mBin;
    std::string mOldPath = std::getenv("PATH");
};

} // namespace

TEST_F(MailTest, TheMailProgramGetsAJpegOfTheChosenSizeUnderTheDocumentsName)
{
    MakePicture(64, 48);
    std::vector<std::string> sent;
    // The second name holds what a shell would read; nothing may run.
    for (std::string name : {"beach party", "it's $(touch pwned) `touch pwned`; \"x\" a/b"}) {
        std::snprintf(gFileName, sizeof gFileName, "%s", name.c_str());
        CurrentDir here(mDir.Path());
        ASSERT_EQ(SendEmail(nullptr, 120, 90, 4), 1) << gErrorTrail;
        const auto args = Args();
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[0], "--attach");
        const fs::path file = args[1];
        std::replace(name.begin(), name.end(), '/', '_');
        EXPECT_EQ(file.filename(), name + ".jpg");
        EXPECT_EQ(file.parent_path().parent_path(), fs::canonical(PLAT_TempDir()));
        EXPECT_FALSE(fs::exists(mDir / "pwned"));
        PhotoTarget jpeg;
        ASSERT_TRUE(jpeg.Load(JpegLoad, file)) << gErrorTrail;
        EXPECT_EQ(std::pair(jpeg.info.iWidth, jpeg.info.iHeight), std::pair(120, 90));
        const uint8_t *p = jpeg.surface->pBits + 10 * jpeg.surface->iPitch + 110 * 3;
        EXPECT_TRUE(p[0] < 60 && p[1] > 150 && p[2] < 60) << "green top right";
        sent.push_back(args[1]);
    }
    // Each mail has its own file, and both stay for the mail program to read.
    EXPECT_TRUE(sent[0] != sent[1] && fs::exists(sent[0]) && fs::exists(sent[1]));
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(MailTest, FailuresLeaveTheirLinesAndNoFile)
{
    MakePicture(64, 48);
    setenv("STATUS", "4", 1);
    setenv("SAYS", "xdg-email: action failed", 1);
    EXPECT_EQ(SendEmail(nullptr, 64, 48, 3), 0);
    EXPECT_STREQ(gErrorTrail, "xdg-email: action failed\n4\nMAPI_Send() !\nEMAIL_Send() failed\n");
    EXPECT_FALSE(fs::exists(Args().at(1)));
    TrailClear();
    UsePath(mDir.Path()); // no mail program at all
    EXPECT_EQ(MAPI_Init(), 0);
    EXPECT_EQ(SendEmail(nullptr, 64, 48, 3), 0);
    EXPECT_STREQ(gErrorTrail,
                 "xdg-email couldn't be started.\nMAPI_Send() !\nEMAIL_Send() failed\n");
    TrailClear();
    EXPECT_EQ(SendEmail(nullptr, 0, 48, 3), 0);
    EXPECT_TRUE(std::string(gErrorTrail).ends_with("BuildHiResImage2() failed\n")) << gErrorTrail;
}

TEST_F(MailTest, AMailProgramThatStaysOpenHasTheMessage)
{
    MakePicture(64, 48);
    setenv("WAIT", "1", 1);
    setenv("STATUS", "1", 1);
    gMailWaitMs = 200;
    EXPECT_EQ(SendEmail(nullptr, 64, 48, 3), 1) << gErrorTrail;
    EXPECT_TRUE(fs::exists(Args().at(1)));
    QTest::qWait(1500); // it ends; its process object goes with it
}

TEST_F(MailTest, MailIsGreyedWithoutAMailProgramAndPrintingNeedsAPicture)
{
    int printDialogs = 0;
    Robot robot([&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = dynamic_cast<QPrintDialog *>(modal))
            ++printDialogs, dialog->reject(); // cancelling is silent
        else if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject(); // the new photo's rotation: as it is
        return false;
    });
    // Only the first window prints: closing a window ends the event loops after it.
    for (bool present : {true, false}) {
        UsePath(present ? mBin.Path() : mDir.Path());
        MainWindow window(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        ASSERT_EQ(window.Create(), 0);
        UsePath(mOldPath);
        if (present)
            window.OnCommand(IDM_PRINT); // no picture: no dialog
        ASSERT_TRUE(OpenPictureFile(WritePhoto(64, 48).c_str(), nullptr)) << gErrorTrail;
        SetCommandState(CMDSTATE_PICTURE); // as the open command does
        EXPECT_EQ(window.ActionFor(IDM_EMAIL)->isEnabled(), present);
        if (present) {
            EXPECT_EQ(printDialogs, 0);
            window.OnCommand(IDM_PRINT);
            EXPECT_EQ(printDialogs, 1);
        }
        window.close();
    }
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(MailTest, StartRemovesTheMailFoldersOfRunsThatAreGone)
{
    MakePicture(64, 48);
    ASSERT_EQ(SendEmail(nullptr, 64, 48, 3), 1); // this run's own folder holds mail
    const QString own = QDir::cleanPath(QString::fromLocal8Bit(PLAT_TempDir()));
    const QString gone = own + "-gone", live = own + "-live", other = own + "-other";
    for (const QString &dir : {gone, live, other})
        QDir().mkpath(dir + "/mail-1");
    // A lock file as a run leaves it, naming a process that has ended.
    QProcess ended;
    ended.start("true");
    ASSERT_TRUE(ended.waitForStarted());
    const QByteArray pid = QByteArray::number(ended.processId());
    ended.waitForFinished();
    QByteArray lock;
    if (QLockFile probe(gone + "/mail.lock"); probe.tryLock(0)) {
        QFile f(gone + "/mail.lock");
        lock = f.open(QIODevice::ReadOnly) ? f.readAll() : "";
    }
    QFile f(gone + "/mail.lock");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(pid + lock.mid(lock.indexOf('\n'))) > 0);
    f.close();
    QLockFile held(live + "/mail.lock"); // a run still going
    ASSERT_TRUE(held.tryLock(0));

    EXPECT_EQ(MAPI_Init(), 1);
    MAPI_RemoveStale(); // as the start does once its first frame is shown
    EXPECT_FALSE(QDir(gone).exists());
    EXPECT_TRUE(QDir(live + "/mail-1").exists());
    EXPECT_TRUE(QDir(other + "/mail-1").exists()); // no lock: not a mail folder
    EXPECT_TRUE(fs::exists(Args().at(1)));
    held.unlock();
    QDir(live).removeRecursively();
    QDir(other).removeRecursively();
}
