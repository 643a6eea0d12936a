// The uninstaller's dialog: the printer list and the uninstall sequence.
#pragma once
#include <windows.h>
#include <atomic>
#include <string>

#include "common/status.h"

class CKSTPOS_UninstallerDlg {
  public:
    CKSTPOS_UninstallerDlg();

    INT_PTR DoModal();

    int m_nOSCode;
    BOOL m_bWow64;
    std::atomic<LONG> m_bBusy;
    std::string m_strScratch;
    HWND m_hProgressBar;
    StatusText m_strStatus;
    HICON m_hIcon;
    HWND m_hWnd;

  private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnRefresh();
};
