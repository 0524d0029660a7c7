// safesave.cpp — saves that never lose the earlier file: a temporary file beside the
// target, synced, then renamed over it.
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/formats.h"
#include "platform/file.h"

// The folder part of a path ("." when it has none), without a trailing separator
// unless it is the root.
static std::string FolderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The end of the chain of symbolic links that starts at path (path itself when it is no
// link or does not exist). 0 for a loop or an unreadable link.
static int FollowLinks(const char *path, std::string *target)
{
    *target = path;
    for (int hop = 0; hop < 40; hop++) {
        struct stat st;
        if (::lstat(target->c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 1;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target->c_str(), buf, sizeof buf - 1);
        if (n <= 0)
            return 0;
        buf[n] = '\0';
        *target = buf[0] == '/' ? std::string(buf) : FolderOf(*target) + "/" + buf;
    }
    errno = ELOOP;
    return 0;
}

static mode_t CurrentUmask()
{
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

int SafeFileOpen(const char *path, SAFEFILE *file)
{
    *file = SAFEFILE{};
    file->iFd = -1;
    std::string target;
    if (!path || !*path) {
        errno = ENOENT;
        return 0;
    }
    if (!FollowLinks(path, &target))
        return 0;
    const std::string folder = FolderOf(target);
    const size_t slash = target.rfind('/');
    const size_t nameLength = target.size() - (slash == std::string::npos ? 0 : slash + 1);
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    // Refused before anything is written: the rename at the end would fail.
    if (target.size() >= sizeof file->szTarget || nameLength > (nameMax > 0 ? nameMax : 255)) {
        errno = ENAMETOOLONG;
        return 0;
    }
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            errno = EISDIR;
            return 0;
        }
        // A file without write permission is refused, by its bits too: a privileged
        // user could write it anyway, but its owner marked it as not to be changed.
        if (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) {
            errno = EACCES;
            return 0;
        }
        file->dwMode = st.st_mode & 07777;
    } else {
        file->dwMode = 0666 & ~CurrentUmask();
    }
    PLAT_SweepTemporaries(folder.c_str()); // what killed saves left here
    static std::atomic<unsigned> counter;
    for (int attempt = 0; attempt < 100; attempt++) {
        char name[40];
        std::snprintf(name, sizeof name, "/.mw%d_%x.tmp", static_cast<int>(::getpid()), counter++);
        const std::string temp = folder + name;
        if (temp.size() >= sizeof file->szTemp) {
            errno = ENAMETOOLONG;
            return 0;
        }
        // Known to the signal cleanup before it exists: a signal right after the open
        // would otherwise leave it behind. (A file of this name is a killed run's.)
        PLAT_TempRegister(temp.c_str());
        const int fd = PLAT_FileOpen(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int error = errno;
            PLAT_TempForget(temp.c_str());
            errno = error;
            if (errno == EEXIST)
                continue;
            return 0;
        }
        file->pFile = PLAT_FileStream(fd, "wb");
        if (!file->pFile) {
            const int error = errno;
            PLAT_FileClose(fd);
            ::unlink(temp.c_str());
            PLAT_TempForget(temp.c_str());
            errno = error;
            return 0;
        }
        file->iFd = fd;
        std::memcpy(file->szTemp, temp.c_str(), temp.size() + 1);
        std::memcpy(file->szTarget, target.c_str(), target.size() + 1);
        if (exists && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Another owner cannot be kept by an ordinary user; the file becomes ours.
        }
        return 1;
    }
    errno = EEXIST;
    return 0;
}

void SafeFileAbort(SAFEFILE *file)
{
    const int error = errno;
    if (file->pFile)
        std::fclose(file->pFile);
    file->pFile = nullptr;
    file->iFd = -1;
    if (file->szTemp[0]) {
        ::unlink(file->szTemp);
        PLAT_TempForget(file->szTemp);
    }
    file->szTemp[0] = '\0';
    errno = error;
}

int SafeFileCommit(SAFEFILE *file)
{
    if (!file->pFile)
        return 0;
    FILE *fp = file->pFile;
    file->pFile = nullptr;
    // An earlier write that failed leaves the stream's error flag even when the flush
    // of what came after it succeeds.
    int ok = std::fflush(fp) == 0 && !std::ferror(fp) && ::fchmod(file->iFd, file->dwMode) == 0 &&
             PLAT_FileSync(file->iFd) == 0;
    int error = ok ? 0 : errno ? errno : EIO;
    if (std::fclose(fp) != 0 && ok)
        ok = 0, error = errno;
    file->iFd = -1;
    if (ok && PLAT_FileRename(file->szTemp, file->szTarget) != 0)
        ok = 0, error = errno;
    if (!ok)
        ::unlink(file->szTemp);
    PLAT_TempForget(file->szTemp);
    file->szTemp[0] = '\0';
    if (!ok) {
        errno = error;
        return 0;
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(FolderOf(file->szTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 1;
}
