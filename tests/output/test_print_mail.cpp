// Printing on a PDF printer whose page pdftoppm rasterises; e-mail through a recording
// xdg-email first on PATH.
#include <QCheckBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <array>
#include <atomic>
#include <fstream>
#include <unistd.h>

#include "formats/formats.h"
#include "output/output.h"
#include "output/printdialogs.h"
#include "picture/compose.h"
#include "shell/shellcore.h"
#include "support/bmp_builder.h"
#include "support/file_faults.h"
#include "support/qt_app.h"
#include "tests/formats/photo_target.h"

namespace
{

// The photo's quadrants, 0xRRGGBB: top left, top right, bottom left, bottom right.
constexpr uint32_t kQuadrant[4] = {0xFF0000, 0x00C000, 0x0000FF, 0xFFFF00};

// A 64 × 48 photo in four coloured quadrants as the picture, composed without a window as
// the export command does.
class PictureTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        ASSERT_TRUE(DXStartHeadless(DXNEED_PICTURE | DXNEED_TEXT));
        IMGOBJ *photo = IMGOBJ_LoadPhoto(WritePhoto(64, 48).c_str());
        ASSERT_NE(photo, nullptr) << gErrorTrail;
        AO_AddObj(&photo->ao);
        ImageObjectResize(nullptr);
        gPictureExists = 1;
    }
    // The photo as a bitmap file.
    std::string WritePhoto(int w, int h)
    {
        WriteFile(mDir / "photo.bmp", PictureBmp(w, h, [w, h](int x, int y) {
                      return kQuadrant[(y >= h / 2) * 2 + (x >= w / 2)];
                  }));
        return mDir / "photo.bmp";
    }
    void TearDown() override
    {
        AO_ClearList();
        gAOListCleared = 0;
        gPictureExists = 0;
        DXCleanup();
        QtTest::TearDown();
    }
    TempDir mDir;
};

// The controls a case sets: custom, stretch, width, height, horizontal and vertical radio.
struct Options {
    bool custom, stretch;
    const char *width, *height, *h, *v;
};

// Answers the options dialog with `o` and OK.
bool AnswerOptions(const Options &o)
{
    if (auto *dialog = dynamic_cast<PrintSizeDlg *>(QApplication::activeModalWidget())) {
        Child<QRadioButton>(dialog, o.custom ? "customRadio" : "paperRadio")->click();
        Child<QCheckBox>(dialog, "stretchCheck")->setChecked(o.stretch);
        Child<QLineEdit>(dialog, "widthEdit")->setText(o.width);
        Child<QLineEdit>(dialog, "heightEdit")->setText(o.height);
        Child<QRadioButton>(dialog, o.h)->setChecked(true);
        Child<QRadioButton>(dialog, o.v)->setChecked(true);
        Child<QPushButton>(dialog, "okButton")->click();
    }
    return false;
}

const Options kDefaults = {false, false, "", "", "leftRadio", "upRadio"};

class PrintTest : public PictureTest
{
  protected:
    // A PDF printer at 72 dpi on a 400 × 300 point page with 20 point margins: a
    // printable area of 360 × 260 device pixels at (20, 20) of the page; 127 × 91 mm.
    void SetUp() override
    {
        PictureTest::SetUp();
        mPrinter.setOutputFormat(QPrinter::PdfFormat);
        mPrinter.setOutputFileName(QString::fromStdString(mPdf));
        mPrinter.setResolution(72);
        mPrinter.setPageLayout(QPageLayout(QPageSize(QSizeF(400, 300), QPageSize::Point),
                                           QPageLayout::Portrait, QMarginsF(20, 20, 20, 20)));
    }
    // The printed page as pdftoppm draws it; null when it fails.
    QImage Rasterise()
    {
        const std::string out = mDir / "page";
        if (std::system(("pdftoppm -r 72 -singlefile '" + mPdf + "' '" + out + "'").c_str()))
            return {};
        return QImage(QString::fromStdString(out + ".ppm"));
    }
    // The picture at (x, y, w, h) of the printable area: its corner colours, white
    // around it, none inside (2 pixels of slack for the edges).
    void ExpectPicture(std::array<int, 4> r)
    {
        const QImage page = Rasterise();
        ASSERT_EQ(page.size(), QSize(400, 300));
        const int x = r[0] + 20, y = r[1] + 20, w = r[2], h = r[3];
        for (int i = 0; i < 4; ++i) {
            const uint32_t c = page.pixel(i % 2 ? x + w - 4 : x + 3, i < 2 ? y + 3 : y + h - 4);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR((c >> shift) & 255, (kQuadrant[i] >> shift) & 255, 24)
                    << "corner " << i;
        }
        int stray = 0;
        for (int py = 0; py < 300; ++py)
            for (int px = 0; px < 400; ++px) {
                const bool white = page.pixel(px, py) == qRgb(255, 255, 255);
                if (px < x - 2 || px >= x + w + 2 || py < y - 2 || py >= y + h + 2)
                    stray += !white;
                else if (px >= x + 2 && px < x + w - 2 && py >= y + 2 && py < y + h - 2)
                    stray += white;
            }
        EXPECT_EQ(stray, 0);
    }
    QWidget mWindow; // the main window the job disables
    std::string mPdf = mDir / "page.pdf";
    QPrinter mPrinter{QPrinter::HighResolution};
};

