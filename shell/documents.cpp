// documents.cpp — opening, saving and starting pictures: the file dialogs, the save
// prompt, the New dialog and the picture export (JPEG, PNG, WebP).
//
// A document is a photo (or the blank canvas) with pieces on it, named by gFileDir,
// gFileName and gFileExt. A file that cannot be opened leaves the current picture as
// it was; a save that fails leaves the earlier file, the name and gModified as they were.
// A changed picture is closed or replaced only once it is on disk or the user said No.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "document/autosave.h"
#include "document/layout.h"
#include "document/undo.h"
#include "formats/formats.h"
#include "interface/interface.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/qt/qt_platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/documentlogic.h"
#include "shell/photodialogs.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

// Paths are the system's bytes (UTF-8 here); Qt gets and gives them as such.
static QString PathToQt(const std::string &path)
{
    return QFile::decodeName(QByteArray(path.c_str()));
}

static std::string PathFromQt(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

static QWidget *MainWnd()
{
    return static_cast<QWidget *>(gMainWnd);
}

// The layout file this picture was read from or last written to: Save replaces it
// without asking. Empty for a photo, the blank canvas and a restored picture.
static std::string sOwnFile;

static bool FileExists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void ShowDocumentState()
{
    SetCommandState(gDocumentOpen ? CMDSTATE_PICTURE : CMDSTATE_NO_PICTURE);
    UpdateSelectionState();
    UpdateTitle(MainWnd());
    if (gDocumentOpen) {
        UpdateStatusText();
    } else {
        PLAT_SetStatusText(0, LoadText(STR_WELCOME));
        PLAT_ProgressSetPos(0);
    }
}

// A key's press that has not acted yet (Left, then Ctrl+S at once) acts now, before the
// picture is saved and its buttons are greyed for the dialog.
static void ApplyPendingPresses()
{
    if (CONTROL_PressPending() && gFramesRunning && gpFrameProc)
        gpFrameProc();
}

// Before a file dialog: no commands, and the screen showing it.
static void PrepareForDialog()
{
    SetCommandState(CMDSTATE_NO_PICTURE);
    if (gFramesRunning && gpFrameProc)
        gpFrameProc();
}

static void TakeDocumentName(const char *dir, const char *name, const char *ext)
{
    std::snprintf(gFileDir, sizeof gFileDir, "%s", dir);
    std::snprintf(gFileName, sizeof gFileName, "%s", name);
    std::snprintf(gFileExt, sizeof gFileExt, "%s", ext);
}

// ---- Opening -------------------------------------------------------------------------------

// An image object told to go by AO_KillType, with what it was before.
struct KILLED {
    AO *pEntry;
    AOPROC AnimateProc;
    int32_t iState, xSrc, ySrc;
};

// Lets every image object go (they vanish within two frames) and remembers them, so a
// photo that cannot be opened leaves the picture as it was.
static std::vector<KILLED> KillPicture()
{
    std::vector<KILLED> killed;
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_IMGOBJ && e->AnimateProc != AO_DieProc)
            killed.push_back({e, e->AnimateProc, e->iState, e->xSrc, e->ySrc});
    AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
    return killed;
}

static void RevivePicture(const std::vector<KILLED> &killed)
{
    for (const KILLED &k : killed)
        for (AO *e = gAOList; e; e = e->pNext)
            if (e == k.pEntry) { // still listed: no frame has deleted it
                e->AnimateProc = k.AnimateProc;
                e->iState = k.iState;
                e->xSrc = k.xSrc;
                e->ySrc = k.ySrc;
                break;
            }
}

// Tells that the photo's file ended before its picture did: what was there is open.
static void TellIncompletePhoto(const char *path)
{
    const char *sep = std::strrchr(path, PLAT_PathSeparator());
    char text[1024];
    std::snprintf(text, sizeof text, LoadText(STR_PHOTO_INCOMPLETE), sep ? sep + 1 : path);
    PLAT_MessageBox(text, LoadText(STR_PHOTO_INCOMPLETE_TITLE), PLAT_MB_OK | PLAT_MB_ICONWARNING);
}

