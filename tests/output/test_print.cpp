// Printing: the options dialog on Qt's offscreen platform, and whole jobs on a PDF printer
// whose page is rasterised with pdftoppm and looked at pixel by pixel.
#include <QCheckBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <cstdio>
#include <fstream>

#include "output/output.h"
#include "output/printdialogs.h"
#include "resources/menus/commands.h"
#include "resources/menus/menus.h"
#include "resources/strings/strings.h"
#include "shell/shell.h"
#include "tests/output/output_support.h"

namespace
{

// A printer's page as pdftoppm draws it, one pixel per device pixel.
struct Page {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    uint32_t At(int x, int y) const
    {
        const uint8_t *p = &rgb[(size_t(y) * w + x) * 3];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
};

bool Near(uint32_t a, uint32_t b)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 16)
            return false;
    return true;
}

// The option controls a case sets before OK or Preview.
struct Options {
    bool custom, stretch;
    const char *width, *height, *hRadio, *vRadio;
};

void SetOptions(QWidget *dialog, const Options &o)
{
    Child<QRadioButton>(dialog, o.custom ? "customRadio" : "paperRadio")->click();
    Child<QCheckBox>(dialog, "stretchCheck")->setChecked(o.stretch);
    Child<QLineEdit>(dialog, "widthEdit")->setText(o.width);
    Child<QLineEdit>(dialog, "heightEdit")->setText(o.height);
    Child<QRadioButton>(dialog, o.hRadio)->setChecked(true);
    Child<QRadioButton>(dialog, o.vRadio)->setChecked(true);
}

class PrintTest : public PictureTest
{
  protected:
    // A PDF printer at 72 dpi on a 400 × 300 point page with 20 point margins: a
    // printable area of 360 × 260 device pixels at (20, 20) of the page.
    void SetUpPrinter()
    {
        mPrinter.setOutputFormat(QPrinter::PdfFormat);
        mPrinter.setOutputFileName(QString::fromStdString(mPdf));
        mPrinter.setResolution(72);
        mPrinter.setPageLayout(QPageLayout(QPageSize(QSizeF(400, 300), QPageSize::Point),
                                           QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                           QPageLayout::Point));
    }
    Page Rasterise()
    {
        Page page;
        const std::string out = mDir / "page";
        const std::string cmd = "pdftoppm -r 72 -singlefile '" + mPdf + "' '" + out + "'";
        if (std::system(cmd.c_str()) != 0)
            return page;
        std::ifstream in(out + ".ppm", std::ios::binary);
        std::string magic;
        int max = 0;
        in >> magic >> page.w >> page.h >> max;
        in.get();
        page.rgb.resize(size_t(page.w) * page.h * 3);
        in.read(reinterpret_cast<char *>(page.rgb.data()), std::streamsize(page.rgb.size()));
        return in ? page : Page{};
    }
    // Checks the picture at (x, y, w, h) of the printable area: its corner colours, white
    // around it and no white inside (2 pixels of slack for the edges' smoothing).
    void ExpectPicture(const Page &page, int x, int y, int w, int h)
    {
        ASSERT_EQ(std::pair(page.w, page.h), std::pair(400, 300));
        x += 20, y += 20;
        const int in = 3;
        const std::array<std::pair<int, int>, 4> corners = {{{x + in, y + in},
                                                             {x + w - 1 - in, y + in},
                                                             {x + in, y + h - 1 - in},
                                                             {x + w - 1 - in, y + h - 1 - in}}};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(page.At(corners[i].first, corners[i].second), kQuadrant[i]))
                << "corner " << i << ": " << std::hex
                << page.At(corners[i].first, corners[i].second);
        int inkOutside = 0, whiteInside = 0;
        for (int py = 0; py < page.h; ++py)
            for (int px = 0; px < page.w; ++px) {
                const bool white = page.At(px, py) == 0xFFFFFF;
                if (px < x - 2 || px >= x + w + 2 || py < y - 2 || py >= y + h + 2)
                    inkOutside += !white;
                else if (px >= x + 2 && px < x + w - 2 && py >= y + 2 && py < y + h - 2)
                    whiteInside += white;
            }
        EXPECT_EQ(inkOutside, 0);
        EXPECT_EQ(whiteInside, 0);
    }
    QWidget mWindow; // the main window the job disables
    std::string mPdf = mDir / "page.pdf";
    QPrinter mPrinter{QPrinter::HighResolution};
};

} // namespace

