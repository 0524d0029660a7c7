// fake_platform.cpp — the recording platform for engine tests.
#include "platform/fake/fake_platform.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "platform/file.h"
#include "resources/resources.h"

static FakePlatformLog sLog;
static std::map<std::string, std::vector<uint8_t>> sResources;
static std::vector<uint8_t> sWindowBits;
static PLAT_IMAGE sWindow;
static int sWindowExists = 1;
static uint32_t sClock;

FakePlatformLog &FakePlatform()
{
    return sLog;
}

void FakePlatformReset()
{
    sLog = FakePlatformLog();
    sResources.clear();
    sWindowBits.assign(1280 * 1024 * 3, 0);
    sWindowExists = 1;
    PLAT_FileFaultsReset();
}

void FakeSetWindowExists(int exists)
{
    sWindowExists = exists;
}

void FakeAddResource(const std::string &name, const std::vector<uint8_t> &bytes)
{
    sResources[name] = bytes;
}

void FakeAdvanceClock(uint32_t ms)
{
    sClock += ms;
}

PLAT_IMAGE *PLAT_GetWindowImage()
{
    if (!sWindowExists)
        return nullptr;
    if (sWindowBits.empty())
        sWindowBits.assign(1280 * 1024 * 3, 0);
    sWindow = {sWindowBits.data(), 1280, 1024, 1280 * 3, 3};
    return &sWindow;
}

void PLAT_InvalidateWindow(int32_t x, int32_t y, int32_t width, int32_t height)
{
    sLog.invalidated.push_back({x, y, width, height});
}

int PLAT_MessageBox(const char *text, const char *title, int flags, int)
{
    sLog.messageBoxes.push_back({text ? text : "", title ? title : "", flags});
    return sLog.nextAnswer;
}

int PLAT_SetWaitCursor()
{
    return sLog.waitCursorDepth++;
}

void PLAT_RestoreCursor(int previous)
{
    sLog.waitCursorDepth = previous;
}

void PLAT_SetStatusText(int part, const char *text)
{
    if (part == 0 || part == 1)
        sLog.statusTexts[part].push_back(text ? text : "");
}

void PLAT_ProgressSetRange(int32_t low, int32_t high)
{
    sLog.progressLow = low;
    sLog.progressHigh = high;
}

void PLAT_ProgressSetPos(int32_t pos)
{
    sLog.progressPos = pos;
}

void PLAT_ProgressSetStep(int32_t step)
{
    sLog.progressStep = step;
}

void PLAT_ProgressStepIt()
{
    sLog.progressPos += sLog.progressStep;
    sLog.progressSteps++;
}

void PLAT_DebugOutput(const char *text)
{
    sLog.debugOutput.push_back(text ? text : "");
}

uint32_t PLAT_Milliseconds()
{
    return sClock;
}

const uint8_t *PLAT_FindResource(const char *name, size_t *size)
{
    auto it = sResources.find(name);
    if (it != sResources.end()) {
        if (size)
            *size = it->second.size();
        return it->second.data();
    }
    return RES_Find(name, size);
}

const char *PLAT_DefaultDataDir()
{
    static std::string dir;
    const char *env = std::getenv("MW_DATA_DIR");
    dir = env ? env : ".";
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir.c_str();
}

const char *PLAT_TempDir()
{
    static std::string dir;
    if (dir.empty()) {
        auto base =
            std::filesystem::temp_directory_path() / ("mw-fake-" + std::to_string(::getpid()));
        std::filesystem::create_directories(base);
        dir = base.string() + "/";
    }
    return dir.c_str();
}

char PLAT_PathSeparator()
{
    return '/';
}

void PLAT_ShowHelp(const char *topicPath)
{
    sLog.debugOutput.push_back(std::string("help: ") + (topicPath ? topicPath : ""));
}

int PLAT_MailAvailable()
{
    return 0;
}
