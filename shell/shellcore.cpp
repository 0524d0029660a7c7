// shellcore.cpp — start-up values, caption, status bar geometry, document state, help
// topics and Setup dialog values.
#include "shell/shellcore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "interface/interface.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "resources/strings/strings.h"
#include "shell/appstate.h"

// ---- Start-up ---------------------------------------------------------------------------

void SetStartFile(const char *argument)
{
    gStartFile[0] = '\0';
    if (!argument)
        return;
    size_t length = std::strlen(argument);
    if (length <= 4 || length >= 254)
        return;
    std::string name;
    for (size_t i = 0; i < length; i++)
        if (argument[i] != '"')
            name += argument[i];
    if (name.empty())
        return;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(name, error);
    if (error)
        return;
    std::string path = absolute.lexically_normal().string();
    if (path.size() >= sizeof gStartFile)
        return;
    std::memcpy(gStartFile, path.c_str(), path.size() + 1);
}

int LanguageSwitch(const char *argument)
{
    if (!argument)
        return 0;
    if (!std::strcmp(argument, "/EN") || !std::strcmp(argument, "/en"))
        return 1;
    if (!std::strcmp(argument, "/SE") || !std::strcmp(argument, "/se"))
        return 2;
    return 0;
}

const char *StartFileArgument(int argc, char **argv)
{
    for (int i = 1; i < argc; i++)
        if (argv[i] && !LanguageSwitch(argv[i]))
            return argv[i];
    return nullptr;
}

void ReadLanguage(int argc, char **argv)
{
    char value[41];
    PLAT_GetProfileString("SETUP", "Language", "0", value, sizeof value);
    int stored = std::atoi(value);
    if (stored == 1 || stored == 2) {
        gLanguageOffset = stored == 2 ? LANGUAGE_SWEDISH : LANGUAGE_ENGLISH;
        return;
    }
    int chosen = 1;
    for (int i = 1; i < argc; i++) {
        int asked = LanguageSwitch(argv[i]);
        if (asked)
            chosen = asked;
    }
    gLanguageOffset = chosen == 2 ? LANGUAGE_SWEDISH : LANGUAGE_ENGLISH;
    PLAT_WriteProfileString("SETUP", "Language", chosen == 2 ? "2" : "1");
}

void ChooseMenuName()
{
    bool swedish = gLanguageOffset == LANGUAGE_SWEDISH;
    std::snprintf(gMenuName, sizeof gMenuName, "%s", swedish ? "MENU_SWE" : "MENU_ENG");
}

// ---- Document state ----------------------------------------------------------------------

static void WithTrailingSeparator(char *path, size_t size)
{
    size_t n = std::strlen(path);
    char sep = PLAT_PathSeparator();
    if (n > 0 && path[n - 1] != sep && n + 1 < size) {
        path[n] = sep;
        path[n + 1] = '\0';
    }
}

// Whether a folder holds the program's data (its graphics map or its level file; a
// missing one of them is reported when it is read).
static bool HoldsProgramData(const char *folder)
{
    std::error_code error;
    const std::filesystem::path dir(folder);
    return std::filesystem::is_regular_file(dir / "obj.edi", error) ||
           std::filesystem::is_regular_file(dir / "merrowick.lvl", error);
}

void InitDocumentStateCore()
{
    gPictureRect = XYWH{};
    gPhotoWidth = gPhotoHeight = 0;
    gPictureExists = gNeedsSaveAs = gDocumentOpen = gModified = 0;
    gFileDir[0] = gFileName[0] = gFileExt[0] = '\0';
    gMainDir[0] = '\0';

    PLAT_GetProfileString("SETUP", "DirectoryMain", "", gMainDir, sizeof gMainDir);
    // A stored folder without the program's data (a build tree since removed, or the
    // build's folder remembered by an installed program) gives way to the data folder.
    if (gMainDir[0] && !HoldsProgramData(gMainDir))
        gMainDir[0] = '\0';
    if (!gMainDir[0]) {
        // The data folder beside the program, not the current directory: a first start
        // from any other folder would otherwise leave every later start without data.
        std::snprintf(gMainDir, sizeof gMainDir, "%s", PLAT_DefaultDataDir());
        PLAT_WriteProfileString("SETUP", "DirectoryMain", gMainDir);
    }
    WithTrailingSeparator(gMainDir, sizeof gMainDir);
    if (::chdir(gMainDir) != 0)
        PLAT_DebugOutput("The main directory cannot be made current.");

    char texts[16];
    PLAT_GetProfileString("SETUP", "InterfaceTexts", "2", texts, sizeof texts);
    gShowButtonTexts = InterfaceTextsOn(texts);
    if (gShowButtonTexts && std::strcmp(texts, "1") != 0)
        PLAT_WriteProfileString("SETUP", "InterfaceTexts", "1");
    // Smooth edges for the composed picture unless turned off in Setup.
    PLAT_GetProfileString("SETUP", "SmoothEdges", "1", texts, sizeof texts);
    gSmoothEdges = std::atoi(texts) != 0;
}

int FirstDocumentStep()
{
    if (gDocumentOpen)
        return 1;
    gDocumentOpen = 1;
    return INTERFACE_Open();
}

int InterfaceTextsOn(const char *stored)
{
    if (!stored)
        return 1;
    char *end = nullptr;
    const long value = std::strtol(stored, &end, 10);
    while (end && (*end == ' ' || *end == '\t'))
        end++;
    const bool number = end != stored && end && !*end;
    return !(number && value == 0);
}

// ---- Caption and status bar -----------------------------------------------------------------

void FormatTitle(char *out, size_t size)
{
    static const char *const kSpaces = "                 "; // 17
    if (!gDocumentOpen)
        std::snprintf(out, size, "%s %s%s", "Merrowick", "v1.01", kSpaces);
    else
        std::snprintf(out, size, "%s%s%s - %s%s", gFileName, gFileExt, gModified ? " *" : "",
                      "Merrowick", kSpaces);
}

void CalcStatusBarLayout(int32_t screenWidth, int32_t clientHeight, int32_t verticalBorder,
                         STATUSLAYOUT *layout)
{
    layout->aPartRight[0] = screenWidth / 2;
    layout->aPartRight[1] = screenWidth / 2 + 175;
    layout->iStatusBarHeight = clientHeight - 2;
    layout->xProgress = screenWidth / 2 + 15;
    layout->yProgress = verticalBorder + 3;
    layout->iProgressWidth = 171;
    layout->iProgressHeight = clientHeight - verticalBorder - 6;
}

// ---- Setup dialog values ----------------------------------------------------------------------

int SetupLanguageIndex(const char *stored)
{
    int value = stored ? std::atoi(stored) : 1;
    if (value != 1 && value != 2)
        value = 1;
    return value - 1;
}

int SetupLanguageNumber(int comboIndex)
{
    int number = comboIndex + 1;
    return number == 2 ? 2 : 1;
}

void SetupFolderValue(const char *text, char *out, size_t size)
{
    if (!size)
        return;
    std::snprintf(out, size, "%s", text ? text : "");
    if (out[0])
        WithTrailingSeparator(out, size);
}
