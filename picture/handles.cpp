// handles.cpp — the selected piece's handles: where they lie and how they are drawn.
#include "picture/handles.h"

#include <cmath>
#include <cstdlib>

static bool InPicture(double x, double y)
{
    const XYWH &r = gPictureRect;
    return x >= r.x && x <= r.x + r.w && y >= r.y && y <= r.y + r.h;
}

// The point `distance` beyond the middle of edge (a, b), away from the centre (cx, cy).
static void Beyond(const int32_t a[2], const int32_t b[2], double cx, double cy, double distance,
                   double out[2], double mid[2])
{
    mid[0] = (a[0] + b[0]) / 2.0, mid[1] = (a[1] + b[1]) / 2.0;
    double nx = mid[0] - cx, ny = mid[1] - cy;
    const double len = std::sqrt(nx * nx + ny * ny);
    if (len < 1e-9)
        nx = 0, ny = -1;
    else
        nx /= len, ny /= len;
    out[0] = mid[0] + nx * distance, out[1] = mid[1] + ny * distance;
}

void HANDLES_Place(const IMGOBJ *obj, HANDLES *out)
{
    double cx = 0, cy = 0;
    for (int k = 0; k < 4; k++) {
        out->pt[k][0] = obj->ptCorner[k][0], out->pt[k][1] = obj->ptCorner[k][1];
        cx += obj->ptCorner[k][0] / 4.0, cy += obj->ptCorner[k][1] / 4.0;
    }
    out->bTurn = obj->iKind == IMG_OBJ;
    double turn[2], mid[2];
    Beyond(obj->ptCorner[0], obj->ptCorner[1], cx, cy, HANDLE_TURN_STEM, turn, mid);
    if (!InPicture(turn[0], turn[1]))
        Beyond(obj->ptCorner[2], obj->ptCorner[3], cx, cy, HANDLE_TURN_STEM, turn, mid);
    out->pt[4][0] = static_cast<int32_t>(std::lround(turn[0]));
    out->pt[4][1] = static_cast<int32_t>(std::lround(turn[1]));
    out->stem[0] = static_cast<int32_t>(std::lround(mid[0]));
    out->stem[1] = static_cast<int32_t>(std::lround(mid[1]));
}

int32_t HANDLES_At(const HANDLES &h, int32_t x, int32_t y)
{
    auto near = [&](int k) {
        return std::abs(x - h.pt[k][0]) <= HANDLE_GRAB && std::abs(y - h.pt[k][1]) <= HANDLE_GRAB;
    };
    if (h.bTurn && near(HANDLE_TURN))
        return HANDLE_TURN;
    for (int k = HANDLE_TOPLEFT; k <= HANDLE_BOTTOMLEFT; k++)
        if (near(k))
            return k;
    return HANDLE_NONE;
}

// Half a handle's side at a scale, in whole pixels, at least 2.
static int32_t Half(float scale)
{
    const int32_t half = static_cast<int32_t>(std::lround(HANDLE_SIZE * scale / 2));
    return half < 2 ? 2 : half;
}

XYWH HANDLES_Box(const HANDLES &h, float scale)
{
    const int32_t half = Half(scale) + 2;
    const int n = h.bTurn ? 5 : 4;
    int32_t left = h.pt[0][0], right = left, top = h.pt[0][1], bottom = top;
    for (int k = 1; k < n; k++) {
        left = h.pt[k][0] < left ? h.pt[k][0] : left;
        right = h.pt[k][0] > right ? h.pt[k][0] : right;
        top = h.pt[k][1] < top ? h.pt[k][1] : top;
        bottom = h.pt[k][1] > bottom ? h.pt[k][1] : bottom;
    }
    return {left - half, top - half, right - left + 2 * half + 1, bottom - top + 2 * half + 1};
}

void HANDLES_Draw(LPDDS dest, const HANDLES &h, float scale, uint32_t colour)
{
    const int32_t half = Half(scale), side = 2 * half + 1;
    if (h.bTurn) {
        DXDrawLine2(dest, h.stem[0], h.stem[1], h.pt[4][0], h.pt[4][1], colour);
        // A disc: rows of a circle, bordered one pixel (more at larger scales).
        const int32_t r = half + 1, border = scale >= 1.5f ? 2 : 1;
        for (int32_t dy = -r; dy <= r; dy++) {
            const int32_t dx = static_cast<int32_t>(std::sqrt(double(r * r - dy * dy)));
            DXFillRect(dest, h.pt[4][0] - dx, h.pt[4][1] + dy, 2 * dx + 1, 1, colour);
            const int32_t inner = r - border;
            if (std::abs(dy) <= inner) {
                const int32_t ix = static_cast<int32_t>(std::sqrt(double(inner * inner - dy * dy)));
                DXFillRect(dest, h.pt[4][0] - ix, h.pt[4][1] + dy, 2 * ix + 1, 1, 0xFFFFFF);
            }
        }
    }
    const int32_t border = scale >= 1.5f ? 2 : 1;
    for (int k = HANDLE_TOPLEFT; k <= HANDLE_BOTTOMLEFT; k++) {
        const int32_t x = h.pt[k][0] - half, y = h.pt[k][1] - half;
        DXFillRect(dest, x, y, side, side, colour);
        DXFillRect(dest, x + border, y + border, side - 2 * border, side - 2 * border, 0xFEFEFE);
    }
}
