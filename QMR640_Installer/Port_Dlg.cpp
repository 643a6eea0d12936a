#include "QMR640_Installer/Port_Dlg.h"

#include "QMR640_Installer/options_file.h"
#include "QMR640_Installer/resource.h"

const int kPortRadioIds[PORT_COUNT] = {IDC_RADIO_COM1, IDC_RADIO_COM2, IDC_RADIO_COM3,
                                       IDC_RADIO_COM4, IDC_RADIO_LPT1, IDC_RADIO_LPT2,
                                       IDC_RADIO_USB};

CPort_Dlg::CPort_Dlg() : m_nPortIndex(0) {}

INT_PTR CPort_Dlg::DoModal() {
    return RunModal(IDD_PORT_DLG);
}

BOOL CPort_Dlg::CreateHidden(HWND parent) {
    HWND window = CreateModeless(IDD_PORT_DLG, parent);
    if (window == NULL)
        return FALSE;
    ShowWindow(window, SW_HIDE);
    return TRUE;
}

void CPort_Dlg::DestroyWindow() {
    if (m_hWnd != NULL)
        ::DestroyWindow(m_hWnd);
    m_hWnd = NULL;
}

INT_PTR CPort_Dlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        OnInitDialog();
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    int id = LOWORD(wParam);
    if (id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(m_hWnd, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void CPort_Dlg::OnInitDialog() {
    char value[256] = {0};
    m_nPortIndex = PortIndexFromSetting(GetDriverInfoFromFile("QMR640", "PORT", value, 256));
    for (int index = 0; index < PORT_COUNT; ++index)
        CheckDlgButton(m_hWnd, kPortRadioIds[index],
                       index == m_nPortIndex ? BST_CHECKED : BST_UNCHECKED);
}

void CPort_Dlg::OnOK() {
    // The first checked radio button in the table's order decides; none checked gives -1,
    // which installs nothing.
    m_nPortIndex = -1;
    for (int index = 0; index < PORT_COUNT; ++index)
        if (IsDlgButtonChecked(m_hWnd, kPortRadioIds[index]) == BST_CHECKED) {
            m_nPortIndex = index;
            break;
        }
    EndDialog(m_hWnd, IDOK);
}
