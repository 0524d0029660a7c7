// autosave.cpp — the unsaved picture kept on disk (see autosave.h).
#include "document/autosave.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "document/layout.h"
#include "document/undo.h"
#include "picture/imgobj.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

namespace fs = std::filesystem;

namespace
{

std::string sFolder;  // with its trailing separator; empty: autosave off
std::string sSlot;    // this run's slot: folder + "<pid>-<start>"
int sLockFd = -1;     // held locked while the program runs
uint32_t sIntervalMs; //
uint32_t sDirtySince; // clock of the first change not yet written, 0: none
bool sWritten;        // the slot holds a picture of this run
uint32_t sWrittenGeneration;
std::thread sWorker;
std::atomic<bool> sWorking{false};
std::atomic<int> sLastOk{1};
std::atomic<int> sLastError{0}; // errno of the last write that failed
std::string sFailedPath;        // what it could not write (set by the worker)
std::string sWanted;            // the folder asked for while no slot could be made there
bool sReported;                 // the present failure has been said in the status bar
double sSnapshotMs, sWriteMs;
std::string sOrphan; // the claimed slot of an ended run
int sOrphanFd = -1;

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Writes bytes to path through a temporary file beside it, flushed to the disk, renamed.
bool WriteAtomically(const std::string &path, const void *data, size_t size)
{
    const std::string tmp = path + ".tmp";
    PLAT_TempRegister(tmp.c_str()); // before it exists: a signal may come right after the open
    const int fd = PLAT_FileOpen(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        sLastError = errno;
        PLAT_TempForget(tmp.c_str());
        return false;
    }
    bool ok = PLAT_FileWriteAll(fd, data, size) && PLAT_FileSync(fd) == 0;
    int error = ok ? 0 : errno;
    if (PLAT_FileClose(fd) != 0 && ok)
        ok = false, error = errno;
    if (ok && PLAT_FileRename(tmp.c_str(), path.c_str()) != 0)
        ok = false, error = errno;
    if (!ok)
        ::unlink(tmp.c_str());
    PLAT_TempForget(tmp.c_str());
    if (!ok)
        sLastError = error ? error : EIO;
    return ok;
}

void JoinWorker()
{
    if (sWorker.joinable())
        sWorker.join();
    sWorking = false;
}

void RemoveSlotFiles(const std::string &slot)
{
    for (const char *ext : {".mwi", ".txt", ".mwi.tmp", ".txt.tmp"})
        ::unlink((slot + ext).c_str());
}

// The document's description: folder, name, extension, save-as flag, time; one a line.
std::string InfoText()
{
    char text[4096 + 256 + 256 + 64];
    std::snprintf(text, sizeof text, "%s\n%s\n%s\n%d\n%lld\n", gFileDir, gFileName, gFileExt,
                  gNeedsSaveAs, static_cast<long long>(std::time(nullptr)));
    return text;
}

void ReadInfo(const std::string &slot, AUTOSAVEINFO *info)
{
    std::snprintf(info->szPicture, sizeof info->szPicture, "%s.mwi", slot.c_str());
    info->szDir[0] = info->szExt[0] = '\0';
    std::snprintf(info->szName, sizeof info->szName, "%s", "");
    info->bNeedsSaveAs = 1;
    struct stat st = {};
    info->tWritten = ::stat(info->szPicture, &st) == 0 ? st.st_mtime : 0;
    const int fd = PLAT_FileOpen((slot + ".txt").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    std::string text(sizeof info->szDir + 1024, '\0');
    const ssize_t got = PLAT_FileReadAll(fd, text.data(), text.size());
    PLAT_FileClose(fd);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    size_t at = 0;
    auto next = [&](char *out, size_t size) {
        if (at >= text.size())
            return false;
        const size_t end = std::min(text.find('\n', at), text.size());
        const size_t n = std::min(std::min(end - at, std::strlen(text.c_str() + at)), size - 1);
        std::memcpy(out, text.data() + at, n);
        out[n] = '\0';
        at = end + 1;
        return true;
    };
    char flag[32] = "1", when[32] = "0";
    if (next(info->szDir, sizeof info->szDir) && next(info->szName, sizeof info->szName) &&
        next(info->szExt, sizeof info->szExt) && next(flag, sizeof flag) &&
        next(when, sizeof when)) {
        info->bNeedsSaveAs = std::atoi(flag) != 0;
        const long long t = std::atoll(when);
        if (t > 0)
            info->tWritten = static_cast<std::time_t>(t);
    }
}

// Opens and locks a slot's lock file without waiting: the descriptor, or -1 when another
// program holds it (or it cannot be opened).
int LockSlot(const std::string &slot)
{
    const int fd = ::open((slot + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int AUTOSAVE_Folder(char *out, size_t size)
{
    const char *state = std::getenv("XDG_STATE_HOME");
    const char *home = std::getenv("HOME");
    int n;
    if (state && *state == '/')
        n = std::snprintf(out, size, "%s/merrowick/", state);
    else if (home && *home)
        n = std::snprintf(out, size, "%s/.local/state/merrowick/", home);
    else
        return Fail("Neither XDG_STATE_HOME nor HOME is set: no autosave.");
    if (n < 0 || static_cast<size_t>(n) >= size)
        return Fail("The autosave folder's name is too long.");
    return 1;
}

// Takes this run's slot in the folder (made when missing): 1, or 0 with errno set.
static int TakeSlot(const std::string &base)
{
    std::error_code error;
    fs::create_directories(base, error);
    ::chmod(base.c_str(), 0700);
    const std::string slot = base + std::to_string(::getpid()) + "-" +
                             std::to_string(static_cast<long long>(std::time(nullptr)));
    sLockFd = LockSlot(slot);
    if (sLockFd < 0) {
        if (error)
            errno = error.value();
        return 0;
    }
    sFolder = base;
    sSlot = slot;
    sWanted.clear();
    return 1;
}

// Says in the status bar, once, that the unsaved picture could not be kept aside, or,
// after that, that it is kept again.
static void ReportWrite(int ok)
{
    if (ok && sReported) {
        sReported = false;
        PLAT_SetStatusText(0, LoadText(STR_AUTOSAVE_AGAIN));
    } else if (!ok && !sReported) {
        sReported = true;
        char text[4096 + 600];
        const std::string where = sFailedPath.empty() ? sWanted : sFailedPath;
        char reason[4096 + 200];
        std::snprintf(reason, sizeof reason, "%s: %s", where.c_str(),
                      std::strerror(sLastError ? sLastError.load() : EIO));
        std::snprintf(text, sizeof text, LoadText(STR_AUTOSAVE_FAILED), reason);
        PLAT_SetStatusText(0, text);
    }
}

int AUTOSAVE_Start(const char *folder, int32_t seconds)
{
    AUTOSAVE_Stop();
    if (seconds < AUTOSAVE_MIN_SECONDS)
        seconds = AUTOSAVE_MIN_SECONDS;
    if (seconds > AUTOSAVE_MAX_SECONDS)
        seconds = AUTOSAVE_MAX_SECONDS;
    sIntervalMs = static_cast<uint32_t>(seconds) * 1000;
    std::string base = folder;
    if (!base.empty() && base.back() != '/')
        base += '/';
    sDirtySince = 0;
    sWritten = false;
    sReported = false;
    sLastOk = 1;
    sFailedPath.clear();
    if (!TakeSlot(base)) {
        // Tried again when there is something to keep.
        sWanted = base;
        sLastError = errno;
        Fail(folder);
        return Fail("The autosave folder cannot be used: no autosave.");
    }
    return 1;
}

void AUTOSAVE_Stop()
{
    JoinWorker();
    if (!sSlot.empty()) {
        RemoveSlotFiles(sSlot);
        ::unlink((sSlot + ".lock").c_str());
    }
    AUTOSAVE_Leave();
}

void AUTOSAVE_Leave()
{
    JoinWorker();
    if (sLockFd >= 0)
        ::close(sLockFd);
    sLockFd = -1;
    sSlot.clear();
    sFolder.clear();
    sWanted.clear();
    sWritten = false;
    sDirtySince = 0;
}

void AUTOSAVE_Discard()
{
    JoinWorker();
    if (!sSlot.empty())
        RemoveSlotFiles(sSlot);
    sWritten = false;
    sDirtySince = 0;
}

// Writes the picture into the slot: on the worker thread, or here when `wait`.
static int WriteSlot(uint32_t nowMs, uint32_t generation, bool wait)
{
    const Clock::time_point start = Clock::now();
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    const bool emptyTrail = gErrorTrail[0] == '\0';
    if (!LayoutToBytes(bytes.get())) {
        if (emptyTrail)
            TrailClear(); // nobody is shown this: the next change tries again
        sDirtySince = nowMs ? nowMs : 1;
        return 0;
    }
    const std::string info = InfoText();
    sSnapshotMs = MsSince(start);
    sWritten = true;
    sWrittenGeneration = generation;
    sDirtySince = 0;
    sWorking = true;
    const std::string slot = sSlot;
    auto write = [bytes, info, slot] {
        const Clock::time_point begin = Clock::now();
        const bool picture = WriteAtomically(slot + ".mwi", bytes->data(), bytes->size());
        const bool ok = picture && WriteAtomically(slot + ".txt", info.data(), info.size());
        if (!ok)
            sFailedPath = slot + (picture ? ".txt" : ".mwi");
        sWriteMs = MsSince(begin);
        sLastOk = ok ? 1 : 0;
        sWorking = false;
    };
    if (wait)
        write();
    else
        sWorker = std::thread(write);
    return 1;
}

// After a write: a failure is said once and the picture written again an interval later.
static void AfterWrite(uint32_t nowMs)
{
    if (!sWritten)
        return;
    ReportWrite(sLastOk);
    if (!sLastOk) {
        sWritten = false;
        sDirtySince = nowMs ? nowMs : 1;
    }
}

int AUTOSAVE_Tick(uint32_t nowMs)
{
    if ((sSlot.empty() && sWanted.empty()) || sWorking)
        return 0;
    JoinWorker();
    AfterWrite(nowMs);
    if (!gModified) {
        sDirtySince = 0;
        return 0;
    }
    const uint32_t generation = UNDO_Generation();
    if (sWritten && generation == sWrittenGeneration)
        return 0;
    if (!sDirtySince)
        sDirtySince = nowMs ? nowMs : 1;
    // Ticks come a second apart: start when the next one would be late.
    if (nowMs - sDirtySince + 1000 < sIntervalMs)
        return 0;
    if (sSlot.empty()) {
        const std::string wanted = sWanted;
        if (!TakeSlot(wanted)) {
            sLastError = errno;
            sFailedPath.clear();
            ReportWrite(0);
            sDirtySince = nowMs ? nowMs : 1;
            return 0;
        }
    }
    return WriteSlot(nowMs, generation, false);
}

int AUTOSAVE_WriteNow()
{
    if (sSlot.empty() && !sWanted.empty()) {
        const std::string wanted = sWanted;
        if (!TakeSlot(wanted))
            return 0;
    }
    if (sSlot.empty())
        return 0;
    JoinWorker();
    const uint32_t generation = UNDO_Generation();
    if (!gModified || (sWritten && sLastOk && generation == sWrittenGeneration))
        return 1; // nothing unsaved, or written already
    return WriteSlot(0, generation, true) && sLastOk;
}

int AUTOSAVE_Wait()
{
    JoinWorker();
    return sLastOk;
}

void AUTOSAVE_LastCost(double *snapshotMs, double *writeMs)
{
    *snapshotMs = sSnapshotMs;
    *writeMs = sWriteMs;
}

int AUTOSAVE_FindOrphan(AUTOSAVEINFO *info)
{
    AUTOSAVE_ReleaseOrphan(0);
    if (sFolder.empty())
        return 0;
    std::error_code error;
    std::vector<std::pair<std::time_t, std::string>> found;
    for (const fs::directory_entry &e : fs::directory_iterator(sFolder, error)) {
        const fs::path p = e.path();
        if (p.extension() != ".lock")
            continue;
        const std::string slot = (p.parent_path() / p.stem()).string();
        if (slot == sSlot)
            continue;
        const int fd = LockSlot(slot);
        if (fd < 0)
            continue; // its program still runs
        struct stat st = {};
        if (::stat((slot + ".mwi").c_str(), &st) == 0)
            found.emplace_back(st.st_mtime, slot);
        else {
            RemoveSlotFiles(slot); // an ended run with nothing unsaved
            ::unlink((slot + ".lock").c_str());
        }
        ::close(fd);
    }
    // The newest first; claimed anew, for another program may have taken it meanwhile.
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a > b; });
    for (const auto &[when, slot] : found) {
        const int fd = LockSlot(slot);
        struct stat st = {};
        if (fd < 0)
            continue;
        if (::stat((slot + ".mwi").c_str(), &st) != 0) {
            ::close(fd);
            continue;
        }
        sOrphan = slot;
        sOrphanFd = fd;
        ReadInfo(slot, info);
        return 1;
    }
    return 0;
}

void AUTOSAVE_ReleaseOrphan(int remove)
{
    if (sOrphan.empty())
        return;
    if (remove) {
        RemoveSlotFiles(sOrphan);
        ::unlink((sOrphan + ".lock").c_str());
    }
    ::close(sOrphanFd);
    sOrphanFd = -1;
    sOrphan.clear();
}
