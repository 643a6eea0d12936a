// The installation steps that store the INF and write the uninstall entry.
#include <windows.h>
#include <setupapi.h>
#include <stdlib.h>
#include <string.h>

#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/resource.h"
#include "common/bounded_string.h"
#include "common/oem_inf.h"
#include "common/profile.h"
#include "common/registry_utils.h"
#include "common/report_error.h"
#include "common/scoped_handle.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
void SetText(HKEY key, const char *name, const char *text) {
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, DWORD(strlen(text)));
}
} // namespace

void CDriverVersion::CopyINFFile() {
    StepFrame frame("CopyINFFile");
    // The setup API takes a full path; the package lies beside the installer.
    std::string relative = PackageFile(LoadProfileString(IDS_INF_FILE));
    char source[MAX_PATH] = {0};
    if (GetFullPathNameA(relative.c_str(), sizeof source, source, NULL) >= sizeof source)
        CopyBounded(source, sizeof source, relative.c_str());
    char destination[MAX_PATH] = {0};
    if (!SetupCopyOEMInfA(source, NULL, SPOST_PATH, SP_COPY_NOOVERWRITE, destination,
                          sizeof destination, NULL, NULL)) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS) {
            SetupCopyOEMInfA(source, NULL, SPOST_PATH, SP_COPY_REPLACEONLY, destination,
                             sizeof destination, NULL, NULL);
        } else {
            TraceLog("SetupCopyOEMInf failed : (%d)", int(error));
            ReportSystemError("SetupCopyOEMInf, ERR CODE: %d\n\n", error, MB_ICONSTOP);
        }
    }
    m_record.infFile = destination;
    TraceLog("INF FILE NAME : %s", destination);
}

bool CDriverVersion::INFFileExist(std::string section) {
    StepFrame frame("INFFileExist");
    if (m_bWow64)
        section += ".NTamd64";
    TraceLog("SECTION NAME : %s", section.c_str());
    char key[256] = {0};
    CopyBounded(key, sizeof key, LoadProfileString(IDS_DRIVER_NAME).c_str());
    TraceLog("KEY NAME : %s", key);

    bool found = false;
    ForEachOemInfWithModel(section, key, true, [&found](const char *name) {
        TraceLog("OEM FILES EXISTING : %s", name);
        found = true;
    });
    return found;
}

void CDriverVersion::RegisterUninstallInfo() {
    StepFrame frame("RegisterUninstallInfo");
    std::string keyPath = LoadProfileString(IDS_UNINSTALL_KEY);
    TraceLog("REGKEY : %s", keyPath.c_str());
    const char *path = keyPath.c_str();
    if (keyPath.empty()) {
        // Without its name the entry's key would be the root itself.
        return;
    }

    // An earlier entry goes first; its failure has trace lines of its own.
    static const KeyDeletionTraces kEarlierEntry = {"MyRegDeleteKeyEx failed : %s, (%d) ",
                                                    "SHDeleteKey failed : %s , (%d) "};
    DeleteMachineKeyIfPresent(path, m_bWow64, kEarlierEntry);

    ScopedKey key;
    DWORD disposition = 0;
    REGSAM access = m_bWow64 ? KEY_WRITE | KEY_WOW64_64KEY : KEY_WRITE;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, REG_OPTION_NON_VOLATILE, access, NULL,
                        key.Receive(), &disposition) != ERROR_SUCCESS) {
        TraceLog(m_bWow64 ? "RegCreateKeyEx failed : %s, (%d) "
                          : "RegCreateKeyEx failed : %s , (%d) ",
                 path, int(GetLastError()));
        return;
    }
    char version[256] = {0};
    CopyBounded(version, sizeof version, LoadProfileString(IDS_VERSION_MAJOR).c_str());
    AppendBounded(version, sizeof version, ".");
    AppendBounded(version, sizeof version, LoadProfileString(IDS_VERSION_MINOR).c_str());
    AppendBounded(version, sizeof version, ".");
    AppendBounded(version, sizeof version, LoadProfileString(IDS_VERSION_BUILD).c_str());
    char text[256] = {0};
    CopyBounded(text, sizeof text, LoadProfileString(IDS_DRIVER_NAME).c_str());
    AppendBounded(text, sizeof text, " Windows Driver V");
    AppendBounded(text, sizeof text, version);
    SetText(key.Get(), "DisplayName", text);
    // What deployment tools and package managers read. The uninstaller is named only once it is
    // in place (SetUninstallCommand).
    SetText(key.Get(), "DisplayVersion", version);
    SetText(key.Get(), "Publisher", m_record.maker.c_str());

    if (!m_record.infFile.empty())
        SetText(key.Get(), "InfFile", m_record.infFile.c_str());
}

void CDriverVersion::SetUninstallCommand(const std::string &uninstaller) {
    std::string keyPath = LoadProfileString(IDS_UNINSTALL_KEY);
    ScopedKey key;
    REGSAM access = m_bWow64 ? KEY_SET_VALUE | KEY_WOW64_64KEY : KEY_SET_VALUE;
    if (keyPath.empty() || RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, access,
                                         key.Receive()) != ERROR_SUCCESS)
        return;
    // Quoted, so that a path with a blank is not read as a shorter program and its arguments.
    std::string command = "\"" + uninstaller + "\"";
    if (uninstaller.empty()) {
        RegDeleteValueA(key.Get(), "UninstallString");
        RegDeleteValueA(key.Get(), "QuietUninstallString");
    } else {
        SetText(key.Get(), "UninstallString", command.c_str());
        SetText(key.Get(), "QuietUninstallString", (command + " /quiet").c_str());
    }
}
