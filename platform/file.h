// file.h — the file layer: every read and write of a user's file goes through here.
//
// Thin wrappers of the system calls on file descriptors, with their return values and
// errno (they write nothing to the error trail: the caller knows what the file was for
// and adds its own line). Interrupted calls are retried. A stdio stream over a descriptor
// sends its reads and writes through the same wrappers, for code written against FILE.
//
// A test control can make the n-th call of one kind fail, or make the disk fill up after
// a number of bytes; in the program it is never armed and costs a counter increment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sys/types.h>

#include "platform/memory.h"

// open(2): the descriptor, or -1. Only a regular file opens (or a folder, asked for with
// O_DIRECTORY), and without waiting: a pipe, a device or a socket is refused at once with
// errno ENXIO, a folder with EISDIR.
int PLAT_FileOpen(const char *path, int flags, int mode = 0);
// strerror(error), but "not a regular file" for the ENXIO of a refused open.
const char *PLAT_FileErrorText(int error);
// read(2): the bytes read (0 at the end of the file), or -1.
ssize_t PLAT_FileRead(int fd, void *data, size_t size);
// pread(2): the bytes read at offset (0 past the end of the file), or -1.
ssize_t PLAT_FileReadAt(int fd, void *data, size_t size, int64_t offset);
// write(2): the bytes written, which may be fewer than asked (a full disk), or -1.
ssize_t PLAT_FileWrite(int fd, const void *data, size_t size);
// fsync(2): 0, or -1.
int PLAT_FileSync(int fd);
// rename(2): 0, or -1.
int PLAT_FileRename(const char *from, const char *to);
// close(2): 0, or -1 (the descriptor is released either way).
int PLAT_FileClose(int fd);

// Reads until size bytes or the end of the file: the bytes read, or -1.
ssize_t PLAT_FileReadAll(int fd, void *data, size_t size);
// Writes all size bytes, going on after short writes: 1, or 0 (errno set).
int PLAT_FileWriteAll(int fd, const void *data, size_t size);
// The whole regular file of at most maxBytes bytes in a new block (std::free it; one byte
// is allocated for an empty file), its length in *size. Null when it does not open (then
// *opened is false), is no regular file, is larger, or cannot be read whole (errno set).
uint8_t *PLAT_FileReadWhole(const char *path, int64_t maxBytes, size_t *size, bool *opened);
// A block that whole-file reads reuse: a run of reads into one buffer faults its memory
// in once instead of a fresh block each time.
struct READBUFFER {
    PixelsPtr<uint8_t> block;
    size_t capacity = 0; // the block's bytes
    size_t size = 0;     // the last file's bytes
};
// The same file read into *buffer, grown as needed: 1, or 0 (errno set; buffer->size 0).
int PLAT_FileReadInto(const char *path, int64_t maxBytes, READBUFFER *buffer, bool *opened);
// The same file mapped read-only instead of read: for program data read once, whose pages
// then come from the file cache instead of being copied into fresh memory. Release it
// with PLAT_FileUnmap. The mapping counts as a read for the test control.
const uint8_t *PLAT_FileMapWhole(const char *path, int64_t maxBytes, size_t *size, bool *opened);
void PLAT_FileUnmap(const uint8_t *data, size_t size);
// A stdio stream over fd ("rb" or "wb") whose reads, writes and close go through the
// wrappers above; fclose closes fd. Its fileno is -1: keep fd for fstat and sync. Null
// on failure, fd then still open.
FILE *PLAT_FileStream(int fd, const char *mode);

// ---- The test control -----------------------------------------------------------------
enum FILEOP : int {
    FILEOP_OPEN,
    FILEOP_READ,
    FILEOP_WRITE,
    FILEOP_SYNC,
    FILEOP_RENAME,
    FILEOP_CLOSE,
    FILEOP_KINDS
};
// The calls of each kind and the bytes written since the last reset.
struct FILEOPS {
    int64_t iCount[FILEOP_KINDS];
    int64_t iBytesWritten;
};
FILEOPS PLAT_FileOps();
// Makes the n-th call of kind op (counted from the last reset, 1 first) fail with error.
void PLAT_FileFailAt(int op, int64_t n, int error);
// A full disk: writes take `bytes` more in all, then write short and fail with ENOSPC.
void PLAT_FileDiskFull(int64_t bytes);
// Forgets the counts, the armed failure and the disk limit.
void PLAT_FileFaultsReset();
// The name of an operation kind, for test messages ("open", "read", ...).
const char *PLAT_FileOpName(int op);

// ---- Temporary files, the signals that end the program, error texts ---------------------
// A temporary file that SIGINT, SIGTERM or SIGHUP removes before the program ends, from
// its creation until PLAT_TempForget. At most 32 at a time; 0 when the table is full (the
// file is then only not removed by a signal).
int PLAT_TempRegister(const char *path);
void PLAT_TempForget(const char *path);
// Installs the handlers of SIGINT, SIGTERM and SIGHUP: each removes the registered
// temporaries. Then, with bDeferExit 0, the signal's own action ends the program; with 1,
// the signal is written to a pipe (PLAT_SignalFd) for the program to end in order, and
// only a second signal ends it at once. 0 when they cannot be installed.
int PLAT_InstallSignalCleanup(int bDeferExit);
// The pipe's reading end (-1 before PLAT_InstallSignalCleanup(1)); readable after a signal.
int PLAT_SignalFd();
// Empties the pipe; the signal that came (0: none).
int PLAT_TakeSignal();
// Removes from folder the temporaries (".mw<pid>_<n>.tmp") of this user's runs that
// ended without removing them: plain files whose process is gone, untouched for
// PLAT_STALE_TEMP_SECONDS. The number removed.
constexpr int PLAT_STALE_TEMP_SECONDS = 60;
int PLAT_SweepTemporaries(const char *folder);
// Appends "<what> <path> (<the system's reason for error>)" to the trail; returns 0.
int PLAT_FileFail(const char *what, const char *path, int error);
