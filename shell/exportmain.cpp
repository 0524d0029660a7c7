// exportmain.cpp — the headless module's entry, which the program's executable looks up
// by name for the export, help and version commands.
#include "platform/file.h"
#include "shell/exportcmd.h"

extern "C" __attribute__((visibility("default"))) int MerrowickExportMain(int argc, char **argv)
{
    // Ctrl+C, a hang-up or a kill mid-export removes the output's temporary file.
    PLAT_InstallSignalCleanup(0);
    int handled = 0;
    const int status = RunExportCommand(argc, argv, &handled);
    return handled ? status : 2;
}
