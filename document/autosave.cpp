// autosave.cpp — the unsaved picture kept on disk (see autosave.h).
#include "document/autosave.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "document/layout.h"
#include "document/undo.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
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
std::atomic<bool> sCancel{false}; // the write under way is of no use any more: it stops
bool sCancelled;                  // the last write stopped so (set by the worker)
uint32_t sSnapshotDirty;          // sDirtySince when the write under way was taken
LPDDS sHeld;                      // the photo image the worker writes from, held for it
uint32_t sHeldSerial;             //   its image serial
std::atomic<int> sLastOk{1};
std::atomic<int> sLastError{0}; // errno of the last write that failed
std::string sFailedPath;        // what it could not write (set by the worker)
std::string sWanted;            // the folder asked for while no slot could be made there
bool sReported;                 // the present failure has been said in the status bar
double sSnapshotMs, sWriteMs;
size_t sWrittenBytes; // by the last write, all its files
// The photo whose rows lie in the slot's photo file: its image serial, object and size.
// The rest of the picture is written after each change; the rows only when these differ.
struct PhotoKey {
    uint32_t serial = 0;
    const void *photo = nullptr;
    int32_t width = 0, height = 0;
    bool operator==(const PhotoKey &) const = default;
};
PhotoKey sRowsOnDisk; // set by the worker once the photo file is whole; .photo null: none
std::string sOrphan;  // the claimed slot of an ended run
int sOrphanFd = -1;
int sAssembledFd = -1; // the claimed picture put together in memory

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// A slot's picture file starts with this when it holds the picture without the photo's
// rows, which lie in "<slot>.<serial>.photo" (starting with kRowsMagic); a whole layout
// starts with its version word. After the magic: the serial, 4 zero bytes, then for the
// picture where the rows go in the layout and how many bytes they are, for the photo file
// its rows' byte count.
constexpr char kPartMagic[8] = {'M', 'W', 'A', 'U', 'T', 'O', '1', '\0'};
constexpr char kRowsMagic[8] = {'M', 'W', 'R', 'O', 'W', 'S', '1', '\0'};
constexpr size_t kPartHead = 32, kRowsHead = 24;

