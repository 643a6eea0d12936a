#include "QMR640_Installer/DriverVersion.h"

#include "QMR640_Installer/resource.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/trace_log.h"

namespace {
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
    TraceSeparator();
    TraceLog("SetSystemInfo BEGIN");
    m_bWow64 = wow64;
    m_nOSCode = osCode;
    if (wow64) {
        m_strEnvironment = "Windows x64";
        m_strDriverDir = "Driver64\\";
    } else {
        m_strEnvironment = "Windows NT x86";
        m_strDriverDir = "Driver32\\";
    }
    TraceLog("ENV : %s, DRV DIR : %s ", m_strEnvironment.c_str(), m_strDriverDir.c_str());
    TraceLog("SetSystemInfo END");
}

void CDriverVersion::SetControlPointers(StatusText *statusText, HWND progressBar) {
    TraceSeparator();
    TraceLog("SetControlPointers BEGIN");
    m_pStatusText = statusText;
    m_hProgressBar = progressBar;
    TraceLog("SetControlPointers END");
}

// The sequences' frames; their steps come with the installation work.
void CDriverVersion::AddToWin2K(int) {
    TraceSeparator();
    TraceLog("AddToWin2K BEGIN");
    TraceSeparator();
    TraceLog("AddToWin2K END");
}

void CDriverVersion::AddToWin2KWithWHQL(int) {
    TraceSeparator();
    TraceLog("AddToWin2KWithWHQL BEGIN");
    TraceSeparator();
    TraceLog("AddToWin2KWithWHQL END");
}
