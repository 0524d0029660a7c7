// Feeds arbitrary bytes to the settings file's reader, then writes one key into them: the
// key reads back with its new value, every other line stays as it was and in its order,
// and the file written is the text the in-memory writer makes.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "platform/settings.h"
#include "platform/trail.h"

// A private settings folder for one input, removed after it. In memory where the system
// has such a folder, for every write is synced to the disk; the same name for every
// input, so that setting it allocates nothing new.
struct PrivateConfig {
    PrivateConfig()
    {
        static const std::string name =
            std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
            "/mw-fuzz-settings-" + std::to_string(::getpid());
        folder = name;
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            __builtin_trap();
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~PrivateConfig()
    {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    std::string folder;
};

// Whether `after` is `before` with one line changed, one line added, or lines appended.
static bool OthersSurvive(const std::vector<std::string> &before,
                          const std::vector<std::string> &after)
{
    size_t i = 0;
    while (i < before.size() && i < after.size() && before[i] == after[i])
        i++;
    if (i == before.size())
        return after.size() >= before.size() && after.size() <= before.size() + 3;
    auto sameFrom = [&](size_t a, size_t b) {
        return before.size() - a == after.size() - b &&
               std::equal(before.begin() + a, before.end(), after.begin() + b);
    };
    return sameFrom(i + 1, i + 1) || sameFrom(i, i + 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    const std::vector<std::string> lines = SettingsLines(text, size);
    for (const std::string &line : lines)
        if (line.find('\n') != std::string::npos)
            __builtin_trap();
    static const char *const kKeys[][2] = {{"SETUP", "Language"},
                                           {"SETUP", "DirectoryMain"},
                                           {"SETUP", "SmoothEdges"},
                                           {"MISC", "Recent1"},
                                           {"MISC", "FirstStartInit"}};
    std::string before[5];
    for (int k = 0; k < 5; k++)
        SettingsLookUp(lines, kKeys[k][0], kKeys[k][1], &before[k]);

    std::vector<std::string> after = lines;
    SettingsPut(&after, "SETUP", "Language", "2");
    std::string value;
    if (!SettingsLookUp(after, "SETUP", "Language", &value) || value != "2" ||
        !OthersSurvive(lines, after))
        __builtin_trap();
    for (int k = 1; k < 5; k++) {
        std::string now;
        SettingsLookUp(after, kKeys[k][0], kKeys[k][1], &now);
        if (now != before[k])
            __builtin_trap();
    }

    // The same through the file: what is read is what the lines hold, and the write
    // leaves the text the in-memory writer makes.
    if (size > 512 * 1024)
        return 0;
    PrivateConfig config;
    {
        std::ofstream file(PLAT_SettingsPath(), std::ios::binary | std::ios::trunc);
        file.write(text, static_cast<std::streamsize>(size));
    }
    char buf[4096];
    const int n = PLAT_GetProfileString("SETUP", "DirectoryMain", "<none>", buf, sizeof buf);
    std::string want;
    if (!SettingsLookUp(lines, "SETUP", "DirectoryMain", &want))
        want = "<none>";
    if (std::string(buf, static_cast<size_t>(n)) != want.substr(0, sizeof buf - 1))
        __builtin_trap();
    if (!PLAT_WriteProfileString("SETUP", "Language", "2"))
        __builtin_trap();
    std::ifstream in(PLAT_SettingsPath(), std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (written != SettingsText(after, SettingsUsesCrlf(text, size)))
        __builtin_trap();
    TrailClear();
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
