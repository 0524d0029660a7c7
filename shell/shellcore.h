// shellcore.h — the application shell's logic that needs no window.
//
// Start-up values (the start file, the language), the caption text, the status bar's
// geometry, the document state and main directory, help topic paths, the Setup
// dialog's values and the command states. The Qt side (shell.h) applies the results
// to widgets; everything here runs, and is tested, without a toolkit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h" // ShowHelpPage and the help topics

// ---- Start-up ---------------------------------------------------------------------------

// Takes the file named on the command line: an argument longer than 4 and shorter
// than 254 characters, without double quotes, made absolute against the current
// directory. Otherwise (or when the absolute path does not fit) gStartFile stays empty.
void SetStartFile(const char *argument);
// The language a switch argument asks for: 1 for "/EN" or "/en", 2 for "/SE" or "/se",
// 0 for anything else (mixed case does not count).
int LanguageSwitch(const char *argument);
// Chooses gLanguageOffset from SETUP/Language (1 English, 2 Swedish); any other value
// lets the last switch among the arguments decide (English without one) and writes
// the choice back. argv[0] is the program.
void ReadLanguage(int argc, char **argv);
// Sets gMenuName for gLanguageOffset.
void ChooseMenuName();
// The first argument that is not a language switch, or null.
const char *StartFileArgument(int argc, char **argv);

// ---- Document state ----------------------------------------------------------------------

// Clears the document state, takes the main directory from SETUP/DirectoryMain (the
// program's data folder when empty or when the stored folder holds no program data;
// written back), makes it current and reads SETUP/InterfaceTexts and SETUP/SmoothEdges. A main
// directory that cannot be made current is reported later, by the loads that need it.
void InitDocumentStateCore();

// The first document's step: marks a document open and builds the editing interface
// (start screen removed, level loaded, buttons made) once; later calls do nothing.
// 0 with the trail from the level file (the caller adds its own line).
int FirstDocumentStep();

// ---- Caption and status bar -----------------------------------------------------------------

// The caption: "Merrowick v1.01" without a document, "<name><ext>[ *] - Merrowick" with
// one; 17 spaces follow in both cases.
void FormatTitle(char *out, size_t size);

// Where the status bar puts its parts and the progress bar for a drawing-area width.
struct STATUSLAYOUT {
    int32_t aPartRight[2]; // right edges of parts 0 and 1
    int32_t xProgress, yProgress, iProgressWidth, iProgressHeight;
    int32_t iStatusBarHeight; // client height − 2: what the drawing area gives up
};
void CalcStatusBarLayout(int32_t screenWidth, int32_t clientHeight, int32_t verticalBorder,
                         STATUSLAYOUT *layout);

// ---- Setup dialog values ----------------------------------------------------------------------

// The combo box entry for a stored SETUP/Language text: value 1 is entry 0 (English),
// value 2 entry 1 (Swedish); any other value counts as 1.
int SetupLanguageIndex(const char *stored);
// The language number (1 or 2) for a combo box entry; anything else is 1.
int SetupLanguageNumber(int comboIndex);
// Whether a stored SETUP/InterfaceTexts value turns the button texts on: every value but
// the number 0, an empty or non-numeric text included (start-up then stores "1"). Start-up
// and Setup both read it so.
int InterfaceTextsOn(const char *stored);
// A folder as stored: the text with a trailing separator added when missing. An empty
// text stays empty (meaning the main directory).
void SetupFolderValue(const char *text, char *out, size_t size);

// ---- Command states -------------------------------------------------------------------------

// Greys (0) or enables (1) a menu command; installed by the window side.
extern void (*gpEnableMenuItem)(int32_t commandId, int32_t enable);
// What the commands may act on; each state greys and enables its commands and controls.
enum CMDSTATE : int32_t {
    CMDSTATE_NO_PICTURE = 0, // no picture: picture commands greyed
    CMDSTATE_PICTURE = 1,    // a picture: picture commands (and mail, when available)
    CMDSTATE_NO_PIECES = 2,  // nothing selected, no piece to select
    CMDSTATE_UNSELECTED = 3, // pieces, none selected: only "select next"
    CMDSTATE_CLIPART = 4,    // clip art selected: every editing command
    CMDSTATE_TEXT = 5,       // text selected: editing commands except turning
};
// The current command state.
extern int32_t gCommandState;

// Applies a command state (other numbers are ignored).
void SetCommandState(int32_t state);
// The state for the selection: CMDSTATE_NO_PIECES or CMDSTATE_UNSELECTED without one,
// CMDSTATE_CLIPART or CMDSTATE_TEXT by the selected piece's kind. Installed as the
// picture's selection notification.
void UpdateSelectionStateCore();
// Greys Undo and Redo when the history has nothing to undo or redo.
void UpdateUndoCommands();

// ---- The window on its screen (screenfit.cpp) -------------------------------------------------

// The main window's size limits in logical pixels (the desktop's scale applied by the
// toolkit), menu and status bar included.
struct WINDOWLIMITS {
    int32_t minW, minH, maxW, maxH;
};
// The limits on a screen whose available area (without panels) is availW × availH
// logical pixels, the window manager's frame taking frameW × frameH of it: 800 × 600 to
// 1280 × 1024, and on a screen too small for the minimum at its scale (1280 × 800 at
// 150 % has 853 × 533) the minimum is what the area holds, so the window fits it
// instead of running off it. An area of nothing known (0) leaves the usual limits.
WINDOWLIMITS WindowLimitsFor(int32_t availW, int32_t availH, int32_t frameW, int32_t frameH);
