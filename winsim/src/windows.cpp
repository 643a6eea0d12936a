// Windows, dialogs and their controls; message queues per thread, sent messages across threads,
// the modal dialog loop with its message filter hook, message boxes and the scripted user.
#include "machine.h"

#include <commctrl.h>
#include <string.h>

#include <algorithm>
#include <chrono>

namespace winsim {

struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
};

namespace {
std::chrono::milliseconds g_hangLimit(5000);
// A scripted user looks again after this long without anything to handle.
const auto kUserPatience = std::chrono::milliseconds(30);
std::mutex g_userMutex;

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

// Declares the process hung and ends it when no platform call was made for a while.
struct HangWatch {
    size_t calls = g_machine->callLog.size();
    std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
    void Check(std::unique_lock<std::mutex> &lock) {
        if (g_machine->callLog.size() != calls) {
            calls = g_machine->callLog.size();
            since = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - since > g_hangLimit && !g_process->ended) {
            g_process->hung = true;
            g_process->ended = true;
            g_process->exitCode = -999;
            g_changed.notify_all();
        }
        StopIfEnded(lock);
    }
};

const int kItemHeight = 16;

LRESULT ListBoxProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam) {
    int count = int(w.items.size());
    int index = int(wParam);
    bool valid = index >= 0 && index < count;
    switch (message) {
    case LB_ADDSTRING: {
        std::string text = (const char *)lParam;
        auto at = w.items.end();
        if (w.style & LBS_SORT) {
            std::string key = Upper(text);
            at = std::upper_bound(w.items.begin(), w.items.end(), key,
                                  [](const std::string &k, const Window::Item &item) {
                                      return k < Upper(item.text);
                                  });
        }
        return w.items.insert(at, Window::Item{text, 0}) - w.items.begin();
    }
    case LB_DELETESTRING:
        if (!valid)
            return LB_ERR;
        w.items.erase(w.items.begin() + index);
        return count - 1;
    case LB_RESETCONTENT:
        w.items.clear();
        w.selection = LB_ERR;
        return 0;
    case LB_GETCOUNT:
        return count;
    case LB_GETTEXTLEN:
        return valid ? LRESULT(w.items[index].text.size()) : LB_ERR;
    case LB_GETTEXT:
        if (!valid)
            return LB_ERR;
        memcpy((char *)lParam, w.items[index].text.c_str(), w.items[index].text.size() + 1);
        return LRESULT(w.items[index].text.size());
    case LB_GETITEMDATA:
        return valid ? w.items[index].data : LB_ERR;
    case LB_SETITEMDATA:
        if (!valid)
            return LB_ERR;
        w.items[index].data = lParam;
        return TRUE;
    case LB_SETCURSEL:
        w.selection = valid ? index : LB_ERR;
        return valid ? index : LB_ERR;
    case LB_GETCURSEL:
        return w.selection;
    case LB_ITEMFROMPOINT: {
        int item = int(HIWORD(lParam)) / kItemHeight;
        return item < count ? MAKELONG(item, 0) : MAKELONG(count, 1);
    }
    case WM_LBUTTONDOWN: {
        int item = int(HIWORD(lParam)) / kItemHeight;
        if (item < count)
            w.selection = item;
        return 0;
    }
    }
    return 0;
}

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
    if (w.className == "msctls_progress32") {
        int previous = w.pos;
        switch (message) {
        case PBM_SETRANGE: {
            LRESULT old = MAKELONG(w.low, w.high);
            w.low = LOWORD(lParam);
            w.high = HIWORD(lParam);
            w.pos = std::min(std::max(w.pos, w.low), w.high);
            return old;
        }
        case PBM_SETSTEP: {
            int old = w.step;
            w.step = int(wParam);
            return old;
        }
        case PBM_STEPIT:
            // Past the end the bar starts over from the beginning, as the control documents.
            w.pos += w.step;
            if (w.pos > w.high)
                w.pos = w.low + (w.pos - w.high);
            w.positions.push_back(w.pos);
            return previous;
        case PBM_SETPOS:
            w.pos = std::min(std::max(int(wParam), w.low), w.high);
            w.positions.push_back(w.pos);
            return previous;
        case PBM_DELTAPOS:
            w.pos = std::min(std::max(w.pos + int(wParam), w.low), w.high);
            w.positions.push_back(w.pos);
            return previous;
        case PBM_GETPOS:
            return w.pos;
        }
        return 0;
    }
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

