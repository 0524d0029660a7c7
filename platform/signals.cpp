// signals.cpp — temporary files that the signals ending the program remove, and the
// sweep of those a killed run left (see file.h).
//
// The handler may run at any instruction, so the table it reads holds plain character
// arrays guarded by one atomic state each, and it calls only unlink, write and raise.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file.h"

namespace
{

constexpr int kSlots = 32;
enum : int { SLOT_FREE, SLOT_TAKEN, SLOT_LIVE };
struct TEMPSLOT {
    std::atomic<int> state;
    char path[4096];
};
constinit TEMPSLOT sTemps[kSlots]; // zero in .bss: a dynamic start would touch its 128 KB

std::atomic<int> sSignalPending{0};
int sPipe[2] = {-1, -1};
int sDefer;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTemporaries()
{
    for (TEMPSLOT &t : sTemps)
        if (t.state.load() == SLOT_LIVE)
            ::unlink(t.path);
}

void OnSignal(int sig)
{
    const int error = errno;
    RemoveTemporaries();
    // A second signal, or a program that cannot stop in order: the signal's own action.
    if (!sDefer || sSignalPending.exchange(sig) != 0) {
        std::signal(sig, SIG_DFL);
        ::raise(sig);
        errno = error;
        return;
    }
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(sPipe[1], &byte, 1);
    errno = error;
}

} // namespace

int PLAT_TempRegister(const char *path)
{
    if (!path || std::strlen(path) >= sizeof sTemps[0].path)
        return 0;
    for (TEMPSLOT &t : sTemps) {
        int expected = SLOT_FREE;
        if (!t.state.compare_exchange_strong(expected, SLOT_TAKEN))
            continue;
        std::memcpy(t.path, path, std::strlen(path) + 1);
        t.state.store(SLOT_LIVE);
        return 1;
    }
    return 0;
}

void PLAT_TempForget(const char *path)
{
    if (!path)
        return;
    for (TEMPSLOT &t : sTemps)
        if (t.state.load() == SLOT_LIVE && std::strcmp(t.path, path) == 0) {
            t.state.store(SLOT_FREE);
            return;
        }
}

int PLAT_InstallSignalCleanup(int bDeferExit)
{
    sDefer = bDeferExit;
    if (bDeferExit && sPipe[0] < 0 && ::pipe2(sPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return 0;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals)
        sigaddset(&sa.sa_mask, sig);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        if (::sigaction(sig, &sa, nullptr) != 0)
            return 0;
    return 1;
}

int PLAT_SignalFd()
{
    return sPipe[0];
}

int PLAT_TakeSignal()
{
    char byte = 0;
    while (sPipe[0] >= 0 && ::read(sPipe[0], &byte, 1) == 1) {
    }
    return sSignalPending.load();
}

// ".mw<pid>_<n>.tmp": the process id of the run that made it, or 0 for another name.
static long TempOwnerPid(const char *name)
{
    if (std::strncmp(name, ".mw", 3) != 0)
        return 0;
    char *end = nullptr;
    const long pid = std::strtol(name + 3, &end, 10);
    if (pid <= 0 || *end != '_' || end == name + 3)
        return 0;
    char *tail = nullptr;
    std::strtoul(end + 1, &tail, 16);
    return tail != end + 1 && std::strcmp(tail, ".tmp") == 0 ? pid : 0;
}

int PLAT_SweepTemporaries(const char *folder)
{
    DIR *dir = ::opendir(folder && *folder ? folder : ".");
    if (!dir)
        return 0;
    const int fd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent *e = ::readdir(dir)) {
        const long pid = TempOwnerPid(e->d_name);
        if (!pid || pid == ::getpid())
            continue;
        struct stat st;
        // Only this user's plain files, untouched for a minute: a save under way writes
        // its temporary all the time (and may be another machine's, on a shared folder).
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || now - st.st_mtime < PLAT_STALE_TEMP_SECONDS)
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // its run goes on (or is another user's)
        if (::unlinkat(fd, e->d_name, 0) == 0)
            removed++;
    }
    ::closedir(dir);
    return removed;
}