TEST_F(PrintTest, OptionsDialogEnablesByModeAndStretch)
{
    PRINTSIZE ps = {PRINT_PAPER, 1, 135, 101, 127, 91, ALIGN_LEFT, ALIGN_UP};
    PrintSizeDlg dialog(nullptr, &ps, 1600, 1200, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Print options");
    auto *stretch = Child<QCheckBox>(&dialog, "stretchCheck");
    auto *width = Child<QLineEdit>(&dialog, "widthEdit");
    auto *right = Child<QRadioButton>(&dialog, "rightRadio");
    EXPECT_TRUE(Child<QRadioButton>(&dialog, "paperRadio")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(&dialog, "keepCheck")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(&dialog, "leftRadio")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(&dialog, "upRadio")->isChecked());
    EXPECT_EQ(width->text(), "135");
    // (stretch enabled and checked, edits enabled, alignment enabled) after each step
    const struct {
        const char *click;
        bool stretchOn, stretchChecked, editsOn, alignOn;
    } steps[] = {{nullptr, true, false, false, true},
                 {"stretchCheck", true, true, false, false},
                 {"customRadio", false, true, true, true},
                 {"paperRadio", true, true, false, false}};
    for (const auto &s : steps) {
        if (s.click)
            Child<QAbstractButton>(&dialog, s.click)->click();
        EXPECT_EQ((std::array{stretch->isEnabled(), stretch->isChecked(), width->isEnabled(),
                              right->isEnabled()}),
                  (std::array{s.stretchOn, s.stretchChecked, s.editsOn, s.alignOn}))
            << (s.click ? s.click : "start");
    }
}

TEST_F(PrintTest, OnlyTheEditBeingTypedInSetsItsPartner)
{
    PRINTSIZE ps = {PRINT_PAPER, 1, 135, 101, 127, 91, ALIGN_LEFT, ALIGN_UP};
    PrintSizeDlg dialog(nullptr, &ps, 1600, 1200, nullptr);
    Child<QRadioButton>(&dialog, "customRadio")->click();
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto *width = Child<QLineEdit>(&dialog, "widthEdit");
    auto *height = Child<QLineEdit>(&dialog, "heightEdit");
    width->setFocus();
    width->clear();
    QTest::keyClicks(width, "80");
    EXPECT_EQ(height->text(), "60");
    height->setText("10"); // not focused: the width stays
    EXPECT_EQ(width->text(), "80");
    Child<QCheckBox>(&dialog, "keepCheck")->setChecked(false);
    width->setFocus();
    QTest::keyClicks(width, "0");
    EXPECT_EQ(height->text(), "10");
}

TEST_F(PrintTest, OkRefusesCustomSizesOffThePaperAndWritesTheChoice)
{
    const struct {
        Options o;
        std::string box; // empty: accepted
        PRINTSIZE out;
    } cases[] = {
        {{true, false, "9", "50", "leftRadio", "upRadio"},
         "The width is not valid. Please enter a value between 10 and 127\n",
         {}},
        {{true, false, "128", "50", "leftRadio", "upRadio"},
         "The width is bigger than the paper size. The maximum width is 127\n",
         {}},
        {{true, false, "50", "", "leftRadio", "upRadio"},
         "The height is not valid. Please enter a value between 10 and 91\n",
         {}},
        {{true, false, "50", "92", "leftRadio", "upRadio"},
         "The height is bigger than the paper size. The maximum height is 91\n",
         {}},
        {{true, true, "127", "91", "rightRadio", "downRadio"},
         "",
         {PRINT_CUSTOM, 1, 127, 91, 127, 91, ALIGN_RIGHT, ALIGN_DOWN}},
        {{false, false, "9", "9", "hCenterRadio", "vCenterRadio"},
         "",
         {PRINT_PAPER, 0, 135, 101, 127, 91, ALIGN_CENTER, ALIGN_CENTER}},
        {{false, true, "", "", "leftRadio", "downRadio"},
         "",
         {PRINT_PAPER, 1, 135, 101, 127, 91, ALIGN_LEFT, ALIGN_DOWN}},
    };
    for (const auto &c : cases) {
        gBoxes.clear();
        PRINTSIZE ps = {PRINT_PAPER, 1, 135, 101, 127, 91, -1, -1};
        PrintSizeDlg dialog(nullptr, &ps, 1600, 1200, nullptr);
        SetOptions(&dialog, c.o);
        Child<QPushButton>(&dialog, "okButton")->click();
        if (!c.box.empty()) {
            ASSERT_EQ(gBoxes.size(), 1u) << c.box;
            EXPECT_EQ(gBoxes[0].text, c.box);
            EXPECT_EQ(dialog.result(), 0) << "stays open";
            continue;
        }
        EXPECT_TRUE(gBoxes.empty()) << gBoxes[0].text;
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(0, std::memcmp(&ps, &c.out, sizeof ps)) << c.o.width << " " << c.o.vRadio;
    }
}

TEST_F(PrintTest, PicturesLandInTheirRectanglesOnThePrintedPage)
{
    MakePicture(64, 48);
    SetUpPrinter();
    const struct {
        Options o;
        std::array<int, 4> rect; // x, y, w, h on the printable area
    } cases[] = {
        {{false, true, "", "", "rightRadio", "downRadio"}, {0, 0, 360, 260}},
        {{false, false, "", "", "rightRadio", "downRadio"}, {14, 1, 346, 259}},
        {{false, false, "", "", "leftRadio", "upRadio"}, {0, 0, 346, 259}},
        {{true, false, "50", "30", "hCenterRadio", "vCenterRadio"}, {110, 88, 141, 85}},
        {{true, false, "50", "30", "leftRadio", "downRadio"}, {0, 175, 141, 85}},
    };
    for (const auto &c : cases) {
        std::remove(mPdf.c_str());
        bool disabledDuringJob = false;
        Robot robot([&] {
            if (auto *dialog = dynamic_cast<PrintSizeDlg *>(QApplication::activeModalWidget())) {
                SetOptions(dialog, c.o);
                Child<QPushButton>(dialog, "okButton")->click();
            }
            disabledDuringJob |= !mWindow.isEnabled();
            return false;
        });
        ASSERT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 1) << gErrorTrail;
        EXPECT_TRUE(disabledDuringJob);
        EXPECT_TRUE(mWindow.isEnabled());
        EXPECT_TRUE(gBoxes.empty());
        ExpectPicture(Rasterise(), c.rect[0], c.rect[1], c.rect[2], c.rect[3]);
    }
    EXPECT_EQ(mPrinter.docName(), "Merrowick");
}

