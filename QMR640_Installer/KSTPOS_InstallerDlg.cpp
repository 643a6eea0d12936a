#include "QMR640_Installer/KSTPOS_InstallerDlg.h"

#include <stdlib.h>
#include <string.h>

#include "QMR640_Installer/options_file.h"
#include "QMR640_Installer/resource.h"
#include "common/app_context.h"
#include "common/deployment.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/program_folder.h"
#include "common/restart.h"
#include "common/trace_log.h"
#include "removal/removal_steps.h"

namespace {
const char kCanceled[] = "The driver installation canceled.";
} // namespace

CKSTPOS_InstallerDlg::CKSTPOS_InstallerDlg() : ProgressDialog(IDR_MAINFRAME, IDC_PROGRESS, 9) {}

INT_PTR CKSTPOS_InstallerDlg::DoModal() {
    return RunModal(IDD_KSTPOS_INSTALLER_DIALOG);
}

INT_PTR CKSTPOS_InstallerDlg::OnOwnMessage(UINT message, WPARAM wParam, LPARAM) {
    // Only the worker ends the program: Enter and Escape never close the dialog under it.
    return message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL);
}

void CKSTPOS_InstallerDlg::Started() {
    // Without its worker nothing is installed: the run ends.
    if (!StartWorker())
        EndDialog(m_hWnd, IDCANCEL);
}

void CKSTPOS_InstallerDlg::StartUp() {
    StartTraceLog(CurrentProgram().logFileName);
    // Elsewhere Driver32\ and the options file would be taken from wherever the run started.
    if (!EnterProgramFolder()) {
        ShowError("The installer could not enter its own folder, which holds the driver files.",
                  MB_OK | MB_ICONSTOP);
        EndRun(0);
    }
    BOOL wow64 = IsWow64();
    host = ProgramStepHost(wow64, CheckOS(), &status, progressBar);
    m_DriverVersion.SetSystemInfo(host.wow64, host.osCode);
    m_DriverVersion.SetControlPointers(&status, progressBar);
    BuildVersionCaption();
    RunSpoolerCommand("net start spooler", 2000);
    busy = 0;
}

void CKSTPOS_InstallerDlg::RunWithoutWindow() {
    StartUp();
    RunWorker();
}

void CKSTPOS_InstallerDlg::BuildVersionCaption() {
    versionCaption = "Driver Version: V" + LoadProfileString(IDS_VERSION_MAJOR) + "." +
                     LoadProfileString(IDS_VERSION_MINOR) + "." +
                     LoadProfileString(IDS_VERSION_BUILD);
}

void CKSTPOS_InstallerDlg::OnRefresh() {
    SetDlgItemTextA(m_hWnd, IDC_MESSAGES, status.Get().c_str());
    SetDlgItemTextA(m_hWnd, IDC_VERSION, versionCaption.c_str());
}

void CKSTPOS_InstallerDlg::RunWorker() {
    if (host.osCode < OS_WIN2000) {
        ShowError("THE DRIVER CAN NOT BE INSTALLED ON THIS OS.", MB_OK | MB_ICONINFORMATION);
        EndRun(0);
    }
    if (host.osCode >= OS_VISTA && !m_DriverVersion.FindInfForPrintUI())
        EndRun(0);
    busy = 1;
    int portIndex = ChoosePort();
    bool removed = CheckInstalledVersion();
    int portValue = PortValue(portIndex);
    if (portValue >= 0) {
        if (host.osCode >= OS_VISTA)
            m_DriverVersion.AddToWin2KWithWHQL(portValue);
        else
            m_DriverVersion.AddToWin2K(portValue);
    }
    // The removal of the different version wants its restart, whatever the installation asked.
    if (removed)
        ForcedRestart();
    busy = 0;
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
            EndTraceLog();
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
                                      version[2], version[3], host.wow64);
    if (result == 2 || result == 3)
        return false;
    ShowInformation("There is a different version driver in this system.\r\n\r\nThe installed "
                    "driver will be removed.",
                    MB_OK | MB_ICONINFORMATION);
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
