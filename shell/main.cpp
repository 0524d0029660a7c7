// main.cpp — the program's entry.
#include "shell/exportcmd.h"
#include "shell/shell.h"

int main(int argc, char **argv)
{
    if (int handled = 0, status = RunExportCommand(argc, argv, &handled); handled)
        return status;
    return ShellMain(argc, argv);
}
