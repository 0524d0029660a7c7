// interface.h — the interface engine: the level file that places the on-screen buttons,
// the seventeen buttons themselves, and the mouse and selection handling of the picture.
//
// The buttons are display-list entries (type 82) cut from the sprite sheet. The menu
// and keyboard commands for editing press them (PressControl) rather than editing
// directly, so menu, key and mouse share one behaviour, held-button acceleration
// included. No toolkit: the shell feeds mouse input in and installs gpPostCommand.
#pragma once

#include <cstddef>
#include <cstdint>

#include "interface/graphicsmap.h"
#include "picture/ao.h"

// ---- Mouse and settings state -------------------------------------------------------------
extern int32_t gMouseDown; // the left button is held (from a press until EndDrag)
extern int32_t gPressX;    // where it went down
extern int32_t gPressY;
extern int32_t gMouseX; // the last mouse position in drawing-area pixels
extern int32_t gMouseY;
extern int32_t gButtonReleased;  // a button came up; the next frame tick ends the drag
extern int32_t gShowButtonTexts; // hover labels under the buttons (SETUP/InterfaceTexts)

// ---- Level file ------------------------------------------------------------------------------
constexpr size_t LEVEL_HEADER_SIZE = 112;
constexpr int32_t LEVEL_UNDEFINED_GRAPHIC = 2330; // stands in for an undefined static graphic
constexpr int32_t LEVEL_CONTROL_CLASS = 10001;    // p1 of an action record that is a button
// Entries a level may hold per list; a header announcing more is refused.
constexpr int32_t LEVEL_MAX_RECORDS = 4096;

// A kept static or foreground sprite.
struct LEVELSPRITE {
    int32_t left, top, right, bottom;
    int32_t xSrc, ySrc;
    int32_t iGraphic;
    uint16_t wFlags;
};
struct LEVELPATH {
    int32_t x1, y1, x2, y2;
    uint16_t wFlags;
};
// One action record as kept: its place, its sprite rectangle and its eight parameters.
struct LEVELACTION {
    int32_t left, top, right, bottom;
    int32_t xSrc, ySrc, iWidth, iHeight;
    int32_t iGraphic;
    int32_t p[8]; // p0 group, p1 class, p2 button number, p3 … p6 stored values
    int32_t bUsed;
    uint16_t wFlags;
};
struct LEVEL {
    LEVELSPRITE *pStatic;
    int32_t iStaticCount; // kept entries (records left of or above the window are dropped)
    LEVELSPRITE *pForeground;
    int32_t iForegroundCount;
    LEVELPATH *pPaths;
    int32_t iPathCount;
    LEVELACTION *pActions;
    int32_t iActionCount; // kept entries
};
extern LEVEL gLevel;

// The name check of a level file: the sum of the name's characters as signed bytes.
int32_t LevelNameCheck(const char *name);
// Reads level bytes into gLevel (replacing it). name is the file name the header was
// made for. A record whose graphic is outside the map or undefined (actions and
// foreground) is skipped, named in the debug output only. 0 with the trail filled when the
// bytes are short ("Read file failed!") or the counts impossible; 0 without a line when
// the name check fails.
int LevelParse(const uint8_t *data, size_t size, const char *name);
// Reads the level file `name` from the main directory. 0 with the trail filled.
int LoadLevel(const char *name);
// Frees the lists.
void FreeLevel();

// ---- Buttons ----------------------------------------------------------------------------------
constexpr int32_t CONTROL_COUNT = 17; // button numbers 1 … 17
enum : int32_t {
    CTRL_BIGGER = 1,
    CTRL_SMALLER,
    CTRL_WIDER,
    CTRL_NARROWER,
    CTRL_HIGHER,
    CTRL_LOWER,
    CTRL_FLIPH,
    CTRL_FLIPV,
    CTRL_ROTATELEFT,
    CTRL_ROTATERIGHT,
    CTRL_MOVELEFT,
    CTRL_MOVERIGHT,
    CTRL_MOVEUP,
    CTRL_MOVEDOWN,
    CTRL_SELECTNEXT,
    CTRL_TEXT,
    CTRL_CLIPART,
};
// The interface font the hover labels are written in.
constexpr int32_t CONTROL_LABEL_FONT = 10;

struct CONTROL {
    AO ao;
    int32_t xHome, yHome;
    int32_t iId;
    int32_t xSrcHome, ySrcHome;
    int32_t aValues[4]; // p3 … p6 of the level record
    int32_t bHover;
    int32_t iAccelRate;  // 50
    int32_t iAccel;      // grows by the rate each pressed frame; every 100 raises the step
    int32_t iStep;       // 1 … 10
    uint32_t dwLastTime; // milliseconds of the last action
    int32_t bQuickUpdate;
    int32_t bEnabled;
    int32_t iWidthHome, iHeightHome;
    int32_t iPressCount; // frames the button acts as pressed without the mouse
};

// Posts a command id to the main window (buttons 16 and 17); installed by the shell.
extern void (*gpPostCommand)(int32_t commandId);

// Adds one button to the display list, disabled. 0 with "No CONTROL mem".
int CONTROL_AddObj(int32_t x, int32_t y, int32_t id, int32_t xSrc, int32_t ySrc, int32_t width,
                   int32_t height, int32_t p3, int32_t p4, int32_t p5, int32_t p6);
