// ao.h — the display list of animated objects.
//
// Everything that moves or changes on the screen is an entry of one doubly linked
// list kept in ascending layer order; each frame AO_ProcessFlip erases the sprites,
// runs every entry's AnimateProc, draws sprites into the screen buffer and image
// objects into the picture buffer, and copies the changed rectangles to the window.
// Each kind of entry appends its own fields behind the common header.
#pragma once

#include <cstdint>

#include "pixels/pixels.h"

constexpr uint32_t AOFLAG_SPRITE = 0x01; // erased and drawn on the screen buffer
constexpr uint32_t AOFLAG_FLUSH = 0x02;  // rcUpdate copied to the window each frame
constexpr uint32_t AOFLAG_IMGOBJ = 0x40; // image object, drawn on the picture buffer

// Entry types.
constexpr int32_t AO_TYPE_LETTER = 17;
constexpr int32_t AO_TYPE_CONTROL = 82;
constexpr int32_t AO_TYPE_IMGOBJ = 83;
constexpr int32_t AO_TYPE_TEXTFEED = 85;

struct AO;
typedef int (*AOPROC)(AO *entry);

// The common header of every entry, in this field order.
struct AO {
    AO *pPrev;
    AO *pNext;
    uint32_t dwFlags;
    int32_t iType;
    int32_t iState;
    int32_t x, y;
    int32_t xWorld, yWorld;
    int32_t iWidth, iHeight;
    int32_t xSrc, ySrc;
    int32_t rcUpdate[4]; // x, y, width, height
    const void *pSheet;  // non-null: pixels from gDDSSprite; null: from gDDSPicture
    AOPROC AnimateProc;
    int32_t bRemove;
    int32_t iLayer;
    // What the frames last drew of a sprite: where (x, y, width, height and the update
    // rectangle) and a signature of how. Kept by ao.cpp; a sprite is redrawn only when
    // its signature changed.
    int32_t rcDrawn[4];
    int32_t rcFlushed[4];
    uint64_t uDrawnSig;
    int32_t bDrawn;
};

extern AO *gAOList;              // head of the list, null when empty
extern int32_t gAOListCleared;   // set by AO_ClearList; ends the animate pass under way
extern int32_t gFramesRunning;   // frames run: the frame tick calls AO_ProcessFlip
extern void *gWindowDC;          // the window image (platform), from AO_Init
extern const void *gSpriteSheet; // the sprite sheet's bytes ("SPRITE"), null without one

// Allocates one zero-filled entry block of `size` bytes (a kind's full record); null
// when out of memory. The list frees it in AO_DelObj.
AO *AO_Alloc(size_t size);
// Reads the drawing-area size, gets the window image, loads "SPRITE"; 0 without a window.
int AO_Init(void *window);
// Clears the list and lets go of the window image; only after AO_Init.
int AO_CleanUp(void *window);
// Inserts a filled entry in layer order (equal layers: newest last). Returns 1.
int AO_AddObj(AO *entry);
// Unlinks and frees an entry (an image object's two surfaces too). Returns 1.
// An image object also frees its full path and clears gSelected (imgobj.h) when it was selected.
int AO_DelObj(AO *entry);
// Deletes every entry and sets gAOListCleared.
int AO_ClearList();
// Deletes the last entry; an empty list is left alone.
int AO_DelLast();
// Links entry directly in front of place.
// It becomes the head when place was; a null place appends it at the end.
void AO_InsertBefore(AO *place, AO *entry);
// Exchanges the places of two entries in the list; layers untouched.
void AO_SwapObj(AO *a, AO *b);
// Every entry of a type shows the sheet cell (xSrc, ySrc) and dies within two frames.
void AO_KillType(int32_t type, int32_t xSrc, int32_t ySrc);
// One entry shows the sheet cell (xSrc, ySrc) as a sprite and dies within two frames.
void AO_KillObj(AO *entry, int32_t xSrc, int32_t ySrc);
// The dying procedure: counts iState down and deletes the entry.
int AO_DieProc(AO *entry);
// Entries of a type whose bRemove is not 1.
int32_t AO_CountType(int32_t type);
// Tells the frames that the picture buffer's content changed outside the drawing of the
// picture (a piece's screen image rebuilt, the buffer used as scratch space), so the next
// frame redraws the picture.
void AO_PictureChanged();
// Draws the sprites, and the pieces where the picture buffer changed, then copies the whole
// screen buffer and the picture over it to the window image: after the background was
// rebuilt every pixel of the window may have changed. 0 with the trail filled.
int AO_RefreshWindow();
// One frame: animate, then redraw what changed. Sprites whose place or look changed (or
// that were removed) have their old and new places erased, every sprite there redrawn
// and only those places copied to the window; pieces likewise in the picture buffer. A
// frame in which nothing changed copies and invalidates nothing. 0 with the trail
// filled on failure.
// An AnimateProc may delete its own entry or clear the whole list, never other entries.
int AO_ProcessFlip();
// A frame that only animates and redraws the picture buffer, for a caller that calls
// AO_RefreshWindow next: that draws every sprite and copies the whole screen anyway.
int AO_FrameBeforeRefresh();
