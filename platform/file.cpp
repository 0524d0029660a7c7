// file.cpp — the file layer and its test control (see file.h).
#include "platform/file.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/trail.h"

namespace
{

// Counted from the last reset; atomic, for the autosave writes from its own thread.
std::atomic<int64_t> sCount[FILEOP_KINDS];
std::atomic<int64_t> sFailAt[FILEOP_KINDS]; // 0: none armed
std::atomic<int> sFailError[FILEOP_KINDS];
std::atomic<int64_t> sBytesWritten;
std::atomic<int64_t> sDiskLeft{-1}; // bytes writes may still take; -1: no limit

// Counts a call of kind op; true, with errno set, when the test control fails this one.
bool Faulted(int op)
{
    const int64_t n = sCount[op].fetch_add(1, std::memory_order_relaxed) + 1;
    if (n != sFailAt[op].load(std::memory_order_relaxed))
        return false;
    errno = sFailError[op].load(std::memory_order_relaxed);
    return true;
}

int FdOf(void *cookie)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(cookie));
}

ssize_t StreamRead(void *cookie, char *data, size_t size)
{
    return PLAT_FileRead(FdOf(cookie), data, size);
}

// stdio takes any short write as an error, so the whole buffer goes or the call fails.
ssize_t StreamWrite(void *cookie, const char *data, size_t size)
{
    return PLAT_FileWriteAll(FdOf(cookie), data, size) ? static_cast<ssize_t>(size) : -1;
}

int StreamSeek(void *cookie, off64_t *offset, int whence)
{
    const off64_t at = ::lseek64(FdOf(cookie), *offset, whence);
    if (at < 0)
        return -1;
    *offset = at;
    return 0;
}

int StreamClose(void *cookie)
{
    return PLAT_FileClose(FdOf(cookie));
}

} // namespace

