// The control classes: the window text every control keeps, the dispatch to each class, and
// the button; the list box and the progress bar have files of their own.
#include "user.h"

#include <commctrl.h>
#include <string.h>

#include <algorithm>

namespace winsim {

LRESULT ControlProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        w.text = lParam != 0 ? (const char *)lParam : "";
        w.textHistory.push_back(w.text);
        return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0)
            return 0;
        size_t count = std::min<size_t>(w.text.size(), wParam - 1);
        memcpy((char *)lParam, w.text.data(), count);
        ((char *)lParam)[count] = '\0';
        return LRESULT(count);
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(w.text.size());
    }
    if (w.className == "msctls_progress32")
        return ProgressBarProc(w, message, wParam, lParam);
    if (w.className == "ListBox")
        return ListBoxProc(w, message, wParam, lParam);
    if (w.className == "Button") {
        switch (message) {
        case BM_GETCHECK:
            return w.check;
        case BM_SETCHECK:
            w.check = int(wParam);
            return 0;
        }
    }
    return 0;
}

// What GWLP_WNDPROC reads for a control that a program has not subclassed.
LRESULT CALLBACK BuiltinControlProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = Find(handle);
    return w == nullptr ? 0 : ControlProc(*w, message, wParam, lParam);
}

} // namespace winsim

using namespace winsim;

// Registers nothing: the control classes exist already. Made a call so that the first call into
// comctl32 loads it, as in the Windows build.
void WINAPI InitCommonControls(void) {
    Api api("InitCommonControls");
}