TEST_F(PrintTest, PicturesLandInTheirRectanglesOnThePrintedPage)
{
    const std::pair<Options, std::array<int, 4>> cases[] = {
        {{false, true, "", "", "rightRadio", "downRadio"}, {0, 0, 360, 260}},
        {{false, false, "", "", "rightRadio", "downRadio"}, {14, 1, 346, 259}},
        {{true, false, "50", "30", "hCenterRadio", "vCenterRadio"}, {110, 88, 141, 85}},
        {{true, false, "50", "30", "leftRadio", "downRadio"}, {0, 175, 141, 85}},
    };
    for (const auto &[options, rect] : cases) {
        std::remove(mPdf.c_str());
        bool disabled = false;
        Robot robot([&] { return disabled |= !mWindow.isEnabled(), AnswerOptions(options); });
        ASSERT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 1) << gErrorTrail;
        EXPECT_TRUE(disabled && mWindow.isEnabled()) << "disabled during the job only";
        ExpectPicture(rect);
    }
    EXPECT_EQ(mPrinter.docName(), "Merrowick");
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(PrintTest, AFailingJobGivesTheWindowBack)
{
    mPrinter.setOutputFileName(QString::fromStdString(mDir / "no-such-folder/page.pdf"));
    Robot answer([] { return AnswerOptions(kDefaults); });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 0);
    EXPECT_STREQ(gErrorTrail, "StartDoc\n");
    EXPECT_TRUE(mWindow.isEnabled());
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), "PrintAbortDialog");
}

// Cancel, usable while the window is not, pressed while the page is being drawn: nothing is
// printed, and an earlier PDF of the name stays as it was, with no temporary file beside it.
TEST_F(PrintTest, CancelWhileThePageIsDrawnPrintsNothing)
{
    mDir.WriteText("page.pdf", "an earlier PDF");
    static std::atomic<bool> drawing;
    drawing = false;
    gpPrintDrawHook = [] {
        drawing = true;
        for (int i = 0; i < 5000 && __atomic_load_n(&gKeepPrinting, __ATOMIC_SEQ_CST); i++)
            ::usleep(1000);
    };
    bool abortUsable = false;
    Robot robot([&] {
        if (drawing)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->objectName() == "PrintAbortDialog" && w->isVisible()) {
                    auto *button = Child<QPushButton>(w, "abortButton");
                    abortUsable = button->isEnabled() && !mWindow.isEnabled();
                    button->click();
                    return true;
                }
        return AnswerOptions(kDefaults);
    });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 1) << gErrorTrail;
    gpPrintDrawHook = nullptr;
    EXPECT_TRUE(drawing && abortUsable);
    EXPECT_FALSE(TrailPending());
    EXPECT_EQ(ReadText(mPdf), "an earlier PDF");
    EXPECT_EQ(FolderNames(mDir.Path()), (std::vector<std::string>{"page.pdf", "photo.bmp"}));
    EXPECT_TRUE(mWindow.isEnabled());
}

// No printer set up: it says so and what to do; Yes opens the print dialog with a PDF
// file as the printer, named after the picture.
TEST_F(PrintTest, WithoutAPrinterThePictureCanGoToAPdfFile)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    std::snprintf(gFileName, sizeof gFileName, "card");
    std::snprintf(gFileDir, sizeof gFileDir, "%s/", mDir.Path().c_str());
    QString offered;
    Robot robot([&] {
        if (auto *dialog = dynamic_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            offered = dialog->printer()->outputFileName();
            dialog->reject();
            return true;
        }
        return false;
    });
    gBoxAnswer = PLAT_IDNO;
    EXPECT_EQ(PrintImage2(&mWindow), 1);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0], LoadText(1672));
    EXPECT_TRUE(offered.isEmpty()) << "No: no dialog";
    gBoxAnswer = PLAT_IDYES;
    EXPECT_EQ(PrintImage2(&mWindow), 1);
    EXPECT_EQ(offered.toStdString(), mDir / "card.pdf");
    EXPECT_FALSE(TrailPending());
}

