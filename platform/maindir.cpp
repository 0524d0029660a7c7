// maindir.cpp — the main directory and the user's sticker folder, shared by every part
// of the program.
#include <cstdlib>
#include <string>

#include "platform/platform.h"

char gMainDir[4096];

const char *PLAT_UserStickerDir()
{
    static std::string dir;
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        dir = xdg;
    } else {
        const char *home = std::getenv("HOME");
        dir = std::string(home && home[0] ? home : ".") + "/.local/share";
    }
    dir += "/merrowick/stickers/";
    return dir.c_str();
}
