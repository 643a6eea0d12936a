// The uninstaller's dialog: the printer list and the uninstall sequence.
#pragma once
#include <windows.h>
#include <atomic>
#include <list>
#include <string>

#include "common/dialog_window.h"
#include "common/status.h"
#include "common/step_host.h"

class CKSTPOS_UninstallerDlg : public DialogWindow<CKSTPOS_UninstallerDlg> {
  public:
    CKSTPOS_UninstallerDlg();
    ~CKSTPOS_UninstallerDlg();

    INT_PTR DoModal();
    // /quiet: lists the printers and removes them all with the package, on this thread and
    // without any window.
    void RunWithoutWindow();
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The printer list asks for its item height while the dialog is being created.
    static INT_PTR BeforeInit(UINT message, WPARAM wParam, LPARAM lParam);

    int m_nOSCode;
    BOOL m_bWow64;
    std::atomic<LONG> m_bBusy;
    // Set on the dialog thread when the worker is started; no second worker ever follows.
    bool m_bUninstallStarted;
    std::list<std::string> m_PrinterList;
    int m_nPrinterObjects;
    HWND m_hCancel;
    HWND m_hProgressBar;
    HWND m_hUninstall;
    HWND m_hPrinterList;
    StatusText m_strStatus;
    HICON m_hIcon;

  private:
    static DWORD WINAPI WorkerThread(LPVOID parameter);
    static bool PreTranslate(void *self, const MSG &msg);

    BOOL OnInitDialog();
    // The start-up that does not need the window.
    void StartUp();
    void OnRefresh();
    void OnTimer(UINT_PTR id);
    void PrepareUninstall();
    // The driver, or any other trace of the package.
    bool DriverPresent();
    // Nothing of the product is there: says so, removes a stale uninstall entry and ends.
    void EndWithNothingToRemove();
    int AddPrinterObjectsToList();
    void StartUninstall();
    void UpdateUninstallButton();
    void RunUninstall();
    // Removes the printers in the printer list and, when they are all the driver's, the package.
    void RemoveChosenPrinters();
    StepHost Host();
    void PostStatus(const char *text, BOOL step, DWORD pause);
};
