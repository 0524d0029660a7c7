// handles.cpp — dragging the selected piece by its handles: a corner sizes it with the
// opposite corner fixed, the turn handle turns clip art about its centre. The changes go
// through the picture's editing operations (ResizeSelected, MoveSelected, RotateSelected),
// so their limits and the modified mark apply as for the buttons; the press and its end
// bracket one change of the history, as a drag does.
#include <cmath>

#include "interface/interface.h"
#include "picture/handles.h"
#include "picture/imgobj.h"

int32_t gHandleDrag = HANDLE_NONE;
int32_t gMouseShift;

static constexpr double kPi = 3.14159265358979;

// What the press on a handle found: the piece's box and angle, the pointer's angle about
// the centre (turning).
static PIECEBOX sStart;
static int32_t sStartAngle;
static double sStartPointer;

// The corners' directions from the centre in the piece's own axes, in ptCorner order.
static const int kSignX[4] = {-1, 1, 1, -1};
static const int kSignY[4] = {-1, -1, 1, 1};

static double Clamp(double v, double lo, double hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

PIECEBOX SizeFromCorner(const PIECEBOX &start, int32_t angle, int32_t corner, double px, double py,
                        int free, double maxW, double maxH)
{
    if (corner < HANDLE_TOPLEFT || corner > HANDLE_BOTTOMLEFT || start.w <= 0 || start.h <= 0)
        return start;
    const double t = angle * kPi / 180, c = std::cos(t), s = std::sin(t);
    const int sx = kSignX[corner], sy = kSignY[corner];
    const int fixed = (corner + 2) % 4;
    // The fixed corner on the screen: the centre plus its offset turned with the piece.
    const double cx = start.x + start.w / 2, cy = start.y + start.h / 2;
    const double ox = kSignX[fixed] * start.w / 2, oy = kSignY[fixed] * start.h / 2;
    const double fx = cx + ox * c - oy * s, fy = cy + ox * s + oy * c;
    // The pointer from there, in the piece's axes, toward the dragged corner.
    const double dx = px - fx, dy = py - fy;
    const double along = sx * (dx * c + dy * s), across = sy * (-dx * s + dy * c);
    double w, h;
    if (free) {
        w = Clamp(along, 10, maxW < 10 ? 10 : maxW);
        h = Clamp(across, 10, maxH < 10 ? 10 : maxH);
    } else {
        // The pointer projected on the diagonal: the scale that brings the corner nearest.
        double k = (along * start.w + across * start.h) / (start.w * start.w + start.h * start.h);
        const double lo = std::fmax(10 / start.w, 10 / start.h);
        const double hi = std::fmin(maxW / start.w, maxH / start.h);
        k = k < lo ? lo : k;
        k = k > hi ? hi : k;
        w = Clamp(k * start.w, 10, maxW < 10 ? 10 : maxW);
        h = Clamp(k * start.h, 10, maxH < 10 ? 10 : maxH);
    }
    // The new centre lies half the new size from the fixed corner, toward the dragged one.
    const double hx = sx * w / 2, hy = sy * h / 2;
    const double ncx = fx + hx * c - hy * s, ncy = fy + hx * s + hy * c;
    return {ncx - w / 2, ncy - h / 2, w, h};
}

// The handle of the selected piece under (x, y), within the picture; HANDLE_NONE for none.
static int32_t HandleUnder(int32_t x, int32_t y)
{
    if (!gSelected || (gSelected->iKind != IMG_OBJ && gSelected->iKind != IMG_TEXT) ||
        !PointInPicture(x, y))
        return HANDLE_NONE;
    HANDLES h;
    HANDLES_Place(gSelected, &h);
    return HANDLES_At(h, x, y);
}

static double PointerAngle(int32_t x, int32_t y)
{
    return std::atan2(y - (sStart.y + sStart.h / 2), x - (sStart.x + sStart.w / 2)) * 180 / kPi;
}

int32_t PointerAt(int32_t x, int32_t y)
{
    const int32_t handle = gMouseDown ? gHandleDrag : HandleUnder(x, y);
    if (handle == HANDLE_TURN)
        return POINTER_TURN;
    if (handle != HANDLE_NONE) {
        // The corner's diagonal as the piece is turned: "\" when it lies up-left or
        // down-right of the centre.
        const double t = gSelected->iAngle * kPi / 180;
        const double lx = kSignX[handle], ly = kSignY[handle];
        const double dx = lx * std::cos(t) - ly * std::sin(t),
                     dy = lx * std::sin(t) + ly * std::cos(t);
        return dx * dy > 0 ? POINTER_SIZE_FDIAG : POINTER_SIZE_BDIAG;
    }
    if (gMouseDown)
        return gDraggingPiece ? POINTER_MOVE : POINTER_ARROW;
    return OverSelectedPiece(x, y) ? POINTER_MOVE : POINTER_ARROW;
}

int HandlePress(int32_t x, int32_t y)
{
    const int32_t handle = HandleUnder(x, y);
    if (handle == HANDLE_NONE)
        return 0;
    gHandleDrag = handle;
    sStart = {double(gSelected->ao.x), double(gSelected->ao.y), gSelected->fWidth,
              gSelected->fHeight};
    sStartAngle = gSelected->iAngle;
    sStartPointer = PointerAngle(x, y);
    return 1;
}

void HandleDragTo(int32_t x, int32_t y)
{
    IMGOBJ *piece = gSelected;
    if (!piece || gHandleDrag == HANDLE_NONE)
        return;
    if (gHandleDrag == HANDLE_TURN) {
        if (piece->iKind != IMG_OBJ)
            return;
        double turned = sStartAngle + (PointerAngle(x, y) - sStartPointer);
        if (gMouseShift)
            turned = 15 * std::round(turned / 15);
        int32_t target = static_cast<int32_t>(std::lround(turned)) % 360;
        target = target < 0 ? target + 360 : target;
        const int32_t now = piece->iAngle % 360;
        if (target != now) {
            RotateSelected(target - now);
            piece->bNeedsUpdate = 1;
        }
        return;
    }
    const PIECEBOX box = SizeFromCorner(sStart, piece->iAngle, gHandleDrag, x, y, gMouseShift,
                                        gPictureRect.w, gPictureRect.h);
    ResizeSelected(static_cast<float>(box.w) - piece->fWidth,
                   static_cast<float>(box.h) - piece->fHeight);
    MoveSelected(static_cast<int32_t>(std::lround(box.x)) - piece->ao.x,
                 static_cast<int32_t>(std::lround(box.y)) - piece->ao.y);
    piece->bNeedsUpdate = 1;
    CalcSelectionFrame(piece);
}
