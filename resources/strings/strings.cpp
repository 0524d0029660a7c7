// strings.cpp — LoadText over the compiled string table (placeholder table).
#include "resources/strings/strings.h"

#include <cstdio>
#include <cstring>

int32_t gLanguageOffset;

const char *StringTableLookup(int absoluteId)
{
    if (absoluteId == 14)
        return "Error";
    if (absoluteId == 3014)
        return "Fel";
    return nullptr;
}

const char *LoadText(int id)
{
    static char ring[20][1000];
    static int next;
    char *buf = ring[next];
    next = (next + 1) % 20;
    const char *text = StringTableLookup(id + gLanguageOffset);
    std::snprintf(buf, 251, "%s", text ? text : "NOT DEFINED!");
    return buf;
}
