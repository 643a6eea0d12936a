// The stack protector's guard and failure handler, linked into both programs. MinGW's libssp
// would seed its guard in a constructor through CryptAcquireContextA, which loads a
// cryptographic provider DLL before the program has locked its DLL search; these use the
// kernel only. Windows build only: the host build has its C library's own.
#include <windows.h>
#include <stdint.h>

extern "C" {
// Replaced at start-up; this value only holds if the seed comes out as zero.
uintptr_t __stack_chk_guard = 0x5f3e8a00;

__attribute__((noreturn)) void __stack_chk_fail(void) {
    // An overwritten stack: end at once, without running more of the program's code.
    TerminateProcess(GetCurrentProcess(), 0xC0000409); // STATUS_STACK_BUFFER_OVERRUN
    for (;;) {
    }
}
}

namespace {
// Among the C runtime's initialisers, before the first protected frame: one live across the
// change would fail its check. Not protected itself, for the same reason.
__attribute__((constructor, no_stack_protector)) void SeedStackGuard() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uintptr_t seed = uintptr_t(counter.LowPart) ^ (uintptr_t(counter.HighPart) << 7) ^
                     (uintptr_t(GetTickCount()) << 13) ^ (uintptr_t(GetCurrentProcessId()) << 17) ^
                     uintptr_t(GetCurrentThreadId()) ^ uintptr_t(&counter);
    // A zero low byte ends string copies that would run over the guard.
    seed &= ~uintptr_t(0xff);
    if (seed != 0)
        __stack_chk_guard = seed;
}
} // namespace
