// The installation steps that register the package with the print spooler.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <winspool.h>

#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/resource.h"
#include "common/deployment.h"
#include "common/file_utils.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/report_error.h"
#include "common/scoped_handle.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
// The printer-class driver's own files, fixed by the class driver rather than the profile.
const char kDependentFiles[] = "UNIRES.DLL\0STDNAMES.GPD\0QMR640.DLL\0UI640.DLL\0UNI640.DLL\0"
                               "UI640.INI\0";
} // namespace

bool CDriverVersion::AddLanguageMonitor() {
    StepFrame frame("AddLanguageMonitor");
    PostStatus("Installing L/M...\r\n", TRUE, 500);
    // A 32-bit program reaches the 64-bit system directory only as the Windows directory.
    std::string target;
    if (m_bWow64 ? WindowsDirectory(target) : SystemDirectory(target))
        GuardedCopy(PackageFile(m_record.monitorFile), target + "\\" + m_record.monitorFile);

    MONITOR_INFO_2A monitor;
    monitor.pName = (LPSTR)m_record.monitorName.c_str();
    monitor.pEnvironment = (LPSTR)m_strEnvironment.c_str();
    monitor.pDLLName = (LPSTR)m_record.monitorFile.c_str();
    if (!AddMonitorA(NULL, 2, (LPBYTE)&monitor)) {
        DWORD error = GetLastError();
        if (error != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) {
            ReportSystemError("AddMonitor, ERR CODE: %d\n\n", error, MB_ICONSTOP);
            return false;
        }
    }
    return true;
}

bool CDriverVersion::AddPrinterProcessor() {
    StepFrame frame("AddPrinterProcessor");
    PostStatus("Installing printer processor...\r\n", TRUE, 500);
    std::string directory;
    if (PrintProcessorDirectory(m_bWow64, directory))
        GuardedCopy(PackageFile(m_record.processorFile), directory + "\\" + m_record.processorFile);
    if (!AddPrintProcessorA(NULL, (LPSTR)m_strEnvironment.c_str(),
                            (LPSTR)m_record.processorFile.c_str(),
                            (LPSTR)m_record.processorName.c_str())) {
        ReportSystemError("AddPrintProcessor, ERR CODE: %d\n\n", GetLastError(), MB_ICONSTOP);
        return false;
    }
    return true;
}

bool CDriverVersion::AddPrinterDriverToSystem() {
    StepFrame frame("AddPrinterDriverToSystem");
    PostStatus("Installing printer driver...\r\n", TRUE, 500);
    std::string dataFile = LoadProfileString(IDS_GPD_FILE);
    DRIVER_INFO_3A driver;
    memset(&driver, 0, sizeof driver);
    driver.cVersion = 3;
    driver.pName = (LPSTR)m_record.driverName.c_str();
    driver.pEnvironment = (LPSTR)m_strEnvironment.c_str();
    driver.pDriverPath = (LPSTR) "UNIDRV.DLL";
    driver.pDataFile = (LPSTR)dataFile.c_str();
    driver.pConfigFile = (LPSTR) "UNIDRVUI.DLL";
    driver.pHelpFile = (LPSTR) "UNIDRV.HLP";
    driver.pDependentFiles = (LPSTR)kDependentFiles;
    driver.pMonitorName = (LPSTR)m_record.monitorName.c_str();
    driver.pDefaultDataType = (LPSTR) "RAW";
    if (!AddPrinterDriverA(NULL, 3, (LPBYTE)&driver)) {
        ReportSystemError("AddPrinterDriver, ERR CODE: %d\n\n", GetLastError(), MB_ICONSTOP);
        return false;
    }
    return true;
}

bool CDriverVersion::AddPrinterToSystem(int portValue, const std::string &printerName) {
    StepFrame frame("AddPrinterToSystem");
    if (portValue != PORT_VALUE_USB) {
        PostStatus("Adding printer...\r\n", TRUE, 500);
        PostStatus("Please wait for adding printer.\r\nIt takes a couple of minutes.", TRUE, 0);
        std::string port = SpoolerPortName(portValue);
        PRINTER_INFO_2A printer;
        memset(&printer, 0, sizeof printer);
        printer.pPrinterName = (LPSTR)printerName.c_str();
        printer.pPortName = (LPSTR)port.c_str();
        printer.pDriverName = (LPSTR)m_record.driverName.c_str();
        printer.pPrintProcessor = (LPSTR)m_record.processorName.c_str();
        printer.pDatatype = (LPSTR) "RAW";
        printer.Attributes = PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_RAW_ONLY;
        printer.Priority = 1;
        printer.Status = 0x80;
        ScopedPrinter added(AddPrinterA(NULL, 2, (LPBYTE)&printer));
        if (!added.Valid()) {
            ReportSystemError("AddPrinter, Error Code: %d\n\n", GetLastError(), MB_ICONSTOP);
            frame.End();
            EndRun(0);
        }
    }
    return true;
}
