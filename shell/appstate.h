// appstate.h — the window's own state.
//
// Process-wide globals of the application shell, zero at start unless stated;
// booleans are 32-bit integers holding 0 or 1. The engine's state lives with the
// engine: the screen size and picture rectangle in pixels/pixels.h, the frame switch in
// picture/ao.h, the selection, photo size and modified flag in picture/imgobj.h, the
// main directory in platform/platform.h, the mouse and the button-text setting in
// interface/interface.h. No toolkit types here: handles are opaque
// pointers that only the shell's Qt side interprets.
#pragma once

#include <cstdint>

#include "document/layout.h"

// ---- Handles and start-up values ----
extern void *gMainWnd;
extern char gMenuName[16];    // "MENU_ENG" or "MENU_SWE"
extern char gStartFile[4096]; // the file named on the command line, absolute; empty if none
extern int32_t gMailAvailable;

// ---- Activation ----
extern int32_t gAppActive;
extern int32_t gFramesSuspended;
