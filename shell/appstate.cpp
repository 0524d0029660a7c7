// appstate.cpp — definitions of the global application state.
#include "shell/appstate.h"

void *gInstance;
void *gMainWnd;
void *gMenu;
void *gStatusBar;
void *gProgressBar;
int32_t gStatusBarHeight;
int32_t gScreenWidth = 800;
int32_t gScreenHeight = 600;
uint32_t gTimerId;
uint32_t gHelpCookie;
char gMenuName[16];
char gHelpFile[16];
char gStartFile[4096];
int32_t gShowButtonTexts;
int32_t gMailAvailable;

char gMainDir[4096];
char gFileDir[4096];
char gFileName[256];
char gFileExt[256];
int32_t gModified;
int32_t gNeedsSaveAs;
int32_t gDocumentOpen;
int32_t gPictureExists;
int32_t gPhotoWidth;
int32_t gPhotoHeight;
int32_t gPhotoComponents;
XYWH gPictureRect;

int32_t gFramesRunning;
int32_t gAppActive;
int32_t gFramesSuspended;
int32_t gButtonReleased;
IMGOBJ *gSelected;
int32_t gMouseDown;
int32_t gDraggingPiece;
int32_t gPressX;
int32_t gPressY;
int32_t gDragDX;
int32_t gDragDY;
int32_t gMouseX;
int32_t gMouseY;

void (*gpSetModified)();
void (*gpUpdateSelectionState)();

void SetModified()
{
    if (gpSetModified)
        gpSetModified();
    else
        gModified = 1;
}

void UpdateSelectionState()
{
    if (gpUpdateSelectionState)
        gpUpdateSelectionState();
}
