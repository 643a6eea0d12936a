// The test side of the simulated Windows machine: build it, drive it, inspect it.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winsim {

// Thrown on the simulated process's threads when the process ends; never seen by tests.
struct ProcessExit {};

struct OsVersion {
    DWORD platformId;
    DWORD major;
    DWORD minor;
    DWORD build;
    BYTE productType;
    bool extendedRecord; // false for Windows 9x and NT before SP6: the 156-byte record is refused
};
extern const OsVersion kWindows95, kWindows98, kWindowsMe, kWindowsNT351, kWindowsNT4, kWindows2000,
    kWindowsXP, kWindowsServer2003, kWindowsVista, kWindowsServer2008, kWindowsServer2008R2,
    kWindows7, kWindows8, kWindows10;

// A fresh machine: drive C: with C:\WINDOWS and its system32, Windows XP, 32-bit, the shutdown
// privilege held, 09:00:00 local time.
void Reset();
void SetVersion(const OsVersion &version);
void SetWow64(bool wow64);
// Run-time looked-up functions (IsWow64Process, RegDeleteKeyExA, GetSystemWow64DirectoryA,
// SetupUninstallOEMInfA, SetDefaultDllDirectories, SetDllDirectoryA) exist unless removed here.
void SetFunctionAvailable(const std::string &name, bool available);
void SetWindowsDirectory(const std::string &path); // also sets the system directory below it
void SetShutdownPrivilege(bool held);

// The machine at rest (its disk, registry, spooler with the INF store and device records, and the
// system's settings and clock), kept and put back: tests that start many runs from one prepared
// machine prepare it once. Restoring gives a fresh machine (as Reset does) in the saved state.
struct SavedMachine;
std::shared_ptr<const SavedMachine> SaveMachine();
void RestoreMachine(const SavedMachine &saved);

// ---- files
void MakeDirectory(const std::string &path);                       // with its parents
void PutFile(const std::string &path, const std::string &content); // with its parents
std::string FileContent(const std::string &path);
bool Exists(const std::string &path);
bool IsDirectory(const std::string &path);
DWORD Attributes(const std::string &path);
void SetAttributes(const std::string &path, DWORD attributes);
// In use as a loaded program or DLL: it opens for nothing, is neither copied over nor deleted
// (sharing violation, 32), and can still be renamed, as Windows allows for a mapped image.
void SetLocked(const std::string &path, bool locked);
void SetDenied(const std::string &path, bool denied); // protected: access denied (5)
// Another user holds it open for reading with the given sharing (FILE_SHARE_*): an open, copy,
// delete or rename that the sharing does not allow fails with a sharing violation (32).
void SetHeldOpen(const std::string &path, bool held, DWORD share = 0);

void SetCurrentDirectory(const std::string &path);
// Every path under root (itself excluded), in display case, sorted.
std::vector<std::string> ListTree(const std::string &root);
// Another user renames or moves a file or folder (with what is below it) to a free name in an
// existing folder: links on the way are followed, not the ones at either end. False, with nothing
// moved, while the program or anyone holds it open without delete sharing.
bool Move(const std::string &from, const std::string &to);
// Links any user can make where it may write: a directory junction or a symbolic link to target
// (an absolute path, which need not exist), and a second name (hard link) of an existing file.
// The platform calls follow them as Windows does; the functions above look at the link itself.
// A junction may also be set on an empty folder, whoever holds it open; false for a folder that
// is not empty or a file.
bool MakeJunction(const std::string &path, const std::string &target);
void MakeSymbolicLink(const std::string &path, const std::string &target, bool directory);
void MakeHardLink(const std::string &path, const std::string &existing);

struct AccessEntry {
    std::string trustee; // a SID in S-1-... form
    DWORD permissions;
    int mode;
    DWORD inheritance;
};
// The entries a file or directory was created with or last given: the explicit ones, then those
// it inherited from its folder when it was created (INHERITED_ACE set); none for a folder without
// inheritable entries and default security.
std::vector<AccessEntry> DirectoryAcl(const std::string &path);

// ---- DLL loading. The system's own DLLs (comctl32.dll, setupapi.dll, winspool.drv, ...) are
// in the system directory without being files of the disk; any other DLL is a file.
// comctl32.dll, setupapi.dll, shlwapi.dll and winspool.drv load by name (LoadLibraryA) at a
// process's first call into them, as delay-loaded DLLs do; see <delayimp.h> for the hook.
// The folder of the running program's .exe, which the search looks in first (none by default).
void SetProgramFolder(const std::string &folder);
std::vector<std::string> LoadedLibraries(); // full paths, in load order

// ---- clock
void SetLocalTime(int hour, int minute, int second);
unsigned long long ElapsedMs(); // virtual time since Reset
struct Pause {
    DWORD ms;
    bool workerThread; // slept on a thread other than the process's first
};
std::vector<Pause> Pauses();

// ---- restarts (the programs started: winsim_process.h)
struct RestartRequest {
    UINT flags;
    DWORD reason;
};
std::vector<RestartRequest> Restarts();

// ---- message boxes, answered by a script (default: OK, and No to questions). The crash window
// Windows shows for an exception nothing handles is recorded among them, with flags 0.
struct Box {
    std::string text;
    std::string caption;
    UINT flags;
    bool owned; // shown with an owner window
};
std::vector<Box> Boxes();
void SetBoxAnswer(std::function<int(const Box &)> answer);

