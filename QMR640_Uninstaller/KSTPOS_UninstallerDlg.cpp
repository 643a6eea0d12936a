#include "QMR640_Uninstaller/KSTPOS_UninstallerDlg.h"

#include <commctrl.h>

#include "QMR640_Uninstaller/resource.h"
#include "common/app_context.h"
#include "common/platform.h"
#include "common/trace_log.h"

CKSTPOS_UninstallerDlg::CKSTPOS_UninstallerDlg()
    : m_nOSCode(OS_WIN7_OR_OTHER), m_bWow64(FALSE), m_bBusy(0), m_hProgressBar(NULL),
      m_hIcon(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME))), m_hWnd(NULL) {}

INT_PTR CKSTPOS_UninstallerDlg::DoModal() {
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_KSTPOS_UNINSTALLER_DIALOG),
                           NULL, DialogProc, (LPARAM)this);
}

INT_PTR CALLBACK CKSTPOS_UninstallerDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        CKSTPOS_UninstallerDlg *self = (CKSTPOS_UninstallerDlg *)lParam;
        self->m_hWnd = dialog;
        return self->OnInitDialog();
    }
    CKSTPOS_UninstallerDlg *self = (CKSTPOS_UninstallerDlg *)GetWindowLongPtrA(dialog, DWLP_USER);
    if (self == NULL)
        return FALSE;
    switch (message) {
    case WM_REFRESH_STATUS:
        self->OnRefresh();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && self->m_bBusy == 0) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return LOWORD(wParam) == IDOK;
    }
    return FALSE;
}

BOOL CKSTPOS_UninstallerDlg::OnInitDialog() {
    SetMainWindow(m_hWnd);
    m_hProgressBar = GetDlgItem(m_hWnd, IDC_PROGRESS);
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)m_hIcon);
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)m_hIcon);
    StartTraceLog(CurrentProgram().logFileName);
    m_bWow64 = IsWow64();
    m_nOSCode = CheckOS();
    SendMessageA(m_hProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(m_hProgressBar, PBM_SETSTEP, 10, 0);
    OnRefresh();
    return TRUE;
}

void CKSTPOS_UninstallerDlg::OnRefresh() {
    SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.Get().c_str());
}
