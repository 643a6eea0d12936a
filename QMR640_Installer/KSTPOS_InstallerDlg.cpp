#include "QMR640_Installer/KSTPOS_InstallerDlg.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include "QMR640_Installer/resource.h"
#include "common/app_context.h"
#include "common/busy_filter.h"
#include "common/deployment.h"
#include "common/dialog_icon.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/program_folder.h"
#include "common/restart.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

namespace {
const char kCanceled[] = "The driver installation canceled.";
} // namespace

CKSTPOS_InstallerDlg::CKSTPOS_InstallerDlg()
    : m_nOSCode(OS_WIN7_OR_OTHER), m_bWow64(FALSE), m_hWorkerThread(NULL), m_bInstalling(0),
      m_bRemoving(0), m_hProgressBar(NULL),
      m_hIcon(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CKSTPOS_InstallerDlg::~CKSTPOS_InstallerDlg() {
    RemoveMessageFilter();
}

INT_PTR CKSTPOS_InstallerDlg::DoModal() {
    return RunModal(IDD_KSTPOS_INSTALLER_DIALOG);
}

INT_PTR CKSTPOS_InstallerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_REFRESH_STATUS:
        OnRefresh();
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_PAINT:
    case WM_QUERYDRAGICON:
        return IconMessage(m_hWnd, message, m_hIcon);
    case WM_COMMAND:
        // Only the worker ends the program: Enter and Escape never close the dialog under it.
        return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    }
    return FALSE;
}

BOOL CKSTPOS_InstallerDlg::OnInitDialog() {
    SetMainWindow(m_hWnd);
    m_hProgressBar = GetDlgItem(m_hWnd, IDC_PROGRESS);
    OnRefresh();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)m_hIcon);
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)m_hIcon);
    StartUp();
    PostMessageA(m_hWnd, WM_REFRESH_STATUS, 0, 0);
    SendMessageA(m_hProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(m_hProgressBar, PBM_SETSTEP, 9, 0);

    InstallMessageFilter(PreTranslate, this);
    DWORD threadId = 0;
    m_hWorkerThread = CreateThread(NULL, 0, WorkerThread, this, 0, &threadId);
    if (m_hWorkerThread == NULL) {
        // Without its worker the dialog would wait for ever: nothing is installed, the run ends.
        TraceLog("CreateThread failed. (%d)", int(GetLastError()));
        RecordFailure();
        EndDialog(m_hWnd, IDCANCEL);
    }
    return TRUE;
}

void CKSTPOS_InstallerDlg::StartUp() {
    StartTraceLog(CurrentProgram().logFileName);
    // Elsewhere Driver32\ and the options file would be taken from wherever the run started.
    if (!EnterProgramFolder()) {
        ShowError("The installer could not enter its own folder, which holds the driver files.",
                  MB_OK | MB_ICONSTOP);
        EndRun(0);
    }
    m_bWow64 = IsWow64();
    m_nOSCode = CheckOS();
    m_DriverVersion.SetSystemInfo(m_bWow64, m_nOSCode);
    m_DriverVersion.SetControlPointers(&m_strStatus, m_hProgressBar);
    BuildVersionCaption();
    RunSpoolerCommand("net start spooler", 2000);
    m_bInstalling = 0;
    m_bRemoving = 0;
}

void CKSTPOS_InstallerDlg::RunWithoutWindow() {
    StartUp();
    RunWorker();
}

void CKSTPOS_InstallerDlg::BuildVersionCaption() {
    m_strVersion = "Driver Version: V" + LoadProfileString(IDS_VERSION_MAJOR) + "." +
                   LoadProfileString(IDS_VERSION_MINOR) + "." +
                   LoadProfileString(IDS_VERSION_BUILD);
}

void CKSTPOS_InstallerDlg::OnRefresh() {
    SetDlgItemTextA(m_hWnd, IDC_MESSAGES, m_strStatus.Get().c_str());
    SetDlgItemTextA(m_hWnd, IDC_VERSION, m_strVersion.c_str());
}

bool CKSTPOS_InstallerDlg::PreTranslate(void *context, const MSG &msg) {
    CKSTPOS_InstallerDlg *self = (CKSTPOS_InstallerDlg *)context;
    bool installing = self->m_bInstalling != 0;
    return FilterBusyMessage(self->m_hWnd, installing || self->m_bRemoving != 0, installing, msg);
}

