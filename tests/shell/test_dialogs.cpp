// The Setup dialog, and help opened from a modal dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTest>

#include "interface/interface.h"
#include "picture/compose.h"
#include "shell/dialogs.h"
#include "support/qt_app.h"

using SetupDialogTest = QtTest;

// The dialog shows the stored values in the texts of the running language (an empty folder
// stays empty, never the main directory); OK writes every key and announces only a new language,
// which waits for the next start; Cancel writes nothing.
TEST_F(SetupDialogTest, ShowsTheStoredValuesAndOkWritesEveryKeyWhileCancelWritesNothing)
{
    std::snprintf(gMainDir, sizeof gMainDir, "/srv/merrowick/");
    const struct {
        const char *before;
        int32_t offset;    // the running language
        const char *shown; // language, folders, texts
        const char *app;   // an emptied folder means the main directory, not "/"
        int language;
        bool texts, smooth, ok;
        const char *after;
    } cases[] = {{"[SETUP]\nLanguage=2\nDirectoryImages=/photos/\nInterfaceTexts=2\n", 3000,
                  "1  /photos/ on", "/home/me/layouts", 0, true, false, true,
                  "[SETUP]\nLanguage=1\nDirectoryImages=/photos/\nInterfaceTexts=1\n"
                  "DirectoryApp=/home/me/layouts/\nSmoothEdges=0\n"},
                 {"", 0, "0   off", "", 0, false, true, true,
                  "[SETUP]\nLanguage=1\nDirectoryApp=\nDirectoryImages=/photos/\nInterfaceTexts=0\n"
                  "SmoothEdges=1\n"},
                 {"[SETUP]\nLanguage=1\nInterfaceTexts=0\n", 0, "0   off", "/elsewhere", 1, true,
                  false, false, "[SETUP]\nLanguage=1\nInterfaceTexts=0\n"}};
    for (const auto &c : cases) {
        gBoxes.clear();
        mConfig.WriteIni(c.before);
        gShowButtonTexts = -1;
        gLanguageOffset = c.offset;
        SetupDlg dialog(nullptr);
        EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(StringTableLookup(311 + c.offset)));
        QComboBox *language = Child<QComboBox>(&dialog, "languageCombo");
        QLineEdit *app = Child<QLineEdit>(&dialog, "appEdit"),
                  *images = Child<QLineEdit>(&dialog, "imagesEdit");
        QCheckBox *texts = Child<QCheckBox>(&dialog, "showTextsCheck");
        EXPECT_EQ(std::to_string(language->currentIndex()) + " " + app->text().toStdString() + " " +
                      images->text().toStdString() + (texts->isChecked() ? " on" : " off"),
                  c.shown);
        language->setCurrentIndex(c.language);
        app->setText(c.app);
        images->setText("/photos/");
        texts->setChecked(c.texts);
        Child<QCheckBox>(&dialog, "smoothEdgesCheck")->setChecked(c.smooth);
        gSmoothEdges = -1;
        Child<QPushButton>(&dialog, c.ok ? "okButton" : "cancelButton")->click();

        EXPECT_EQ(dialog.result(), c.ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(mConfig.IniText(), c.after);
        EXPECT_EQ(gShowButtonTexts, c.ok ? int(c.texts) : -1);
        EXPECT_EQ(gSmoothEdges, c.ok ? int(c.smooth) : -1);
        EXPECT_EQ(gLanguageOffset, c.offset);
        const bool announced = c.ok && (c.language ? 3000 : 0) != c.offset;
        EXPECT_EQ(gBoxes,
                  announced ? std::vector<std::string>{LoadText(320)} : std::vector<std::string>{})
            << c.after;
    }
    gLanguageOffset = 0;
    gSmoothEdges = 1;
}

// Help opened from a modal dialog: the help window takes input (Escape closes it) and
// stays open on its own when the dialog ends.
TEST_F(QtTest, HelpFromAModalDialogIsUsableBesideIt)
{
    std::snprintf(gMainDir, sizeof gMainDir, "%s/", std::getenv("MW_DATA_DIR"));
    QDir::setCurrent(gMainDir);
    bool escaped = false, open = false;
    QDialog dialog;
    dialog.resize(300, 200);
    dialog.move(100, 100);
    int step = 0;
    Robot robot([&] {
        if (!dialog.isVisible())
            return false;
        QWidget *help = PLATQT_HelpWindow();
        if (step == 0) {
            ShowHelpPage("basics_print.htm");
            step = 1;
        } else if (step == 1 && help && help->isVisible() && help->windowHandle()) {
            // Through the window system, as a key press arrives: a blocked window drops it.
            QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
            step = 2;
        } else if (step == 2) {
            escaped = help && !help->isVisible() && dialog.isVisible();
            ShowHelpPage("basics_print.htm");
            dialog.reject();
            step = 3;
        }
        return step == 3;
    });
    dialog.exec();
    QTest::qWait(50);
    open = PLATQT_HelpWindow() && PLATQT_HelpWindow()->isVisible() &&
           !PLATQT_HelpWindow()->parentWidget();
    EXPECT_TRUE(escaped);
    EXPECT_TRUE(open) << "on its own after the dialog";
    EXPECT_TRUE(PLATQT_HelpCurrentFile().endsWith("basics_print.htm"));
}
