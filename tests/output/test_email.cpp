// E-mail through a recording xdg-email placed first on PATH: what it is given, the
// attachment it finds, failures, the greyed command, and the clean-up of earlier runs.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTest>
#include <fstream>
#include <sstream>

#include "formats/formats.h"
#include "output/output.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "tests/formats/photo_target.h"
#include "tests/output/output_support.h"

namespace
{

// Records its arguments one a line, says $MW_MAIL_SAYS on stderr, sleeps $MW_MAIL_SLEEP
// seconds and exits with $MW_MAIL_STATUS.
const char kScript[] = "#!/bin/sh\n"
                       ": > \"$MW_MAIL_LOG\"\n"
                       "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$MW_MAIL_LOG\"; done\n"
                       "[ -n \"$MW_MAIL_SAYS\" ] && echo \"$MW_MAIL_SAYS\" >&2\n"
                       "sleep \"${MW_MAIL_SLEEP:-0}\"\n"
                       "exit \"${MW_MAIL_STATUS:-0}\"\n";

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
        for (const char *v : {"MW_MAIL_SAYS", "MW_MAIL_SLEEP", "MW_MAIL_STATUS"})
            unsetenv(v);
        gMailWaitMs = 5000;
        std::snprintf(gFileName, sizeof gFileName, "beach party");
    }
    void TearDown() override
    {
        UsePath(mOldPath);
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
    const fs::path temp = fs::canonical(PLAT_TempDir());
    std::vector<std::string> sent;
    // The second name holds what a shell would read; nothing may run.
    for (const char *name : {"beach party", "it's $(touch pwned) `touch pwned`; \"x\" a/b"}) {
        std::snprintf(gFileName, sizeof gFileName, "%s", name);
        CurrentDir here(mDir.Path());
        ASSERT_EQ(SendEmail(nullptr, 120, 90, 4), 1) << gErrorTrail;
        const auto args = Args();
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[0], "--attach");
        const fs::path file = args[1];
        std::string expected = std::string(name) + ".jpg";
        std::replace(expected.begin(), expected.end(), '/', '_');
        EXPECT_EQ(file.filename(), expected);
        EXPECT_EQ(file.parent_path().parent_path(), temp);
        EXPECT_FALSE(fs::exists(mDir / "pwned"));
        PhotoTarget jpeg;
        ASSERT_TRUE(jpeg.Load(JpegLoad, file)) << gErrorTrail;
        EXPECT_EQ((std::array{jpeg.info.iWidth, jpeg.info.iHeight, jpeg.info.iComponents}),
                  (std::array{120, 90, 3}));
        const uint8_t *p = jpeg.surface->pBits + 10 * jpeg.surface->iPitch + 110 * 3;
        EXPECT_TRUE(p[0] < 60 && p[1] > 150 && p[2] < 60) << "green top right";
        sent.push_back(args[1]);
    }
    // Each mail has its own file, and both stay for the mail program to read.
    EXPECT_NE(sent[0], sent[1]);
    EXPECT_TRUE(fs::exists(sent[0]) && fs::exists(sent[1]));
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(MailTest, FailuresLeaveTheirLinesAndNoFile)
{
    MakePicture(64, 48);
    setenv("MW_MAIL_STATUS", "4", 1);
    setenv("MW_MAIL_SAYS", "xdg-email: action failed", 1);
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
    setenv("MW_MAIL_SLEEP", "1", 1);
    setenv("MW_MAIL_STATUS", "1", 1);
    gMailWaitMs = 200;
    EXPECT_EQ(SendEmail(nullptr, 64, 48, 3), 1) << gErrorTrail;
    EXPECT_TRUE(fs::exists(Args().at(1)));
    QTest::qWait(1500); // it ends; its process object goes with it
}

TEST_F(MailTest, TheEmailCommandIsGreyedWithoutAMailProgram)
{
    const std::string photo = WritePhoto(64, 48);
    for (bool present : {false, true}) {
        UsePath(present ? mBin.Path() : mDir.Path());
        // Started with a photo, as "merrowick photo.bmp" is.
        std::snprintf(gStartFile, sizeof gStartFile, "%s", photo.c_str());
        MainWindow window(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
        ASSERT_EQ(window.Create(), 0);
        gStartFile[0] = '\0';
        UsePath(mOldPath);
        EXPECT_TRUE(window.ActionFor(IDM_PRINT)->isEnabled());
        EXPECT_EQ(window.ActionFor(IDM_EMAIL)->isEnabled(), present);
        window.close();
    }
}

TEST_F(MailTest, StartRemovesTheMailFoldersOfRunsThatAreGone)
{
    MakePicture(64, 48);
    ASSERT_EQ(SendEmail(nullptr, 64, 48, 3), 1); // this run's own folder holds mail
    const QString own = QDir::cleanPath(QString::fromLocal8Bit(PLAT_TempDir()));
    const QString prefix = own.left(own.lastIndexOf('-') + 1);
    // A lock file as the run that wrote it left it, naming a process that has ended.
    QProcess ended;
    ended.start("sh", {"-c", "exit 0"});
    ASSERT_TRUE(ended.waitForStarted());
    const QByteArray pid = QByteArray::number(ended.processId());
    ended.waitForFinished();
    const QString gone = prefix + "testgone", live = prefix + "testlive",
                  other = prefix + "testother";
    for (const QString &dir : {gone, live, other})
        QDir().mkpath(dir + "/mail-1");
    QByteArray contents;
    {
        QLockFile probe(gone + "/mail.lock");
        ASSERT_TRUE(probe.tryLock(0));
        QFile f(gone + "/mail.lock");
        f.open(QIODevice::ReadOnly);
        contents = f.readAll();
    }
    contents = pid + contents.mid(contents.indexOf('\n'));
    QFile f(gone + "/mail.lock");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contents);
    f.close();
    QLockFile held(live + "/mail.lock"); // a run still going
    ASSERT_TRUE(held.tryLock(0));

    EXPECT_EQ(MAPI_Init(), 1);
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_TRUE(QFileInfo::exists(live + "/mail-1"));
    EXPECT_TRUE(QFileInfo::exists(other + "/mail-1")); // no lock: not a mail folder
    EXPECT_TRUE(fs::exists(Args().at(1)));
    held.unlock();
    QDir(live).removeRecursively();
    QDir(other).removeRecursively();
}
