// merrowick-demo OUTPUT.jpg — writes the demonstration picture `make run` shows where no
// display can be found.
// merrowick-demo --layout PHOTO OUTPUT.mwi [PIECES] — saves the photo with PIECES pieces
// (20 unless given) as a layout, which scripts/compare-speed exports.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/exportcmd.h"

int main(int argc, char **argv)
{
    if ((argc == 4 || argc == 5) && !std::strcmp(argv[1], "--layout"))
        return WriteDemoLayout(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 20) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: merrowick-demo OUTPUT.jpg\n"
                             "       merrowick-demo --layout PHOTO OUTPUT.mwi [PIECES]\n");
        return 2;
    }
    return WriteDemoPicture(argv[1]) ? 0 : 1;
}