// A photo shown at screen size whose whole decode then failed cannot be kept: the blank
// canvas, unchanged, takes its place, and the open fails with the decoder's reason.
static int BlankInstead()
{
    const std::string blank = std::string(gMainDir) + "blank.jpg";
    // The canvas is decoded like any photo: a read of it that fails is tried once more.
    for (int attempt = 0; attempt < 2; attempt++) {
        KillPicture();
        if (IMGOBJ_AddObj(blank.c_str(), IMG_SRC, 0, 0, nullptr, nullptr) && WaitForFullPhoto() &&
            BackgroundResize()) {
            TakeDocumentName(gMainDir, LoadText(STR_UNTITLED), ".mwi");
            UpdateTitle(MainWnd());
            UpdateStatusText();
            UNDO_MarkSaved();
            break;
        }
    }
    return Fail("Could not open the file.");
}

static int OpenPhoto(const char *path, const char *dir, const char *name, const char *displayName)
{
    const int32_t modified = gModified; // the photo clears it, also when it fails late
    const std::vector<KILLED> killed = KillPicture();
    const IMGOBJ *photo = IMGOBJ_AddObj(path, IMG_SRC, 0, 0, nullptr, nullptr);
    if (!photo) {
        RevivePicture(killed);
        gModified = modified;
        return Fail("IMGOBJ_AddObj() failed!");
    }
    const int incomplete = photo->bIncomplete;
    sOwnFile.clear();
    // A new picture starts a new history (the old one's pieces are gone); its quarter
    // turns are steps of it, and the picture as it leaves the dialog counts as unchanged.
    UNDO_Clear();
    AUTOSAVE_Discard(); // the old picture was saved or its changes given up
    TakeDocumentName(dir, displayName ? displayName : name, ".mwi");
    gNeedsSaveAs = 1;
    if (!BackgroundResize())
        return Fail("BackgroundUpdate()!");
    if (!FirstDocumentStep())
        return Fail("LoadLevel('Interface') failed!");
    UpdateTitle(MainWnd());
    UpdateStatusText();
    if (incomplete)
        TellIncompletePhoto(path);
    PhotoRotateDialog(MainWnd());
    // The whole photo, decoded behind its screen-sized picture while the dialog was up.
    if (!WaitForFullPhoto())
        return BlankInstead();
    UNDO_MarkSaved();
    return 1;
}

// Says how many pieces of unknown kinds the layout just read left out.
static void TellSkippedPieces(const char *path)
{
    const char *sep = std::strrchr(path, PLAT_PathSeparator());
    char text[1024];
    std::snprintf(text, sizeof text, LoadText(STR_LAYOUT_SKIPPED), sep ? sep + 1 : path,
                  static_cast<int>(gLayoutSkipped));
    PLAT_MessageBox(text, LoadText(STR_LAYOUT_SKIPPED_TITLE), PLAT_MB_OK | PLAT_MB_ICONWARNING);
}

static int OpenLayout(const char *path, const char *dir, const char *name, const char *ext)
{
    // The layout replaces the picture only once all of it has been read.
    if (!LayoutLoad(path, 1))
        return Fail("Application file load failed!");
    UNDO_Clear();
    AUTOSAVE_Discard();
    TakeDocumentName(dir, name, ext);
    sOwnFile = path;
    if (!BackgroundResize())
        return Fail("BackgroundUpdate()!");
    if (!FirstDocumentStep())
        return Fail("LoadLevel() failed!");
    UpdateTitle(MainWnd());
    UpdateStatusText();
    if (gLayoutSkipped)
        TellSkippedPieces(path);
    return 1;
}

