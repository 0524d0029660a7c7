// fake_platform.h — a recording stand-in for platform.h, for engine tests.
//
// Records what the engine asked of the desktop (message boxes, status texts, progress,
// invalidated rectangles, cursor changes) and lets a test inject embedded resources
// and the message-box answer. The window image is a plain 1280 × 1024 buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeMessageBox {
    std::string text;
    std::string title;
    int flags;
};

struct FakePlatformLog {
    std::vector<FakeMessageBox> messageBoxes;
    std::vector<std::string> statusTexts[2];
    std::vector<std::string> debugOutput;
    std::vector<std::vector<int32_t>> invalidated; // x, y, width, height
    int32_t progressLow = 0, progressHigh = 100, progressPos = 0, progressStep = 1;
    int32_t progressSteps = 0; // PLAT_ProgressStepIt calls
    int waitCursorDepth = 0;
    int nextAnswer = PLAT_IDOK; // what PLAT_MessageBox answers
};

// The log of everything recorded since the last FakePlatformReset.
FakePlatformLog &FakePlatform();
// Forgets the log, injected resources, the window image's contents and the file layer's
// counts and armed faults; the window exists.
void FakePlatformReset();
// Makes PLAT_GetWindowImage return null (0) or the buffer (1).
void FakeSetWindowExists(int exists);
// Makes a resource of that name available to PLAT_FindResource (bytes are copied).
void FakeAddResource(const std::string &name, const std::vector<uint8_t> &bytes);
// Advances the fake millisecond clock.
void FakeAdvanceClock(uint32_t ms);
