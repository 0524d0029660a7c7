#include "resources/resources.h"

const uint8_t *RES_Find(const char *, size_t *size)
{
    if (size)
        *size = 0;
    return nullptr;
}