int RestoreAutosave(const AUTOSAVEINFO *info)
{
    char layout[sizeof info->szPicture];
    if (!AUTOSAVE_OrphanLayout(info, layout, sizeof layout) || !LayoutLoad(layout, 1))
        return Fail("The unsaved picture could not be restored.");
    UNDO_Clear();
    UNDO_ForgetSaved(); // unsaved until it is saved: undoing every change keeps it so
    sOwnFile.clear();
    // Back under its own name, but not its file: the first Save asks where.
    const char *name = info->szName[0] ? info->szName : LoadText(STR_UNTITLED);
    TakeDocumentName(info->szDir, name, info->szExt[0] ? info->szExt : ".mwi");
    gNeedsSaveAs = 1;
    if (!BackgroundResize())
        return Fail("BackgroundUpdate()!");
    if (!FirstDocumentStep())
        return Fail("LoadLevel() failed!");
    gModified = 0;
    SetModified();
    ShowDocumentState();
    return 1;
}

int OfferAutosave(QWidget *)
{
    AUTOSAVEINFO info;
    if (!AUTOSAVE_FindOrphan(&info))
        return 0;
    char when[64] = "?";
    if (const std::tm *t = std::localtime(&info.tWritten))
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", t);
    char name[sizeof info.szName + sizeof info.szExt];
    std::snprintf(name, sizeof name, "%s%s", info.szName[0] ? info.szName : LoadText(STR_UNTITLED),
                  info.szName[0] ? info.szExt : "");
    char text[1024];
    std::snprintf(text, sizeof text, LoadText(STR_RESTORE_ASK), name, when);
    // Yes is the default button: Return restores.
    const int answer =
        PLAT_MessageBox(text, LoadText(STR_RESTORE_TITLE), PLAT_MB_YESNO | PLAT_MB_ICONQUESTION);
    if (answer != PLAT_IDYES) {
        AUTOSAVE_ReleaseOrphan(1);
        return 0;
    }
    if (!RestoreAutosave(&info)) {
        ShowErrorTrail();
        AUTOSAVE_ReleaseOrphan(0); // kept: offered again at the next start
        return 0;
    }
    AUTOSAVE_ReleaseOrphan(1);
    return 1;
}

int64_t gOpenStartedUs;

int OpenPictureFile(const char *path, const char *displayName)
{
    gOpenStartedUs = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    char dir[sizeof gFileDir], name[sizeof gFileName], ext[sizeof gFileExt];
    int32_t type = FILETYPE_NONE;
    if (!SplitPath(path, dir, sizeof dir, name, sizeof name, ext, sizeof ext, &type))
        return Fail("Can't split path.");
    // The display name may come from the string ring: copied before anything else loads.
    char display[sizeof gFileName];
    if (displayName)
        std::snprintf(display, sizeof display, "%s", displayName);
    int ok;
    if (IsPhotoType(type))
        ok = OpenPhoto(path, dir, name, displayName ? display : nullptr);
    else if (type == FILETYPE_LAYOUT)
        ok = OpenLayout(path, dir, name, ext);
    else
        return Fail("File type not supported!");
    // The blank canvas is no document of the user's: it stays out of the recent list.
    if (ok && !displayName)
        RecentAdd(path);
    return ok;
}

// A file dialog over the window with the filters of a mode, starting in folder; the
// filters in the dialog's order.
static std::vector<FILEFILTER> SetUpFileDialog(QFileDialog &dialog, int mode,
                                               const std::string &folder)
{
    std::vector<FILEFILTER> filters;
    FileDialogFilters(mode, &filters);
    QStringList names;
    for (const FILEFILTER &f : filters)
        names << PLATQT_ToQt(f.description.c_str()) + " (" + QString::fromLatin1(f.patterns) + ")";
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(names);
    if (!names.isEmpty())
        dialog.selectNameFilter(names.first());
    dialog.setDirectory(PathToQt(folder));
    return filters;
}

// The extension of the save dialog's chosen filter (".mwi" for the layout). The dialog
// names it in full or, hiding the patterns, by its description alone.
static const char *ChosenExtension(const QString &chosen, const std::vector<FILEFILTER> &filters)
{
    for (const FILEFILTER &f : filters) {
        const QString description = PLATQT_ToQt(f.description.c_str());
        if (chosen == description || chosen.startsWith(description + " ("))
            return SaveFilterExtension(f.patterns);
    }
    return ".mwi";
}

