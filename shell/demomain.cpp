// merrowick-demo OUTPUT.jpg — writes the demonstration picture `make run` shows where no
// display can be found.
#include <cstdio>

#include "shell/exportcmd.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: merrowick-demo OUTPUT.jpg\n");
        return 2;
    }
    return WriteDemoPicture(argv[1]) ? 0 : 1;
}
