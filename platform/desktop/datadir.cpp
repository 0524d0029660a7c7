// datadir.cpp — where the program's data folder lies, for the window and the headless
// builds alike.
#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"

// path made absolute and clean ("." and ".." taken out by name, links left as they are),
// with one trailing separator.
static std::string WithSeparator(const std::string &path)
{
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[PATH_MAX];
        full = std::string(::getcwd(cwd, sizeof cwd) ? cwd : "") + "/" + full;
    }
    std::vector<std::string> parts;
    for (size_t at = 0; at <= full.size();) {
        size_t end = full.find('/', at);
        if (end == std::string::npos)
            end = full.size();
        const std::string part = full.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string dir = "/";
    for (const std::string &part : parts)
        dir += part + "/";
    return dir;
}

static bool IsFolder(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const char *PLAT_DefaultDataDir()
{
    static std::string dir;
    const char *env = std::getenv("MW_DATA_DIR");
    if (env && env[0]) {
        dir = WithSeparator(env);
    } else {
        char exe[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string exeDir = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string(".");
        exeDir.erase(exeDir.find_last_of('/') == std::string::npos ? 0 : exeDir.find_last_of('/'));
        // Installed: <prefix>/bin beside <prefix>/share/merrowick, wherever the prefix
        // lies (a staged or moved tree too). From the build: bin beside data.
        const std::string installed = exeDir + "/../share/merrowick";
        const std::string built = exeDir + "/../data";
        dir = WithSeparator(IsFolder(installed) || !IsFolder(built) ? installed : built);
    }
    return dir.c_str();
}
