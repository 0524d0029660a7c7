// layout.h — layout files (".mwi"): a decorated picture kept editable.
//
// The file is a flat run of fixed blocks, all integers 32-bit little-endian: a version
// word (1), a 668-byte header, then one 476-byte record per image object in display-list
// order. The photo's record is followed at once by its pixel rows, blue, green, red,
// width × 3 bytes each with no padding. Clip art and bubbles are stored by their file
// name in the clip-art folder; only the photo's pixels travel inside the file.
//
// A layout file is untrusted input. LayoutLoad reads the whole file through once before
// it changes anything and refuses, with a line in the trail, what the editor cannot have
// written: a count the file cannot hold, a photo outside the photo limits, a piece name
// that is not a plain file name, no photo or two, more pieces than LAYOUT_MAX_PIECES, a
// photo and pieces (artwork and screen images) beyond the memory budget (platform/memory.h).
// Sizes, angles and mirror flags out of range are brought into range. A load that fails
// later (a clip-art file gone, memory) removes what it made: the picture stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct IMGOBJ;

constexpr uint32_t LAYOUT_VERSION = 1;
constexpr size_t LAYOUT_VERSION_SIZE = 4;
constexpr size_t LAYOUT_HEADER_SIZE = 668;
constexpr size_t LAYOUT_RECORD_SIZE = 476;
constexpr size_t LAYOUT_NAME_SIZE = 128;
constexpr size_t LAYOUT_TEXT_SIZE = 204;
// Pieces (clip art and text) a layout may hold: each takes two surfaces of several
// megabytes, so a file cannot make the program allocate without bound.
constexpr int32_t LAYOUT_MAX_PIECES = 1000;
// The picture rectangle lies within the largest drawing area.
constexpr int32_t LAYOUT_MAX_AREA_WIDTH = 1280;
constexpr int32_t LAYOUT_MAX_AREA_HEIGHT = 1024;
// Piece positions lie within this distance of the drawing area.
constexpr int32_t LAYOUT_MAX_OFFSET = 32768;
// A caption (kind 4) keeps its style in its record's reserved bytes and its text, UTF-8,
// in the records of this kind that follow it: 472 bytes of the text each, after the kind
// word. They are counted in the header like any record, so a reader that skips kinds it
// does not know skips them too.
constexpr int32_t LAYOUT_KIND_MORE = 100;
constexpr size_t LAYOUT_MORE_SIZE = LAYOUT_RECORD_SIZE - 4;

// ---- The document ------------------------------------------------------------------------
// The picture as a document: its name and what the program knows of it. The shell sets
// them as pictures are opened and saved; output names its files after gFileName.
extern char gFileDir[4096];   // folder of the current document, with a trailing separator
extern char gFileName[256];   // document name without extension, or "Untitled"
extern char gFileExt[256];    // extension with its dot
extern int32_t gNeedsSaveAs;  // a Save asks for a name first
extern int32_t gDocumentOpen; // a document has been opened since start-up
// The document's line in the status bar: "<name> (<w> x <h>)".
void FormatStatusText(char *out, size_t size);

// The header, decoded.
struct LAYOUTHEADER {
    int32_t iCount;
    char szPhotoName[LAYOUT_NAME_SIZE];
    int32_t iPhotoWidth, iPhotoHeight;
    int32_t iRectWidth, iRectHeight, iRectLeft, iRectTop; // this order in the file
};

// One object record, decoded.
struct LAYOUTRECORD {
    int32_t iKind;
    char szFileName[LAYOUT_NAME_SIZE];
    int32_t x, y, iWidth, iHeight, iAngle;
    int32_t bFlipH, bFlipV;
    int32_t iTextStyle; // with szText: the object's 208-byte text description
    char szText[LAYOUT_TEXT_SIZE];
    // Captions, in the reserved bytes: the text's length in bytes (offset 152), then the
    // font, fill and outline colours (0xRRGGBB), outline width, shadow and alignment
    // (offsets 156 to 176, caption.h's CAPTIONSTYLE in its order). Zeros for other kinds.
    int32_t iCaptionBytes;
    int32_t iCaptionStyle[6];
};

// Byte-exact encoding and decoding of the blocks (reserved bytes written as zeros and
// ignored on reading; text fields copied whole, as stored).
void LayoutPutHeader(const LAYOUTHEADER *header, uint8_t out[LAYOUT_HEADER_SIZE]);
void LayoutGetHeader(const uint8_t in[LAYOUT_HEADER_SIZE], LAYOUTHEADER *header);
void LayoutPutRecord(const LAYOUTRECORD *record, uint8_t out[LAYOUT_RECORD_SIZE]);
void LayoutGetRecord(const uint8_t in[LAYOUT_RECORD_SIZE], LAYOUTRECORD *record);

// Whether a stored clip-art or bubble name is a plain file name of the clip-art folder:
// terminated within its field, not empty, no path separator, not "." or "..".
int LayoutPlainName(const char name[LAYOUT_NAME_SIZE]);

// Writes the picture (every image object of kind photo, clip art or text that is not
// being removed, in display-list order) to path, through a temporary file renamed over
// it. "Saving..." progress. Clears gModified. 0 with the trail filled; a failed save
// changes nothing on disk and leaves gModified as it was.
int LayoutSave(const char *path);
// The picture as the bytes LayoutSave would write, in memory: no progress, gModified left
// alone (a snapshot for the autosave, written away from the window's thread). 0 with the
// trail filled.
int LayoutToBytes(std::vector<uint8_t> *out);
// LayoutToBytes without the photo's rows (the autosave keeps them apart, written once per
// photo): *rowsAt is where they belong in the whole bytes and *photo whose rows they are
// (its iSrcWidth × 3 bytes a row, iSrcHeight rows); 0 and null when there is no photo.
int LayoutToBytesWithoutRows(std::vector<uint8_t> *out, size_t *rowsAt, const IMGOBJ **photo);
// Reads a layout file and adds its objects to the picture; replace non-zero marks every
// earlier photo, clip-art and text object for removal once the new ones all exist.
// Restores the photo size and the picture rectangle, deselects, clears gModified and
// refits the picture to the window (ScreenResize). "Opening Layout..." progress.
// 0 with the trail filled; the picture is then as it was before the call.
int LayoutLoad(const char *path, int32_t replace);
// LayoutLoad without the window: the objects only, no refit and no redraw (the export
// command fits them itself).
// Pieces of kinds this program does not know that the last LayoutRead left out.
extern int32_t gLayoutSkipped;
int LayoutRead(const char *path, int32_t replace);