LRESULT Deliver(std::unique_lock<std::mutex> &lock, HWND handle, UINT message, WPARAM wParam,
                LPARAM lParam);

LRESULT DefDialogProc(std::unique_lock<std::mutex> &lock, Window &w, UINT message, WPARAM wParam,
                      LPARAM lParam) {
    switch (message) {
    case WM_SETICON: {
        HICON &slot = wParam == ICON_BIG ? w.iconBig : w.iconSmall;
        HICON old = slot;
        slot = (HICON)lParam;
        return (LRESULT)old;
    }
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return ControlProc(w, message, wParam, lParam);
    case WM_SYSKEYDOWN: // Alt+F4 is the window menu's Close command
        return wParam == VK_F4 ? Deliver(lock, w.handle, WM_SYSCOMMAND, SC_CLOSE, 0) : 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && w.sysClose)
            return Deliver(lock, w.handle, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE: {
        HWND cancel = NULL;
        for (HWND child : w.children)
            if (Find(child) != nullptr && Find(child)->id == IDCANCEL)
                cancel = child;
        return Deliver(lock, w.handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       (LPARAM)cancel);
    }
    }
    return 0;
}

LRESULT Deliver(std::unique_lock<std::mutex> &lock, HWND handle, UINT message, WPARAM wParam,
                LPARAM lParam) {
    Window *w = Find(handle);
    if (w == nullptr)
        return 0;
    if (!w->dialog && w->subclass != nullptr) {
        WNDPROC proc = w->subclass;
        lock.unlock();
        LRESULT result;
        try {
            result = proc(handle, message, wParam, lParam);
        } catch (...) {
            lock.lock();
            throw;
        }
        lock.lock();
        return result;
    }
    if (!w->dialog)
        return ControlProc(*w, message, wParam, lParam);
    g_machine->delivered.push_back(Delivered{handle, message, wParam, lParam});
    DLGPROC proc = w->proc;
    lock.unlock();
    INT_PTR handled;
    try {
        handled = proc(handle, message, wParam, lParam);
    } catch (...) {
        lock.lock();
        throw;
    }
    lock.lock();
    w = Find(handle);
    if (handled) {
        if (message == WM_QUERYDRAGICON || message == WM_INITDIALOG || w == nullptr)
            return handled;
        return w->msgResult;
    }
    return w == nullptr ? 0 : DefDialogProc(lock, *w, message, wParam, lParam);
}

// Handles the sent messages waiting for this thread; true when there was one.
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

bool IsDescendant(HWND dialog, HWND window) {
    for (Window *w = Find(window); w != nullptr; w = Find(w->parent))
        if (w->handle == dialog)
            return true;
    return false;
}