TEST_F(PrintTest, AbortingPrintsNothingAndGivesTheWindowBack)
{
    MakePicture(64, 48);
    SetUpPrinter();
    bool abortUsable = false;
    Robot robot([&] {
        if (auto *dialog = dynamic_cast<PrintSizeDlg *>(QApplication::activeModalWidget()))
            Child<QPushButton>(dialog, "okButton")->click();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == "PrintAbortDialog" && w->isVisible()) {
                auto *button = Child<QPushButton>(w, "abortButton");
                abortUsable = button->isEnabled() && !mWindow.isEnabled();
                button->click();
                return true;
            }
        return false;
    });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 1);
    EXPECT_TRUE(abortUsable);
    EXPECT_EQ(gKeepPrinting, 0);
    EXPECT_TRUE(mWindow.isEnabled());
    EXPECT_FALSE(fs::exists(mPdf));
    EXPECT_TRUE(gBoxes.empty());
    EXPECT_FALSE(TrailPending());
}

TEST_F(PrintTest, AJobThatCannotStartFailsAndGivesTheWindowBack)
{
    MakePicture(64, 48);
    SetUpPrinter();
    mPrinter.setOutputFileName(QString::fromStdString(mDir / "no-such-folder/page.pdf"));
    Robot robot([&] {
        if (auto *dialog = dynamic_cast<PrintSizeDlg *>(QApplication::activeModalWidget()))
            Child<QPushButton>(dialog, "okButton")->click();
        return false;
    });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 0);
    EXPECT_STREQ(gErrorTrail, "StartDoc\n");
    EXPECT_TRUE(mWindow.isEnabled());
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), "PrintAbortDialog");
}

TEST_F(PrintTest, PreviewShowsThePageAndCancelPrintsNothing)
{
    MakePicture(64, 48);
    SetUpPrinter();
    int pages = -1;
    Robot robot([&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *preview = dynamic_cast<PrintPreviewDlg *>(modal)) {
            pages = 10 + preview->Preview()->pageCount();
            if (const char *shot = std::getenv("MW_PREVIEW_SHOT"))
                preview->grab().save(shot);
            preview->accept();
        } else if (auto *dialog = dynamic_cast<PrintSizeDlg *>(modal)) {
            if (pages < 0) {
                SetOptions(dialog, {true, false, "50", "30", "hCenterRadio", "downRadio"});
                // Queued: the preview's own loop must not run inside this step.
                QMetaObject::invokeMethod(Child<QPushButton>(dialog, "previewButton"), "click",
                                          Qt::QueuedConnection);
                pages = 0;
            } else if (pages > 0) {
                Child<QPushButton>(dialog, "cancelButton")->click();
                return true;
            }
        }
        return false;
    });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 1);
    EXPECT_EQ(pages, 11);
    EXPECT_FALSE(fs::exists(mPdf));
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(PrintTest, ThePrintCommandNeedsAPictureAndCancellingItsDialogIsSilent)
{
    MainWindow window(RES_FindMenu("MENU_ENG"), RES_FindAccel("ACCEL_ENG"));
    ASSERT_EQ(window.Create(), 0);
    int dialogs = 0;
    Robot robot([&] {
        if (auto *dialog = dynamic_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->reject();
        }
        return false;
    });
    window.OnCommand(IDM_PRINT);
    EXPECT_EQ(dialogs, 0);
    ASSERT_TRUE(OpenPictureFile(WritePhoto(64, 48).c_str(), nullptr)) << gErrorTrail;
    window.OnCommand(IDM_PRINT);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(gBoxes.empty());
    EXPECT_TRUE(window.isEnabled());
    window.close();
}
