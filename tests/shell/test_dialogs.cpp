// The Setup dialog: the stored values it shows and what OK and Cancel write; Qt's own
// buttons in the program's language.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <tuple>

#include "interface/interface.h"
#include "picture/compose.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/dialogs.h"
#include "support/qt_app.h"

using SetupDialog = QtTest;

TEST_F(SetupDialog, ShowsTheStoredValuesInTheTextsOfTheLanguage)
{
    mConfig.WriteIni("[SETUP]\nLanguage=2\nDirectoryImages=/photos/\nInterfaceTexts=2\n");
    std::snprintf(gMainDir, sizeof gMainDir, "/srv/merrowick/");
    gLanguageOffset = 3000;
    SetupDlg dialog(nullptr);
    gLanguageOffset = 0;
    EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(StringTableLookup(3311)));
    EXPECT_EQ(Child<QComboBox>(&dialog, "languageCombo")->currentIndex(), 1);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "appEdit")->text(), "/srv/merrowick/"); // empty: main dir
    EXPECT_EQ(Child<QLineEdit>(&dialog, "imagesEdit")->text(), "/photos/");
    EXPECT_TRUE(Child<QCheckBox>(&dialog, "showTextsCheck")->isChecked());
}

TEST_F(SetupDialog, OkWritesEveryKeyAndAnnouncesOnlyANewLanguageWhileCancelWritesNothing)
{
    const struct {
        const char *before, *app; // an emptied folder means the main directory, not "/"
        int language;
        bool texts, smooth, ok;
        const char *after;
    } cases[] = {{"[SETUP]\nLanguage=1\n", "/home/me/layouts", 1, true, false, true,
                  "[SETUP]\nLanguage=2\nDirectoryApp=/home/me/layouts/\nDirectoryImages=/photos/\n"
                  "InterfaceTexts=1\nSmoothEdges=0\n"},
                 {"", "", 0, false, true, true,
                  "[SETUP]\nLanguage=1\nDirectoryApp=\nDirectoryImages=/photos/\nInterfaceTexts=0\n"
                  "SmoothEdges=1\n"},
                 {"[SETUP]\nLanguage=1\nInterfaceTexts=0\n", "/elsewhere", 1, true, false, false,
                  "[SETUP]\nLanguage=1\nInterfaceTexts=0\n"}};
    for (const auto &c : cases) {
        gBoxes.clear();
        mConfig.WriteIni(c.before);
        gShowButtonTexts = -1;
        SetupDlg dialog(nullptr);
        QComboBox *language = Child<QComboBox>(&dialog, "languageCombo");
        const bool changed = language->currentIndex() != c.language;
        language->setCurrentIndex(c.language);
        Child<QLineEdit>(&dialog, "appEdit")->setText(c.app);
        Child<QLineEdit>(&dialog, "imagesEdit")->setText("/photos/");
        Child<QCheckBox>(&dialog, "showTextsCheck")->setChecked(c.texts);
        Child<QCheckBox>(&dialog, "smoothEdgesCheck")->setChecked(c.smooth);
        gSmoothEdges = -1;
        Child<QPushButton>(&dialog, c.ok ? "okButton" : "cancelButton")->click();

        EXPECT_EQ(dialog.result(), c.ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(mConfig.IniText(), c.after);
        EXPECT_EQ(gShowButtonTexts, c.ok ? int(c.texts) : -1);
        EXPECT_EQ(gSmoothEdges, c.ok ? int(c.smooth) : -1);
        // A new language is announced and waits for the next start.
        EXPECT_EQ(gLanguageOffset, 0);
        ASSERT_EQ(gBoxes.size(), c.ok && changed ? 1u : 0u) << c.after;
        for (const std::string &box : gBoxes)
            EXPECT_EQ(box, LoadText(320));
    }
    gSmoothEdges = 1;
}

// Qt's own buttons speak the program's language: the save prompt's Yes, No and Cancel.
TEST_F(QtTest, MessageBoxButtonsFollowTheProgramsLanguage)
{
    PLATQT_SetMessageBoxHook(nullptr);
    for (const auto &[swedish, yes, cancel] :
         {std::tuple{1, "&Ja", "Avbryt"}, std::tuple{0, "&Yes", "Cancel"}}) {
        ASSERT_TRUE(PLATQT_SetLanguage(swedish));
        QStringList shown;
        QTimer::singleShot(0, [&shown] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton *b : box->buttons())
                shown << b->text();
            box->reject();
        });
        EXPECT_EQ(PLAT_MessageBox("The file has been changed.", "Save changes?",
                                  PLAT_MB_YESNOCANCEL | PLAT_MB_ICONQUESTION, 1),
                  PLAT_IDCANCEL);
        EXPECT_TRUE(shown.contains(yes) && shown.contains(cancel)) << shown.join(",").toStdString();
    }
}
