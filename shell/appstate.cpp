// appstate.cpp — definitions of the window's own state.
#include "shell/appstate.h"

void *gMainWnd;
char gMenuName[16];
char gStartFile[4096];
int32_t gMailAvailable;

int32_t gAppActive;
int32_t gFramesSuspended;
