#include "QMR640_Installer/DriverVersion.h"

#include <winspool.h>

#include "QMR640_Installer/resource.h"
#include "common/deployment.h"
#include "common/platform.h"
#include "common/printer_driver.h"
#include "common/profile.h"
#include "common/scoped_handle.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/pnp_cleanup.h"

namespace {
const char kSuccess[] = "The driver has been successfully installed.";
const char kRestartQuestion[] = "Restarting your computer can take effect.\nPlease restart your "
                                "computer.\n\n[Yes] I want to restart my computer now.\n[No] I "
                                "will restart my computer later.";
const char kPowerCycle[] = "Please turn-off the printer and then turn-on again.";

ProductRecord LoadProductRecord() {
    ProductRecord record;
    record.maker = LoadProfileString(IDS_MAKER_NAME);
    record.driverName = LoadProfileString(IDS_DRIVER_NAME);
    record.monitorName = LoadProfileString(IDS_MONITOR_NAME);
    record.processorName = LoadProfileString(IDS_PROCESSOR_NAME);
    record.driverFile = LoadProfileString(IDS_DRIVER_FILE);
    record.monitorFile = LoadProfileString(IDS_MONITOR_FILE);
    record.processorFile = LoadProfileString(IDS_PROCESSOR_FILE);
    record.uiFile = LoadProfileString(IDS_UI_FILE);
    record.renderFile = LoadProfileString(IDS_RENDER_FILE);
    record.infFile = LoadProfileString(IDS_INF_FILE);
    return record;
}
} // namespace

CDriverVersion::CDriverVersion()
    : m_nOSCode(OS_WIN7_OR_OTHER), m_bWow64(FALSE), m_record(LoadProductRecord()),
      m_pStatusText(NULL), m_hProgressBar(NULL) {}

void CDriverVersion::SetSystemInfo(BOOL wow64, int osCode) {
    StepFrame frame("SetSystemInfo");
    m_bWow64 = wow64;
    m_nOSCode = osCode;
    m_strEnvironment = EnvironmentName(wow64);
    m_strDriverDir = wow64 ? "Driver64\\" : "Driver32\\";
    TraceLog("ENV : %s, DRV DIR : %s ", m_strEnvironment.c_str(), m_strDriverDir.c_str());
}

void CDriverVersion::SetControlPointers(StatusText *statusText, HWND progressBar) {
    StepFrame frame("SetControlPointers");
    m_pStatusText = statusText;
    m_hProgressBar = progressBar;
}

void CDriverVersion::PostStatus(const char *text, BOOL step, DWORD pause) {
    ::PostStatus(*m_pStatusText, m_hProgressBar, text, step, pause);
}

void CDriverVersion::PostCompletion(const char *text) {
    ::PostCompletion(*m_pStatusText, m_hProgressBar, text, 0);
}

StepHost CDriverVersion::Host() const {
    return ProgramStepHost(m_bWow64, m_nOSCode, m_pStatusText, m_hProgressBar);
}

int CDriverVersion::PrinterDrvExist(const std::string &driverName) {
    return ::PrinterDrvExist(driverName, Host(), STATUS_STEP);
}

void CDriverVersion::DeleteVidPid() {
    ::DeleteVidPid(Host(), STATUS_QUIET);
}

void CDriverVersion::DeletePrnDrvPnPDirectory() {
    ::DeletePrnDrvPnPDirectory(Host(), STATUS_QUIET);
}

void CDriverVersion::Delete_LPT_USB_Info() {
    ::Delete_LPT_USB_Info(Host(), STATUS_QUIET);
}

// The first name of the series "name", "name(#1)", "name(#2)", ... that no printer has.
std::string CDriverVersion::NextPrinterName() const {
    std::string name = m_record.driverName;
    for (int n = 1;; ++n) {
        ScopedPrinter printer;
        if (!OpenPrinterA((LPSTR)name.c_str(), printer.Receive(), NULL))
            return name;
        name = m_record.driverName + "(#" + std::to_string(n) + ")";
    }
}

void CDriverVersion::ReportSuccess(int portValue, const char *beforeRestart) {
    PostCompletion(kSuccess);
    if (portValue == PORT_VALUE_USB) {
        ShowInformation(kPowerCycle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (AskRestart(kRestartQuestion) != IDYES)
        return;
    if (beforeRestart != NULL)
        TraceLog(beforeRestart);
    StartRestart();
}

void CDriverVersion::AddToWin2K(int portValue) {
    StepFrame frame("AddToWin2K");
    int exists = PrinterDrvExist(m_record.driverName);
    PostStatus("Preparing for installation...\r\n", TRUE, 500);
    std::string printerName = exists ? NextPrinterName() : m_record.driverName;
    TraceLog("PRINTER-DRIVER NAME TO ADD : %s ", printerName.c_str());
    if (!exists) {
        DeleteVidPid();
        DeletePrnDrvPnPDirectory();
        Delete_LPT_USB_Info();
        CopyFilesNeededToAddPrnDrv();
        AddLanguageMonitor();
        AddPrinterProcessor();
        AddPrinterDriverToSystem();
    }
    AddPrinterToSystem(portValue, printerName);
    if (!exists) {
        CopyINFFile();
        DeleteFilesUsed();
        RegisterUninstallInfo();
        CopyFilesOfUtilities();
        ReportSuccess(portValue, "AddToWin2K END");
    }
    TraceSeparator();
    frame.End();
    PostCompletion("Completed.");
    Sleep(2000);
}
