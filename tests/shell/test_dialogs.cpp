// The Setup dialog: the stored values it shows and what OK and Cancel write.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "resources/strings/strings.h"
#include "interface/interface.h"
#include "shell/appstate.h"
#include "shell/dialogs.h"
#include "support/qt_app.h"

using SetupDialog = QtTest;

template <class T> static T *Find(QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

TEST_F(SetupDialog, ShowsTheStoredValuesInTheTextsOfTheLanguage)
{
    mConfig.WriteIni("[SETUP]\nLanguage=2\nDirectoryImages=/photos/\nInterfaceTexts=2\n");
    std::snprintf(gMainDir, sizeof gMainDir, "/srv/merrowick/");
    gLanguageOffset = 3000;
    SetupDlg dialog(nullptr);
    gLanguageOffset = 0;
    EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(StringTableLookup(3311)));
    EXPECT_EQ(Find<QComboBox>(dialog, "languageCombo")->currentIndex(), 1);
    EXPECT_EQ(Find<QLineEdit>(dialog, "appEdit")->text(), "/srv/merrowick/"); // empty: main dir
    EXPECT_EQ(Find<QLineEdit>(dialog, "imagesEdit")->text(), "/photos/");
    EXPECT_TRUE(Find<QCheckBox>(dialog, "showTextsCheck")->isChecked());
}

TEST_F(SetupDialog, OkWritesEveryKeyAndAnnouncesOnlyANewLanguageWhileCancelWritesNothing)
{
    const struct {
        const char *before, *app; // an emptied folder means the main directory, not "/"
        int language;
        bool texts, ok;
        const char *after;
    } cases[] = {
        {"[SETUP]\nLanguage=1\n", "/home/me/layouts", 1, true, true,
         "[SETUP]\nLanguage=2\nDirectoryApp=/home/me/layouts/\nDirectoryImages=/photos/\n"
         "InterfaceTexts=1\n"},
        {"", "", 0, false, true,
         "[SETUP]\nLanguage=1\nDirectoryApp=\nDirectoryImages=/photos/\nInterfaceTexts=0\n"},
        {"[SETUP]\nLanguage=1\nInterfaceTexts=0\n", "/elsewhere", 1, true, false,
         "[SETUP]\nLanguage=1\nInterfaceTexts=0\n"}};
    for (const auto &c : cases) {
        gBoxes.clear();
        mConfig.WriteIni(c.before);
        gShowButtonTexts = -1;
        SetupDlg dialog(nullptr);
        QComboBox *language = Find<QComboBox>(dialog, "languageCombo");
        const bool changed = language->currentIndex() != c.language;
        language->setCurrentIndex(c.language);
        Find<QLineEdit>(dialog, "appEdit")->setText(c.app);
        Find<QLineEdit>(dialog, "imagesEdit")->setText("/photos/");
        Find<QCheckBox>(dialog, "showTextsCheck")->setChecked(c.texts);
        Find<QPushButton>(dialog, c.ok ? "okButton" : "cancelButton")->click();

        EXPECT_EQ(dialog.result(), c.ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(mConfig.IniText(), c.after);
        EXPECT_EQ(gShowButtonTexts, c.ok ? int(c.texts) : -1);
        // A new language is announced and waits for the next start.
        EXPECT_EQ(gLanguageOffset, 0);
        ASSERT_EQ(gBoxes.size(), c.ok && changed ? 1u : 0u) << c.after;
        for (const RecordedBox &box : gBoxes)
            EXPECT_EQ(box.text, LoadText(320));
    }
}
