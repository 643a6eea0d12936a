// The status protocol between a worker's steps and the dialog that shows them.
#pragma once
#include <windows.h>
#include <string>

// The status line's text: written by the worker, read by the dialog thread.
class StatusText {
  public:
    StatusText();
    ~StatusText();
    StatusText(const StatusText &) = delete;
    StatusText &operator=(const StatusText &) = delete;

    void Set(const std::string &text);
    std::string Get() const;

  private:
    mutable CRITICAL_SECTION m_lock;
    std::string m_text;
};

// The refresh message that makes the main window show the current status text.
const UINT WM_REFRESH_STATUS = WM_USER + 1;

// Sets the text, steps the bar when asked, posts the refresh and pauses.
void PostStatus(StatusText &status, HWND progressBar, const char *text, BOOL step, DWORD pause);

// The same with a full bar in place of the step.
void PostCompletion(StatusText &status, HWND progressBar, const char *text, DWORD pause);
