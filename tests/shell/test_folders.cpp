// Where the file dialogs start (the setting, else the last folder used, else the user's
// pictures folder, never the program's data folder), and the extension a saved name takes.
#include <gtest/gtest.h>

#include "shell/documentlogic.h"
#include "support/temp_dir.h"

namespace
{

class Folders : public ::testing::Test
{
  protected:
    TempConfig config;
    TempDir home;
    ScopedEnv homeVar{"HOME", home.Path()};
    // A folder under the home folder, made, with its separator.
    std::string Made(const std::string &name)
    {
        fs::create_directories(home / name);
        return home / name + "/";
    }
};

TEST_F(Folders, DialogsStartInTheSettingElseTheLastFolderElsePicturesNeverTheDataFolder)
{
    std::snprintf(gMainDir, sizeof gMainDir, "%s", Made("data").c_str());
    const std::string pictures = Made("Pictures"), last = Made("last");
    config.WriteText("user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n");
    EXPECT_EQ(FileDialogFolder(FILEDLG_OPEN), pictures);
    EXPECT_EQ(FileDialogFolder(FILEDLG_PHOTO), pictures);

    RememberDialogFolder(FILEDLG_SAVEAS, home / "last"); // shared by open and save
    EXPECT_EQ(FileDialogFolder(FILEDLG_OPEN), last);
    EXPECT_EQ(FileDialogFolder(FILEDLG_PHOTO), pictures) << "the photos' own";

    PLAT_WriteProfileString("SETUP", "DirectoryApp", "/set/by/user/");
    EXPECT_EQ(FileDialogFolder(FILEDLG_SAVE), "/set/by/user/");
    PLAT_WriteProfileString("SETUP", "DirectoryApp", "");

    fs::remove_all(home / "last"); // a remembered folder that has gone
    EXPECT_EQ(FileDialogFolder(FILEDLG_OPEN), pictures);
}

// A name typed without a known extension takes the chosen filter's; a kind the user named stays.
TEST(SaveDialog, ANameWithoutAKnownExtensionTakesTheChosenFiltersOne)
{
    for (const auto &[typed, ext, saved] : {std::tuple{"/p/card", ".png", "/p/card.png"},
                                            {"/p/card.2019", ".webp", "/p/card.2019.webp"},
                                            {"/p/card.jpg", ".png", "/p/card.jpg"},
                                            {"/p/card.WEBP", ".mwi", "/p/card.WEBP"}}) {
        std::string path = typed;
        AddSaveExtension(&path, ext);
        EXPECT_EQ(path, saved);
    }
}

} // namespace
