#include "QMR640_Installer/Port_Dlg.h"

#include <string.h>

#include "QMR640_Installer/resource.h"
#include "common/bounded_string.h"
#include "common/system_dirs.h"
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
    // The program's folder. A failed or cut-short look-up leaves the buffer empty, which would
    // name the file at the root of the current drive: that location is skipped then.
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    if (length == 0 || length >= sizeof path) {
        TraceLog("GetCurrentDirectoryA failed. (%d)", int(GetLastError()));
    } else {
        AppendBounded(path, sizeof path, kOptionsFile);
        if (ReadOptionsKey(path, section, key, value, size))
            return value;
    }

    // Without the Windows directory the model folder's path would start at the drive root.
    std::string windows;
    if (WindowsDirectory(windows)) {
        memset(path, 0, sizeof path);
        CopyBounded(path, sizeof path, windows.c_str());
        AppendBounded(path, sizeof path, "\\");
        AppendBounded(path, sizeof path, "QMR-640");
        AppendBounded(path, sizeof path, kOptionsFile);
        if (ReadOptionsKey(path, section, key, value, size))
            return value;
    }

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

const char *PortName(int portValue) {
    int index = portValue - PORT_VALUE_BASE;
    return index >= 0 && index < PORT_INDEX_USB ? kPortNames[index] : "";
}

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
