// The modal dialog loop: sent and posted messages, the message filter hook, the dialog keys,
// painting, timers and the scripted user.
#include "user.h"

#include <algorithm>

namespace winsim {

namespace {
// A scripted user looks again after this long without anything to handle.
const auto kUserPatience = std::chrono::milliseconds(30);
std::mutex g_userMutex;

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
        LRESULT swallowed =
            CallUnlocked(lock, [&] { return filter(MSGF_DIALOGBOX, 0, (LPARAM)&msg); });
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
} // namespace

void RunModal(std::unique_lock<std::mutex> &lock, HWND dialog) {
    bool activity = true;
    HangWatch watch;
    for (;;) {
        StopIfEnded(lock);
        Window *d = Find(dialog);
        if (d == nullptr || d->dialog->ended)
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
        bool painted;
        {
            Handling handling;
            painted = PaintOwnerDrawList(lock);
        }
        if (painted) {
            activity = true;
            continue;
        }
        if (activity && g_machine->user) {
            activity = false;
            std::function<void(HWND)> user = g_machine->user;
            CallUnlocked(lock, [&] {
                std::lock_guard<std::mutex> one(g_userMutex);
                user(dialog);
                return true;
            });
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

} // namespace winsim
