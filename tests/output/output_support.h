// output_support.h — a picture to print or send, and a robot that answers dialogs.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

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
        BmpSpec s;
        s.width = w, s.height = -h; // top-down
        for (int y = 0; y < h; ++y) {
            std::vector<uint8_t> row;
            for (int x = 0; x < w; ++x) {
                const uint32_t c = kQuadrant[(y >= h / 2) * 2 + (x >= w / 2)];
                row.insert(row.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
            }
            PadRow(row);
            s.pixels.insert(s.pixels.end(), row.begin(), row.end());
        }
        WriteFile(mDir / "photo.bmp", MakeBmp(s));
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

// Runs `step` on every pass of the event loop (modal dialogs' loops included) until it
// returns true: the way a test answers the dialogs a routine opens.
class Robot
{
  public:
    explicit Robot(std::function<bool()> step) : mStep(std::move(step))
    {
        mTimer.setInterval(0);
        QObject::connect(&mTimer, &QTimer::timeout, [this] {
            if (mStep())
                mTimer.stop();
        });
        mTimer.start();
    }

  private:
    std::function<bool()> mStep;
    QTimer mTimer;
};

template <class T> T *Child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(name);
}
