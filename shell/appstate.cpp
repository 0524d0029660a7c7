// appstate.cpp — definitions of the window's own state.
#include "shell/appstate.h"

void *gInstance;
void *gMainWnd;
void *gMenu;
void *gStatusBar;
void *gProgressBar;
int32_t gStatusBarHeight;
uint32_t gTimerId;
uint32_t gHelpCookie;
char gMenuName[16];
char gHelpFile[16];
char gStartFile[4096];
int32_t gMailAvailable;


int32_t gAppActive;
int32_t gFramesSuspended;
