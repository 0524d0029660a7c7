// screenfit.cpp — the main window's size limits on the screen it is on.
#include "shell/shellcore.h"

static constexpr int32_t kMinW = 800, kMinH = 600, kMaxW = 1280, kMaxH = 1024;
// The least the window is allowed to be on any screen: room for the menu and a little
// of the picture.
static constexpr int32_t kLeastW = 320, kLeastH = 240;

// The minimum along one axis for an available length (0 or less: not known).
static int32_t MinimumAlong(int32_t avail, int32_t frame, int32_t usual, int32_t least)
{
    if (avail <= 0)
        return usual;
    const int32_t room = avail - (frame > 0 ? frame : 0);
    return room >= usual ? usual : room > least ? room : least;
}

WINDOWLIMITS WindowLimitsFor(int32_t availW, int32_t availH, int32_t frameW, int32_t frameH)
{
    WINDOWLIMITS l;
    l.minW = MinimumAlong(availW, frameW, kMinW, kLeastW);
    l.minH = MinimumAlong(availH, frameH, kMinH, kLeastH);
    l.maxW = kMaxW, l.maxH = kMaxH;
    return l;
}
