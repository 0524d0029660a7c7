// engine_reset.h — puts the engine's global state back to its start values, so that each
// test begins from the same picture-less engine whatever the one before it left behind.
// Surfaces are not touched: a test makes and releases the ones it uses.
#pragma once

#include <gtest/gtest.h>

#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "support/temp_dir.h"

inline void EngineReset()
{
    FakePlatformReset();
    TrailClear();
    AO_ClearList();
    gAOListCleared = 0;
    gFramesRunning = 0;
    PICTURE_Shutdown();
    gSelected = nullptr;
    gPictureExists = 0;
    gModified = 0;
    gPhotoWidth = gPhotoHeight = gPhotoComponents = 0;
    gDraggingPiece = gDragDX = gDragDY = 0;
    gScreenWidth = 800;
    gScreenHeight = 600;
    gPictureRect = {0, 0, 0, 0};
    gMaxPhotoPixels = MAX_PHOTO_PIXELS;
    gSmoothEdges = 1;
    gMainDir[0] = '\0';
}

// A test of the engine from its start values, with a private folder `dir` that goes
// with the test.
class EngineTest : public ::testing::Test
{
  protected:
    void SetUp() override { EngineReset(); }
    TempDir tmp;
    const fs::path dir = tmp.Path();
};
