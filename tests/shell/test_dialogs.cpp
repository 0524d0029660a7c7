// The Setup dialog, the folder picker's modes, the About box, centring and message boxes.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "tests/shell/qt_fixture.h"

class SetupTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        gLanguageOffset = 0;
        std::snprintf(gMainDir, sizeof gMainDir, "/srv/merrowick/");
    }
    void TearDown() override
    {
        gLanguageOffset = 0;
        QtTest::TearDown();
    }
    template <class T> T *Find(QWidget &dialog, const char *name)
    {
        T *widget = dialog.findChild<T *>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

TEST_F(SetupTest, ShowsTextsOfTheLanguageAndTheStoredValues)
{
    mConfig.WriteIni("[SETUP]\nLanguage=2\nDirectoryImages=/photos/\nInterfaceTexts=1\n");
    gLanguageOffset = 3000;
    SetupDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(LoadText(311)));
    EXPECT_EQ(Find<QCheckBox>(dialog, "showTextsCheck")->text(),
              QString::fromLatin1(LoadText(314)));
    EXPECT_EQ(Find<QPushButton>(dialog, "cancelButton")->text(), QString::fromLatin1(LoadText(12)));
    QComboBox *combo = Find<QComboBox>(dialog, "languageCombo");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QString::fromLatin1(LoadText(144)));
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(Find<QLineEdit>(dialog, "appEdit")->text(), "/srv/merrowick/"); // empty: main dir
    EXPECT_EQ(Find<QLineEdit>(dialog, "imagesEdit")->text(), "/photos/");
    EXPECT_TRUE(Find<QCheckBox>(dialog, "showTextsCheck")->isChecked());
}

TEST_F(SetupTest, OkWritesEveryKeyAndAnnouncesANewLanguage)
{
    mConfig.WriteIni("[SETUP]\nLanguage=1\n");
    SetupDlg dialog(nullptr);
    Find<QComboBox>(dialog, "languageCombo")->setCurrentIndex(1);
    Find<QLineEdit>(dialog, "appEdit")->setText("/home/me/layouts");
    Find<QLineEdit>(dialog, "imagesEdit")->setText("/home/me/photos/");
    Find<QCheckBox>(dialog, "showTextsCheck")->setChecked(true);
    Find<QPushButton>(dialog, "okButton")->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, LoadText(320));
    EXPECT_EQ(Boxes()[0].title, LoadText(319));
    EXPECT_EQ(Boxes()[0].flags, PLAT_MB_OK | PLAT_MB_ICONINFORMATION);
    EXPECT_EQ(mConfig.IniText(), "[SETUP]\nLanguage=2\nDirectoryApp=/home/me/layouts/\n"
                                 "DirectoryImages=/home/me/photos/\nInterfaceTexts=1\n");
    EXPECT_EQ(gShowButtonTexts, 1);
    EXPECT_EQ(gLanguageOffset, 0); // the new language waits for the next start
}

TEST_F(SetupTest, OkWithTheCurrentLanguageSaysNothing)
{
    SetupDlg dialog(nullptr);
    Find<QCheckBox>(dialog, "showTextsCheck")->setChecked(false);
    Find<QLineEdit>(dialog, "appEdit")->clear();
    Find<QPushButton>(dialog, "okButton")->click();
    EXPECT_TRUE(Boxes().empty());
    char value[64];
    PLAT_GetProfileString("SETUP", "Language", "", value, sizeof value);
    EXPECT_STREQ(value, "1");
    PLAT_GetProfileString("SETUP", "InterfaceTexts", "", value, sizeof value);
    EXPECT_STREQ(value, "0");
    PLAT_GetProfileString("SETUP", "DirectoryApp", "<none>", value, sizeof value);
    EXPECT_STREQ(value, ""); // an emptied folder means the main directory, not "/"
    EXPECT_EQ(gShowButtonTexts, 0);
}

TEST_F(SetupTest, CancelWritesNothing)
{
    mConfig.WriteIni("[SETUP]\nLanguage=1\nInterfaceTexts=0\n");
    SetupDlg dialog(nullptr);
    Find<QComboBox>(dialog, "languageCombo")->setCurrentIndex(1);
    Find<QLineEdit>(dialog, "appEdit")->setText("/elsewhere");
    Find<QCheckBox>(dialog, "showTextsCheck")->setChecked(true);
    Find<QPushButton>(dialog, "cancelButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(mConfig.IniText(), "[SETUP]\nLanguage=1\nInterfaceTexts=0\n");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(SetupTest, FolderPickerRefusesUnknownModes)
{
    char folder[64] = "/tmp/";
    EXPECT_EQ(BrowseFolder(nullptr, folder, sizeof folder, 3), 0);
    EXPECT_STREQ(gErrorTrail, "Mode not supported!\n");
    EXPECT_STREQ(folder, "/tmp/");
    TrailClear();
}