// The system call's result, the call made again while a signal interrupts it.
template <class Call> static auto Uninterrupted(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

int PLAT_FileOpen(const char *path, int flags, int mode)
{
    if (Faulted(FILEOP_OPEN))
        return -1;
    // Opened without blocking, so a pipe with no writer (or a device) cannot hang the
    // program here; a regular file then reads and writes as it always does.
    const int fd = Uninterrupted([&] { return ::open(path, flags | O_NONBLOCK, mode); });
    if (fd < 0)
        return fd;
    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode) && !(flags & O_DIRECTORY))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        error = ENXIO;
    else if (!(flags & O_NONBLOCK) && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error) {
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

const char *PLAT_FileErrorText(int error)
{
    return error == ENXIO ? "not a regular file" : std::strerror(error);
}

int PLAT_FileFail(const char *what, const char *path, int error)
{
    return Failf("%s %s (%s)", what, path ? path : "", PLAT_FileErrorText(error));
}

ssize_t PLAT_FileRead(int fd, void *data, size_t size)
{
    if (Faulted(FILEOP_READ))
        return -1;
    return Uninterrupted([&] { return ::read(fd, data, size); });
}

ssize_t PLAT_FileReadAt(int fd, void *data, size_t size, int64_t offset)
{
    if (Faulted(FILEOP_READ))
        return -1;
    return Uninterrupted([&] { return ::pread(fd, data, size, static_cast<off_t>(offset)); });
}

ssize_t PLAT_FileWrite(int fd, const void *data, size_t size)
{
    if (Faulted(FILEOP_WRITE))
        return -1;
    const int64_t left = sDiskLeft.load(std::memory_order_relaxed);
    if (left >= 0 && static_cast<uint64_t>(left) < size) {
        if (left == 0) {
            errno = ENOSPC;
            return -1;
        }
        size = static_cast<size_t>(left);
    }
    const ssize_t n = Uninterrupted([&] { return ::write(fd, data, size); });
    if (n > 0) {
        sBytesWritten.fetch_add(n, std::memory_order_relaxed);
        if (left >= 0)
            sDiskLeft.fetch_sub(n, std::memory_order_relaxed);
    }
    return n;
}

int PLAT_FileSync(int fd)
{
    if (Faulted(FILEOP_SYNC))
        return -1;
    return ::fsync(fd);
}

int PLAT_FileRename(const char *from, const char *to)
{
    if (Faulted(FILEOP_RENAME))
        return -1;
    return ::rename(from, to);
}

int PLAT_FileClose(int fd)
{
    // A failed close still releases the descriptor: it is closed either way.
    const bool faulted = Faulted(FILEOP_CLOSE);
    const int error = errno;
    const int result = ::close(fd);
    if (faulted) {
        errno = error;
        return -1;
    }
    return result;
}

ssize_t PLAT_FileReadAll(int fd, void *data, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = PLAT_FileRead(fd, static_cast<char *>(data) + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

int PLAT_FileWriteAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = PLAT_FileWrite(fd, p, size);
        if (n < 0)
            return 0;
        if (n == 0) {
            errno = ENOSPC;
            return 0;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 1;
}

// Opens a regular file of at most maxBytes bytes for reading whole: the descriptor and its
// length, or -1 with errno set (*opened tells whether it opened at all).
static int OpenWhole(const char *path, int64_t maxBytes, size_t *length, bool *opened)
{
    const int fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
    *opened = fd >= 0;
    if (fd < 0)
        return -1;
    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode) || st.st_size > maxBytes)
        error = S_ISREG(st.st_mode) ? EFBIG : EISDIR;
    if (error) {
        PLAT_FileClose(fd);
        errno = error;
        return -1;
    }
    *length = static_cast<size_t>(st.st_size);
    return fd;
}

uint8_t *PLAT_FileReadWhole(const char *path, int64_t maxBytes, size_t *size, bool *opened)
{
    *size = 0;
    size_t length = 0;
    const int fd = OpenWhole(path, maxBytes, &length, opened);
    if (fd < 0)
        return nullptr;
    uint8_t *data = static_cast<uint8_t *>(std::malloc(length ? length : 1));
    const ssize_t got = data ? PLAT_FileReadAll(fd, data, length) : -1;
    int error = 0;
    if (got != static_cast<ssize_t>(length)) {
        error = !data ? ENOMEM : got < 0 ? errno : EIO; // EIO: cut short meanwhile
        std::free(data);
        data = nullptr;
    } else {
        *size = length;
    }
    PLAT_FileClose(fd); // only read: a failed close loses nothing
    if (!data)
        errno = error;
    return data;
}

int PLAT_FileReadInto(const char *path, int64_t maxBytes, READBUFFER *buffer, bool *opened)
{
    buffer->size = 0;
    size_t length = 0;
    const int fd = OpenWhole(path, maxBytes, &length, opened);
    if (fd < 0)
        return 0;
    int error = 0;
    if (length > buffer->capacity) {
        const size_t capacity = length > 2 * buffer->capacity ? length : 2 * buffer->capacity;
        buffer->block.reset(static_cast<uint8_t *>(PLAT_PixelsAlloc(capacity)));
        buffer->capacity = buffer->block ? capacity : 0;
        if (!buffer->block)
            error = ENOMEM;
    }
    if (!error) {
        const ssize_t got = PLAT_FileReadAll(fd, buffer->block.get(), length);
        if (got == static_cast<ssize_t>(length))
            buffer->size = length;
        else
            error = got < 0 ? errno : EIO; // EIO: cut short meanwhile
    }
    PLAT_FileClose(fd); // only read: a failed close loses nothing
    if (error)
        errno = error;
    return !error;
}

const uint8_t *PLAT_FileMapWhole(const char *path, int64_t maxBytes, size_t *size, bool *opened)
{
    static const uint8_t kEmpty[1] = {0};
    *size = 0;
    size_t length = 0;
    const int fd = OpenWhole(path, maxBytes, &length, opened);
    if (fd < 0)
        return nullptr;
    const uint8_t *data = nullptr;
    int error = 0;
    if (Faulted(FILEOP_READ)) {
        error = EIO;
    } else if (length == 0) {
        data = kEmpty;
    } else {
        void *m = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
        if (m == MAP_FAILED) {
            error = errno;
        } else {
            data = static_cast<const uint8_t *>(m);
            *size = length;
        }
    }
    PLAT_FileClose(fd); // the mapping stays
    if (!data)
        errno = error;
    return data;
}

void PLAT_FileUnmap(const uint8_t *data, size_t size)
{
    if (data && size)
        ::munmap(const_cast<uint8_t *>(data), size);
}

FILE *PLAT_FileStream(int fd, const char *mode)
{
    const cookie_io_functions_t io = {StreamRead, StreamWrite, StreamSeek, StreamClose};
    return ::fopencookie(reinterpret_cast<void *>(static_cast<intptr_t>(fd)), mode, io);
}

FILEOPS PLAT_FileOps()
{
    FILEOPS ops = {};
    for (int op = 0; op < FILEOP_KINDS; op++)
        ops.iCount[op] = sCount[op].load(std::memory_order_relaxed);
    ops.iBytesWritten = sBytesWritten.load(std::memory_order_relaxed);
    return ops;
}

void PLAT_FileFailAt(int op, int64_t n, int error)
{
    if (op < 0 || op >= FILEOP_KINDS)
        return;
    sFailError[op].store(error, std::memory_order_relaxed);
    sFailAt[op].store(n, std::memory_order_relaxed);
}

void PLAT_FileDiskFull(int64_t bytes)
{
    sDiskLeft.store(bytes < 0 ? -1 : bytes, std::memory_order_relaxed);
}

void PLAT_FileFaultsReset()
{
    for (int op = 0; op < FILEOP_KINDS; op++) {
        sCount[op].store(0, std::memory_order_relaxed);
        sFailAt[op].store(0, std::memory_order_relaxed);
    }
    sBytesWritten.store(0, std::memory_order_relaxed);
    sDiskLeft.store(-1, std::memory_order_relaxed);
}

const char *PLAT_FileOpName(int op)
{
    static const char *const kNames[FILEOP_KINDS] = {"open", "read",   "write",
                                                     "sync", "rename", "close"};
    return op >= 0 && op < FILEOP_KINDS ? kNames[op] : "?";
}
