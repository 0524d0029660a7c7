// platform.h — the few desktop services the engine needs.
//
// The engine (pixels/, picture/, formats/, interface/, the clip-art catalogue) includes
// no toolkit header; everything it needs from the desktop comes through these plain
// functions. platform/qt/ implements them on Qt; platform/fake/ is a recording fake
// for engine tests. Strings are 8-bit Windows Latin-1 (code page 1252) unless a
// function says otherwise; the implementations convert at this edge.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- The window image -------------------------------------------------------------
// Pixels in blue, green, red order, rows top-down a pitch apart: 3 bytes a pixel, or 4
// with a fourth byte of 255 (the screen's own format, shown without converting).
struct PLAT_IMAGE {
    uint8_t *pBits;
    int32_t iWidth;
    int32_t iHeight;
    int32_t iPitch;
    int32_t iBytesPerPixel; // 3 or 4
};

// The main window's image that the frame copies into (the "window DC"); null when no
// window exists. It holds the drawing area, up to 1280 × 1024, and lives as long as the
// window (its pixels move when the drawing area grows).
PLAT_IMAGE *PLAT_GetWindowImage();
// Tells the window that a rectangle of its image changed and must be shown.
void PLAT_InvalidateWindow(int32_t x, int32_t y, int32_t width, int32_t height);

// ---- Messages, cursor, status bar, progress ---------------------------------------
enum {
    PLAT_MB_OK = 0x0,
    PLAT_MB_OKCANCEL = 0x1,
    PLAT_MB_YESNOCANCEL = 0x3,
    PLAT_MB_YESNO = 0x4,
    PLAT_MB_ICONSTOP = 0x10,
    PLAT_MB_ICONQUESTION = 0x20,
    PLAT_MB_ICONWARNING = 0x30,
    PLAT_MB_ICONINFORMATION = 0x40,
};
enum { PLAT_IDOK = 1, PLAT_IDCANCEL = 2, PLAT_IDYES = 6, PLAT_IDNO = 7 };

// Shows a modal message box owned by the main window (or by no window when
// bNoOwner is 1); returns the PLAT_ID* of the button pressed.
int PLAT_MessageBox(const char *text, const char *title, int flags, int bNoOwner = 0);
// Shows the wait cursor; returns the previous state for PLAT_RestoreCursor.
int PLAT_SetWaitCursor();
// Puts back the cursor state returned by PLAT_SetWaitCursor.
void PLAT_RestoreCursor(int previous);
// Writes a text into a part (0 or 1) of the status bar.
void PLAT_SetStatusText(int part, const char *text);
// The status bar's progress bar: range, position, step and one step forward.
void PLAT_ProgressSetRange(int32_t low, int32_t high);
void PLAT_ProgressSetPos(int32_t pos);
void PLAT_ProgressSetStep(int32_t step);
void PLAT_ProgressStepIt();
// Text for a developer's eyes only (the debugger output of the original platform).
void PLAT_DebugOutput(const char *text);

// ---- Time ---------------------------------------------------------------------------
// Milliseconds from an arbitrary start, monotonic.
uint32_t PLAT_Milliseconds();

// ---- Embedded resources -------------------------------------------------------------
// The bytes of an embedded resource ("SPRITE", "CLIPART", "TEXT1", "CAT_HATS", ...),
// or null when the program has no resource of that name. The bytes are read-only and
// live for the whole run. Bitmaps are stored as whole ".bmp" files (with file header).
const uint8_t *PLAT_FindResource(const char *name, size_t *size);

// ---- Files and folders ----------------------------------------------------------------
// The main directory: the program's data files ("obj.edi", "clipart/", "help/", ...),
// with a trailing separator. Set at start from the settings (the default data folder
// when they name none); every part of the program finds its data through it.
extern char gMainDir[4096];
// The folder that holds the program's data files when the settings name none: the
// data folder next to the executable (the build tree's data/ when run from the
// build). Ends with a separator.
const char *PLAT_DefaultDataDir();
// A private temporary folder for this run, created on first use; ends with a separator.
const char *PLAT_TempDir();
// The path separator of this system.
char PLAT_PathSeparator();
// The folder of the user's own stickers, $XDG_DATA_HOME/merrowick/stickers/ (default
// ~/.local/share/merrowick/stickers/), read afresh on each call; ends with a separator.
// It may not exist yet.
const char *PLAT_UserStickerDir();

// ---- Settings (the INI file) ---------------------------------------------------------
// The settings file "MerrowickDemo.ini" in $XDG_CONFIG_HOME (default ~/.config).
// Reads key in section into buf (at most size − 1 characters, always terminated);
// the default when the key or file is missing, or when the file cannot be read (said
// once in the error trail). Returns the length copied.
int PLAT_GetProfileString(const char *section, const char *key, const char *deflt, char *buf,
                          int size);
// Writes key=value into section, creating the file and section as needed.
// Returns 1 on success, 0 with a trail line when the file cannot be read or written
// (the file is then as it was).
int PLAT_WriteProfileString(const char *section, const char *key, const char *value);
// Full path of the settings file.
const char *PLAT_SettingsPath();

// ---- Help and mail -------------------------------------------------------------------
// Shows an HTML help topic given as a path relative to the main directory
// ("help/<book>/html/<page>") in the program's help window.
void PLAT_ShowHelp(const char *topicPath);
// The help topic of an English page name in the current language:
// ".\Merrowick_English.chm::/html/<page>" or ".\Merrowick_Swedish.chm::/html/<page>_swe.htm".
void HelpTopic(const char *englishPage, char *out, size_t size);
// A topic path as a file under the main directory: "help/<book>/html/<page>".
// 0 when the topic has no "::/" part.
int HelpTopicFile(const char *topic, char *out, size_t size);
// Shows an English page's topic in the current language in the help window.
void ShowHelpPage(const char *englishPage);
// Whether e-mail can be sent (the desktop's mail command is present).
int PLAT_MailAvailable();
