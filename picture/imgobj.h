// imgobj.h — image objects: the photo and the pieces on it.
//
// Each image object is a display-list entry (type 83) holding its artwork twice: the
// high-resolution image as loaded, and the screen-resolution image rebuilt from it
// (scaled, mirrored, turned) whenever bNeedsUpdate is set.
#pragma once

#include <cstdint>

#include "picture/ao.h"

// Kinds (stored in layout files: the numbers stay).
constexpr int32_t IMG_SRC = 0;     // the background photo
constexpr int32_t IMG_OBJ = 1;     // clip art
constexpr int32_t IMG_TEXT = 2;    // text bubble or banner
constexpr int32_t IMG_EMF = 3;     // reserved; never created
constexpr int32_t IMG_CAPTION = 4; // text in real fonts (caption.h)

constexpr int32_t HI_RES_OBJ = 0;
constexpr int32_t LO_RES_OBJ = 1;

struct CAPTION;
struct CLIPART_IMAGE;
struct JPEGFULLJOB;

struct IMGRES {
    LPDDS DDSSurface;
};

// The record: the display-list header, then the object's own fields in this order.
struct IMGOBJ {
    AO ao;
    int32_t xAnchor, yAnchor;
    char szFileName[128];
    int32_t iFileType; // 1 JPEG, 2 Windows bitmap
    int32_t iKind;
    IMGRES iiRes[2];
    int32_t bSelected;
    int32_t iSrcWidth, iSrcHeight;
    int32_t iSrcComponents;
    int32_t bNeedsUpdate;
    int32_t iTextStyle; // with szText: the 208-byte text description
    char szText[204];
    int32_t bFlipH;
    int32_t bFlipV;
    int32_t iAngle;
    int32_t rcRotated[4]; // x, y, width, height
    int32_t ptCorner[4][2];
    float fWidth, fHeight;
    int32_t iFont;
    float fScaleX, fScaleY;
    // Beyond the stored record: the photo's whole path for loading (szFileName keeps
    // only what fits, for the layout file). Owned by the object; freed with it.
    char *pszFullPath;
    // The exact offset from the picture rectangle's corner as the window is resized;
    // ao.x, ao.y are its rounding (xPlaced, yPlaced). A piece moved since is measured anew.
    double dPlaceX, dPlaceY;
    int32_t xPlaced, yPlaced;
    int32_t bPlaced;
    // Which piece this is, for the edit history: unique while the program runs, and kept
    // when a deleted piece is rebuilt by an undo.
    int32_t iPieceId;
    // What the frames last drew of it in the picture buffer (ao.cpp): the rectangle, the
    // screen image and the image object below it. Redrawn only when one of them changed.
    int32_t rcDrawn[4];
    const void *pDrawnImage;
    const void *pDrawnBelow;
    int32_t bDrawn;
    // A photo whose file ended before its picture did: the missing part is grey.
    int32_t bIncomplete;
    // A sticker with an alpha file: its artwork's straight BGRA pixels, iSrcWidth ×
    // iSrcHeight, rows 4 × iSrcWidth apart, composed by blending; null for a keyed one.
    // Owned by the object (PLAT_PixelsAlloc).
    uint8_t *pArtBgra;
    // A caption's text and style (kind IMG_CAPTION; caption.h). Owned; freed with it.
    CAPTION *pCaption;
    // A photo opened at screen size while its full resolution is decoded behind it:
    // iiRes[HI_RES_OBJ] holds the screen-sized picture (iShownWidth × iShownHeight), the
    // decode writes pFullSurface (iSrcWidth × iSrcHeight). Both owned; null once taken.
    JPEGFULLJOB *pFullJob;
    LPDDS pFullSurface;
    int32_t iShownWidth, iShownHeight;
    // A photo's: a new number, unique while the program runs, whenever its full image is
    // made anew (opened, read from a layout, cut, turned), so a copy of its pixels kept
    // elsewhere knows when it is stale.
    uint32_t dwImageSerial;
    // A clip-art or text piece's decoded artwork, shared with the other pieces of that file
    // (clipart/artcache.h): iiRes[HI_RES_OBJ] and pArtBgra point into it and are only
    // read. One use of it is the object's; null for artwork of its own.
    const CLIPART_IMAGE *pArt;
};

// ---- Creation ----------------------------------------------------------------------------
// A new image object from a file, added to the display list; null on failure (nothing
// is left in the list). kind IMG_SRC: name is the photo's path (JPEG or bitmap), the
// object becomes the background; IMG_OBJ / IMG_TEXT: name is the bitmap's name in the
// clip-art folder, the piece is selected. text: a style int32 followed by the text
// (IMG_TEXT), or null. tmpl: an object whose x, y, fWidth, fHeight the new one takes.
// IMG_CAPTION: text is a CAPTIONDESC (caption.h); a caption as tmpl is copied whole.
IMGOBJ *IMGOBJ_AddObj(const char *name, int32_t kind, int32_t x, int32_t y, const void *text,
                      const IMGOBJ *tmpl);