// ---- the scripted user: called on a dialog's thread whenever its modal loop has gone idle
// after handling something, and again while it stays idle; acts through the functions below.
void SetUser(std::function<void(HWND dialog)> onIdle);
// The last dialog created with this caption (it stays inspectable after its process ended).
HWND FindDialog(const std::string &caption);
std::string WindowText(HWND window);
HWND FindItem(HWND dialog, int id);
// A mouse click on a button or radio button: the input is the button's when it is made (an
// enabled button) and waits in its thread's queue until the thread gets to it, as Windows queues
// the user's input; a second click made meanwhile is the button's too, even if handling the first
// disables it.
void Click(HWND control);
void PressKey(HWND dialog, int virtualKey); // posts WM_KEYDOWN to the dialog's thread
// A mouse click on the check box of a list box entry (the box lies at the entry's left edge),
// and a typed character, both posted to the control's thread.
void ClickListCheckBox(HWND listBox, int index);
void TypeChar(HWND control, char c);
struct ListItem {
    std::string text;
    LPARAM data;
};
std::vector<ListItem> ListItems(HWND listBox);
bool IsEnabled(HWND window);
bool HasCloseCommand(HWND window);
bool IsVisible(HWND window);
void SetMinimized(HWND window, bool minimized);
HICON WindowIcon(HWND window, int which);
bool IsWaitCursor();
struct ProgressState {
    int low, high, step, pos;
};
ProgressState Progress(HWND control);
// Every position the bar moved to, in order (a step that wraps and is then set shows both).
std::vector<int> ProgressHistory(HWND control);
// What was drawn into a window at its last painting, in order: "FillRect", "DrawFrameControl"
// (state: its DFCS_ flags) and "DrawTextA" (text), each with its rectangle in pixels. An
// owner-drawn list box is painted by its owner, entry by entry, once it changed.
struct Drawing {
    std::string call;
    RECT rect;
    std::string text;
    UINT state;
};
std::vector<Drawing> Drawings(HWND window);
// The dialog template as it was loaded.
struct ControlTemplate {
    std::string className;
    std::string text;
    int id;
    DWORD style;
    RECT rect; // left, top, width, height in dialog units
};
struct DialogTemplate {
    std::string caption;
    DWORD style, exStyle;
    RECT rect;
    int fontSize;
    std::string fontName;
    std::vector<ControlTemplate> controls;
};
const DialogTemplate *FindDialogTemplate(HINSTANCE module, int id);
// Messages the dialog procedures received, in order (after pre-translation).
struct Delivered {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Delivered> DeliveredMessages();
// Every status text the given control showed, in order.
std::vector<std::string> TextHistory(HWND control);

// ---- fault injection and the call log
// Makes the nth call (1-based; 0 = every call) of the named function fail with error. A failed
// LoadLibraryA also fails the first call into a delay-loaded DLL that it loads; a failed
// SendMessageA fails only a list box's LB_ADDSTRING (LB_ERRSPACE).
void FailCall(const std::string &function, DWORD error, int nth = 0);
void ClearFaults(); // the failures and the kill not yet injected
std::vector<std::string> CallLog();
// Ends the running process abruptly, as TerminateProcess or a power cut would, when it makes the
// nth call of CallLog (1-based, counted from Reset): that call and everything after it never
// happen, what was written stays, the children it did not see end die with it, their work
// undone, and the system runs its handles down. The process then ends with exit code 1 and
// LastProcessKilled() holds. A process that ends before that call disarms the kill.
void KillAtCall(size_t n);
bool LastProcessKilled();
// Another user's action, run at the start of the nth call (1-based, counted from Reset) of the
// named function, before the call does anything: a user racing the program. The action runs
// with the machine locked, so it uses the test-side functions of this header, such as Move.
void AtCall(const std::string &function, int nth, std::function<void()> action);
// Whether the last process turned on the redirection guard (SetProcessMitigationPolicy with
// ProcessRedirectionTrustPolicy, which Windows 10 and later offer). Recorded, not enforced.
bool LastProcessGuardedRedirection();

// ---- handles
// The kinds of handle the simulated calls give out: "registry key" (closed by RegCloseKey),
// "printer" (ClosePrinter), "token", "file", "process" and "thread" (CloseHandle), "INF"
// (SetupCloseInfFile), "device set" (SetupDiDestroyDeviceInfoList), "find" (FindClose).
constexpr int kHandleKindCount = 9;
extern const char *const kHandleKinds[kHandleKindCount];
// The handles the last process still held when it ended, as "kind (the call that opened it)".
// Windows closes them then, and so does the simulation: a printer deleted meanwhile goes.
std::vector<std::string> HandlesLeftOpen();

// ---- programs
// Registers a program's resources (its .rc text and the resource.h it includes).
HINSTANCE RegisterModule(const std::string &name, const std::string &rcText,
                         const std::string &headerText);
// The next RunProcess starts its program from imagePath (a full path), its command line being the
// quoted path and, after a blank, the arguments when there are any. By default the program lies
// in the current directory as <module name>.exe and has no arguments.
void SetProgramStart(const std::string &imagePath, const std::string &arguments);
// Runs main as the first thread of a new simulated process until the process has ended,
// all its threads included, and returns the exit code. The process inherits the current
// directory and its changes of it end with it.
int RunProcess(HINSTANCE module, const std::function<void()> &main);
// True when the last process was stopped because a wait made no progress: no platform call was
// made for the hang limit (5000 ms of real time unless set).
bool LastProcessHung();
void SetHangLimit(unsigned milliseconds);

} // namespace winsim
