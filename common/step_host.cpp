#include "common/step_host.h"

#include "common/app_context.h"

StepHost ProgramStepHost(BOOL wow64, int osCode, StatusText *status, HWND progressBar) {
    StepHost host;
    host.wow64 = wow64;
    host.osCode = osCode;
    host.status = status;
    host.progressBar = progressBar;
    host.detailed = CurrentProgram().detailedRemoval;
    return host;
}

void ReportStep(const StepHost &host, StatusMode mode, const char *text, DWORD pause) {
    if (mode != STATUS_QUIET)
        PostStatus(*host.status, host.progressBar, text, mode == STATUS_STEP, pause);
}
