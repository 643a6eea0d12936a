#include "common/bounded_string.h"

#include <string.h>

void CopyBounded(char *dest, size_t size, const char *src) {
    if (size == 0)
        return;
    dest[0] = '\0';
    AppendBounded(dest, size, src);
}

void AppendBounded(char *dest, size_t size, const char *src) {
    if (size == 0)
        return;
    size_t used = strnlen(dest, size - 1);
    size_t room = size - 1 - used;
    size_t len = strnlen(src, room);
    memcpy(dest + used, src, len);
    dest[used + len] = '\0';
}