void HandleDialogKey(std::unique_lock<std::mutex> &lock, Window &dialog, WPARAM key) {
    HWND handle = dialog.handle;
    if (key == VK_ESCAPE) {
        Deliver(lock, handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    if (key != VK_RETURN)
        return;
    for (HWND child : dialog.children) {
        Window *button = Find(child);
        if (button != nullptr && IsButtonKind(*button, BS_DEFPUSHBUTTON)) {
            if (!(button->style & WS_DISABLED))
                Deliver(lock, handle, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED),
                        (LPARAM)child);
            return;
        }
    }
    Deliver(lock, handle, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// One message taken from the queue by a dialog loop: the message filter hook first, then the
// dialog's keyboard handling, then the window.
void ProcessPosted(std::unique_lock<std::mutex> &lock, HWND dialog, MSG msg) {
    HOOKPROC filter = g_machine->threads[std::this_thread::get_id()].msgFilter;
    if (filter != NULL) {
        lock.unlock();
        LRESULT swallowed;
        try {
            swallowed = filter(MSGF_DIALOGBOX, 0, (LPARAM)&msg);
        } catch (...) {
            lock.lock();
            throw;
        }
        lock.lock();
        if (swallowed)
            return;
    }
    Window *d = Find(dialog);
    if (d != nullptr && msg.message == WM_KEYDOWN && IsDescendant(dialog, msg.hwnd)) {
        HandleDialogKey(lock, *d, msg.wParam);
        return;
    }
    Deliver(lock, msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool FireTimer(std::unique_lock<std::mutex> &lock) {
    for (auto &entry : g_machine->windows) {
        Window &w = *entry.second;
        if (w.destroyed || w.thread != std::this_thread::get_id() || w.timers.empty())
            continue;
        auto timer =
            std::min_element(w.timers.begin(), w.timers.end(), [](const auto &a, const auto &b) {
                return a.second.due < b.second.due;
            });
        g_machine->clockMs = std::max(g_machine->clockMs, timer->second.due);
        timer->second.due = g_machine->clockMs + timer->second.elapse;
        Deliver(lock, w.handle, WM_TIMER, timer->first, 0);
        return true;
    }
    return false;
}

// Marks the calling thread as busy with a message, so that a sleeping thread waits for it.
struct Handling {
    Handling() { g_machine->threads[std::this_thread::get_id()].handling++; }
    ~Handling() {
        g_machine->threads[std::this_thread::get_id()].handling--;
        g_changed.notify_all();
    }
};

void RunModal(std::unique_lock<std::mutex> &lock, HWND dialog) {
    bool activity = true;
    HangWatch watch;
    for (;;) {
        StopIfEnded(lock);
        Window *d = Find(dialog);
        if (d == nullptr || d->ended)
            return;
        ThreadState &state = g_machine->threads[std::this_thread::get_id()];
        if (ServeSent(lock)) {
            activity = true;
            continue;
        }
        if (!state.posted.empty()) {
            MSG msg = state.posted.front();
            state.posted.pop_front();
            Handling handling;
            ProcessPosted(lock, dialog, msg);
            activity = true;
            continue;
        }
        if (activity && g_machine->user) {
            activity = false;
            std::function<void(HWND)> user = g_machine->user;
            lock.unlock();
            try {
                std::lock_guard<std::mutex> one(g_userMutex);
                user(dialog);
            } catch (...) {
                lock.lock();
                throw;
            }
            lock.lock();
            continue;
        }
        if (FireTimer(lock)) {
            activity = true;
            continue;
        }
        watch.Check(lock);
        if (g_changed.wait_for(lock, kUserPatience) == std::cv_status::timeout)
            activity = true;
    }
}

HWND CreateFromTemplate(std::unique_lock<std::mutex> &lock, HINSTANCE instance, LPCSTR name,
                        HWND parent, DLGPROC proc, LPARAM parameter, bool modal) {
    const DialogTemplate *tmpl =
        IS_INTRESOURCE(name) ? FindDialogTemplate(instance, int(uintptr_t(name))) : nullptr;
    if (tmpl == nullptr) {
        SetError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
        return NULL;
    }
    auto make = [](HWND parentHandle) {
        auto w = std::make_unique<Window>();
        w->handle = (HWND)(uintptr_t)(g_machine->nextWindow += 2);
        w->thread = std::this_thread::get_id();
        w->parent = parentHandle;
        HWND handle = w->handle;
        g_machine->windows[handle] = std::move(w);
        return g_machine->windows[handle].get();
    };
    Window *d = make(parent);
    d->dialog = true;
    d->className = "#32770";
    d->text = tmpl->caption;
    d->style = tmpl->style;
    d->exStyle = tmpl->exStyle;
    d->rect = tmpl->rect;
    d->proc = proc;
    d->sysClose = (tmpl->style & WS_SYSMENU) != 0;
    HWND handle = d->handle;
    for (const ControlTemplate &c : tmpl->controls) {
        Window *child = make(handle);
        child->id = c.id;
        child->className = c.className;
        child->text = c.text;
        child->style = c.style;
        child->rect = c.rect;
        child->visible = (c.style & WS_VISIBLE) != 0;
        Find(handle)->children.push_back(child->handle);
    }
    Deliver(lock, handle, WM_INITDIALOG, 0, parameter);
    Window *created = Find(handle);
    if (created != nullptr)
        created->visible = modal || (created->style & WS_VISIBLE);
    return handle;
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

Window *Child(HWND dialog, int id) {
    Window *d = Find(dialog);
    if (d != nullptr)
        for (HWND child : d->children) {
            Window *c = Find(child);
            if (c != nullptr && c->id == id)
                return c;
        }
    SetError(1421); // ERROR_CONTROL_ID_NOT_FOUND
    return nullptr;
}
// What GWLP_WNDPROC reads for a control that a program has not subclassed.
LRESULT CALLBACK BuiltinControlProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = Find(handle);
    return w == nullptr ? 0 : ControlProc(*w, message, wParam, lParam);
}

void PostToControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = Find(control);
    if (w == nullptr)
        return;
    MSG msg = {control, message, wParam, lParam, 0, {0, 0}};
    g_machine->threads[w->thread].posted.push_back(msg);
    g_changed.notify_all();
}
} // namespace

void SetHangLimit(unsigned milliseconds) {
    g_hangLimit = std::chrono::milliseconds(milliseconds);
}

void ResetWindows() {
    for (auto &entry : g_machine->windows)
        Destroy(entry.first);
    g_machine->threads.clear();
}

HWND FindDialog(const std::string &caption) {
    std::lock_guard<std::mutex> lock(g_mutex);
    HWND found = NULL;
    for (auto &entry : g_machine->windows)
        if (entry.second->dialog && entry.second->text == caption)
            found = entry.first;
    return found;
}

std::string WindowText(HWND window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(window);
    return w == nullptr ? "" : w->text;
}

HWND FindItem(HWND dialog, int id) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *d = FindAny(dialog);
    if (d != nullptr)
        for (HWND child : d->children)
            if (FindAny(child)->id == id)
                return child;
    return NULL;
}

void Click(HWND control) {
    std::unique_lock<std::mutex> lock(g_mutex);
    Window *w = Find(control);
    if (w == nullptr || (w->style & WS_DISABLED) || w->className != "Button")
        return;
    if (IsButtonKind(*w, BS_AUTORADIOBUTTON)) {
        // Checks this one and unchecks the others of its group.
        Window *parent = Find(w->parent);
        std::vector<HWND> &siblings = parent->children;
        size_t at = std::find(siblings.begin(), siblings.end(), control) - siblings.begin();
        size_t first = at;
        while (first > 0 && !(Find(siblings[first])->style & WS_GROUP))
            --first;
        for (size_t i = first; i < siblings.size(); ++i) {
            Window *s = Find(siblings[i]);
            if (i > first && (s->style & WS_GROUP))
                break;
            if (IsButtonKind(*s, BS_AUTORADIOBUTTON))
                s->check = siblings[i] == control ? BST_CHECKED : BST_UNCHECKED;
        }
    }
    Deliver(lock, w->parent, WM_COMMAND, MAKEWPARAM(w->id, BN_CLICKED), (LPARAM)control);
}

void PressKey(HWND dialog, int virtualKey) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *d = Find(dialog);
    if (d == nullptr)
        return;
    MSG msg = {dialog, WM_KEYDOWN, WPARAM(virtualKey), 0, 0, {0, 0}};
    g_machine->threads[d->thread].posted.push_back(msg);
    g_changed.notify_all();
}

void ClickListCheckBox(HWND listBox, int index) {
    PostToControl(listBox, WM_LBUTTONDOWN, 1, MAKELPARAM(4, index * kItemHeight + 4));
}

void TypeChar(HWND control, char c) {
    PostToControl(control, WM_CHAR, WPARAM((unsigned char)c), 0);
}

std::vector<ListItem> ListItems(HWND listBox) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<ListItem> items;
    Window *w = FindAny(listBox);
    if (w != nullptr)
        for (const Window::Item &item : w->items)
            items.push_back(ListItem{item.text, item.data});
    return items;
}

