// The progress dialog both programs show: the status line and the progress bar a worker thread
// reports to, the program icon, the refresh message, the busy filter and the worker's start.
#pragma once
#include <windows.h>
#include <atomic>

#include "common/app_context.h"
#include "common/busy_filter.h"
#include "common/dialog_icon.h"
#include "common/dialog_window.h"
#include "common/status.h"
#include "common/step_host.h"

// The program icon in the dialog's caption and task button.
void ShowProgramIcon(HWND dialog, HICON icon);
// The bar runs from 0 to 100 in steps of step.
void SetUpProgressBar(HWND progressBar, int step);

// Starts routine(context) on a thread of its own; when none can be started, logs it, records
// the run as failed and returns false.
bool StartWorkerThread(LPTHREAD_START_ROUTINE routine, void *context);

// Dialog derives from ProgressDialog<Dialog> and keeps only its own handlers:
//   void FindControls();   its own controls, before the first refresh
//   void OnRefresh();      shows status in its own controls
//   void StartUp();        the start-up that does not need the window
//   void Started();        the window is up and the filter in: the work begins
//   void RunWorker();      the worker thread's body
//   INT_PTR OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam);   every other message
template <class Dialog> class ProgressDialog : public DialogWindow<Dialog> {
  public:
    ~ProgressDialog() { RemoveMessageFilter(); }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog();
            return TRUE;
        case WM_REFRESH_STATUS:
            Self().OnRefresh();
            SetWindowLongPtrA(this->m_hWnd, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_PAINT:
        case WM_QUERYDRAGICON:
            return IconMessage(this->m_hWnd, message, icon);
        }
        return Self().OnOwnMessage(message, wParam, lParam);
    }

    // The steps' host, filled by the dialog's start-up.
    StepHost host;
    // Set while the worker runs: the wait cursor shows, Close and Escape do nothing.
    std::atomic<LONG> busy{0};
    HWND progressBar = NULL;
    StatusText status;
    HICON icon;

  protected:
    ProgressDialog(int iconId, int progressId, int barStep)
        : icon(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(iconId))),
          m_progressId(progressId), m_barStep(barStep) {}

    bool StartWorker() { return StartWorkerThread(WorkerThread, static_cast<Dialog *>(this)); }

  private:
    Dialog &Self() { return *static_cast<Dialog *>(this); }

    void OnInitDialog() {
        SetMainWindow(this->m_hWnd);
        progressBar = GetDlgItem(this->m_hWnd, m_progressId);
        Self().FindControls();
        Self().OnRefresh();
        ShowProgramIcon(this->m_hWnd, icon);
        Self().StartUp();
        PostMessageA(this->m_hWnd, WM_REFRESH_STATUS, 0, 0);
        SetUpProgressBar(progressBar, m_barStep);
        InstallMessageFilter(Filter, this);
        Self().Started();
    }

    static bool Filter(void *context, const MSG &msg) {
        ProgressDialog *self = (ProgressDialog *)context;
        bool working = self->busy != 0;
        return FilterBusyMessage(self->m_hWnd, working, working, msg);
    }

    static DWORD WINAPI WorkerThread(LPVOID parameter) {
        ((Dialog *)parameter)->RunWorker();
        return 0;
    }

    int m_progressId;
    int m_barStep;
};
