// The installation steps that stage, remove and place files.
#include <windows.h>
#include <winspool.h>

#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/options_file.h"
#include "common/deployment.h"
#include "common/file_utils.h"
#include "common/package_files.h"
#include "common/plain_file.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
const char kNotInPlace[] = "The uninstaller could not be put in its folder, so it is not "
                           "registered. Close the programs that use files in that folder and "
                           "run the installation again.";
} // namespace

void CDriverVersion::CopyFilesNeededToAddPrnDrv() {
    StepFrame frame("CopyFilesNeededToAddPrnDrv");
    PostStatus("Copying files...\r\n", TRUE, 500);
    std::string windows, drivers;
    // 32-bit Windows before 6.0 also loads the product's files from the Windows directory.
    bool toWindows = !m_bWow64 && m_nOSCode < OS_VISTA && WindowsDirectory(windows);
    if (!PrinterDriverDirectory(m_bWow64, drivers)) {
        return;
    }
    // The printer-class files are copied without recovery.
    for (const char *name : kClassFiles) {
        std::string source = PackageFile(name);
        CopyFileA(source.c_str(), (drivers + "\\" + name).c_str(), FALSE);
        TraceLog("FILE SRC : %s", source.c_str());
    }
    for (const std::string &name : StagedProductFiles()) {
        GuardedCopy(PackageFile(name), drivers + "\\" + name);
        if (toWindows)
            GuardedCopy(PackageFile(name), windows + "\\" + name);
    }
    GuardedCopy(PackageFile(kStandardNames), drivers + "\\" + kStandardNames);
}

void CDriverVersion::DeleteFilesUsed() {
    StepFrame frame("DeleteFilesUsed");
    PostStatus("Deleting files used to install...\r\n", TRUE, 500);
    std::string drivers;
    if (!PrinterDriverDirectory(m_bWow64, drivers)) {
        return;
    }
    for (const char *name : kClassFiles) {
        std::string path = drivers + "\\" + name;
        DeleteFileA(path.c_str());
        TraceLog("FILE SRC : %s", path.c_str());
    }
    std::vector<std::string> names = StagedProductFiles();
    names.push_back(kStandardNames);
    for (const std::string &name : names) {
        std::string path = drivers + "\\" + name;
        TraceLog("FILE SRC : %s", path.c_str());
        DeleteFileReported(path);
    }
}

void CDriverVersion::CopyFilesOfUtilities() {
    StepFrame frame("CopyFilesOfUtilities");
    std::string model = LoadProfileString(IDS_MODEL_NAME);
    std::string uninstaller = LoadProfileString(IDS_UNINSTALLER_FILE);
    std::string windows, system, placed;
    // Without its name the folder would be the Windows directory itself, which is neither
    // emptied nor given files that no uninstall would ever find there. Nothing goes into a
    // folder that could not be made anew: an earlier release let every user write there, and
    // what a user left in it (held open, so that it stays) must not become the uninstaller.
    if (WindowsDirectory(windows) && !model.empty() && !uninstaller.empty()) {
        std::string folder = windows + "\\" + model;
        std::string copy = folder + "\\" + uninstaller;
        if (CreateDirectoryWithSA(folder)) {
            GuardedCopy(uninstaller, copy);
            GuardedCopy(kOptionsFileName, folder + "\\" + kOptionsFileName);
            if (IsSameFile(copy, uninstaller))
                placed = copy;
        }
        if (placed.empty())
            TraceLog("UNINSTALLER NOT IN PLACE : %s", copy.c_str());
    }
    if (SystemDirectory(system))
        GuardedCopy(kOptionsFileName, system + "\\" + kOptionsFileName);
    SetUninstallCommand(placed);
    if (placed.empty())
        ShowError(kNotInPlace, MB_OK | MB_ICONSTOP);
}
