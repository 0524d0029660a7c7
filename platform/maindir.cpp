// maindir.cpp — the main directory, shared by every part of the program.
#include "platform/platform.h"

char gMainDir[4096];
