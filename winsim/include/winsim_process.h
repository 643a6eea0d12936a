// The test side of the programs the simulated machine starts: script the children that
// CreateProcessA starts, and read the one log of every start.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace winsim {

// ---- children started with CreateProcessA. Without a script a child ends at once.
struct ChildScript {
    DWORD startError = 0; // non-zero: the start fails with this code
    DWORD runMs = 0;      // virtual time from the start until the child ends
    bool endless = false; // never ends: a wait times out, or with INFINITE the process hangs
    // Run when a wait sees the child end, as the child's work: on the waiting thread, with the
    // machine unlocked and as native 64-bit code (no WOW64 redirection). A child no wait saw
    // end does its work once the program has ended, unless the program was killed.
    std::function<void()> onFinish;
};
// For every start with exactly this command line.
void ScriptChild(const std::string &commandLine, const ChildScript &script);
// For the next start that no command-line script covers, of the named program (its file name,
// such as "cmd.exe") or, with none named, of any program.
void ScriptNextChild(const ChildScript &script, const std::string &program = "");

// ---- every start asked for with WinExec or CreateProcessA, in order, failed ones included.
struct Launch {
    std::string commandLine;
    UINT show;    // the show state it was started with (SW_SHOWNORMAL without STARTF_USESHOWWINDOW)
    bool started; // false when the start failed
    // What CreateProcessA was given; a start with WinExec leaves these empty.
    bool createProcess;
    std::string application; // empty when none was given
    bool securityAttributes; // process or thread attributes were given
    bool inheritHandles;
    DWORD creationFlags;
    bool environment;             // an environment block was given
    std::string currentDirectory; // the child's: the one given, else the caller's
    // What the program then works with: cmd works in the Windows directory when its current
    // directory is a UNC path, and runs the command after /c, its outer quotes taken off and its
    // %NAME% variables expanded (cmd /?); any other program, the two above.
    std::string workDirectory;
    std::string runCommand;
    DWORD startupSize;
    DWORD startupFlags;
    WORD showWindow;
    bool finished;    // a wait saw it end
    bool handlesOpen; // the caller holds its process or thread handle, or did when it ended
};
std::vector<Launch> Launches();

// ---- printui.dll's PrintUIEntry, which rundll32 runs under cmd; a script's onFinish plays it
// for the start it was given. From the start's runCommand it reads /if (a printer from an INF)
// or /ia (the driver alone), /b the printer, /f the INF (found from the start's workDirectory),
// /r the port, /m the model, /u (keep the driver that is there). It installs the model's driver
// from the INF's install section in the spooler's own environment and stores the INF as an OEM
// INF, then adds the printer with the default print processor. An INF it cannot find or read,
// or a model it does not name for this platform, installs nothing; a printer name that is taken
// adds no printer. What of its work a test lets it do:
struct PrintUIWork {
    bool addPrinter = true; // false: it fails once the driver is in
    bool storeInf = true;   // false: it leaves the INF to the caller to store
};
void RunPrintUI(const Launch &start, const PrintUIWork &work = PrintUIWork());

} // namespace winsim
