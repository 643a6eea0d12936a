// The simulated window manager's parts, shared between its files: windows and their messages
// (user32.cpp), the control classes (controls.cpp, list_box.cpp, progress_bar.cpp), dialogs
// (dialogs.cpp) and their modal loop (modal_loop.cpp), message boxes, GDI and the test side
// (user_inspect.cpp).
#pragma once
#include "machine.h"

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

extern std::chrono::milliseconds g_hangLimit;

// Runs call, a program's code, with the machine unlocked; it is locked again on the way out,
// also when the call ends its process.
template <class Call> auto CallUnlocked(std::unique_lock<std::mutex> &lock, Call call) {
    lock.unlock();
    try {
        auto result = call();
        lock.lock();
        return result;
    } catch (...) {
        lock.lock();
        throw;
    }
}

// A window's client area in pixels, from its size in dialog units.
RECT ClientPixels(const Window &w);

// A live window, or null; FindAny also finds destroyed ones, which tests may still inspect.
Window *Find(HWND handle);
Window *FindAny(HWND handle);
bool IsButtonKind(const Window &w, DWORD kind);

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

// Messages: delivered on the calling thread to the window's procedure (a dialog's own, a
// program's subclass, or the control class), or sent across threads.
LRESULT Deliver(std::unique_lock<std::mutex> &lock, HWND handle, UINT message, WPARAM wParam,
                LPARAM lParam);
LRESULT Send(std::unique_lock<std::mutex> &lock, HWND handle, UINT message, WPARAM wParam,
             LPARAM lParam);
// Handles the sent messages waiting for this thread; true when there was one.
bool ServeSent(std::unique_lock<std::mutex> &lock);
void Destroy(HWND handle);

// Makes a control's class state, once its class name is set.
void AddClassState(Window &w);
// The control classes' own procedures.
LRESULT ControlProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam);
// A button: the mouse going down on it presses it, coming up clicks it (a radio button is
// checked) and tells its owner.
LRESULT ButtonProc(std::unique_lock<std::mutex> &lock, Window &w, UINT message, WPARAM wParam,
                   LPARAM lParam);
LRESULT ListBoxProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ProgressBarProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam);
// What GWLP_WNDPROC reads for a control that a program has not subclassed.
LRESULT CALLBACK BuiltinControlProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

// An owner-drawn list box: asks its owner for the item height when it is created, and has its
// owner draw the entries it shows whenever it was changed since it was last painted.
bool IsOwnerDrawList(const Window &w);
void MeasureListItems(std::unique_lock<std::mutex> &lock, Window &listBox);
// Paints one changed owner-drawn list box of the calling thread's visible dialogs; true when
// there was one.
bool PaintOwnerDrawList(std::unique_lock<std::mutex> &lock);

// Dialogs.
LRESULT DefDialogProc(std::unique_lock<std::mutex> &lock, Window &w, UINT message, WPARAM wParam,
                      LPARAM lParam);
HWND CreateFromTemplate(std::unique_lock<std::mutex> &lock, HINSTANCE instance, LPCSTR name,
                        HWND parent, DLGPROC proc, LPARAM parameter, bool modal);
Window *Child(HWND dialog, int id);
void RunModal(std::unique_lock<std::mutex> &lock, HWND dialog);

} // namespace winsim
