// Windows and their messages: per-thread queues, messages sent across threads, window state,
// timers, the message filter hook, the system menu and the cursor.
#include "user.h"

#include <commctrl.h>
#include <string.h>

#include <algorithm>

namespace winsim {

std::chrono::milliseconds g_hangLimit(5000);

Window *Find(HWND handle) {
    auto it = g_machine->windows.find(handle);
    return it == g_machine->windows.end() || it->second->destroyed ? nullptr : it->second.get();
}

Window *FindAny(HWND handle) {
    auto it = g_machine->windows.find(handle);
    return it == g_machine->windows.end() ? nullptr : it->second.get();
}

bool IsButtonKind(const Window &w, DWORD kind) {
    return w.className == "Button" && (w.style & BS_TYPEMASK) == kind;
}

LRESULT Deliver(std::unique_lock<std::mutex> &lock, HWND handle, UINT message, WPARAM wParam,
                LPARAM lParam) {
    Window *w = Find(handle);
    if (w == nullptr)
        return 0;
    if (!w->dialog && w->subclass != nullptr) {
        WNDPROC proc = w->subclass;
        return CallUnlocked(lock, [&] { return proc(handle, message, wParam, lParam); });
    }
    if (!w->dialog)
        return w->className == "Button" ? ButtonProc(lock, *w, message, wParam, lParam)
                                        : ControlProc(*w, message, wParam, lParam);
    g_machine->delivered.push_back(Delivered{handle, message, wParam, lParam});
    DLGPROC proc = w->dialog->proc;
    INT_PTR handled = CallUnlocked(lock, [&] { return proc(handle, message, wParam, lParam); });
    w = Find(handle);
    if (handled) {
        if (message == WM_QUERYDRAGICON || message == WM_INITDIALOG || w == nullptr)
            return handled;
        return w->dialog->msgResult;
    }
    return w == nullptr ? 0 : DefDialogProc(lock, *w, message, wParam, lParam);
}

bool ServeSent(std::unique_lock<std::mutex> &lock) {
    auto state = g_machine->threads.find(std::this_thread::get_id());
    if (state == g_machine->threads.end() || state->second.sent.empty())
        return false;
    SentMessage *sent = state->second.sent.front();
    state->second.sent.pop_front();
    sent->result = Deliver(lock, sent->window, sent->message, sent->wParam, sent->lParam);
    sent->done = true;
    g_changed.notify_all();
    return true;
}

LRESULT Send(std::unique_lock<std::mutex> &lock, HWND handle, UINT message, WPARAM wParam,
             LPARAM lParam) {
    Window *w = Find(handle);
    if (w == nullptr) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->thread == std::this_thread::get_id())
        return Deliver(lock, handle, message, wParam, lParam);
    auto target = g_machine->threads.find(w->thread);
    if (target == g_machine->threads.end())
        return 0;
    // The sender waits, and meanwhile answers what is sent to it, as Windows does.
    SentMessage sent{handle, message, wParam, lParam};
    target->second.sent.push_back(&sent);
    g_changed.notify_all();
    HangWatch watch;
    try {
        while (!sent.done) {
            if (ServeSent(lock))
                continue;
            watch.Check(lock);
            g_changed.wait_for(lock, std::chrono::milliseconds(20));
        }
    } catch (...) {
        auto queue = g_machine->threads.find(w->thread);
        if (queue != g_machine->threads.end()) {
            auto &list = queue->second.sent;
            list.erase(std::remove(list.begin(), list.end(), &sent), list.end());
        }
        throw;
    }
    return sent.result;
}

void Destroy(HWND handle) {
    Window *w = Find(handle);
    if (w == nullptr)
        return;
    w->destroyed = true;
    w->visible = false;
    w->timers.clear();
    for (HWND child : w->children)
        Destroy(child);
}

void SetHangLimit(unsigned milliseconds) {
    g_hangLimit = std::chrono::milliseconds(milliseconds);
}

void ResetWindows() {
    for (auto &entry : g_machine->windows)
        Destroy(entry.first);
    g_machine->threads.clear();
}

} // namespace winsim

using namespace winsim;

BOOL WINAPI DestroyWindow(HWND window) {
    Api api("DestroyWindow");
    Window *w = Find(window);
    if (w == nullptr) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->thread != std::this_thread::get_id()) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Destroy(window);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int show) {
    Api api("ShowWindow");
    Window *w = Find(window);
    if (w == nullptr)
        return FALSE;
    bool was = w->visible;
    w->visible = show != SW_HIDE;
    return was;
}

BOOL WINAPI IsWindow(HWND window) {
    Api api("IsWindow");
    return Find(window) != nullptr;
}

BOOL WINAPI IsIconic(HWND window) {
    Api api("IsIconic");
    Window *w = Find(window);
    return w != nullptr && w->minimized;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
    Api api("EnableWindow");
    Window *w = Find(window);
    if (w == nullptr)
        return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    w->style = enable ? (w->style & ~DWORD(WS_DISABLED)) : (w->style | WS_DISABLED);
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
    Api api("IsWindowEnabled");
    Window *w = Find(window);
    return w != nullptr && !(w->style & WS_DISABLED);
}