void Put64(uint8_t *p, uint64_t v)
{
    for (int i = 0; i < 8; i++)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t Get64(const uint8_t *p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

std::string PhotoPath(const std::string &slot, uint32_t serial)
{
    return slot + "." + std::to_string(serial) + ".photo";
}

enum class Wrote { kOk, kFailed, kCancelled };

// Writes path through a temporary file beside it, flushed to the disk, renamed; fill
// writes the bytes and says whether they are all there (false with errno, or cancelled).
// A cancel (sCancel) before the flush leaves nothing behind and the old file as it was.
Wrote WriteAtomically(const std::string &path, const std::function<bool(int fd)> &fill)
{
    const std::string tmp = path + ".tmp";
    PLAT_TempRegister(tmp.c_str()); // before it exists: a signal may come right after the open
    const int fd = PLAT_FileOpen(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        sLastError = errno;
        PLAT_TempForget(tmp.c_str());
        return Wrote::kFailed;
    }
    bool ok = fill(fd);
    const bool cancelled = sCancel;
    ok = ok && !cancelled && PLAT_FileSync(fd) == 0;
    int error = ok ? 0 : errno;
    if (PLAT_FileClose(fd) != 0 && ok)
        ok = false, error = errno;
    if (ok && PLAT_FileRename(tmp.c_str(), path.c_str()) != 0)
        ok = false, error = errno;
    if (!ok)
        ::unlink(tmp.c_str());
    PLAT_TempForget(tmp.c_str());
    if (cancelled)
        return Wrote::kCancelled;
    if (!ok)
        sLastError = error ? error : EIO;
    return ok ? Wrote::kOk : Wrote::kFailed;
}

// WriteAtomically of pieces of bytes.
Wrote WriteAtomically(const std::string &path,
                      std::initializer_list<std::pair<const void *, size_t>> parts)
{
    return WriteAtomically(path, [parts](int fd) {
        for (const auto &[data, size] : parts)
            if (!PLAT_FileWriteAll(fd, data, size))
                return false;
        return true;
    });
}

// Writes height rows of rowBytes, `pitch` apart from bits, a megabyte or so at a time;
// stops (false) once the write is cancelled or the image's owner has let it go.
bool WriteRows(int fd, LPDDS image, const uint8_t *bits, size_t pitch, size_t rowBytes,
               int32_t height)
{
    constexpr size_t kChunk = size_t{1} << 20;
    const int32_t perChunk = static_cast<int32_t>(std::max<size_t>(1, kChunk / pitch));
    std::vector<uint8_t> packed(pitch == rowBytes ? 0 : rowBytes * perChunk);
    for (int32_t y = 0; y < height; y += perChunk) {
        if (sCancel || DXSurfaceReleased(image))
            return sCancel = true, false;
        const int32_t n = std::min(perChunk, height - y);
        const uint8_t *from = bits + pitch * y;
        if (!packed.empty()) {
            for (int32_t i = 0; i < n; i++)
                std::memcpy(packed.data() + rowBytes * i, from + pitch * i, rowBytes);
            from = packed.data();
        }
        if (!PLAT_FileWriteAll(fd, from, rowBytes * n))
            return false;
    }
    return true;
}

// Removes the slot's photo files but the one of serial keep (0: all of them).
void RemovePhotoFiles(const std::string &slot, uint32_t keep)
{
    const fs::path at(slot);
    const std::string prefix = at.filename().string() + ".";
    const std::string kept = keep ? fs::path(PhotoPath(slot, keep)).filename().string() : "";
    std::error_code error;
    for (const fs::directory_entry &e : fs::directory_iterator(at.parent_path(), error)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with(prefix) &&
            (name.ends_with(".photo") || name.ends_with(".photo.tmp")) && name != kept)
            ::unlink(e.path().c_str());
    }
}

// Waits for the worker; a write it stopped counts as not written, due again at once.
// The photo image it held is let go here, on the window's thread, which owns it.
void JoinWorker()
{
    if (sWorker.joinable())
        sWorker.join();
    sWorking = false;
    sCancel = false;
    if (sHeld)
        DXLetGoSurface(sHeld), sHeld = nullptr;
    if (sCancelled) {
        sCancelled = false;
        sWritten = false;
        sDirtySince = sSnapshotDirty;
    }
}

// The photo's image serial now; 0 without a photo.
uint32_t PhotoSerialNow()
{
    for (const AO *e = gAOList; e; e = e->pNext) {
        const IMGOBJ *obj = reinterpret_cast<const IMGOBJ *>(e);
        if (e->iType == AO_TYPE_IMGOBJ && obj->iKind == IMG_SRC && !e->bRemove &&
            e->AnimateProc != AO_DieProc)
            return obj->dwImageSerial;
    }
    return 0;
}

// A write of a photo image the picture no longer shows (cut, turned, another opened) is
// stopped rather than waited for: the picture written next names other rows.
void CancelIfStale()
{
    if (sWorking && sHeld && PhotoSerialNow() != sHeldSerial)
        sCancel = true;
}

// The slot's picture and description; its photo files too unless keepPhoto.
void RemoveSlotFiles(const std::string &slot, bool keepPhoto = false)
{
    for (const char *ext : {".mwi", ".txt", ".mwi.tmp", ".txt.tmp"})
        ::unlink((slot + ext).c_str());
    if (!keepPhoto)
        RemovePhotoFiles(slot, 0);
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
    sCancel = true; // the slot goes: what is under way is of no use
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
    sRowsOnDisk = {};
}

void AUTOSAVE_Discard()
{
    sCancel = true;
    JoinWorker();
    // The photo's rows stay: the next change of the same photo writes only the rest.
    if (!sSlot.empty())
        RemoveSlotFiles(sSlot, true);
    sWritten = false;
    sDirtySince = 0;
}

// Writes the picture into the slot: on the worker thread, or here when `wait`. The window's
// thread takes the picture without the photo's rows (a few kilobytes); when the photo
// changed since its rows were last written, the worker writes them straight from the
// photo's image, held for it (the photo may be cut, turned or closed meanwhile: the image
// then stays until the worker is joined, and the write stops). The rows' file comes first,
// the picture naming it next, older rows' files are removed last, so a crash at any point
// leaves a picture and the rows it names.
static int WriteSlot(uint32_t nowMs, uint32_t generation, bool wait)
{
    const Clock::time_point start = Clock::now();
    auto part = std::make_shared<std::vector<uint8_t>>();
    size_t rowsAt = 0;
    const IMGOBJ *photo = nullptr;
    const bool emptyTrail = gErrorTrail[0] == '\0';
    if (!LayoutToBytesWithoutRows(part.get(), &rowsAt, &photo)) {
        if (emptyTrail)
            TrailClear(); // nobody is shown this: the next change tries again
        sDirtySince = nowMs ? nowMs : 1;
        return 0;
    }
    PhotoKey key;
    if (photo)
        key = {photo->dwImageSerial, photo, photo->iSrcWidth, photo->iSrcHeight};
    const size_t rowBytes = static_cast<size_t>(key.width) * 3;
    const size_t rowsBytes = rowBytes * static_cast<size_t>(key.height);
    LPDDS image = nullptr;
    if (photo && !(key == sRowsOnDisk)) {
        image = photo->iiRes[HI_RES_OBJ].DDSSurface;
        DXHoldSurface(image);
        sHeld = image, sHeldSerial = key.serial;
    }
    const uint8_t *bits = image ? image->pBits : nullptr;
    const size_t pitch = image ? static_cast<size_t>(image->iPitch) : 0;
    uint8_t head[kPartHead] = {};
    std::memcpy(head, kPartMagic, sizeof kPartMagic);
    Put64(head + 8, key.serial);
    Put64(head + 16, rowsAt);
    Put64(head + 24, photo ? rowsBytes : 0);
    const std::string info = InfoText();
    sWritten = true;
    sWrittenGeneration = generation;
    sSnapshotDirty = sDirtySince;
    sDirtySince = 0;
    sCancel = false;
    sCancelled = false;
    sWorking = true;
    const std::string slot = sSlot;
    auto write = [part, image, bits, pitch, rowBytes, head, key, rowsBytes, info, slot] {
        const Clock::time_point begin = Clock::now();
        size_t bytes = 0;
        Wrote rows = Wrote::kOk;
        if (image) {
            uint8_t rowsHead[kRowsHead] = {};
            std::memcpy(rowsHead, kRowsMagic, sizeof kRowsMagic);
            Put64(rowsHead + 8, key.serial);
            Put64(rowsHead + 16, rowsBytes);
            rows = WriteAtomically(PhotoPath(slot, key.serial), [&](int fd) {
                return PLAT_FileWriteAll(fd, rowsHead, kRowsHead) &&
                       WriteRows(fd, image, bits, pitch, rowBytes, key.height);
            });
            if (rows == Wrote::kOk)
                sRowsOnDisk = key, bytes += kRowsHead + rowsBytes;
            else if (rows == Wrote::kFailed)
                sFailedPath = PhotoPath(slot, key.serial);
        }
        const Wrote picture =
            rows == Wrote::kOk
                ? WriteAtomically(slot + ".mwi", {{head, kPartHead}, {part->data(), part->size()}})
                : rows;
        const Wrote text = picture == Wrote::kOk
                               ? WriteAtomically(slot + ".txt", {{info.data(), info.size()}})
                               : picture;
        if (rows == Wrote::kOk && text == Wrote::kFailed)
            sFailedPath = slot + (picture == Wrote::kOk ? ".txt" : ".mwi");
        if (picture == Wrote::kOk) {
            bytes += text == Wrote::kOk ? kPartHead + part->size() + info.size()
                                        : kPartHead + part->size();
            RemovePhotoFiles(slot, key.serial); // no picture names the others now
        }
        sWrittenBytes = bytes;
        sWriteMs = MsSince(begin);
        sCancelled = text == Wrote::kCancelled && picture != Wrote::kOk;
        sLastOk = text != Wrote::kFailed ? 1 : 0;
        sWorking = false;
    };
    sSnapshotMs = MsSince(start);
    if (wait) {
        write();
        JoinWorker();
    } else {
        sWorker = std::thread(write);
    }
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
    CancelIfStale();
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
    CancelIfStale();
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

size_t AUTOSAVE_LastBytes()
{
    return sWrittenBytes;
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

// Fails with the part of the kept picture that is wrong and the file it lies in.
static int OrphanFault(const char *what, const std::string &path)
{
    Fail(path.c_str());
    return Failf("The unsaved picture's %s.", what);
}

int AUTOSAVE_OrphanLayout(const AUTOSAVEINFO *info, char *path, size_t size)
{
    if (sAssembledFd >= 0)
        ::close(sAssembledFd), sAssembledFd = -1;
    const std::string picture = info->szPicture;
    std::snprintf(path, size, "%s", info->szPicture);
    const int fd = PLAT_FileOpen(picture.c_str(), O_RDONLY | O_CLOEXEC);
    uint8_t head[kPartHead];
    const ssize_t got = fd >= 0 ? PLAT_FileReadAll(fd, head, sizeof head) : -1;
    if (fd >= 0)
        PLAT_FileClose(fd);
    // A whole layout (or none that can be read): the layout reader says what it finds.
    if (got != static_cast<ssize_t>(sizeof head) || std::memcmp(head, kPartMagic, 8) != 0)
        return 1;
    size_t partSize = 0;
    bool opened = false;
    std::unique_ptr<uint8_t, decltype(&std::free)> part(
        PLAT_FileReadWhole(picture.c_str(), int64_t{1} << 30, &partSize, &opened), &std::free);
    const uint64_t serial = Get64(head + 8), rowsAt = Get64(head + 16),
                   rowsBytes = Get64(head + 24);
    if (!part || partSize < kPartHead || rowsAt > partSize - kPartHead || serial > UINT32_MAX)
        return OrphanFault("picture is cut short", picture);
    const std::string slot =
        picture.substr(0, picture.size() - std::min<size_t>(4, picture.size()));
    const std::string rowsPath = PhotoPath(slot, static_cast<uint32_t>(serial));
    const int rowsFd = rowsBytes ? PLAT_FileOpen(rowsPath.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (rowsBytes && rowsFd < 0)
        return OrphanFault("photo is missing", rowsPath);
    struct Closer {
        int fd;
        ~Closer()
        {
            if (fd >= 0)
                PLAT_FileClose(fd);
        }
    } closeRows{rowsFd};
    if (rowsBytes) {
        uint8_t rowsHead[kRowsHead];
        struct stat st = {};
        if (PLAT_FileReadAll(rowsFd, rowsHead, sizeof rowsHead) !=
                static_cast<ssize_t>(sizeof rowsHead) ||
            std::memcmp(rowsHead, kRowsMagic, 8) != 0 || Get64(rowsHead + 8) != serial ||
            Get64(rowsHead + 16) != rowsBytes || ::fstat(rowsFd, &st) != 0 ||
            static_cast<uint64_t>(st.st_size) != kRowsHead + rowsBytes)
            return OrphanFault("photo does not belong to it or is cut short", rowsPath);
    }
    // The whole layout in memory, read back through its /proc name like any file.
    const int out = ::memfd_create("merrowick-restore", MFD_CLOEXEC);
    if (out < 0)
        return Failf("The unsaved picture cannot be put together (%s).", std::strerror(errno));
    const uint8_t *bytes = part.get() + kPartHead;
    bool ok = PLAT_FileWriteAll(out, bytes, rowsAt);
    std::vector<uint8_t> chunk(std::min<uint64_t>(rowsBytes, 1 << 20));
    for (uint64_t left = rowsBytes; ok && left > 0;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
        ok = PLAT_FileReadAll(rowsFd, chunk.data(), n) == static_cast<ssize_t>(n) &&
             PLAT_FileWriteAll(out, chunk.data(), n);
        left -= n;
    }
    ok = ok && PLAT_FileWriteAll(out, bytes + rowsAt, partSize - kPartHead - rowsAt);
    if (!ok) {
        const int error = errno;
        ::close(out);
        return Failf("The unsaved picture cannot be put together (%s).", std::strerror(error));
    }
    sAssembledFd = out;
    std::snprintf(path, size, "/proc/self/fd/%d", out);
    return 1;
}

void AUTOSAVE_ReleaseOrphan(int remove)
{
    if (sAssembledFd >= 0)
        ::close(sAssembledFd), sAssembledFd = -1;
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
