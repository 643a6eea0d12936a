#include "common/status.h"

#include <commctrl.h>

#include "common/app_context.h"

StatusText::StatusText() {
    InitializeCriticalSection(&m_lock);
}

StatusText::~StatusText() {
    DeleteCriticalSection(&m_lock);
}

void StatusText::Set(const std::string &text) {
    EnterCriticalSection(&m_lock);
    m_text = text;
    LeaveCriticalSection(&m_lock);
}

std::string StatusText::Get() const {
    EnterCriticalSection(&m_lock);
    std::string copy = m_text;
    LeaveCriticalSection(&m_lock);
    return copy;
}

namespace {
// A run without windows (/quiet) has neither bar nor main window; a message posted to no window
// would land in the worker's own queue.
void PostRefresh() {
    if (MainWindow() != NULL)
        PostMessageA(MainWindow(), WM_REFRESH_STATUS, 0, 0);
}
} // namespace

void PostStatus(StatusText &status, HWND progressBar, const char *text, BOOL step, DWORD pause) {
    status.Set(text);
    if (step && progressBar != NULL) {
        LRESULT before = SendMessageA(progressBar, PBM_STEPIT, 0, 0);
        // The control starts over when a step passes its end; a full bar stays full.
        if (SendMessageA(progressBar, PBM_GETPOS, 0, 0) < before)
            SendMessageA(progressBar, PBM_SETPOS, 100, 0);
    }
    PostRefresh();
    if (pause != 0)
        Sleep(pause);
}

void PostCompletion(StatusText &status, HWND progressBar, const char *text, DWORD pause) {
    status.Set(text);
    if (progressBar != NULL)
        SendMessageA(progressBar, PBM_SETPOS, 100, 0);
    PostRefresh();
    if (pause != 0)
        Sleep(pause);
}
