// Copies into fixed zeroed buffers that never overrun and always end in NUL.
#pragma once
#include <stddef.h>

void CopyBounded(char *dest, size_t size, const char *src);
void AppendBounded(char *dest, size_t size, const char *src);

// Compares at most count characters of two ASCII texts, ignoring letter case, as strncmp does.
int CompareNoCase(const char *a, const char *b, size_t count);
