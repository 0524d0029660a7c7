// Printing: the options dialog on Qt's offscreen platform, and whole jobs on a PDF printer
// whose page is rasterised with pdftoppm and looked at pixel by pixel.
#include <QCheckBox>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <fstream>

#include "output/output.h"
#include "output/printdialogs.h"
#include "tests/output/output_support.h"

namespace
{

// The controls a case sets: custom, stretch, width, height, horizontal and vertical radio.
struct Options {
    bool custom, stretch;
    const char *width, *height, *h, *v;
};

void SetOptions(QWidget *dialog, const Options &o)
{
    Child<QRadioButton>(dialog, o.custom ? "customRadio" : "paperRadio")->click();
    Child<QCheckBox>(dialog, "stretchCheck")->setChecked(o.stretch);
    Child<QLineEdit>(dialog, "widthEdit")->setText(o.width);
    Child<QLineEdit>(dialog, "heightEdit")->setText(o.height);
    Child<QRadioButton>(dialog, o.h)->setChecked(true);
    Child<QRadioButton>(dialog, o.v)->setChecked(true);
}

// Answers the options dialog with `o` and OK.
bool AnswerOptions(const Options &o)
{
    if (auto *dialog = dynamic_cast<PrintSizeDlg *>(QApplication::activeModalWidget())) {
        SetOptions(dialog, o);
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
    // The printed page as pdftoppm draws it, 0xRRGGBB a pixel; empty when it fails.
    std::vector<uint32_t> Rasterise()
    {
        const std::string out = mDir / "page";
        if (std::system(("pdftoppm -r 72 -singlefile '" + mPdf + "' '" + out + "'").c_str()))
            return {};
        std::ifstream in(out + ".ppm", std::ios::binary);
        std::string magic;
        int w = 0, h = 0, max = 0;
        in >> magic >> w >> h >> max;
        in.get();
        std::vector<uint32_t> page(w == 400 && h == 300 ? w * h : 0);
        for (uint32_t &px : page)
            px = (in.get() << 16) | (in.get() << 8) | in.get();
        return page;
    }
    // The picture at (x, y, w, h) of the printable area: its corner colours, white
    // around it, none inside (2 pixels of slack for the edges).
    void ExpectPicture(std::array<int, 4> r)
    {
        const std::vector<uint32_t> page = Rasterise();
        ASSERT_EQ(page.size(), 400u * 300u);
        const int x = r[0] + 20, y = r[1] + 20, w = r[2], h = r[3];
        for (int i = 0; i < 4; ++i) {
            const uint32_t c =
                page[(i < 2 ? y + 3 : y + h - 4) * 400 + (i % 2 ? x + w - 4 : x + 3)];
            for (int shift : {0, 8, 16})
                EXPECT_NEAR((c >> shift) & 255, (kQuadrant[i] >> shift) & 255, 24)
                    << "corner " << i;
        }
        int stray = 0;
        for (int py = 0; py < 300; ++py)
            for (int px = 0; px < 400; ++px) {
                const bool white = page[py * 400 + px] == 0xFFFFFF;
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

} // namespace

TEST_F(PrintTest, OptionsDialogEnablesByModeAndStretchAndKeepsProportionsWhileTyping)
{
    PRINTSIZE ps = {PRINT_PAPER, 1, 135, 101, 127, 91, ALIGN_LEFT, ALIGN_UP};
    PrintSizeDlg dialog(nullptr, &ps, 1600, 1200, nullptr);
    auto *stretch = Child<QCheckBox>(&dialog, "stretchCheck");
    auto *width = Child<QLineEdit>(&dialog, "widthEdit");
    auto *height = Child<QLineEdit>(&dialog, "heightEdit");
    auto *right = Child<QRadioButton>(&dialog, "rightRadio");
    EXPECT_EQ(width->text(), "135");
    // After each click: stretch enabled and checked, edits enabled, alignment enabled.
    for (const auto &[click, on] :
         {std::pair<const char *, std::array<bool, 4>>{"paperRadio", {true, false, false, true}},
          {"stretchCheck", {true, true, false, false}},
          {"customRadio", {false, true, true, true}}}) {
        Child<QAbstractButton>(&dialog, click)->click();
        EXPECT_EQ((std::array{stretch->isEnabled(), stretch->isChecked(), width->isEnabled(),
                              right->isEnabled()}),
                  on)
            << click;
    }
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    width->setFocus();
    width->clear();
    QTest::keyClicks(width, "80");
    EXPECT_EQ(height->text(), "60");
    height->setText("10"); // set without the focus: no echo
    EXPECT_EQ(width->text(), "80");
}

TEST_F(PrintTest, OkRefusesCustomSizesOffThePaperAndWritesTheChoice)
{
    const struct {
        Options o;
        const char *box; // null: accepted
        PRINTSIZE out;
    } cases[] = {
        {{true, false, "9", "50", "leftRadio", "upRadio"},
         "The width is not valid. Please enter a value between 10 and 127\n",
         {}},
        {{true, false, "50", "92", "leftRadio", "upRadio"},
         "The height is bigger than the paper size. The maximum height is 91\n",
         {}},
        {{true, true, "10", "91", "rightRadio", "downRadio"},
         nullptr,
         {PRINT_CUSTOM, 1, 10, 91, 127, 91, ALIGN_RIGHT, ALIGN_DOWN}},
        {{false, false, "9", "9", "hCenterRadio", "vCenterRadio"},
         nullptr,
         {PRINT_PAPER, 0, 135, 101, 127, 91, ALIGN_CENTER, ALIGN_CENTER}},
    };
    for (const auto &c : cases) {
        gBoxes.clear();
        PRINTSIZE ps = {PRINT_PAPER, 1, 135, 101, 127, 91, -1, -1};
        PrintSizeDlg dialog(nullptr, &ps, 1600, 1200, nullptr);
        SetOptions(&dialog, c.o);
        Child<QPushButton>(&dialog, "okButton")->click();
        EXPECT_EQ(dialog.result(), c.box ? 0 : int(QDialog::Accepted)) << c.o.width;
        EXPECT_EQ(gBoxes.empty() ? "" : gBoxes[0], c.box ? c.box : "");
        EXPECT_TRUE(c.box || !std::memcmp(&ps, &c.out, sizeof ps)) << c.o.width;
    }
}

TEST_F(PrintTest, PicturesLandInTheirRectanglesOnThePrintedPage)
{
    MakePicture(64, 48);
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

TEST_F(PrintTest, AbortingOrFailingGivesTheWindowBack)
{
    MakePicture(64, 48);
    bool abortUsable = false;
    Robot robot([&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == "PrintAbortDialog" && w->isVisible()) {
                auto *button = Child<QPushButton>(w, "abortButton");
                abortUsable = button->isEnabled() && !mWindow.isEnabled();
                button->click();
                return true;
            }
        return AnswerOptions(kDefaults);
    });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 1);
    EXPECT_TRUE(abortUsable);
    EXPECT_TRUE(mWindow.isEnabled());
    EXPECT_FALSE(fs::exists(mPdf));
    EXPECT_FALSE(TrailPending());

    mPrinter.setOutputFileName(QString::fromStdString(mDir / "no-such-folder/page.pdf"));
    Robot answer([] { return AnswerOptions(kDefaults); });
    EXPECT_EQ(PrintOnPrinter(&mWindow, &mPrinter), 0);
    EXPECT_STREQ(gErrorTrail, "StartDoc\n");
    EXPECT_TRUE(mWindow.isEnabled());
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), "PrintAbortDialog");
}

TEST_F(PrintTest, PreviewShowsThePageAndCancelPrintsNothing)
{
    MakePicture(64, 48);
    int pages = -1;
    Robot robot([&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *preview = dynamic_cast<PrintPreviewDlg *>(modal)) {
            pages = preview->Preview()->pageCount();
            preview->accept();
        } else if (auto *dialog = dynamic_cast<PrintSizeDlg *>(modal)) {
            if (pages < 0) { // queued: the preview's own loop must not run inside this step
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
    EXPECT_EQ(pages, 1);
    EXPECT_FALSE(fs::exists(mPdf));
    EXPECT_TRUE(gBoxes.empty());
}
