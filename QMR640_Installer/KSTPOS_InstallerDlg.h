// The installer's progress dialog and the worker that runs the installation.
#pragma once
#include <windows.h>
#include <atomic>
#include <string>

#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/Port_Dlg.h"
#include "common/dialog_window.h"
#include "common/status.h"

class CKSTPOS_InstallerDlg : public DialogWindow<CKSTPOS_InstallerDlg> {
  public:
    CKSTPOS_InstallerDlg();
    ~CKSTPOS_InstallerDlg();

    INT_PTR DoModal();
    // /quiet: the start-up and the worker's run on this thread, without any window.
    void RunWithoutWindow();
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Removes a different driver version when one is installed. An interactive run then
    // restarts and ends the process; an unattended one returns true and goes on installing.
    bool CheckInstalledVersion();

    int m_nOSCode;
    BOOL m_bWow64;
    HANDLE m_hWorkerThread;
    std::atomic<LONG> m_bInstalling;
    std::atomic<LONG> m_bRemoving;
    CDriverVersion m_DriverVersion;
    CPort_Dlg m_PortDlg;
    HWND m_hProgressBar;
    StatusText m_strStatus;
    std::string m_strVersion;
    HICON m_hIcon;

  private:
    static DWORD WINAPI WorkerThread(LPVOID parameter);
    static bool PreTranslate(void *self, const MSG &msg);

    BOOL OnInitDialog();
    // The start-up that does not need the window.
    void StartUp();
    void OnRefresh();
    void RunWorker();
    int ChoosePort();
    // The port of an unattended run: the options file's PORT; without one the run ends with 87.
    int PresetPortOrEnd();
    void BuildVersionCaption();
};
