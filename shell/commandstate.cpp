// commandstate.cpp — greying and enabling of commands and on-screen controls as the
// document and the selection change.
#include <cstddef>

#include "document/undo.h"
#include "interface/interface.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "resources/menus/commands.h"
#include "shell/appstate.h"
#include "shell/shellcore.h"

void (*gpEnableMenuItem)(int32_t commandId, int32_t enable);
int32_t gCommandState;

// Commands that need a picture.
static const int32_t kPictureCommands[] = {IDM_CLIPART,    IDM_TEXT,  IDM_SAVE,        IDM_SAVEAS,
                                           IDM_KEY_CTRL_I, IDM_PRINT, IDM_COPYPICTURE, IDM_CAPTION};
static const int32_t kMailCommand = IDM_EMAIL;
static const int32_t kCropCommand = IDM_CROP;
static const int32_t kSelectNext = IDM_SELECTNEXT;
// Commands that need a selection.
static const int32_t kSelectionCommands[] = {
    IDM_SELECTNEXT, IDM_MOVELEFT, IDM_MOVERIGHT, IDM_MOVEUP,     IDM_MOVEDOWN,
    IDM_BIGGER,     IDM_SMALLER,  IDM_HIGHER,    IDM_LOWER,      IDM_WIDER,
    IDM_NARROWER,   IDM_FLIPH,    IDM_FLIPV,     IDM_ROTATELEFT, IDM_ROTATERIGHT,
    IDM_BEHIND,     IDM_FORWARD,  IDM_DELETE,    IDM_DUPLICATE};
static const int32_t kRotateCommands[] = {IDM_ROTATELEFT, IDM_ROTATERIGHT};

static void Menu(int32_t id, int32_t enable)
{
    if (gpEnableMenuItem)
        gpEnableMenuItem(id, enable);
}

static void Control(int32_t id, int32_t enable)
{
    EnableControl(id, enable);
}

static void Controls(int32_t first, int32_t last, int32_t enable)
{
    for (int32_t id = first; id <= last; id++)
        EnableControl(id, enable);
}

void SetCommandState(int32_t state)
{
    switch (state) {
    case CMDSTATE_NO_PICTURE:
        SetCommandState(CMDSTATE_NO_PIECES);
        Controls(16, 17, 0);
        for (int32_t id : kPictureCommands)
            Menu(id, 0);
        Menu(kMailCommand, 0);
        Menu(kCropCommand, 0);
        break;
    case CMDSTATE_PICTURE:
        SetCommandState(CMDSTATE_NO_PIECES);
        Controls(16, 17, 1);
        for (int32_t id : kPictureCommands)
            Menu(id, 1);
        Menu(kMailCommand, gMailAvailable ? 1 : 0);
        Menu(kCropCommand, 1);
        break;
    case CMDSTATE_NO_PIECES:
        Controls(1, 15, 0);
        for (int32_t id : kSelectionCommands)
            Menu(id, 0);
        break;
    case CMDSTATE_UNSELECTED:
        SetCommandState(CMDSTATE_NO_PIECES);
        Control(15, 1);
        Menu(kSelectNext, 1);
        break;
    case CMDSTATE_CLIPART:
        Controls(1, 15, 1);
        for (int32_t id : kSelectionCommands)
            Menu(id, 1);
        break;
    case CMDSTATE_TEXT:
        SetCommandState(CMDSTATE_CLIPART);
        Controls(9, 10, 0);
        for (int32_t id : kRotateCommands)
            Menu(id, 0);
        break;
    default:
        return;
    }
    gCommandState = state;
}

void UpdateUndoCommands()
{
    Menu(IDM_UNDO, UNDO_CanUndo());
    Menu(IDM_REDO, UNDO_CanRedo());
}

void UpdateSelectionStateCore()
{
    if (!gSelected) {
        SetCommandState(AO_CountType(AO_TYPE_IMGOBJ) < 2 ? CMDSTATE_NO_PIECES
                                                         : CMDSTATE_UNSELECTED);
        return;
    }
    if (gSelected->iKind == IMG_OBJ || gSelected->iKind == IMG_CAPTION) // both turn
        SetCommandState(CMDSTATE_CLIPART);
    else if (gSelected->iKind == IMG_TEXT)
        SetCommandState(CMDSTATE_TEXT);
}
