// strings.h — the string table in two languages.
//
// English texts have ids below 3000; the Swedish text of an id is stored at id + 3000.
// Texts are 8-bit Windows Latin-1 (code page 1252): convert with QString::fromLatin1
// (å is 0xE5). The table itself is resources/strings/strings.inc.
#pragma once

#include <cstdint>

// The language offset: 0 English, 3000 Swedish.
extern int32_t gLanguageOffset;

// The longest text LoadText returns, in bytes; its buffer limit of 250 holds the NUL.
enum { LOADTEXT_MAX_CHARS = 249 };

// The text of id in the current language, from a ring of 20 buffers of 1000 bytes
// (so the 21st call reuses the first buffer); longer texts are cut to 249 bytes.
// "NOT DEFINED!" for an id the table lacks (no fallback to the other language).
const char *LoadText(int id);
// LoadText over another table (same ring and limits); lookup may be null.
const char *LoadTextWith(int id, const char *(*lookup)(int absoluteId));
// The raw table entry for an absolute id (language offset already added), or null.
const char *StringTableLookup(int absoluteId);
// Number of texts in the table (both languages).
int StringTableCount();
// The absolute id of text number index, ascending; -1 outside 0..StringTableCount()-1.
int StringTableId(int index);
