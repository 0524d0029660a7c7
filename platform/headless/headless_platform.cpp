// headless_platform.cpp — platform.h for a run without a window: the export command.
//
// Nothing is shown: there is no window image, the cursor, status bar and progress do
// nothing, and a message box is written to standard error and answered with its
// cautious button. The program's own executable uses this, so a headless export loads
// no toolkit.
#include <chrono>
#include <cstdio>

#include "platform/platform.h"
#include "resources/resources.h"

PLAT_IMAGE *PLAT_GetWindowImage()
{
    return nullptr;
}

void PLAT_InvalidateWindow(int32_t, int32_t, int32_t, int32_t) {}

int PLAT_MessageBox(const char *text, const char *title, int flags, int)
{
    std::fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
    switch (flags & 0xF) {
    case PLAT_MB_YESNO:
        return PLAT_IDNO;
    case PLAT_MB_OKCANCEL:
    case PLAT_MB_YESNOCANCEL:
        return PLAT_IDCANCEL;
    default:
        return PLAT_IDOK;
    }
}

int PLAT_SetWaitCursor()
{
    return 0;
}

void PLAT_RestoreCursor(int) {}
void PLAT_SetStatusText(int, const char *) {}
void PLAT_ProgressSetRange(int32_t, int32_t) {}
void PLAT_ProgressSetPos(int32_t) {}
void PLAT_ProgressSetStep(int32_t) {}
void PLAT_ProgressStepIt() {}

void PLAT_DebugOutput(const char *text)
{
    std::fputs(text ? text : "", stderr);
}

uint32_t PLAT_Milliseconds()
{
    static const auto start = std::chrono::steady_clock::now();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
}

const uint8_t *PLAT_FindResource(const char *name, size_t *size)
{
    return name ? RES_Find(name, size) : nullptr;
}

char PLAT_PathSeparator()
{
    return '/';
}
