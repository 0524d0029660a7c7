// The Setup dialog: its texts and stored values, what OK and Cancel write, and the
// folder picker's refused modes.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "support/qt_app.h"

namespace
{

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
    template <class T> static T *Find(QWidget &dialog, const char *name)
    {
        T *widget = dialog.findChild<T *>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

} // namespace

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

TEST_F(SetupTest, OkWritesEveryKeyAndOnlyANewLanguageIsAnnouncedWhileCancelWritesNothing)
{
    const struct {
        const char *before;
        int language;
        const char *app;
        bool texts;
        const char *button;
        const char *after;
        bool announced;
    } cases[] = {
        {"[SETUP]\nLanguage=1\n", 1, "/home/me/layouts", true, "okButton",
         "[SETUP]\nLanguage=2\nDirectoryApp=/home/me/layouts/\nDirectoryImages=/home/me/photos/\n"
         "InterfaceTexts=1\n",
         true},
        // An emptied folder means the main directory, not "/".
        {"", 0, "", false, "okButton",
         "[SETUP]\nLanguage=1\nDirectoryApp=\nDirectoryImages=/home/me/photos/\nInterfaceTexts=0\n",
         false},
        {"[SETUP]\nLanguage=1\nInterfaceTexts=0\n", 1, "/elsewhere", true, "cancelButton",
         "[SETUP]\nLanguage=1\nInterfaceTexts=0\n", false},
    };
    for (const auto &c : cases) {
        Boxes().clear();
        TempConfig config;
        config.WriteIni(c.before);
        gShowButtonTexts = -1;
        SetupDlg dialog(nullptr);
        Find<QComboBox>(dialog, "languageCombo")->setCurrentIndex(c.language);
        Find<QLineEdit>(dialog, "appEdit")->setText(c.app);
        Find<QLineEdit>(dialog, "imagesEdit")->setText("/home/me/photos/");
        Find<QCheckBox>(dialog, "showTextsCheck")->setChecked(c.texts);
        Find<QPushButton>(dialog, c.button)->click();

        const bool ok = std::string(c.button) == "okButton";
        EXPECT_EQ(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(config.IniText(), c.after);
        EXPECT_EQ(gShowButtonTexts, ok ? int(c.texts) : -1);
        EXPECT_EQ(gLanguageOffset, 0); // a new language waits for the next start
        ASSERT_EQ(Boxes().size(), c.announced ? 1u : 0u) << c.after;
        if (c.announced) {
            EXPECT_EQ(Boxes()[0].text, LoadText(320));
            EXPECT_EQ(Boxes()[0].title, LoadText(319));
            EXPECT_EQ(Boxes()[0].flags, PLAT_MB_OK | PLAT_MB_ICONINFORMATION);
        }
    }
}

TEST_F(SetupTest, FolderPickerRefusesUnknownModes)
{
    char folder[64] = "/tmp/";
    EXPECT_EQ(BrowseFolder(nullptr, folder, sizeof folder, 3), 0);
    EXPECT_STREQ(gErrorTrail, "Mode not supported!\n");
    EXPECT_STREQ(folder, "/tmp/");
    TrailClear();
}