int OpenFileDlg(QWidget *window, int mode)
{
    if (mode != FILEDLG_PHOTO && mode != FILEDLG_OPEN)
        return Fail("Mode not supported!");
    PrepareForDialog();
    QFileDialog dialog(window);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SetUpFileDialog(dialog, mode, FileDialogFolder(mode));
    int ok = 1;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        RememberDialogFolder(mode,
                             PathFromQt(QFileInfo(dialog.selectedFiles().first()).absolutePath()));
        ok = OpenPictureFile(PathFromQt(dialog.selectedFiles().first()).c_str(), nullptr);
    }
    // The picture is as it was when the file could not be opened: its commands stay.
    ShowDocumentState();
    return ok;
}

void OpenDocumentFile(QWidget *window, const char *path)
{
    if (gModified && !AskSaveChanges(window))
        return;
    const int ok = OpenPictureFile(path, nullptr);
    ShowDocumentState();
    if (!ok) {
        Fail("OpenFileDlg() failed");
        ShowErrorTrail();
    }
}

// ---- Saving ------------------------------------------------------------------------------------

// The picture export (JPEG, PNG or WebP by the path's extension): the picture composed
// at the size the user picks.
static int ExportPicture(const char *path, int32_t type)
{
    int32_t size[2] = {0, 0};
    if (!PhotoSizeDialog(MainWnd(), size))
        return 1; // cancelled: nothing written, nothing to report
    const int cursor = PLAT_SetWaitCursor();
    const int saved =
        PICTURE_SaveComposed(path, size[0], size[1], PICTURE_DEFAULT_QUALITY, nullptr);
    int ok = saved == 1;
    if (saved == 0)
        Fail("BuildHiResImage2() failed");
    else if (!ok)
        Fail(type == FILETYPE_PNG    ? "PngSave() failed!"
             : type == FILETYPE_WEBP ? "WebpSave() failed!"
                                     : "JpegSave() failed!");
    PLAT_RestoreCursor(cursor);
    if (!ok)
        return 0;
    gModified = 0;
    gNeedsSaveAs = 0;
    UNDO_MarkSaved();
    AUTOSAVE_Discard();
    UpdateTitle(MainWnd());
    return 1;
}

int SavePictureFile(const char *path)
{
    char dir[sizeof gFileDir], name[sizeof gFileName], ext[sizeof gFileExt];
    int32_t type = FILETYPE_NONE;
    if (!SplitPath(path, dir, sizeof dir, name, sizeof name, ext, sizeof ext, &type))
        return Fail("Can't split path.");
    if (type == FILETYPE_JPEG || type == FILETYPE_PNG || type == FILETYPE_WEBP)
        return ExportPicture(path, type);
    if (type != FILETYPE_LAYOUT)
        return Fail("You've choosen an invalid file extension.");
    const int cursor = PLAT_SetWaitCursor();
    if (!LayoutSave(path)) {
        PLAT_RestoreCursor(cursor);
        UpdateStatusText(); // not "Saving..." any more
        Fail(path);
        return Fail("LayoutSave() failed!");
    }
    sOwnFile = path;
    gNeedsSaveAs = 0;
    gModified = 0;
    UNDO_MarkSaved();
    AUTOSAVE_Discard();
    PLAT_RestoreCursor(cursor);
    TakeDocumentName(dir, name, ext);
    UpdateTitle(MainWnd());
    UpdateStatusText();
    RecentAdd(path);
    return 1;
}

