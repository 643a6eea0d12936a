#include "common/step_host.h"

void ReportStep(const StepHost &host, StatusMode mode, const char *text, DWORD pause) {
    if (mode != STATUS_QUIET)
        PostStatus(*host.status, host.progressBar, text, mode == STATUS_STEP, pause);
}
