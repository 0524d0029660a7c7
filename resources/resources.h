// resources.h — bitmaps embedded into the program at build time, found by name.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of the embedded resource `name` (a whole ".bmp" file for bitmaps), or
// null when there is none. Read-only, alive for the whole run.
const uint8_t *RES_Find(const char *name, size_t *size);
