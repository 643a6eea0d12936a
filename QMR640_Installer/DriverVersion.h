// The installation engine: the product record, the platform facts and every installation step.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "common/ports.h"
#include "common/status.h"
#include "common/step_host.h"

// The profile entries the engine copies once when it is built.
struct ProductRecord {
    std::string maker;
    std::string driverName;
    std::string monitorName;
    std::string processorName;
    std::string driverFile;
    std::string monitorFile;
    std::string processorFile;
    std::string uiFile;
    std::string renderFile;
    std::string infFile;
};

// Compares the product's version with the first printer on the driver: 0 the product is newer
// or the installed version cannot be read, 1 the installed one is newer, 2 nothing of the
// product is installed, 3 the same version.
int CompareDriverVersion(const std::string &driverName, const std::string &processorName,
                         DWORD major, DWORD minor, DWORD build, DWORD extra, BOOL wow64);

class CDriverVersion {
  public:
    CDriverVersion();

    void SetSystemInfo(BOOL wow64, int osCode);
    void SetControlPointers(StatusText *statusText, HWND progressBar);

    // The classic installation sequence (Windows 2000, XP, Server 2003).
    void AddToWin2K(int portValue);
    // The print-UI installation sequence (Vista and later), through the system's printui.
    void AddToWin2KWithWHQL(int portValue);
    // Before the print-UI sequence changes anything: the INF's full path, which cmd must pass on
    // unchanged. False after the trace line and the error box when it has none.
    bool FindInfForPrintUI();

    int PrinterDrvExist(const std::string &driverName);

    bool AddLanguageMonitor();
    bool AddPrinterProcessor();
    bool AddPrinterDriverToSystem();
    // Ends the process when the spooler refuses the printer.
    bool AddPrinterToSystem(int portValue, const std::string &printerName);

    void CopyFilesNeededToAddPrnDrv();
    void DeleteFilesUsed();
    void CopyFilesOfUtilities();

    void CopyINFFile();
    bool INFFileExist(std::string section);
    void RegisterUninstallInfo();

    // The quiet copies of the plug-and-play cleanup, run before every new installation.
    void DeleteVidPid();
    void DeletePrnDrvPnPDirectory();
    void Delete_LPT_USB_Info();

    const ProductRecord &Record() const { return m_record; }
    int OSCode() const { return m_nOSCode; }
    BOOL Wow64() const { return m_bWow64; }
    const std::string &Environment() const { return m_strEnvironment; }
    const std::string &DriverDirectory() const { return m_strDriverDir; }

  private:
    void PostStatus(const char *text, BOOL step, DWORD pause);
    void PostCompletion(const char *text);
    StepHost Host() const;
    std::string NextPrinterName() const;
    // The success text, then the power-cycle hint for USB or the restart question, whose Yes
    // writes beforeRestart (unless NULL) before the restart starts.
    void ReportSuccess(int portValue, const char *beforeRestart);
    std::string PrintUICommand(int portValue, int exists) const;
    // Runs printui's command line ("rundll32 printui.dll,...") hidden through the command
    // interpreter and waits for it; ends the process on a time-out. False, after its box, when
    // the child did not start.
    bool RunPrintUI(const std::string &printUI);
    // printui reports nothing back: whether the driver is registered and, for a port, a printer
    // on the driver is on it. False after the trace line and the error box.
    bool PrintUIInstalled(int portValue);
    // Names the uninstaller (its full path) in the uninstall entry, or, given none, takes the
    // names out: the entry never names a program that is not the package's own.
    void SetUninstallCommand(const std::string &uninstaller);
    // Source path of a file of the driver package, relative to the current directory.
    std::string PackageFile(const std::string &name) const { return m_strDriverDir + name; }

    int m_nOSCode;
    BOOL m_bWow64;
    std::string m_strEnvironment;
    std::string m_strDriverDir;
    std::string m_strInfPath; // the INF's full path, for printui
    ProductRecord m_record;
    StatusText *m_pStatusText;
    HWND m_hProgressBar;
};
