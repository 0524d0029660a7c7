// ownstickers.h — the user's own stickers: pictures turned into clip-art files in the
// user's sticker folder (PLAT_UserStickerDir). A layout refers to one by its plain file
// name, like to any catalogue sticker. Plain code: no toolkit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixels/pixels.h"

// The longer side of an own sticker at most, in pixels.
constexpr int32_t OWNSTICKER_MAX_SIDE = 500;
// The largest picture taken in, per side and in pixels.
constexpr int32_t OWNSTICKER_MAX_INPUT_SIDE = 16384;
constexpr int64_t OWNSTICKER_MAX_INPUT_PIXELS = 64LL * 1000 * 1000;
// The colour that opaque white becomes, so that the white key leaves it visible.
constexpr uint32_t OWNSTICKER_NEAR_WHITE = 0xFEFEFE;

// The file names of the own stickers, sorted: files ending in ".clp" whose name fits a
// layout record and is not shadowed by a file of the clip-art folder.
void ClipArt_OwnStickers(std::vector<std::string> *names);
// The display name of an own sticker: its file name without ".clp".
std::string OwnStickerName(const char *fileName);

// Makes a sticker from a picture with straight (not premultiplied) alpha: 4 bytes a
// pixel in blue, green, red, alpha order, rows top-down `pitch` bytes apart. The
// picture is cut to its visible part and scaled down (coverage-weighted) to at most
// OWNSTICKER_MAX_SIDE on its longer side; a pixel at least half opaque keeps its own
// colour, pure white becoming OWNSTICKER_NEAR_WHITE, and the rest become the white key.
// When any pixel is partly transparent, out->pBgra gets the scaled picture with its
// alpha as well (ClipArt_SaveSticker keeps it beside the sticker). 0 with a trail line
// when the picture is too large or shows nothing.
int ClipArt_MakeSticker(const uint8_t *bgra, int32_t width, int32_t height, int32_t pitch,
                        DIBIMAGE *out);
// Stores a sticker as a new 24-bit bitmap file in the sticker folder (made when
// missing), named after the file stem of sourcePath in lower-case letters, digits, '-'
// and '_', with "-2", "-3", ... when the name is taken by a catalogue sticker, a file of
// the clip-art folder or an own sticker. Never replaces a file. *fileName gets the new
// file's name. With sticker->pBgra, the picture's alpha goes into its alpha file beside
// it (ClipArt_AlphaPath); a sticker whose alpha file cannot be written keeps the key.
// 0 with trail lines on failure; nothing is left behind.
int ClipArt_SaveSticker(const DIBIMAGE *sticker, const char *sourcePath, std::string *fileName);

// ---- The alpha file (stickeralpha.cpp) ----------------------------------------------------
// A sticker's alpha file keeps the picture it was made from at the sticker's size with
// its alpha, as a PNG beside the sticker: "name.clp" has "name.alpha.png". The sticker
// itself stays a white-keyed bitmap, which layouts, thumbnails and older versions use.

// The alpha file's path for a sticker's path: its extension replaced by ".alpha.png".
std::string ClipArt_AlphaPath(const char *stickerPath);
// Writes width × height straight BGRA pixels (rows 4 × width apart) as a PNG to the file
// descriptor. 0 on failure (nothing in the trail: the caller says what failed).
int ClipArt_WriteAlphaPng(int fd, const uint8_t *bgra, int32_t width, int32_t height);
// Reads the alpha file beside the sticker at stickerPath when it is there and holds a
// picture of exactly width × height: *bgra gets its straight BGRA pixels (PLAT_PixelsAlloc,
// rows 4 × width apart; the caller frees them with PLAT_PixelsFree). 0 when there is no
// such file or it is damaged or of another size: the sticker then keeps its white key.
// Nothing is added to the trail either way.
int ClipArt_LoadAlpha(const char *stickerPath, int32_t width, int32_t height, uint8_t **bgra);
