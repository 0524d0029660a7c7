// strings.h — the string table in two languages.
//
// English texts have ids below 3000; the Swedish text of an id is stored at id + 3000.
// Texts are 8-bit Windows Latin-1 (code page 1252).
#pragma once

#include <cstdint>

// The language offset: 0 English, 3000 Swedish.
extern int32_t gLanguageOffset;

// The text of id in the current language, from a ring of 20 buffers of 1000 bytes
// (so the 21st call reuses the first buffer); at most 250 characters are copied.
// "NOT DEFINED!" for an id the table lacks.
const char *LoadText(int id);
// The raw table entry for an absolute id (language offset already added), or null.
const char *StringTableLookup(int absoluteId);
