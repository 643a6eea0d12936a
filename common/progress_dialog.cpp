#include "common/progress_dialog.h"

#include <commctrl.h>

#include "common/deployment.h"
#include "common/scoped_handle.h"
#include "common/trace_log.h"

void ShowProgramIcon(HWND dialog, HICON icon) {
    SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)icon);
}

void SetUpProgressBar(HWND progressBar, int step) {
    SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(progressBar, PBM_SETSTEP, step, 0);
}

bool StartWorkerThread(LPTHREAD_START_ROUTINE routine, void *context) {
    DWORD threadId = 0;
    ScopedHandle thread(CreateThread(NULL, 0, routine, context, 0, &threadId));
    if (!thread.Valid()) {
        // Without its worker the dialog would wait for ever.
        TraceLog("CreateThread failed. (%d)", int(GetLastError()));
        RecordFailure();
        return false;
    }
    return true;
}
