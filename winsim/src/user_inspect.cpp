// The test side of the windows: find dialogs and controls, act as the user, inspect the state.
#include "user.h"

#include <commctrl.h>

#include <algorithm>

namespace winsim {

namespace {
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
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Window *w = Find(control);
        if (w == nullptr || (w->style & WS_DISABLED) || w->className != "Button")
            return;
    }
    PostToControl(control, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostToControl(control, WM_LBUTTONUP, 0, 0);
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
    int height = 1;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Window *w = Find(listBox);
        if (w != nullptr && w->listBox)
            height = std::max(w->listBox->itemHeight, 1);
    }
    PostToControl(listBox, WM_LBUTTONDOWN, 1, MAKELPARAM(4, index * height + height / 2));
}

void TypeChar(HWND control, char c) {
    PostToControl(control, WM_CHAR, WPARAM((unsigned char)c), 0);
}

std::vector<ListItem> ListItems(HWND listBox) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<ListItem> items;
    Window *w = FindAny(listBox);
    if (w != nullptr && w->listBox)
        for (const ListBoxState::Item &item : w->listBox->items)
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
    if (w == nullptr)
        return ProgressState{0, 0, 0, 0};
    // Another class's window reads as a new bar.
    const ProgressBarState &bar = w->progressBar ? *w->progressBar : ProgressBarState();
    return ProgressState{bar.low, bar.high, bar.step, bar.pos};
}

std::vector<int> ProgressHistory(HWND control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(control);
    return w == nullptr || !w->progressBar ? std::vector<int>() : w->progressBar->positions;
}

std::vector<Delivered> DeliveredMessages() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_machine->delivered;
}

std::vector<Drawing> Drawings(HWND window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(window);
    return w == nullptr ? std::vector<Drawing>() : w->drawings;
}

std::vector<std::string> TextHistory(HWND control) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny(control);
    return w == nullptr ? std::vector<std::string>() : w->textHistory;
}

} // namespace winsim