HWND WINAPI GetParent(HWND window) {
    Api api("GetParent");
    Window *w = Find(window);
    return w == nullptr ? NULL : w->parent;
}

int WINAPI GetDlgCtrlID(HWND window) {
    Api api("GetDlgCtrlID");
    Window *w = Find(window);
    return w == nullptr ? 0 : w->id;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    Api api("SetWindowLongPtrA");
    Window *w = Find(window);
    if (w != nullptr && !w->dialog && index == GWLP_WNDPROC) {
        LONG_PTR old =
            w->subclass != nullptr ? (LONG_PTR)w->subclass : (LONG_PTR)BuiltinControlProc;
        w->subclass = (WNDPROC)value == BuiltinControlProc ? nullptr : (WNDPROC)value;
        return old;
    }
    if (w == nullptr || !w->dialog || (index != DWLP_USER && index != DWLP_MSGRESULT)) {
        SetError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : 1413); // ERROR_INVALID_INDEX
        return 0;
    }
    LONG_PTR &slot = index == DWLP_USER ? w->dialog->user : w->dialog->msgResult;
    LONG_PTR old = slot;
    slot = value;
    return old;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) {
    Api api("GetWindowLongPtrA");
    Window *w = Find(window);
    if (w == nullptr || !w->dialog || (index != DWLP_USER && index != DWLP_MSGRESULT)) {
        SetError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : 1413);
        return 0;
    }
    return index == DWLP_USER ? w->dialog->user : w->dialog->msgResult;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Api api("SendMessageA");
    // Of the messages the programs send, only a list box's new entry can fail: without memory for
    // it the list box answers LB_ERRSPACE. An injected failure stands for that; every other
    // message is delivered all the same.
    if (api.failed() && message == LB_ADDSTRING)
        return LB_ERRSPACE;
    return Send(api.lock, window, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Api api("PostMessageA");
    if (api.failed())
        return FALSE;
    Window *w = Find(window);
    auto thread = w == nullptr ? g_machine->threads.end() : g_machine->threads.find(w->thread);
    if (thread == g_machine->threads.end()) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    MSG msg = {window, message, wParam, lParam, 0, {0, 0}};
    thread->second.posted.push_back(msg);
    g_changed.notify_all();
    return TRUE;
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC) {
    Api api("SetTimer");
    Window *w = Find(window);
    if (api.failed() || w == nullptr)
        return 0;
    w->timers[id] = Window::Timer{elapse, g_machine->clockMs + elapse};
    return id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    Api api("KillTimer");
    Window *w = Find(window);
    if (w == nullptr || w->timers.erase(id) == 0) {
        SetError(1402); // ERROR_INVALID_TIMER_HANDLE... close enough for callers that ignore it
        return FALSE;
    }
    return TRUE;
}

HHOOK WINAPI SetWindowsHookExA(int kind, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    Api api("SetWindowsHookExA");
    if (api.failed())
        return NULL;
    if (kind != WH_MSGFILTER || threadId != GetCurrentThreadId() || proc == NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    ThreadState &state = g_machine->threads[std::this_thread::get_id()];
    state.msgFilter = proc;
    state.hook = (HHOOK)(uintptr_t)threadId;
    return state.hook;
}

BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
    Api api("UnhookWindowsHookEx");
    for (auto &state : g_machine->threads)
        if (state.second.msgFilter != NULL && state.second.hook == hook) {
            state.second.msgFilter = NULL;
            state.second.hook = NULL;
            return TRUE;
        }
    SetError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
}

LRESULT WINAPI CallNextHookEx(HHOOK, int, WPARAM, LPARAM) {
    return 0;
}

HMENU WINAPI GetSystemMenu(HWND window, BOOL revert) {
    Api api("GetSystemMenu");
    Window *w = Find(window);
    if (w == nullptr || !(w->style & WS_SYSMENU))
        return NULL;
    // Reverting puts the default menu back, its Close command with it, and hands out no menu.
    if (revert) {
        w->sysClose = true;
        return NULL;
    }
    return (HMENU)window;
}

BOOL WINAPI RemoveMenu(HMENU menu, UINT position, UINT flags) {
    Api api("RemoveMenu");
    Window *w = Find((HWND)menu);
    if (w == nullptr || flags != MF_BYCOMMAND || position != SC_CLOSE || !w->sysClose) {
        SetError(1456); // ERROR_MENU_ITEM_NOT_FOUND
        return FALSE;
    }
    w->sysClose = false;
    return TRUE;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) {
    Api api("LoadCursorA");
    return (HCURSOR)name;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    Api api("SetCursor");
    HCURSOR previous = g_machine->waitCursor ? (HCURSOR)IDC_WAIT : (HCURSOR)IDC_ARROW;
    g_machine->waitCursor = cursor == (HCURSOR)IDC_WAIT;
    return previous;
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    return proc(window, message, wParam, lParam);
}

BOOL WINAPI InvalidateRect(HWND window, const RECT *, BOOL) {
    Api api("InvalidateRect");
    Window *w = Find(window);
    if (w == nullptr)
        return FALSE;
    w->needsPaint = true;
    return TRUE;
}
