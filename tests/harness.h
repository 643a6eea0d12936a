// Runs the programs on the simulated machine and reads what they left.
#pragma once
#include <gtest/gtest.h>
#include <winsim.h>
#include <winsim_process.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

extern const char kMedia[];        // where the installation media lies and the installer starts
extern const char kInstallerLog[]; // C:\Temp\QMR-640_Installer.txt
extern const char kUninstallerLog[];
// System programs as the programs start them on a default machine: by their full path.
extern const char kNetStartSpooler[]; // "C:\WINDOWS\system32\net.exe" start spooler
extern const char kNetStopSpooler[];
// The print-UI command line up to printui's own options, which end it followed by a quote.
extern const char kPrintUI[];

HINSTANCE InstallerModule();
HINSTANCE UninstallerModule();

// A fresh Windows XP machine with the media folder as current directory.
class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override;
};

// Copies the installation media of the repository (the driver package folders) to folder, with
// an uninstaller program and the given options lines (none: no options file).
void PutMedia(const std::string &folder, const char *options = "PORTDLG=FALSE\r\nPORT=COM1\r\n");

// Another product's driver, "Generic / Text Only" with its own files, and a printer on it.
extern const char kOtherDriver[];
void AddOtherPrinter(const std::string &printer);
extern const char kProductDriver[]; // "KESTORA QMR-640"

// The starts of printui, through cmd, in order; the spooler commands start net.
std::vector<winsim::Launch> PrintUIStarts();
// The next start of cmd plays printui (winsim::RunPrintUI) with its command line, taking 20 s.
void ScriptPrintUI(bool addPrinter = true, bool storeInf = true);

// Writes the setup options file at path (a folder) with the given lines under [QMR640].
void PutOptions(const std::string &folder, const std::string &lines);

// Both run the program to the end of its process and then check that it closed every handle it
// opened (unless a HandleCheckOff is alive, for runs that judge the handles themselves).
int RunInstaller();
int RunUninstaller();
// The handles the last program run left open, its allowed ones taken out: the installer's worker
// thread, whose end of the process may come before the dialog has closed the thread's handle.
std::vector<std::string> HandlesLeftOpen(bool installer);
struct HandleCheckOff {
    HandleCheckOff();
    ~HandleCheckOff();
};
// Runs body inside a process of the installer (for routines that need the program's resources).
int RunInInstaller(const std::function<void()> &body);

// The texts of a log's lines, time stamps removed; every line must carry its stamp.
std::vector<std::string> LogTexts(const std::string &path);
// The log's texts with separators and empty lines left out.
std::vector<std::string> LogSteps(const std::string &path);

// A scripted user that answers the port dialog: clicks the radio button (0 = keep) and then
// "&Next", or presses Escape when cancel is set.
void AnswerPortDialog(int radioId, bool cancel = false);

// A user who keeps trying to end or change a busy dialog: each time its progress bar has moved,
// the next of (with a list given) a click on each of its first two check boxes, the Close box,
// Alt+F4, Escape and Enter. Before the bar first moves, start (if any) runs on the dialog until
// it answers true.
// Returns the number of actions taken so far.
std::shared_ptr<int> PesterBusyDialog(const std::string &caption, int progressId, int listId,
                                      std::function<bool(HWND)> start = nullptr);

std::vector<DWORD> PauseList();
int CallCount(const std::string &function);
