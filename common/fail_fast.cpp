// The Windows programs are built without exceptions. What the C++ library would throw (no
// memory left, a length beyond the largest string) ends the process here at once, as the
// uncaught exception did, without linking the library's exception and unwinding code.
#include <new>
#include <stdlib.h>

namespace std {
void __throw_bad_alloc() {
    abort();
}
void __throw_bad_array_new_length() {
    abort();
}
void __throw_length_error(const char *) {
    abort();
}
void __throw_logic_error(const char *) {
    abort();
}
void __throw_out_of_range_fmt(const char *, ...) {
    abort();
}
void __throw_bad_function_call() {
    abort();
}
} // namespace std

void *operator new(size_t size) {
    void *memory = malloc(size != 0 ? size : 1);
    if (memory == NULL)
        abort();
    return memory;
}

void operator delete(void *memory) noexcept {
    free(memory);
}

void operator delete(void *memory, size_t) noexcept {
    free(memory);
}
