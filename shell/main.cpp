// main.cpp — the program's entry: a launcher.
//
// The export, help and version commands run in the module merrowick-export, which loads
// no toolkit; everything else opens the window in the module merrowick-window. Both lie
// in ../lib/merrowick/ beside the executable's folder. The executable itself holds
// nothing else, so neither kind of run loads or starts the other's code; for the window it
// only has the font configuration read while the window module loads.
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

// Whether the arguments ask for a command that needs no window (see RunExportCommand).
static bool Headless(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--export", "--help", "-h", "--version"})
            if (!std::strcmp(argv[i], option))
                return true;
    return false;
}

// The path of module `name`, found from the executable's own.
static std::string ModulePath(const char *name)
{
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string("./x");
    dir.erase(dir.find_last_of('/'));
    return dir + "/../lib/merrowick/" + name + ".so";
}

// Starts reading the system's font configuration on a second thread. The window's first
// text needs it, and reading it takes about as long as loading the window module, which
// the first thread does meanwhile; fontconfig keeps it for the process, so the toolkit
// finds it read. Without fontconfig or a thread the toolkit reads it itself, as always.
static std::thread ReadFontConfiguration()
{
    void *fontconfig = ::dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL);
    const auto init =
        fontconfig ? reinterpret_cast<int (*)()>(::dlsym(fontconfig, "FcInit")) : nullptr;
    try {
        return init ? std::thread(init) : std::thread();
    } catch (const std::system_error &) {
        return std::thread();
    }
}

int main(int argc, char **argv)
{
    const bool headless = Headless(argc, argv);
    const std::string path = ModulePath(headless ? "merrowick-export" : "merrowick-window");
    std::thread fonts = headless ? std::thread() : ReadFontConfiguration();
    void *module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (fonts.joinable())
        fonts.join(); // before the toolkit asks fontconfig for the same
    using ENTRY = int (*)(int, char **);
    const ENTRY entry =
        module ? reinterpret_cast<ENTRY>(
                     ::dlsym(module, headless ? "MerrowickExportMain" : "MerrowickWindowMain"))
               : nullptr;
    if (!entry) {
        std::fprintf(stderr, "merrowick: %s\n", ::dlerror());
        return 1;
    }
    return entry(argc, argv);
}
