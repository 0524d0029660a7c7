// crop.h — cutting the photo down to a rectangle of its pixels, and giving it back.
//
// The cut keeps what it cuts away: it hands the photo's whole image as it was to the
// caller (the edit history keeps it), and the uncut gives that image back. The pieces keep
// their places on the photo: a hat on a face stays on the face, wherever the new picture
// rectangle puts it, and grows or shrinks with the photo's scale on the screen.
// Depends on: picture/imgobj.h, picture/compose.h (the refit), pixels/.
#pragma once

#include <cstdint>

#include "pixels/pixels.h"

// Cuts the photo to (x, y, width, height) of its pixels and refits the picture. Returns the
// photo's image as it was (its gPhotoWidth × gPhotoHeight before the cut, in the surface's
// top-left corner), owned by the caller (DXReleaseSurface). Null with the trail filled when
// there is no photo, the rectangle does not lie inside it or a surface cannot be made:
// nothing has changed then. gModified is left alone.
LPDDS PhotoCrop(int32_t x, int32_t y, int32_t width, int32_t height);
// Gives the photo back the whole image `kept` (width × height in its top-left corner) that a
// cut at (x, y) took away; the pieces follow. `kept` stays the caller's. 0 with the trail
// filled (nothing changed).
int PhotoUncrop(LPDDS kept, int32_t width, int32_t height, int32_t x, int32_t y);
