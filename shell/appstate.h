// appstate.h — the global application state.
//
// Process-wide globals, zero at start unless stated; booleans are 32-bit integers
// holding 0 or 1. Owned by the application shell, read directly by every subsystem.
// No toolkit types here: handles are opaque pointers that only the shell's Qt side
// interprets.
#pragma once

#include <cstdint>

struct IMGOBJ;

// A rectangle as x, y, width, height (half-open).
struct XYWH {
    int32_t x;
    int32_t y;
    int32_t w;
    int32_t h;
};

// ---- Handles and start-up values ----
extern void *gInstance;
extern void *gMainWnd;
extern void *gMenu;
extern void *gStatusBar;
extern void *gProgressBar;
extern int32_t gStatusBarHeight;
extern int32_t gScreenWidth;  // drawing-area size (the window image in use)
extern int32_t gScreenHeight;
extern uint32_t gTimerId;
extern uint32_t gHelpCookie;
extern char gMenuName[16];  // "MENU_ENG" or "MENU_SWE"
extern char gHelpFile[16];  // "MW_ENG.HLP" or "MW_SWE.HLP"
extern char gStartFile[4096]; // the file named on the command line, absolute; empty if none
extern int32_t gShowButtonTexts;
extern int32_t gMailAvailable;

// ---- Document state ----
extern char gMainDir[4096];  // main directory, with a trailing separator
extern char gFileDir[4096];  // folder of the current document, with a trailing separator
extern char gFileName[256];  // document name without extension, or "Untitled"
extern char gFileExt[256];   // extension with its dot
extern int32_t gModified;
extern int32_t gNeedsSaveAs;
extern int32_t gDocumentOpen;
extern int32_t gPictureExists;
extern int32_t gPhotoWidth;
extern int32_t gPhotoHeight;
extern int32_t gPhotoComponents;
extern XYWH gPictureRect;

// ---- Frame control and input ----
extern int32_t gFramesRunning;
extern int32_t gAppActive;
extern int32_t gFramesSuspended;
extern int32_t gButtonReleased;
extern IMGOBJ *gSelected;
extern int32_t gMouseDown;
extern int32_t gDraggingPiece;
extern int32_t gPressX;
extern int32_t gPressY;
extern int32_t gDragDX;
extern int32_t gDragDY;
extern int32_t gMouseX;
extern int32_t gMouseY;

// Hooks the shell installs so engine code can reach shell behaviour without
// including it; each is null until the shell sets it, and callers check.
extern void (*gpSetModified)();          // SetModified()
extern void (*gpUpdateSelectionState)(); // UpdateSelectionState()

// SetModified through its hook: marks the picture modified and updates the caption.
void SetModified();
// UpdateSelectionState through its hook: brings the command state up to date.
void UpdateSelectionState();
