// The print-UI installation sequence (Vista and later): the package's INF handed to printui.
#include <windows.h>
#include <string.h>

#include "QMR640_Installer/DriverVersion.h"
#include "common/deployment.h"
#include "common/driver_printers.h"
#include "common/printer_driver.h"
#include "common/system_program.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
const char kFolderRefused[] = "THE DRIVER CAN NOT BE INSTALLED FROM THIS FOLDER.";
// cmd expands %NAME% (and !NAME! with delayed expansion) inside quotes too, and takes ^ as its
// escape and " as the end of a quoted word: printui would look for another file. No media
// folder needs them.
const char kCmdSpecial[] = "%!^\"";

// A failure of the sequence: its trace line in every run, the box in an interactive one.
void ReportFailure(const std::string &text) {
    if (!Unattended())
        TraceLog("%s", text.c_str());
    ShowError(text.c_str(), MB_OK | MB_ICONSTOP);
}
} // namespace

bool CDriverVersion::FindInfForPrintUI() {
    // printui runs in the system directory: only a full path leads it to the package.
    std::string relative = PackageFile(m_record.infFile);
    char full[MAX_PATH] = {0};
    DWORD length = GetFullPathNameA(relative.c_str(), sizeof full, full, NULL);
    if (length == 0 || length >= sizeof full) {
        TraceLog("GetFullPathName failed : %s (%d)", relative.c_str(),
                 int(length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER));
        ReportFailure(kFolderRefused);
        return false;
    }
    if (strpbrk(full, kCmdSpecial) != NULL) {
        TraceLog("INF PATH REFUSED : %s", full);
        ReportFailure(std::string(kFolderRefused) +
                      "\n\nPlease copy the installation files to a folder whose path has none "
                      "of % ! ^ and start the installer there.");
        return false;
    }
    m_strInfPath = full;
    return true;
}

void CDriverVersion::AddToWin2KWithWHQL(int portValue) {
    StepFrame frame("AddToWin2KWithWHQL");
    int exists = PrinterDrvExist(m_record.driverName);
    PostStatus("Preparing for installation...\r\n", TRUE, 500);
    if (!exists) {
        DeleteVidPid();
        DeletePrnDrvPnPDirectory();
        Delete_LPT_USB_Info();
    }
    PostStatus("Installing printer...\r\n", TRUE, 500);
    std::string printUI = PrintUICommand(portValue, exists);
    PostStatus("Creates a new process \r\n", TRUE, 500);

    if (!(portValue == PORT_VALUE_USB && exists) && RunPrintUI(printUI) &&
        PrintUIInstalled(portValue)) {
        if (!INFFileExist(m_record.maker))
            CopyINFFile();
        if (!exists) {
            RegisterUninstallInfo();
            CopyFilesOfUtilities();
            ReportSuccess(portValue, NULL);
        }
    }
    TraceSeparator();
    frame.End();
    PostCompletion("Completed.");
    Sleep(2000);
}

std::string CDriverVersion::PrintUICommand(int portValue, int exists) const {
    std::string driver = "\"" + m_record.driverName + "\"";
    std::string inf = "\"" + m_strInfPath + "\"";
    std::string command = "rundll32 printui.dll,PrintUIEntry ";
    if (portValue == PORT_VALUE_USB)
        command += "/ia /m " + driver + " /f " + inf;
    else
        command += "/if /b " + driver + " /f " + inf + " /r \"" + SpoolerPortName(portValue) +
                   "\" /m " + driver;
    if (exists)
        command += " /u";
    // printui's own error box would wait for a user who is not there.
    if (Unattended())
        command += " /q";
    return command;
}

bool CDriverVersion::RunPrintUI(const std::string &printUI) {
    SystemCommand rundll32 = SystemCommandLine(printUI);
    // /d: no AutoRun command of the user runs elevated; /v:off: no !NAME! is expanded, whatever
    // the registry says. With more than two quotes after /c, cmd takes off the first and the
    // last one: the outer pair is for that.
    SystemCommand cmd =
        rundll32.program.empty()
            ? rundll32
            : SystemCommandLine("cmd /d /v:off /c \"" + rundll32.commandLine + "\"");
    if (cmd.program.empty()) {
        ShowError("CreateProcess failed.", MB_OK);
        return false;
    }
    ChildProcess child;
    bool started = StartSystemCommand(cmd, STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK, child);
    DWORD error = started ? ERROR_SUCCESS : GetLastError();
    TraceLog("\r\nCOMMAND LINE : %s", cmd.commandLine.c_str());
    if (!started) {
        ShowError("CreateProcess failed.", MB_OK);
        TraceLog("CreateProcess failed. (%d)", int(error));
        return false;
    }
    PostStatus("The new process is running...\r\n", TRUE, 500);
    PostStatus("Waiting until the process has finished processing ...\r\n", TRUE, 0);
    if (WaitForSingleObject(child.process.Get(), 120000) == WAIT_TIMEOUT) {
        // The run ends here, and exit closes nothing.
        child.process.Close();
        child.thread.Close();
        ShowError("The process could not finish the installation.", MB_OK | MB_ICONSTOP);
        TraceLog("WAIT_TIMEOUT");
        EndRun(-1);
    }
    return true;
}

bool CDriverVersion::PrintUIInstalled(int portValue) {
    if (!::PrinterDrvExist(m_record.driverName, Host(), STATUS_QUIET)) {
        ReportFailure("The process could not install the driver.");
        return false;
    }
    if (portValue == PORT_VALUE_USB)
        return true;
    std::string port = SpoolerPortName(portValue);
    std::vector<std::string> names, ports;
    PrintersOfDriver(m_record.driverName, names, &ports);
    for (const std::string &list : ports)
        if (PortListHas(list, port))
            return true;
    ReportFailure("The process could not add the printer on " + port + ".");
    return false;
}
