// embedded.h — the table of embedded resources that the generated source fills in.
#pragma once

#include <cstddef>
#include <cstdint>

struct EmbeddedResource {
    const char *pszName;   // file stem, e.g. "SPRITE"
    const uint8_t *pBegin; // first byte of the file
    const uint8_t *pEnd;   // one past the last byte
};

extern const EmbeddedResource *gEmbeddedResources;
extern const size_t gEmbeddedResourceCount;