// Records its arguments one a line, says $SAYS on stderr and exits with $STATUS.
const char kScript[] = "#!/bin/sh\n"
                       "printf '%s\\n' \"$@\" > \"$MW_MAIL_LOG\"\n"
                       "[ -n \"$SAYS\" ] && echo \"$SAYS\" >&2\n"
                       "exit \"${STATUS:-0}\"\n";

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
        for (const char *v : {"SAYS", "STATUS"})
            unsetenv(v);
        std::snprintf(gFileName, sizeof gFileName, "beach party");
        setenv("XDG_CACHE_HOME", (mDir / "cache").c_str(), 1);
    }
    void TearDown() override
    {
        UsePath(mOldPath);
        unsetenv("XDG_CACHE_HOME");
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

TEST_F(MailTest, TheMailProgramGetsAJpegOfTheChosenSizeUnderTheDocumentsName)
{
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
        EXPECT_EQ(file.parent_path().parent_path(), mDir / "cache/merrowick/mail");
        EXPECT_EQ(fs::status(file.parent_path()).permissions(), fs::perms::owner_all);
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

// A failed send leaves its lines and no file; status 3 (no mail program answers) shown in a
// window says what to do above the lines and offers the JPEG instead.
TEST_F(MailTest, FailuresLeaveTheirLinesAndNoFile)
{
    const char *tail = "MAPI_Send() !\nEMAIL_Send() failed\n";
    QWidget window;
    for (const auto &[status, says, shown] :
         {std::tuple{"4", "xdg-email: action failed", false},
          {"3", "grep: /usr/share/applications//: Is a directory", true}}) {
        setenv("STATUS", status, 1);
        setenv("SAYS", says, 1);
        gBoxAnswer = PLAT_IDNO;
        EXPECT_EQ(SendEmail(shown ? &window : nullptr, 64, 48, 3), shown);
        const std::string lines = std::string(says) + "\n" + status + "\n" + tail;
        if (shown) {
            EXPECT_EQ(gBoxes, std::vector{std::string(LoadText(1675)) + "\n\n" + lines});
            EXPECT_FALSE(TrailPending());
        } else {
            EXPECT_EQ(gErrorTrail, lines);
        }
        EXPECT_FALSE(fs::exists(Args().at(1)));
        TrailClear();
    }
    UsePath(mDir.Path()); // no mail program at all
    EXPECT_EQ(MAPI_Init(), 0);
    EXPECT_EQ(SendEmail(nullptr, 64, 48, 3), 0);
    EXPECT_EQ(gErrorTrail, std::string("xdg-email couldn't be started.\n") + tail);
    TrailClear();
    EXPECT_EQ(SendEmail(nullptr, 0, 48, 3), 0);
    EXPECT_TRUE(std::string(gErrorTrail).ends_with("BuildHiResImage2() failed\n")) << gErrorTrail;
}

// A later start removes the attachment folders older than a day; only this user's
// folders of mode 0700 that are no links; a link inside leads nowhere out.
TEST_F(MailTest, AttachmentsGoAtALaterStartAfterADay)
{
    ASSERT_EQ(SendEmail(nullptr, 64, 48, 3), 1) << gErrorTrail; // today's: kept
    const fs::path base = MailFolder();
    const fs::path outside = mDir / "outside";
    fs::create_directories(outside);
    mDir.WriteText("outside/keep.txt", "not the program's");
    auto folder = [&](const char *name, fs::perms mode) {
        fs::create_directories(base / name);
        fs::permissions(base / name, mode);
        return base / name;
    };
    const fs::path old = folder("old", fs::perms::owner_all);
    fs::create_directory_symlink(outside, old / "link");
    const fs::path open =
        folder("open", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory_symlink(outside, base / "linked");
    std::vector<fs::path> stay = {open, base / "linked"};
    if (::geteuid() == 0) {
        stay.push_back(folder("foreign", fs::perms::owner_all));
        ASSERT_EQ(::chown((base / "foreign").c_str(), 65534, 65534), 0);
    }
    const std::time_t later = std::time(nullptr) + MAIL_KEEP_SECONDS + 60;
    EXPECT_EQ(MAPI_RemoveStale(std::time(nullptr)), 0) << "nothing is a day old yet";
    EXPECT_EQ(MAPI_RemoveStale(later), 2) << "the old folder and today's mail, a day later";
    EXPECT_FALSE(fs::exists(old));
    for (const fs::path &p : stay)
        EXPECT_TRUE(fs::exists(fs::symlink_status(p))) << p;
    EXPECT_EQ(ReadText(outside / "keep.txt"), "not the program's");
}

// Swedish: the blank picture's attachment is "Namnlös.jpg", its own letters in the name.
TEST_F(MailTest, TheAttachmentNameKeepsTheDocumentsLetters)
{
    gLanguageOffset = 3000;
    std::snprintf(gFileName, sizeof gFileName, "%s", LoadText(267));
    ASSERT_EQ(SendEmail(nullptr, 64, 48, 3), 1) << gErrorTrail;
    gLanguageOffset = 0;
    EXPECT_EQ(fs::path(Args().at(1)).filename().string(), "Namnl\u00f6s.jpg");
    std::snprintf(gFileName, sizeof gFileName, "\u00c5sa"); // a file's name: UTF-8
    EXPECT_EQ(AttachmentName().toStdString(), "\u00c5sa.jpg");
}

} // namespace
