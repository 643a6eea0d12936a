// The control classes: the window text every control keeps, each class's state and dispatch, and
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
            return w.button->check;
        case BM_SETCHECK:
            w.button->check = int(wParam);
            return 0;
        }
    }
    return 0;
}

void AddClassState(Window &w) {
    if (w.className == "Button")
        w.button = std::make_unique<ButtonState>();
    else if (w.className == "ListBox")
        w.listBox = std::make_unique<ListBoxState>();
    else if (w.className == "msctls_progress32")
        w.progressBar = std::make_unique<ProgressBarState>();
}

LRESULT ButtonProc(std::unique_lock<std::mutex> &lock, Window &w, UINT message, WPARAM wParam,
                   LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) {
        w.button->pressed = true;
        return 0;
    }
    if (message != WM_LBUTTONUP || !w.button->pressed)
        return ControlProc(w, message, wParam, lParam);
    w.button->pressed = false;
    Window *parent = Find(w.parent);
    if (parent == nullptr)
        return 0;
    if (IsButtonKind(w, BS_AUTORADIOBUTTON)) {
        // Checks this one and unchecks the others of its group.
        std::vector<HWND> &siblings = parent->children;
        size_t at = std::find(siblings.begin(), siblings.end(), w.handle) - siblings.begin();
        size_t first = at;
        while (first > 0 && !(Find(siblings[first])->style & WS_GROUP))
            --first;
        for (size_t i = first; i < siblings.size(); ++i) {
            Window *s = Find(siblings[i]);
            if (i > first && (s->style & WS_GROUP))
                break;
            if (IsButtonKind(*s, BS_AUTORADIOBUTTON))
                s->button->check = i == at ? BST_CHECKED : BST_UNCHECKED;
        }
    }
    return Deliver(lock, w.parent, WM_COMMAND, MAKEWPARAM(w.id, BN_CLICKED), (LPARAM)w.handle);
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
