// handles.h — the handles on the selected piece's outline: four corner squares and, for
// clip art, a round turn handle above the piece on a short stem.
//
// The places come from the outline's corners (ptCorner, turned with the piece); drawing
// takes the places and a scale, so the same handles can be drawn into the picture buffer
// at scale 1 or over the window at a scaled screen's own pixels.
// Depends on: pixels/ (surfaces, lines, fills), picture/imgobj.h (the outline).
#pragma once

#include <cstdint>

#include "picture/imgobj.h"
#include "pixels/pixels.h"

constexpr int32_t HANDLE_SIZE = 7;       // a handle's side at scale 1, in pixels
constexpr int32_t HANDLE_GRAB = 5;       // how far from a handle's centre a press takes it
constexpr int32_t HANDLE_TURN_STEM = 22; // the turn handle's distance from the outline's edge

// The handles by number: the outline's corners in ptCorner order, then the turn handle.
enum : int32_t {
    HANDLE_NONE = -1,
    HANDLE_TOPLEFT = 0,
    HANDLE_TOPRIGHT,
    HANDLE_BOTTOMRIGHT,
    HANDLE_BOTTOMLEFT,
    HANDLE_TURN,
};

struct HANDLES {
    int32_t pt[5][2]; // centres: the four corners, then the turn handle
    int32_t stem[2];  // where the turn handle's stem meets the outline
    int32_t bTurn;    // 1 when there is a turn handle
};

// The handles of a piece's outline. The turn handle (clip art only) stands above the top
// edge, or below the bottom edge when above would leave the picture rectangle.
void HANDLES_Place(const IMGOBJ *obj, HANDLES *out);
// The handle whose grab area holds (x, y), the turn handle first; HANDLE_NONE for none.
int32_t HANDLES_At(const HANDLES &h, int32_t x, int32_t y);
// The box that drawing the handles at `scale` touches (the stem included).
XYWH HANDLES_Box(const HANDLES &h, float scale);
// Draws the handles at `scale` (1 in the picture buffer): white squares and a white disc
// bordered in `colour`, the stem in `colour`. Clipped to the surface.
void HANDLES_Draw(LPDDS dest, const HANDLES &h, float scale, uint32_t colour);
