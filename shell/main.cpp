// main.cpp — the program's entry.
#include "shell/shell.h"

int main(int argc, char **argv)
{
    return ShellMain(argc, argv);
}
