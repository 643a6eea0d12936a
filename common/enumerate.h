// The listings of the spooler and the setup API: a first call asks for the size, a second one
// fills a buffer of that size.
#pragma once
#include <windows.h>
#include <stdlib.h>

// call(buffer, size, &needed, &returned) makes one call of the listing. Returns the filled
// buffer, to be released with free(), and the number of entries in returned; on failure NULL
// with returned 0, and GetLastError() tells why for the caller's box. The buffer is zeroed and
// one byte longer than asked for, so that a list of texts always ends.
template <class Call> LPBYTE EnumerateAll(Call call, DWORD &returned) {
    DWORD needed = 0;
    returned = 0;
    call(LPBYTE(NULL), DWORD(0), &needed, &returned);
    LPBYTE buffer = needed < MAXDWORD ? (LPBYTE)calloc(size_t(needed) + 1, 1) : NULL;
    returned = 0;
    if (buffer != NULL && call(buffer, needed, &needed, &returned))
        return buffer;
    DWORD error = GetLastError();
    free(buffer);
    returned = 0;
    SetLastError(error);
    return NULL;
}
