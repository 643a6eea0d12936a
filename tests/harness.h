// Runs the programs on the simulated machine and reads what they left.
#pragma once
#include <gtest/gtest.h>
#include <winsim.h>

#include <string>
#include <vector>

extern const char kMedia[];        // where the installation media lies and the installer starts
extern const char kInstallerLog[]; // C:\Temp\QMR-640_Installer.txt
extern const char kUninstallerLog[];

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

// Writes the setup options file at path (a folder) with the given lines under [QMR640].
void PutOptions(const std::string &folder, const std::string &lines);

int RunInstaller();
int RunUninstaller();
// Runs body inside a process of the installer (for routines that need the program's resources).
int RunInInstaller(const std::function<void()> &body);

// The texts of a log's lines, time stamps removed; every line must carry its stamp.
std::vector<std::string> LogTexts(const std::string &path);
// The log's texts with separators and empty lines left out.
std::vector<std::string> LogSteps(const std::string &path);

// A scripted user that answers the port dialog: clicks the radio button (0 = keep) and then
// "&Next", or presses Escape when cancel is set.
void AnswerPortDialog(int radioId, bool cancel = false);

std::vector<DWORD> PauseList();
int CallCount(const std::string &function);