// A new photo object loaded from a JPEG or bitmap file, not yet in the display list, with
// its size in gPhoto*; null on failure
// (nothing changed). For a composition without the window (the export command).
IMGOBJ *IMGOBJ_LoadPhoto(const char *path);
// The photo at full resolution, for every reader of its pixels (export, print, mail, copy,
// turns, crop, save, the device picture): waits for its background decode if that still
// runs and puts it in place. 1 when there is no photo or it is whole; 0 with the trail
// filled when that decode failed (the photo then stays at screen size, to be closed).
int WaitForFullPhoto();
// The size of what iiRes[HI_RES_OBJ] holds: the photo's own, or its screen-sized picture's.
void IMGOBJ_HiSize(const IMGOBJ *obj, int32_t *width, int32_t *height);
// An empty photo "Tempname.jpg" of width × height for a layout file to fill; null on failure.
// White, unless `filled` says the caller writes every pixel: then its memory is left as
// it comes.
IMGOBJ *IMGOBJ_AddObjSrcBuf(int32_t width, int32_t height, int32_t components, int filled = 0);
// Creates the surface iiRes[index] (HI_RES_OBJ or LO_RES_OBJ): white, white-keyed; a
// piece's artwork surface is its image's size, every other at least 1280 × 1024 and as
// large as the image and the picture rectangle. 0 on failure.
int CreateImgObjSurface(IMGOBJ *obj, int32_t index);
// The bytes the artwork `name` of a clip-art or text piece takes once loaded, read from its
// header where ClipArtLoad would find it; 0 when there is no such artwork (its load will
// say so), -1 when a file of that name is there but cannot be read (errno set).
int64_t IMGOBJ_ArtworkBytes(const char *name);
// Loads the bitmap szFileName (clip-art folder, then the resource of that name) as the
// high-resolution image; gives the piece its first size and a random place near the
// middle of the picture rectangle.
int ClipArtLoad(IMGOBJ *obj);

// ---- Per frame ---------------------------------------------------------------------------
// The AnimateProc of every image object: removal, drag, the 25-pixel rule, rebuilds.
int IMGOBJ_AnimateProc(AO *entry);
// Rebuilds the screen-resolution image of a clip-art or text piece and its outline.
int UpdateImgObj(IMGOBJ *obj);
// Recomputes ptCorner from position, exact size and angle.
void CalcSelectionFrame(IMGOBJ *obj);
// The blit effects that mirror a piece as its flags say.
DDBLTFX MirrorEffects(const IMGOBJ *obj);

// ---- Editing the selected piece (each does nothing without a selection) -----------------
// Clears the selection and every piece's bSelected; updates the command state.
void DeselectAll();
// Moves a selected clip-art or text piece. Returns 1.
int MoveSelected(int32_t dx, int32_t dy);
// Resizes a selected clip-art or text piece, each axis kept within 10 and the picture
// rectangle. Returns 1.
int ResizeSelected(float dw, float dh);
// Turns a selected clip-art piece; iAngle stays within 0 to 360. Returns 1.
int RotateSelected(int32_t degrees);

// ---- The picture's state ----------------------------------------------------------------
extern IMGOBJ *gSelected;      // the selected piece, or null
extern int32_t gPictureExists; // a photo has been drawn: the frame shows the picture
extern int32_t gModified;      // the picture changed since it was opened or saved
extern int32_t gPhotoWidth;    // the photo's size in pixels and its components (3)
extern int32_t gPhotoHeight;
extern int32_t gPhotoComponents;
extern int32_t gDraggingPiece; // the selected piece follows the mouse
extern int32_t gDragDX;        // how far the mouse moved it from its anchor
extern int32_t gDragDY;

// ---- Notifications to the window -----------------------------------------------------------
// What the picture tells the program around it: its one table of upward calls. The shell
// installs it with PICTURE_Init at start and removes it with PICTURE_Shutdown; a null
// entry is skipped.
struct PICTURE_NOTIFY {
    void (*SelectionChanged)();       // the selection or the number of pieces changed
    void (*Modified)();               // gModified has just become 1
    void (*PhotoChanged)();           // a new photo was added (its size is in gPhoto*)
    void (*ChangeBegin)(int32_t tag); // PICTURE_ChangeBegin: the edit history's hooks
    void (*ChangeEnd)(int32_t tag);   // PICTURE_ChangeEnd
};
// Installs the notifications (copied; null removes them all).
void PICTURE_Init(const PICTURE_NOTIFY *notify);
// Removes the notifications.
void PICTURE_Shutdown();
// Marks the picture modified; notifies when it was not before.
void SetModified();
// Notifies that the selection changed (the command state follows it).
void UpdateSelectionState();

// ---- Changes, for the edit history -----------------------------------------------------------
// Every change of the picture's pieces is bracketed by these calls with a tag naming its
// kind: PICTURE_ChangeBegin before it, PICTURE_ChangeEnd after it, possibly frames later
// (a drag, a held button). A Begin while a change of another tag is open ends that one
// first; an End of another tag than the open one does nothing. They reach the edit history
// (above this folder) through PICTURE_NOTIFY; without those entries they do nothing.
enum {
    CHANGE_DRAG = 1,
    CHANGE_DELETE,
    CHANGE_LAYER,
    CHANGE_FLIP,
    CHANGE_ADD,
    CHANGE_TEXT,
    CHANGE_PHOTOTURN,
    CHANGE_WHEEL,
    CHANGE_CROP = 20,    // the photo cut down (picture/crop.h)
    CHANGE_BUTTON = 100, // + the on-screen button's id: one change per run of a held button
};
void PICTURE_ChangeBegin(int32_t tag);
void PICTURE_ChangeEnd(int32_t tag);

// ---- Turning the photo ----------------------------------------------------------------------
// Turns the photo a quarter turn (angle 90 right, 270 left): new surfaces of the turned
// size, gPhoto* updated, the picture refitted (pieces follow the picture area, upright)
// and the window invalidated. gModified is left alone. 0 with "Rotation failed!", a
// surface creation line, "DXBlt()!" or "ScreenResize()" in the trail.
int PhotoRotate(int32_t angle);
