// windowmain.cpp — the window module's entry, which the program's executable looks up
// by name once it knows the window is wanted.
#include "shell/shell.h"

extern "C" __attribute__((visibility("default"))) int MerrowickWindowMain(int argc, char **argv)
{
    return ShellMain(argc, argv);
}