// Makes a button of every unused action entry of the group with class 10001.
void CONTROL_CreateGroup(int32_t group);
// The buttons' AnimateProc: hover, label, look and, while pressed, the editing step.
int CONTROL_Proc(AO *entry);
// Enables or disables every button with this number.
void EnableControl(int32_t id, int32_t on);
// Presses every enabled button with this number for one action (not while the mouse is
// held). A disabled button drops a press, also one that was waiting when it was disabled.
void PressControl(int32_t id);
// Whether a press of a key or menu command waits for the next frame on an enabled button.
int CONTROL_PressPending();
// Bigger (step > 0) and Smaller: the selection's longer artwork side changes by the
// step, the other in proportion.
void ResizeSelectedProportional(float step);
// Where a hover label goes for a button at (x, y, w, h) and a label t pixels wide:
// line 0 and, for buttons 11 and 12, line 1. Returns the number of lines.
struct LABELPLACE {
    int32_t x, y;
    int32_t iAlign; // as FONT_AddLabel takes it
};
int ControlLabelPlaces(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const int32_t t[2],
                       LABELPLACE out[2]);
// The string ids of a button's label lines (second 0 for one line).
void ControlLabelTexts(int32_t id, int32_t out[2]);

// The editing interface of the first document: removes the start screen, loads
// "merrowick.lvl" and makes the buttons of group 0. 0 with the trail from LoadLevel.
int INTERFACE_Open();

// ---- Mouse and selection ------------------------------------------------------------------------
// Mouse moved (also outside the drawing area while the button is held).
void MouseMove(int32_t x, int32_t y);
// Left button down: picks or grabs a piece inside the picture rectangle.
void MouseDown(int32_t x, int32_t y);
// Ends a press on the frame after the button came up; a piece that moved marks the
// picture modified.
void EndDrag();
struct IMGOBJ;
// The piece a press at (x, y) would select: the frontmost clip-art, text or metafile piece
// that holds the point as it is shown (turned clip art by its turned rectangle); null when
// none.
IMGOBJ *PieceAt(int32_t x, int32_t y);
// Whether a point lies in the picture rectangle, edges included.
int PointInPicture(int32_t x, int32_t y);
// Whether a point lies on the selected piece as it is shown, edges included.
int OverSelectedPiece(int32_t x, int32_t y);
// The mouse wheel at a point: over the selected piece, sizes it proportionally by
// `notches` steps, or with turn set turns clip art. 0 when the point is not on it.
int WheelOnPiece(int32_t x, int32_t y, int32_t notches, int32_t turn);
// The piece a click repeated at (x, y) selects: the next one behind `piece` there, or
// round to the frontmost; null when none holds the point.
IMGOBJ *PieceBehind(const IMGOBJ *piece, int32_t x, int32_t y);
// A double click's second press at (x, y): the selected text piece it lies on, which the
// window opens in the text dialog (the press then selects nothing behind it); else null.
IMGOBJ *DoubleClickText(int32_t x, int32_t y);
// Selects a piece (null deselects), with redraws for the old and the new one.
void SelectPiece(IMGOBJ *piece);

// ---- Handles (handles.cpp)
// ------------------------------------------------------------------------ The selected piece's
// handle a press holds (picture/handles.h numbers), or HANDLE_NONE.
extern int32_t gHandleDrag;
// Shift is held: a corner sizes freely instead of in proportion, and the turn handle turns
// in steps of 15 degrees. Set by the window with the mouse input.
extern int32_t gMouseShift;
// What a drag from (x, y) would do, for the pointer's shape.
enum : int32_t {
    POINTER_ARROW = 0,  // nothing (or a click that selects)
    POINTER_MOVE,       // carries the selected piece
    POINTER_SIZE_FDIAG, // sizes from a corner on the "\" diagonal
    POINTER_SIZE_BDIAG, // sizes from a corner on the "/" diagonal
    POINTER_TURN,       // turns the selected clip art
};
int32_t PointerAt(int32_t x, int32_t y);
// A press at (x, y): takes the selected piece's handle there (1), or none (0).
int HandlePress(int32_t x, int32_t y);
// The held handle follows the pointer: the piece sized from its corner (opposite corner
// fixed; in proportion unless gMouseShift) or turned about its centre.
void HandleDragTo(int32_t x, int32_t y);
// A piece's place and exact size: top-left corner of the unturned piece, width, height.
struct PIECEBOX {
    double x, y, w, h;
};
// The box of a piece turned by `angle` degrees after its corner `corner` is dragged to
// (px, py) with the opposite corner fixed: in its proportions, or freely with `free`; each
// side kept within 10 and maxW, maxH (in proportion while that is possible).
PIECEBOX SizeFromCorner(const PIECEBOX &start, int32_t angle, int32_t corner, double px, double py,
                        int free, double maxW, double maxH);
// Deletes the selected piece.
void DeleteSelected();
// Swaps the selected piece with its neighbour behind (0) or in front (1) of it.
void LayerSelected(int32_t direction);
// Selects the piece after the selected one, round to the first.
void SelectNext();
