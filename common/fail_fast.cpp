// The Windows programs are built without exceptions. What the C++ library would throw (no
// memory left, a length beyond the largest string) ends the run here, as a fatal error: a trace
// line, a box only in an interactive run, and 1603; the runtime's abort() would show its own box
// under /quiet too and end with 3. No exception or unwinding code of the library is linked.
#include <new>
#include <stdlib.h>

#include "common/deployment.h"

namespace {
const char kNoMemory[] = "NOT ENOUGH MEMORY : the program ends.";
const char kInternalError[] = "INTERNAL ERROR : the program ends.";
} // namespace

namespace std {
void __throw_bad_alloc() {
    EndWithFatalError(kNoMemory);
}
void __throw_bad_array_new_length() {
    EndWithFatalError(kNoMemory);
}
void __throw_length_error(const char *) {
    EndWithFatalError(kNoMemory);
}
void __throw_logic_error(const char *) {
    EndWithFatalError(kInternalError);
}
void __throw_out_of_range_fmt(const char *, ...) {
    EndWithFatalError(kInternalError);
}
void __throw_bad_function_call() {
    EndWithFatalError(kInternalError);
}
} // namespace std

void *operator new(size_t size) {
    void *memory = malloc(size != 0 ? size : 1);
    if (memory == NULL)
        EndWithFatalError(kNoMemory);
    return memory;
}

void operator delete(void *memory) noexcept {
    free(memory);
}

void operator delete(void *memory, size_t) noexcept {
    free(memory);
}
