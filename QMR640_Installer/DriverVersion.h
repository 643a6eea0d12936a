// The installation engine: the product record, the platform facts and every installation step.
#pragma once
#include <windows.h>
#include <string>

#include "common/status.h"

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

class CDriverVersion {
  public:
    CDriverVersion();

    void SetSystemInfo(BOOL wow64, int osCode);
    void SetControlPointers(StatusText *statusText, HWND progressBar);

    // The classic installation sequence (Windows 2000, XP, Server 2003): not built yet, the
    // worker flow reaches it and returns.
    void AddToWin2K(int portValue);
    // The print-UI installation sequence (Vista and later): not built yet either.
    void AddToWin2KWithWHQL(int portValue);

    const ProductRecord &Record() const { return m_record; }
    int OSCode() const { return m_nOSCode; }
    BOOL Wow64() const { return m_bWow64; }
    const std::string &Environment() const { return m_strEnvironment; }
    const std::string &DriverDirectory() const { return m_strDriverDir; }

  private:
    int m_nOSCode;
    BOOL m_bWow64;
    std::string m_strEnvironment;
    std::string m_strDriverDir;
    ProductRecord m_record;
    StatusText *m_pStatusText;
    HWND m_hProgressBar;
};
