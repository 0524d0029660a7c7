// documentlogic.h — the open and save flows' rules that need no window: how a path
// splits into the document's folder, name and extension, the file dialogs' filters and
// starting folders, and the list of recent documents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Splits a path into its folder (up to and including the last separator), its name
// (from there to the last '.') and its extension (from the last '.', with the dot), and
// sets *type from the extension (FileTypeOf's types, formats.h) when it is recognised;
// the caller sets *type to 0 first. A last part without a '.' is all name. 0 with "Not
// a valid file.", "File extension is too long!" (more than 255 characters) or "File
// name is too long!" (more than 254) in the trail.
int SplitPath(const char *path, char *dir, size_t dirSize, char *name, size_t nameSize, char *ext,
              size_t extSize, int32_t *type);

// The file dialogs' modes. The photo mode's starting folder is SETUP/DirectoryImages,
// every other's SETUP/DirectoryApp.
enum FILEDLGMODE : int {
    FILEDLG_PHOTO = 1,  // open a photo (New > Photo)
    FILEDLG_OPEN = 2,   // open any file the program reads (Open)
    FILEDLG_SAVE = 3,   // Save
    FILEDLG_SAVEAS = 4, // Save As
};

// One filter of a file dialog: its description and its patterns ("*.jpg *.jpeg").
struct FILEFILTER {
    std::string description;
    std::string patterns;
};
// The filters of a file dialog's mode (FILEDLG_*), in the current language, built as
// "description@patterns@" pairs from the string table. 0 with "Mode not supported!" for any other
// mode.
int FileDialogFilters(int mode, std::vector<FILEFILTER> *filters);
// The extension a save dialog's filter stands for, from its patterns ("*.png" ".png"):
// ".jpg", ".png", ".webp", or ".mwi" for the layout filter and anything else.
const char *SaveFilterExtension(const std::string &patterns);
// Adds ext (the chosen filter's, SaveFilterExtension) to a path whose name has no
// extension that the program knows ("holiday.2019"); 1 when added.
int AddSaveExtension(std::string *path, const char *ext);
// The folder a file dialog starts in: SETUP/DirectoryImages for FILEDLG_PHOTO, else
// SETUP/DirectoryApp. When the setting is empty: the folder last used in a dialog of that
// kind (RememberDialogFolder) while it is there, else PicturesFolder(); never the
// program's own data folder.
std::string FileDialogFolder(int mode);
// Keeps folder as the last one a dialog of mode's kind was used in (MISC/LastPhotoFolder for
// FILEDLG_PHOTO, MISC/LastFolder for the others).
void RememberDialogFolder(int mode, const std::string &folder);
// The user's pictures folder: XDG_PICTURES_DIR of the user-dirs.dirs file in
// $XDG_CONFIG_HOME (default ~/.config) while that folder is there, else the home folder,
// each with a trailing separator; "" when there is no home either.
std::string PicturesFolder();
// How File > Recent shows a path: its file name, a tab, then its folder (the home folder
// written "~"), which the menu draws dimmed.
std::string RecentLabel(const std::string &path);

// ---- Recent documents
// ----------------------------------------------------------------------------
constexpr int RECENT_MAX = 8;
// The recent documents from the settings (MISC/Recent1 … Recent8), newest first; empty
// entries are skipped.
std::vector<std::string> RecentFiles();
// Puts a path at the top of the list (once), keeps the newest eight and writes them back.
void RecentAdd(const char *path);
// Takes a path out of the list (a document that no longer opens).
void RecentRemove(const char *path);
