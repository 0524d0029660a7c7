// imgobj.h — image objects: the photo and the pieces on it.
//
// Each image object is a display-list entry (type 83) holding its artwork twice: the
// high-resolution image as loaded, and the screen-resolution image rebuilt from it
// (scaled, mirrored, turned) whenever bNeedsUpdate is set.
#pragma once

#include <cstdint>

#include "picture/ao.h"

// Kinds (stored in layout files: the numbers stay).
constexpr int32_t IMG_SRC = 0;  // the background photo
constexpr int32_t IMG_OBJ = 1;  // clip art
constexpr int32_t IMG_TEXT = 2; // text bubble or banner
constexpr int32_t IMG_EMF = 3;  // reserved; never created

constexpr int32_t HI_RES_OBJ = 0;
constexpr int32_t LO_RES_OBJ = 1;

struct IMGRES {
    LPDDS DDSSurface;
};

// The record: the display-list header, then the object's own fields in this order.
struct IMGOBJ {
    AO ao;
    int32_t xAnchor, yAnchor;
    char szFileName[128];
    int32_t iFileType; // 1 JPEG, 2 Windows bitmap
    int32_t iKind;
    IMGRES iiRes[2];
    int32_t bSelected;
    int32_t iSrcWidth, iSrcHeight;
    int32_t iSrcComponents;
    int32_t bNeedsUpdate;
    int32_t iTextStyle; // with szText: the 208-byte text description
    char szText[204];
    int32_t bFlipH;
    int32_t bFlipV;
    int32_t iAngle;
    int32_t rcRotated[4]; // x, y, width, height
    int32_t ptCorner[4][2];
    float fWidth, fHeight;
    int32_t iFont;
    float fScaleX, fScaleY;
    // Beyond the stored record: the photo's whole path for loading (szFileName keeps
    // only what fits, for the layout file). Owned by the object; freed with it.
    char *pszFullPath;
};
