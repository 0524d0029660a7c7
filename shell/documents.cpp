// documents.cpp — opening, saving and starting pictures: the file dialogs, the save
// prompt and the New dialog.
//
// For now a photo named on the command line opens; the dialogs, layout files and
// saving come with the document work.
#include <cstdio>
#include <cstring>

#include "formats/formats.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

// Splits a path into the document's folder, name and extension.
static void TakeDocumentName(const char *path, const char *displayName)
{
    const char *slash = std::strrchr(path, PLAT_PathSeparator());
    const char *base = slash ? slash + 1 : path;
    const char *dot = std::strrchr(base, '.');
    const size_t dirLen = static_cast<size_t>(base - path);
    std::snprintf(gFileDir, sizeof gFileDir, "%.*s", static_cast<int>(dirLen), path);
    const size_t nameLen = dot ? static_cast<size_t>(dot - base) : std::strlen(base);
    std::snprintf(gFileName, sizeof gFileName, "%.*s", static_cast<int>(nameLen), base);
    std::snprintf(gFileExt, sizeof gFileExt, "%s", dot ? dot : "");
    if (displayName)
        std::snprintf(gFileName, sizeof gFileName, "%s", displayName);
}

int OpenPictureFile(const char *path, const char *displayName)
{
    const int32_t type = FileTypeOf(path);
    if (type != FILETYPE_JPEG && type != FILETYPE_BITMAP)
        return Fail("File type not supported!");
    AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
    TakeDocumentName(path, displayName);
    if (!IMGOBJ_AddObj(path, IMG_SRC, 0, 0, nullptr, nullptr))
        return Fail("IMGOBJ_AddObj() failed!");
    std::snprintf(gFileExt, sizeof gFileExt, ".mwi");
    gNeedsSaveAs = 1;
    if (!FirstDocumentStep())
        return Fail("LoadLevel('Interface') failed!");
    UpdateTitle(static_cast<QWidget *>(gMainWnd));
    return 1;
}

int OpenFileDlg(QWidget *, int)
{
    return 1;
}

int SaveFileDlg(QWidget *, int)
{
    return Fail("Saving is not available yet.");
}

int AskSaveChanges(QWidget *)
{
    char text[600];
    char name[600];
    std::snprintf(name, sizeof name, "%s%s", gFileName, gFileExt);
    std::snprintf(text, sizeof text, LoadText(103), name);
    const int answer =
        PLAT_MessageBox(text, LoadText(104), PLAT_MB_YESNOCANCEL | PLAT_MB_ICONQUESTION);
    if (answer == PLAT_IDCANCEL)
        return 0;
    if (answer == PLAT_IDYES && !SaveFileDlg(static_cast<QWidget *>(gMainWnd), 3)) {
        Fail("The file couldn't be saved.");
        ShowErrorTrail();
    }
    return 1;
}

void NewPicture(QWidget *) {}