// Whether the user lets a file this picture did not write be replaced.
static bool ReplaceAllowed(const std::string &path)
{
    const size_t slash = path.find_last_of(PLAT_PathSeparator());
    const std::string shown = slash == std::string::npos ? path : path.substr(slash + 1);
    char text[600];
    std::snprintf(text, sizeof text, LoadText(STR_ASK_REPLACE), shown.c_str());
    return PLAT_MessageBox(text, LoadText(STR_ASK_REPLACE_TITLE),
                           PLAT_MB_YESNO | PLAT_MB_ICONQUESTION) == PLAT_IDYES;
}

int SaveFileDlg(QWidget *window, int mode)
{
    if (mode != FILEDLG_SAVE && mode != FILEDLG_SAVEAS)
        return Fail("Mode not supported!");
    ApplyPendingPresses();
    std::string folder = FileDialogFolder(mode);
    if (mode == FILEDLG_SAVE && !gNeedsSaveAs) {
        // Straight to the document's own name, unless a file there is not this picture's
        // (a layout beside a photo exported as JPEG): then the dialog asks.
        const std::string path = std::string(gFileDir) + gFileName + gFileExt;
        if (path == sOwnFile || !FileExists(path))
            return SavePictureFile(path.c_str());
        folder = gFileDir;
    }
    PrepareForDialog();
    QFileDialog dialog(window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const std::vector<FILEFILTER> filters = SetUpFileDialog(dialog, mode, folder);
    // A name typed without an extension takes the selected filter's: a layout unless a
    // picture filter (JPEG, PNG, WebP) is chosen.
    dialog.setDefaultSuffix(QStringLiteral("mwi"));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString &filter) {
            dialog.setDefaultSuffix(QString::fromLatin1(ChosenExtension(filter, filters) + 1));
        });
    dialog.selectFile(PLATQT_ToQt(gFileName));
    int ok = 1;
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        // The dialog adds its suffix only to a name without a dot ("holiday.2019" has one).
        std::string path = PathFromQt(dialog.selectedFiles().first());
        if (AddSaveExtension(&path, ChosenExtension(dialog.selectedNameFilter(), filters)) &&
            path != sOwnFile && FileExists(path) && !ReplaceAllowed(path)) {
            dialog.selectFile(PathToQt(path)); // not that one: the dialog again
            continue;
        }
        RememberDialogFolder(mode,
                             PathFromQt(QFileInfo(dialog.selectedFiles().first()).absolutePath()));
        ok = SavePictureFile(path.c_str());
        break;
    }
    // The picture is still there after a failed save: it can be saved again.
    ShowDocumentState();
    return ok;
}

// ---- Save prompt and New
// ---------------------------------------------------------------------------

int AskSaveChanges(QWidget *)
{
    char text[600];
    char name[600];
    std::snprintf(name, sizeof name, "%s%s", gFileName, gFileExt);
    std::snprintf(text, sizeof text, LoadText(STR_ASK_SAVE), name);
    const int answer = PLAT_MessageBox(text, LoadText(STR_ASK_SAVE_TITLE),
                                       PLAT_MB_YESNOCANCEL | PLAT_MB_ICONQUESTION);
    if (answer == PLAT_IDNO)
        return 1;
    if (answer != PLAT_IDYES)
        return 0;
    // Yes goes on only once the picture is on disk: a save dialog cancelled (or a JPEG
    // size not chosen) writes nothing, and a failed save is reported; the picture stays.
    if (!SaveFileDlg(MainWnd(), FILEDLG_SAVE)) {
        Fail("The file couldn't be saved.");
        ShowErrorTrail();
        return 0;
    }
    return gModified ? 0 : 1;
}

void NewPicture(QWidget *window)
{
    int32_t choice = 0;
    if (!NewDialog(window, &choice))
        return;
    if (choice == 1) {
        if (!OpenFileDlg(window, FILEDLG_PHOTO)) {
            Fail("OpenFileDlg() failed");
            ShowErrorTrail();
        }
        return;
    }
    const std::string blank = std::string(gMainDir) + "blank.jpg";
    const int ok = OpenPictureFile(blank.c_str(), LoadText(STR_UNTITLED));
    ShowDocumentState();
    if (!ok)
        ShowErrorTrail();
}
