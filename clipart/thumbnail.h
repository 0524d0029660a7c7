// thumbnail.h — the small pictures of the clip-art dialog's list: a sticker shrunk to fit
// a square on the white canvas "CLIPART", or the placeholder "CLIPART_ERROR" when it
// cannot be loaded. Plain code: no toolkit.
#pragma once

#include <cstdint>

#include "pixels/pixels.h"

// The side of a thumbnail in the dialog's list.
constexpr int32_t CLIPART_THUMB_SIZE = 56;

// Where a width × height sticker lies in a size × size thumbnail: the longer side fills
// the square, the other keeps the proportion (ratio in single precision, truncated),
// centred.
void ClipArt_ThumbRect(int32_t width, int32_t height, int32_t size, XYWH *rect);

// The thumbnail of sticker `name` (a plain file name, found as ClipArt_FindFile finds
// it): size × size pixels, blue, green, red, rows top-down, in *out (free with
// DibFreeImage). A sticker that does not load is looked for as the same path ending in
// "ICO" instead, which is shown unscaled from the top-left corner. 0 when neither
// loads (nothing added to the trail) or the canvas is missing ("Load bitmap!").
int ClipArt_Thumbnail(const char *name, int32_t size, DIBIMAGE *out);
// The placeholder of a sticker without thumbnail: "CLIPART_ERROR" on a size × size white
// square (a grey frame when the program lacks it). 0 only when out of memory.
int ClipArt_Placeholder(int32_t size, DIBIMAGE *out);
// The thumbnail, else the placeholder; a failed thumbnail leaves nothing in the trail.
int ClipArt_ThumbnailOrPlaceholder(const char *name, int32_t size, DIBIMAGE *out);
