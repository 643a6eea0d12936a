#include "common/busy_filter.h"

namespace {
// One dialog thread per program installs the filter.
HHOOK g_hook = NULL;
MessageFilter g_filter = NULL;
void *g_context = NULL;

LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && g_filter != NULL && g_filter(g_context, *(const MSG *)lParam))
        return TRUE;
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
} // namespace

bool FilterBusyMessage(HWND dialog, bool busy, bool swallowEscape, const MSG &msg) {
    if (busy) {
        SetCursor(LoadCursorA(NULL, IDC_WAIT));
        RemoveMenu(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND);
    } else {
        SetCursor(LoadCursorA(NULL, IDC_ARROW));
    }
    return swallowEscape && msg.wParam == VK_ESCAPE;
}

void InstallMessageFilter(MessageFilter filter, void *context) {
    g_filter = filter;
    g_context = context;
    g_hook = SetWindowsHookExA(WH_MSGFILTER, MessageFilterProc, NULL, GetCurrentThreadId());
}

void RemoveMessageFilter() {
    if (g_hook != NULL)
        UnhookWindowsHookEx(g_hook);
    g_hook = NULL;
    g_filter = NULL;
    g_context = NULL;
}
