// output_support.h — a picture to print or send.
#pragma once

#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "support/bmp_builder.h"
#include "support/qt_app.h"

// The photo's quadrants, 0xRRGGBB: top left, top right, bottom left, bottom right.
constexpr uint32_t kQuadrant[4] = {0xFF0000, 0x00C000, 0x0000FF, 0xFFFF00};

// A test with a photo of w × h in four coloured quadrants as the picture, composed
// without a window as the export command does.
class PictureTest : public QtTest
{
  protected:
    void MakePicture(int w, int h)
    {
        gScreenWidth = 800;
        gScreenHeight = 600;
        gDDSPicture = DXCreateSurface(nullptr, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSText = DXCreateSurface(nullptr, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
        IMGOBJ *photo = IMGOBJ_LoadPhoto(WritePhoto(w, h).c_str());
        ASSERT_NE(photo, nullptr) << gErrorTrail;
        AO_AddObj(&photo->ao);
        ImageObjectResize(nullptr);
        gPictureExists = 1;
    }
    // The photo as a bitmap file.
    std::string WritePhoto(int w, int h)
    {
        WriteFile(mDir / "photo.bmp", PictureBmp(w, h, [w, h](int x, int y) {
                      return kQuadrant[(y >= h / 2) * 2 + (x >= w / 2)];
                  }));
        return mDir / "photo.bmp";
    }
    void TearDown() override
    {
        AO_ClearList();
        gAOListCleared = 0;
        gPictureExists = 0;
        DXReleaseSurface(gDDSPicture);
        DXReleaseSurface(gDDSText);
        gDDSPicture = gDDSText = nullptr;
        QtTest::TearDown();
    }
    TempDir mDir;
};
