#include "QMR640_Installer/Port_Dlg.h"

#include <string.h>

#include "QMR640_Installer/resource.h"
#include "common/bounded_string.h"
#include "common/trace_log.h"

const int kPortRadioIds[PORT_COUNT] = {IDC_RADIO_COM1, IDC_RADIO_COM2, IDC_RADIO_COM3,
                                       IDC_RADIO_COM4, IDC_RADIO_LPT1, IDC_RADIO_LPT2,
                                       IDC_RADIO_USB};

namespace {
const char kOptionsFile[] = "\\QMR640_Config.KST";

bool ReadOptionsKey(const char *path, const char *section, const char *key, char *value,
                    DWORD size) {
    memset(value, 0, size);
    return GetPrivateProfileStringA(section, key, NULL, value, size, path) != 0;
}
} // namespace

char *GetDriverInfoFromFile(const char *section, const char *key, char *value, DWORD size) {
    char path[256] = {0};
    GetCurrentDirectoryA(sizeof path, path);
    AppendBounded(path, sizeof path, kOptionsFile);
    if (ReadOptionsKey(path, section, key, value, size))
        return value;

    memset(path, 0, sizeof path);
    GetWindowsDirectoryA(path, sizeof path);
    AppendBounded(path, sizeof path, "\\");
    AppendBounded(path, sizeof path, "QMR-640");
    AppendBounded(path, sizeof path, kOptionsFile);
    if (ReadOptionsKey(path, section, key, value, size))
        return value;

    DWORD error = GetLastError();
    TraceSeparator();
    TraceLog("GetDriverInfoFromFile BEGIN");
    TraceLog("SECTION NAME : %s", section);
    TraceLog("KEY NAME : %s", key);
    TraceLog("GetDriverInfoFromFile failed. (%d)", int(error));
    TraceLog("GetDriverInfoFromFile END");
    TraceSeparator();
    return NULL;
}

int PortIndexInSetting(const char *value) {
    if (value == NULL)
        return -1;
    for (int index = 0; index < PORT_COUNT; ++index)
        if (strstr(value, kPortNames[index]) != NULL)
            return index;
    return -1;
}

int PortIndexFromSetting(const char *value) {
    int index = PortIndexInSetting(value);
    return index >= 0 ? index : 0;
}

CPort_Dlg::CPort_Dlg() : m_nPortIndex(0), m_hWnd(NULL) {}

INT_PTR CPort_Dlg::DoModal() {
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_PORT_DLG), NULL, DialogProc,
                           (LPARAM)this);
}

BOOL CPort_Dlg::CreateHidden(HWND parent) {
    HWND window = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_PORT_DLG), parent,
                                     DialogProc, (LPARAM)this);
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

INT_PTR CALLBACK CPort_Dlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        CPort_Dlg *self = (CPort_Dlg *)lParam;
        self->m_hWnd = dialog;
        self->OnInitDialog();
        return TRUE;
    }
    CPort_Dlg *self = (CPort_Dlg *)GetWindowLongPtrA(dialog, DWLP_USER);
    if (self == NULL || message != WM_COMMAND)
        return FALSE;
    int id = LOWORD(wParam);
    if (id == IDOK) {
        self->OnOK();
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (HIWORD(wParam) == BN_CLICKED) {
        self->OnRadioClicked(id);
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

void CPort_Dlg::OnRadioClicked(int controlId) {
    for (int index = 0; index < PORT_COUNT; ++index)
        if (kPortRadioIds[index] == controlId)
            m_nPortIndex = index;
}

void CPort_Dlg::OnOK() {
    // The radio button checked last decides; none checked gives -1, which installs nothing.
    m_nPortIndex = -1;
    for (int index = 0; index < PORT_COUNT; ++index)
        if (IsDlgButtonChecked(m_hWnd, kPortRadioIds[index]) == BST_CHECKED) {
            m_nPortIndex = index;
            break;
        }
    EndDialog(m_hWnd, IDOK);
}