DWORD WINAPI CKSTPOS_InstallerDlg::WorkerThread(LPVOID parameter) {
    ((CKSTPOS_InstallerDlg *)parameter)->RunWorker();
    return 0;
}

void CKSTPOS_InstallerDlg::RunWorker() {
    if (m_nOSCode < OS_WIN2000) {
        ShowError("THE DRIVER CAN NOT BE INSTALLED ON THIS OS.", MB_OK | MB_ICONINFORMATION);
        EndRun(0);
    }
    if (m_nOSCode >= OS_VISTA && !m_DriverVersion.FindInfForPrintUI())
        EndRun(0);
    m_bInstalling = 1;
    int portIndex = ChoosePort();
    bool removed = CheckInstalledVersion();
    if (portIndex >= 0 && portIndex < PORT_COUNT) {
        int portValue = PORT_VALUE_BASE + portIndex;
        if (m_nOSCode >= OS_VISTA)
            m_DriverVersion.AddToWin2KWithWHQL(portValue);
        else
            m_DriverVersion.AddToWin2K(portValue);
    }
    // The removal of the different version wants its restart, whatever the installation asked.
    if (removed)
        ForcedRestart();
    m_bInstalling = 0;
    EndRun(0);
}

int CKSTPOS_InstallerDlg::ChoosePort() {
    if (RunSwitches().portIndex >= 0)
        return RunSwitches().portIndex;
    if (Unattended())
        return PresetPortOrEnd();
    char value[256] = {0};
    const char *portDialog = GetDriverInfoFromFile("QMR640", "PORTDLG", value, sizeof value);
    if (portDialog == NULL || strstr(portDialog, "TRUE") != NULL) {
        if (m_PortDlg.DoModal() != IDOK) {
            TraceLog(kCanceled);
            AppMessageBox(kCanceled, MB_OK | MB_ICONINFORMATION);
            exit(0);
        }
        return m_PortDlg.m_nPortIndex;
    }
    CPort_Dlg preset;
    preset.CreateHidden(m_hWnd);
    int portIndex = preset.m_nPortIndex;
    preset.DestroyWindow();
    return portIndex;
}

int CKSTPOS_InstallerDlg::PresetPortOrEnd() {
    char value[256] = {0};
    int portIndex =
        PortIndexInSetting(GetDriverInfoFromFile("QMR640", "PORT", value, sizeof value));
    if (portIndex < 0) {
        // Nobody is there to ask, and a guessed port would print nowhere.
        TraceLog("NO PORT : give /port:NAME or PORT in the options file.");
        EndRunWith(EXIT_BAD_SWITCH);
    }
    return portIndex;
}

bool CKSTPOS_InstallerDlg::CheckInstalledVersion() {
    DWORD version[4];
    const UINT ids[4] = {IDS_VERSION_MAJOR, IDS_VERSION_MINOR, IDS_VERSION_BUILD,
                         IDS_VERSION_EXTRA};
    for (int i = 0; i < 4; ++i)
        version[i] = DWORD(atoi(LoadProfileString(ids[i]).c_str()));
    int result = CompareDriverVersion(LoadProfileString(IDS_DRIVER_NAME),
                                      LoadProfileString(IDS_PROCESSOR_NAME), version[0], version[1],
                                      version[2], version[3], m_bWow64);
    if (result == 2 || result == 3)
        return false;
    m_bRemoving = 1;
    ShowInformation("There is a different version driver in this system.\r\n\r\nThe installed "
                    "driver will be removed.",
                    MB_OK | MB_ICONINFORMATION);
    StepHost host = {m_bWow64, m_nOSCode, &m_strStatus, m_hProgressBar};
    DeletePrinterObjects(host);
    if (Unattended()) {
        // Nobody runs the installer again after the restart: the new version goes on now, so
        // that the run's code never says installed while no driver is.
        TraceLog("The installer has successfully removed the different version.");
        return true;
    }
    ShowInformation("The installer has successfully removed the different version.\nNow it is "
                    "going to restart your computer to take effect.\nAfter restarting, you may "
                    "reinstall the driver again.",
                    MB_OK | MB_ICONINFORMATION);
    ForcedRestart();
    EndRun(0);
}