bool IsEnabled(HWND window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(window);
    return w != nullptr && !(w->style & WS_DISABLED);
}

bool HasCloseCommand(HWND window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(window);
    return w != nullptr && w->sysClose;
}

bool IsVisible(HWND window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(window);
    return w != nullptr && w->visible;
}

void SetMinimized(HWND window, bool minimized) {
    std::lock_guard<std::mutex> lock(g_mutex);
    FindAny(window)->minimized = minimized;
}

HICON WindowIcon(HWND window, int which) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(window);
    return w == nullptr ? NULL : which == ICON_BIG ? w->iconBig : w->iconSmall;
}

bool IsWaitCursor() {
    return g_machine->waitCursor;
}

ProgressState Progress(HWND control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(control);
    return w == nullptr ? ProgressState{0, 0, 0, 0}
                        : ProgressState{w->low, w->high, w->step, w->pos};
}

std::vector<int> ProgressHistory(HWND control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(control);
    return w == nullptr ? std::vector<int>() : w->positions;
}

std::vector<Delivered> DeliveredMessages() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_machine->delivered;
}

std::vector<std::string> TextHistory(HWND control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(control);
    return w == nullptr ? std::vector<std::string>() : w->textHistory;
}

} // namespace winsim

using namespace winsim;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                               LPARAM parameter) {
    Api api("DialogBoxParamA");
    if (api.failed())
        return -1;
    HWND dialog =
        CreateFromTemplate(api.lock, instance, templateName, parent, proc, parameter, true);
    if (dialog == NULL)
        return -1;
    RunModal(api.lock, dialog);
    Window *d = Find(dialog);
    INT_PTR result = d != nullptr ? d->result : 0;
    Destroy(dialog);
    return result;
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                               LPARAM parameter) {
    Api api("CreateDialogParamA");
    if (api.failed())
        return NULL;
    return CreateFromTemplate(api.lock, instance, templateName, parent, proc, parameter, false);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    Api api("EndDialog");
    Window *d = Find(dialog);
    if (d == nullptr) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    d->ended = true;
    d->result = result;
    g_changed.notify_all();
    return TRUE;
}

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

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    Api api("GetDlgItem");
    Window *c = Child(dialog, id);
    return c == nullptr ? NULL : c->handle;
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

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    Api api("SetDlgItemTextA");
    Window *c = Child(dialog, id);
    return c != nullptr && Send(api.lock, c->handle, WM_SETTEXT, 0, (LPARAM)text);
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
    Api api("GetDlgItemTextA");
    Window *c = Child(dialog, id);
    if (c == nullptr) {
        if (size > 0)
            text[0] = '\0';
        return 0;
    }
    return UINT(Send(api.lock, c->handle, WM_GETTEXT, WPARAM(size), (LPARAM)text));
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    Api api("CheckDlgButton");
    Window *c = Child(dialog, id);
    if (c == nullptr)
        return FALSE;
    Send(api.lock, c->handle, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    Api api("IsDlgButtonChecked");
    Window *c = Child(dialog, id);
    return c == nullptr ? 0 : UINT(Send(api.lock, c->handle, BM_GETCHECK, 0, 0));
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    Api api("SendDlgItemMessageA");
    Window *c = Child(dialog, id);
    return c == nullptr ? 0 : Send(api.lock, c->handle, message, wParam, lParam);
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
    LONG_PTR &slot = index == DWLP_USER ? w->user : w->msgResult;
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
    return index == DWLP_USER ? w->user : w->msgResult;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Api api("SendMessageA");
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

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    Api api("MessageBoxA");
    if (api.failed())
        return 0;
    Box box{text != NULL ? text : "", caption != NULL ? caption : "Error", flags, owner != NULL};
    g_machine->boxes.push_back(box);
    std::function<int(const Box &)> answer = g_machine->boxAnswer;
    if (!answer)
        return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
    api.lock.unlock();
    return answer(box);
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

BOOL WINAPI DrawIcon(HDC, int, int, HICON icon) {
    Api api("DrawIcon");
    return icon != NULL;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    Api api("BeginPaint");
    memset(paint, 0, sizeof *paint);
    paint->hdc = (HDC)window;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT *) {
    Api api("EndPaint");
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    Api api("GetClientRect");
    Window *w = Find(window);
    if (w == nullptr)
        return FALSE;
    *rect = RECT{0, 0, w->rect.right * 3 / 2, w->rect.bottom * 13 / 8};
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    return index == SM_CXICON || index == SM_CYICON ? 32 : 0;
}

void WINAPI InitCommonControls(void) {}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    return proc(window, message, wParam, lParam);
}

BOOL WINAPI InvalidateRect(HWND window, const RECT *, BOOL) {
    Api api("InvalidateRect");
    return Find(window) != nullptr;
}

BOOL WINAPI DrawFrameControl(HDC, LPRECT, UINT, UINT) {
    return TRUE;
}
int WINAPI DrawTextA(HDC, LPCSTR, int, LPRECT, UINT) {
    return 16;
}
int WINAPI FillRect(HDC, const RECT *, HBRUSH) {
    return 1;
}
HBRUSH WINAPI GetSysColorBrush(int index) {
    return (HBRUSH)(uintptr_t)(index + 1);
}
DWORD WINAPI GetSysColor(int index) {
    return DWORD(index);
}
COLORREF WINAPI SetTextColor(HDC, COLORREF color) {
    return color;
}
COLORREF WINAPI SetBkColor(HDC, COLORREF color) {
    return color;
}
