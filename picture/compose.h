// compose.h — the picture in the window, and the picture at full resolution.
//
// ScreenResize fits the photo into the window's picture area, moves and scales every
// piece with it, and rebuilds the window background with the framed picture.
// BuildHiResImage2 composes the whole picture again, at any pixel size, from the
// high-resolution images of all image objects (export, printing, mail).
#pragma once

#include <cstdint>

#include "pixels/pixels.h"

// The picture area in window pixels: left and top edges, and the margins that the
// drawing area loses to it (width gScreenWidth − 215, height gScreenHeight − 120).
constexpr int32_t PICTURE_AREA_LEFT = 190;
constexpr int32_t PICTURE_AREA_TOP = 75;
constexpr int32_t PICTURE_AREA_MARGIN_W = 215;
constexpr int32_t PICTURE_AREA_MARGIN_H = 120;
constexpr int32_t LOGO_X = 15;
constexpr int32_t LOGO_Y = 10;

// The photo's on-screen rectangle for a photo of srcWidth × srcHeight in an area of
// areaWidth × areaHeight at (190, 75): as large as fits, centred, proportions kept, at
// least one pixel each way.
XYWH PictureRectFor(int32_t srcWidth, int32_t srcHeight, int32_t areaWidth, int32_t areaHeight);
// Refits the photo (sets gPictureRect) and moves and scales every clip-art and text piece
// by the change of the picture rectangle; metafile pieces are left alone. Returns 1.
int ImageObjectResize(void *window);
// Rebuilds gDDSBackgnd (background art, logo, photo, frame with drop shadow) and copies
// it to the screen buffer; runs one frame to bring the screen images up to date.
int BackgroundResize();
// ImageObjectResize, then BackgroundResize. 0 with the trail on failure.
int ScreenResize(void *window);
// Scratch space of at least w × h: the picture buffer's corner when it is large enough,
// else a surface of its own (returned in *owned for the caller to release). Large pieces
// turned at full resolution need more than the picture buffer holds. Null on failure.
LPDDS PictureScratch(int32_t w, int32_t h, LPDDS *owned);
// Pieces of clip art are composed with smooth edges: resampled with the white key as
// transparency and blended over the photo (SETUP/SmoothEdges; on by default). 0: the
// screen's way, nearest pixel and a hard key.
extern int32_t gSmoothEdges;
// Composes the picture at width × height (components: 3) into a new export surface
// from CreateJpegBuffer2: rows 3 × W8 bytes apart. Pieces in list order, clipped at the
// edges. Null on failure. The caller frees it with ReleaseJpegBuffer2 (formats.h).
LPDDS BuildHiResImage2(int32_t width, int32_t height, int32_t components);
// Composes the pieces (not the photo) at width × height onto `out`, which already holds
// the photo at that size: how an export at the photo's own size is made in place.
int ComposePieces(LPDDS out, int32_t width, int32_t height);

// Composes the picture at width × height and writes it to `name`: PNG, WebP or (any other
// name) JPEG at `quality`, the JPEG encoded on a second thread while the picture is
// composed. With `ontoPhoto` (the photo, whose full-resolution image is exactly that
// size and not needed afterwards) the pieces go onto that image in place; else onto a
// new export buffer.
// The pixels are BuildHiResImage2's. 1 written; 0 the composition failed;
// PICTURE_SAVE_FAILED the file could not be written; the trail filled either way, and
// an earlier file of that name stays as it was.
constexpr int PICTURE_SAVE_FAILED = -1;
struct IMGOBJ;
int PICTURE_SaveComposed(const char *name, int32_t width, int32_t height, int32_t quality,
                         IMGOBJ *ontoPhoto);

// ---- The picture at the screen's own pixels (hidpi.cpp) ------------------------------------
// On a scaled screen the frames keep a second picture buffer at the screen's device
// pixels, composed as the export is (full-resolution photo, pieces from their
// high-resolution images, the selection outline at that scale) wherever the picture
// buffer is redrawn. Everything else stays in window pixels.

// Sets the device pixels per window pixel (at most 4; 1 or less: none); a change draws
// the whole picture again on the next frame.
void PICTURE_SetDeviceScale(double scale);
// The device scale in use (1: none).
double PICTURE_DeviceScale();
// The picture at device pixels as the frames last drew it, and in *place where it lies
// in the drawing area's device pixels; null without a device scale, before the first
// picture, and when it could not be drawn (the window image then shows the picture).
LPDDS PICTURE_DevicePicture(XYWH *place);
// Releases the device picture (the engine's end; tests).
void PICTURE_ReleaseDevicePicture();

// ---- The window at twice its pixels (devui.cpp) --------------------------------------------
// On a screen scaled 1.5 or more the frames also draw the window (background, frame, start
// screen, sprites and their fonts) a second time, from the artwork made for 2x, into a
// window image of twice the window's pixels that the window paints scaled to the screen's
// own pixels. Places, hit testing and the frames' bookkeeping stay in window pixels.

constexpr double DEVUI_MIN_SCALE = 1.5; // below it the window image is enlarged smoothly
constexpr int32_t DEVUI_FACTOR = 2;     // the 2x window's pixels per window pixel

// A rectangle of window pixels at `scale` device pixels per window pixel: its edges scaled
// and rounded, so neighbouring rectangles stay neighbours.
XYWH PICTURE_ToDevice(const XYWH &window, double scale);
// Follows the screen's scale (device pixels per window pixel): from 1.5 on the 2x window is
// wanted, drawn at the next background rebuild; below 1.5 its surfaces are released. 1 when
// that changed.
int DEVUI_SetScale(double scale);
// The 2x window as the frames last drew it; null while it is not wanted, not drawn yet or
// its artwork could not be loaded (the window image is then enlarged as it is).
LPDDS DEVUI_Window();
// Releases the 2x artwork and window (the engine's end; tests).
void DEVUI_Release();
