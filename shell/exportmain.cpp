// exportmain.cpp — the headless module's entry, which the program's executable looks up
// by name for the export, help and version commands.
#include "shell/exportcmd.h"

extern "C" __attribute__((visibility("default"))) int MerrowickExportMain(int argc, char **argv)
{
    int handled = 0;
    const int status = RunExportCommand(argc, argv, &handled);
    return handled ? status : 2;
}
