// What a shared step reads from the dialog that hosts it, and how it reports to it.
#pragma once
#include <windows.h>

#include "common/status.h"

struct StepHost {
    BOOL wow64 = FALSE;
    int osCode = 0;
    StatusText *status = nullptr;
    HWND progressBar = NULL;
    // The program's setting: the uninstaller's removal reports each step to its dialog and
    // traces more detail.
    bool detailed = false;
};

// The host of the running program's steps, its settings taken from the program once.
StepHost ProgramStepHost(BOOL wow64, int osCode, StatusText *status, HWND progressBar);

// Some steps report nothing in one program, or report without stepping the bar.
enum StatusMode { STATUS_QUIET, STATUS_NO_STEP, STATUS_STEP };

void ReportStep(const StepHost &host, StatusMode mode, const char *text, DWORD pause);
