// jpegbehind.cpp — a JPEG file encoded on a second thread while its rows are still made.
//
// The maker (the caller's thread) reports how many rows from the top are final; the
// encoder follows one group of rows behind, so writing the file costs about as long as
// the slower of the two instead of both together. The file is written through
// SafeFileOpen: a save that fails or is given up leaves the earlier file as it was.
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "formats/formats.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

struct JPEGBEHIND {
    std::mutex lock;
    std::condition_variable moved;
    int32_t rows = 0;      // final rows, as the maker reported them
    int32_t encoded = 0;   // rows the encoder has asked for so far (progress)
    bool stop = false;     // no more rows will come
    bool finished = false; // the encoder reads the pixels no more
    int ok = 0;
    int writeError = 0; // errno on the encoder's thread when its write failed
    int32_t height = 0;
    SAFEFILE file;
    char error[300] = "";
    std::thread thread;
};

// The encoder's wait for the first `rows` rows; 0 when they will not come.
static int WaitRows(void *context, int32_t rows)
{
    JPEGBEHIND *j = static_cast<JPEGBEHIND *>(context);
    std::unique_lock<std::mutex> hold(j->lock);
    j->encoded = rows;
    j->moved.notify_all(); // the waiting maker shows the progress
    j->moved.wait(hold, [j, rows] { return j->stop || j->rows >= rows; });
    return j->rows >= rows;
}

static void Encode(JPEGBEHIND *j, const uint8_t *pixels, size_t stride, int32_t width,
                   int32_t quality)
{
    const JPEGROWWAIT wait = {WaitRows, j};
    const int ok = JpegWriteRows(j->file.pFile, pixels, stride, width, j->height, quality, &wait,
                                 j->error, sizeof j->error);
    const int writeError = !ok && std::ferror(j->file.pFile) ? (errno ? errno : EIO) : 0;
    std::lock_guard<std::mutex> hold(j->lock);
    j->ok = ok;
    j->writeError = writeError;
    j->finished = true;
    j->moved.notify_all();
}

JPEGBEHIND *JpegBehindStart(const char *name, const uint8_t *pixels, size_t stride, int32_t width,
                            int32_t height, int32_t quality)
{
    if (!pixels || !name || !*name || width < 1 || height < 1 ||
        stride < static_cast<size_t>(width) * 3) {
        Fail("JpegSave: nothing to save");
        return nullptr;
    }
    JPEGBEHIND *j = new (std::nothrow) JPEGBEHIND;
    if (!j) {
        Fail("Out of memory!");
        return nullptr;
    }
    if (!SafeFileOpen(name, &j->file)) {
        PLAT_FileFail("Can't open file", name, errno);
        delete j;
        return nullptr;
    }
    j->height = height;
    try {
        j->thread = std::thread(Encode, j, pixels, stride, width, quality ? quality : 90);
    } catch (const std::system_error &) {
        SafeFileAbort(&j->file);
        delete j;
        Fail("Out of memory!");
        return nullptr;
    }
    PLAT_ProgressSetPos(0);
    PLAT_SetStatusText(0, "Saving...");
    PLAT_ProgressSetRange(0, height);
    return j;
}

void JpegBehindRows(JPEGBEHIND *j, int32_t rows)
{
    std::lock_guard<std::mutex> hold(j->lock);
    if (rows > j->rows) {
        j->rows = rows > j->height ? j->height : rows;
        j->moved.notify_all();
    }
}

int JpegBehindFinish(JPEGBEHIND *j, int ok, const char *name)
{
    {
        std::unique_lock<std::mutex> hold(j->lock);
        if (ok)
            j->rows = j->height;
        j->stop = true;
        j->moved.notify_all();
        // The progress follows the encoder while this thread waits for it.
        while (!j->finished) {
            j->moved.wait_for(hold, std::chrono::milliseconds(40));
            const int32_t at = j->encoded;
            hold.unlock();
            PLAT_ProgressSetPos(at);
            hold.lock();
        }
    }
    j->thread.join();
    if (ok && !j->ok) {
        // A write that failed on the way names the file and the system's reason.
        if (j->writeError)
            PLAT_FileFail("Can't write file", name, j->writeError);
        else
            Fail(j->error);
    }
    ok = ok && j->ok;
    if (!ok)
        SafeFileAbort(&j->file);
    else if (!SafeFileCommit(&j->file))
        ok = PLAT_FileFail("Can't write file", name, errno);
    delete j;
    return ok;
}
