#include "common/bounded_string.h"

#include <ctype.h>
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

int CompareNoCase(const char *a, const char *b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        int ca = tolower((unsigned char)a[i]), cb = tolower((unsigned char)b[i]);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
    return 0;
}
