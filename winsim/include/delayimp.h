// The delay-load helper's interface, as the SDK's <delayimp.h> declares it: a program may set a
// hook that the helper calls when a delay-loaded DLL, or a function in it, cannot be found.
#pragma once
#include <windows.h>

enum {
    dliStartProcessing,
    dliNoteStartProcessing = dliStartProcessing,
    dliNotePreLoadLibrary,
    dliNotePreGetProcAddress,
    dliFailLoadLib,
    dliFailGetProc,
    dliNoteEndProcessing
};

typedef struct DelayLoadProc {
    BOOL fImportByName;
    union {
        LPCSTR szProcName;
        DWORD dwOrdinal;
    };
} DelayLoadProc;

typedef struct DelayLoadInfo {
    DWORD cb;
    const void *pidd; // the DLL's delay-import descriptor
    FARPROC *ppfn;    // the address table entry to fill
    LPCSTR szDll;
    DelayLoadProc dlp;
    HMODULE hmodCur;
    FARPROC pfnCur;
    DWORD dwLastError;
} DelayLoadInfo, *PDelayLoadInfo;

typedef FARPROC(WINAPI *PfnDliHook)(unsigned dliNotify, PDelayLoadInfo pdli);

// Null unless the program defines it.
extern "C" PfnDliHook __pfnDliFailureHook2;
