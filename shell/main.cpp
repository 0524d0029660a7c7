// main.cpp — the program's entry.
//
// The headless commands (export, help, version) run here on the toolkit-free platform.
// Everything else opens the window, which lives in the module merrowick-window in
// ../lib/merrowick/ beside the executable's folder: a headless run never loads Qt.
#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#include "shell/exportcmd.h"

// The window module's path, found from the executable's own.
static std::string WindowModulePath()
{
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string("./x");
    dir.erase(dir.find_last_of('/'));
    return dir + "/../lib/merrowick/merrowick-window.so";
}

int main(int argc, char **argv)
{
    if (int handled = 0, status = RunExportCommand(argc, argv, &handled); handled)
        return status;
    const std::string path = WindowModulePath();
    void *module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    using WINDOWMAIN = int (*)(int, char **);
    const WINDOWMAIN windowMain =
        module ? reinterpret_cast<WINDOWMAIN>(::dlsym(module, "MerrowickWindowMain")) : nullptr;
    if (!windowMain) {
        std::fprintf(stderr, "merrowick: the window cannot be opened: %s\n", ::dlerror());
        return 1;
    }
    return windowMain(argc, argv);
}
