// The one simulated machine behind every winsim call, and the entry check each call makes.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <winsim.h>
#include <winternl.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace winsim {

// A new number for each file-system object, so that a handle tells its object from one made later
// under the same name.
unsigned long long NewFileId();

struct FileNode {
    unsigned long long id = NewFileId();
    std::string name; // display case of the last component
    bool directory = false;
    std::string data;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    bool locked = false;
    bool denied = false;
    int heldShare = -1;           // another user holds it open with this sharing; -1: nobody
    std::vector<AccessEntry> acl; // explicit entries, then inherited ones (INHERITED_ACE)
    // A junction or symbolic link (attributes with FILE_ATTRIBUTE_REPARSE_POINT): the path key it
    // points to and its reparse tag.
    std::string linkTarget;
    DWORD reparseTag = 0;
    // The names of one file (hard links) share a group number and their content; 0: one name.
    int linkGroup = 0;
};

struct RegValue {
    std::string name;
    DWORD type = 0;
    std::string data;
};
struct RegKey {
    std::string path;                       // display case, from the root's long name
    bool isLink = false;                    // created as a registry link
    std::string link;                       // the path it points to; empty: nowhere yet
    std::map<std::string, RegValue> values; // by upper-case name
    std::vector<AccessEntry> dacl;          // explicit entries, then inherited ones (INHERITED_ACE)
};

struct Fault {
    DWORD error;
    int nth;
};
struct UserAction {
    int nth;
    std::function<void()> action;
};

struct Module {
    std::string name;
    std::map<UINT, std::string> strings;
    std::map<int, DialogTemplate> dialogs;
    std::set<int> icons;
};

struct SentMessage;
struct ThreadState {
    std::deque<MSG> posted;
    std::deque<SentMessage *> sent;
    HOOKPROC msgFilter = NULL;
    int handling = 0; // messages taken from the queues and not yet handled
    HHOOK hook = NULL;
};

// The state of one class of window, made with the window: a window of another class has none.
struct DialogState {
    DLGPROC proc = nullptr;
    LONG_PTR user = 0;      // DWLP_USER
    LONG_PTR msgResult = 0; // DWLP_MSGRESULT
    bool ended = false;     // by EndDialog, with the result it was given
    INT_PTR result = 0;
};
struct ButtonState {
    int check = BST_UNCHECKED;
    bool pressed = false; // the mouse went down on it
};
struct ProgressBarState {
    int low = 0, high = 100, step = 10, pos = 0;
    std::vector<int> positions; // every position it moved to
};
struct ListBoxState {
    struct Item {
        std::string text;
        LPARAM data;
    };
    std::vector<Item> items;
    int selection = LB_ERR;
    int itemHeight = 0; // in pixels
};

struct Window {
    HWND handle = NULL;
    std::thread::id thread;
    HWND parent = NULL;
    int id = 0;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect = {0, 0, 0, 0};
    bool visible = false;
    bool destroyed = false;
    bool minimized = false;
    bool sysClose = true; // its system menu has the Close command
    HICON iconBig = NULL;
    HICON iconSmall = NULL;
    std::vector<HWND> children;
    std::vector<std::string> textHistory;
    bool needsPaint = false;       // changed since it was last painted
    std::vector<Drawing> drawings; // at its last painting
    WNDPROC subclass = nullptr;    // a program's procedure in front of the control's own
    struct Timer {
        UINT elapse;
        unsigned long long due;
    };
    std::map<UINT_PTR, Timer> timers;
    // Its class's state: a dialog's, or that of one of the control classes.
    std::unique_ptr<DialogState> dialog;
    std::unique_ptr<ButtonState> button;
    std::unique_ptr<ProgressBarState> progressBar;
    std::unique_ptr<ListBoxState> listBox;
};

struct Process {
    HINSTANCE module = NULL;
    std::thread::id firstThread;
    int liveThreads = 0;
    int parkedThreads = 0;
    bool ended = false;
    bool unwinding = false;
    bool hung = false;
    bool killed = false; // ended abruptly: every later call of its threads fails
    bool redirectionGuard = false;
    int exitCode = 0;
    unsigned serial = 0; // tells its handles from those of other processes
    std::vector<std::thread> threads;
    std::string imagePath;
    std::string commandLine;
    std::set<std::string> delayLoaded; // the delay-loaded DLLs its calls have loaded
};

struct Machine {
    OsVersion version;
    bool wow64 = false;
    std::set<std::string> missingFunctions;
    std::string windowsDir, systemDir, currentDir;
    std::string nextImage, nextArguments; // the next process's start, when set
    bool shutdownPrivilege = true;
    bool privilegeEnabled = false;

    std::map<std::string, FileNode> files; // by normalized upper-case path
    int lastLinkGroup = 0;
    // The registry (registry.cpp), the spooler with the INF store and device records
    // (spooler.cpp, setup.cpp), and child processes (process.cpp) keep their own state.
    std::shared_ptr<struct RegistryState> registry;
    std::shared_ptr<struct SpoolerState> spooler;
    std::shared_ptr<struct ChildState> children;
    std::shared_ptr<struct DllState> dlls;

    unsigned long long clockMs = 0;
    int baseSeconds = 9 * 3600;
    std::vector<Pause> pauses;
    std::vector<RestartRequest> restarts;
    std::vector<Box> boxes;
    std::function<int(const Box &)> boxAnswer;
    std::function<void(HWND)> user;

    std::map<std::string, std::vector<Fault>> faults;
    std::map<std::string, std::vector<UserAction>> userActions;
    size_t killAt = 0; // the call (1-based, of callLog) at which the running process dies; 0: none
    std::map<std::string, int> callCounts;
    std::vector<std::string> callLog;

    std::map<HWND, std::unique_ptr<Window>> windows;
    unsigned nextWindow = 0x100;
    std::map<std::thread::id, ThreadState> threads;
    std::vector<Delivered> delivered;
    bool waitCursor = false;

    std::map<HANDLE, std::shared_ptr<struct HandleObject>> handles;
    uintptr_t nextHandle = 0x1000;
    std::vector<std::string> handlesLeftOpen; // by the last process, when it ended
    std::map<const void *, std::vector<AccessEntry>> acls;
    std::set<const void *> localAllocations;
    // DACLs handed out inside a security descriptor; valid while that descriptor is in
    // localAllocations, so freeing the descriptor frees them too.
    struct DescriptorAcl {
        const void *descriptor;
        std::vector<AccessEntry> entries;
    };
    std::map<const void *, DescriptorAcl> descriptorAcls; // by ACL address
};

extern std::mutex g_mutex;
extern std::condition_variable g_changed;
extern Machine *g_machine;
extern Process *g_process;
extern std::vector<std::unique_ptr<Module>> g_modules;

// Taken at the start of every platform call: locks the machine, stops the calling thread if its
// process has ended, logs the call and applies an injected fault (failed() then holds, with the
// last error set).
class Api {
  public:
    explicit Api(const char *name);
    bool failed() const { return m_failed; }
    std::unique_lock<std::mutex> lock;

  private:
    bool m_failed = false;
};

// Before a process's first call into a delay-loaded DLL: loads the DLL, or ends the process as
// the Windows build's delay-load helper would (delay_load.cpp). Needs g_mutex free.
void DelayLoad(const char *function);

// Parks the calling process thread once its process has ended and throws ProcessExit when
// every thread of the process is parked; returns at once otherwise. Needs g_mutex held.
void StopIfEnded(std::unique_lock<std::mutex> &lock);
bool InProcess();
void SetError(DWORD code);

struct HandleObject {
    virtual ~HandleObject() = default;
    // The object's share of closing the handle, when the program closes it or its process ends.
    virtual void Release(bool processEnded) { (void)processEnded; }
    const char *kind = ""; // one of kHandleKinds
    std::string openedBy;  // the call that gave the handle out
    unsigned process = 0;  // the simulated process that opened it; 0 for a test's own calls
};
// Gives out a handle of one of kHandleKinds for the object; the calling process owns it.
HANDLE AddHandle(std::shared_ptr<HandleObject> object, const char *kind);
// Closes a handle the way the owning close call does: the object's release, then the handle.
void CloseHandleObject(HANDLE handle);
// Ends the current process's hold on its handles, as Windows does when a process ends, and
// records the ones it left open.
void CloseProcessHandles();
template <class T> T *GetHandle(HANDLE handle) {
    auto it = g_machine->handles.find(handle);
    return it == g_machine->handles.end() ? nullptr : dynamic_cast<T *>(it->second.get());
}

// Paths: upper-case, backslashes, doubled separators and "." / ".." resolved, absolute.
std::string NormalizePath(const std::string &path);
// The key a platform call reaches through the path: junctions and symbolic links on the way are
// followed, the last element only when followLast is set. Empty, with the last error set, when
// links nest too deep.
std::string ReachedPath(const char *path, bool followLast);
// SetSecurityInfo on a file handle: the handle needs WRITE_DAC; the explicit entries are set.
DWORD SetFileDacl(HANDLE file, const void *dacl);
// GetSecurityInfo of a file's DACL: the handle needs READ_CONTROL.
DWORD GetFileDacl(HANDLE file, std::vector<AccessEntry> &dacl);
std::string Upper(std::string text);
bool WildcardMatch(const std::string &pattern, const std::string &name);

// Fresh state of each part, with what a newly installed Windows has; called by Reset once the
// machine's directories exist.
std::shared_ptr<RegistryState> MakeRegistry();
std::shared_ptr<SpoolerState> MakeSpooler();
std::shared_ptr<ChildState> MakeChildren();
std::shared_ptr<DllState> MakeDlls();
// Once a process has ended, the children it did not see end finish on their own, their work
// done; those of a killed process die with it, their work undone. Needs g_mutex free.
void EndChildren(bool killed);

// The "net stop spooler" / "net start spooler" a started program stands for (others do nothing),
// and whether the spooler refuses the named call because it is stopped (counted when it does).
void RunServiceCommand(const std::string &commandLine);
bool SpoolerRefuses(const char *name);
// The winspool.drv functions that the spooler service carries out: all but ClosePrinter.
bool IsServiceCall(const std::string &name);

// Functions the programs look up at run time; no header declares them.
LONG WINAPI SimRegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM access, DWORD reserved);
UINT WINAPI SimGetSystemWow64DirectoryA(LPSTR buffer, UINT size);
BOOL WINAPI SimSetupUninstallOEMInfA(PCSTR infFileName, DWORD flags, PVOID reserved);
BOOL WINAPI SimSetDefaultDllDirectories(DWORD flags);
BOOL WINAPI SimSetDllDirectoryA(LPCSTR path);
BOOL WINAPI SimSetProcessMitigationPolicy(int policy, PVOID buffer, SIZE_T length);
NTSTATUS NTAPI SimNtCreateFile(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                               PIO_STATUS_BLOCK status, PLARGE_INTEGER allocation,
                               ULONG fileAttributes, ULONG share, ULONG disposition, ULONG options,
                               PVOID ea, ULONG eaLength);
NTSTATUS NTAPI SimNtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc,
                                       PVOID context, PIO_STATUS_BLOCK status, PVOID buffer,
                                       ULONG length, FILE_INFORMATION_CLASS informationClass,
                                       BOOLEAN single, PUNICODE_STRING mask, BOOLEAN restart);
NTSTATUS NTAPI SimNtSetInformationFile(HANDLE file, PIO_STATUS_BLOCK status, PVOID buffer,
                                       ULONG length, FILE_INFORMATION_CLASS informationClass);
NTSTATUS NTAPI SimNtDeleteKey(HANDLE key);
// The statuses the native calls return, and the one for an error injected into such a call.
const NTSTATUS kStatusSuccess = 0;
const NTSTATUS kStatusNoMoreFiles = NTSTATUS(0x80000006);
const NTSTATUS kStatusInvalidInfoClass = NTSTATUS(0xC0000003);
const NTSTATUS kStatusInfoLengthMismatch = NTSTATUS(0xC0000004);
const NTSTATUS kStatusInvalidHandle = NTSTATUS(0xC0000008);
const NTSTATUS kStatusInvalidParameter = NTSTATUS(0xC000000D);
const NTSTATUS kStatusAccessDenied = NTSTATUS(0xC0000022);
const NTSTATUS kStatusBufferTooSmall = NTSTATUS(0xC0000023);
const NTSTATUS kStatusObjectNameInvalid = NTSTATUS(0xC0000033);
const NTSTATUS kStatusObjectNameNotFound = NTSTATUS(0xC0000034);
const NTSTATUS kStatusObjectNameCollision = NTSTATUS(0xC0000035);
const NTSTATUS kStatusObjectPathNotFound = NTSTATUS(0xC000003A);
const NTSTATUS kStatusInvalidSecurityDescr = NTSTATUS(0xC0000079);
const NTSTATUS kStatusSharingViolation = NTSTATUS(0xC0000043);
const NTSTATUS kStatusFileIsADirectory = NTSTATUS(0xC00000BA);
const NTSTATUS kStatusDirectoryNotEmpty = NTSTATUS(0xC0000101);
const NTSTATUS kStatusNotADirectory = NTSTATUS(0xC0000103);
const NTSTATUS kStatusCannotDelete = NTSTATUS(0xC0000121);
const NTSTATUS kStatusKeyDeleted = NTSTATUS(0xC000017C);
const NTSTATUS kStatusDirectoryIsAReparsePoint = NTSTATUS(0xC0000281);
NTSTATUS FaultStatus();

// An ACL made by SetEntriesInAclA or handed out by GetSecurityInfo; null when unknown or freed.
const std::vector<AccessEntry> *FindAcl(const void *acl);

// WOW64: a call from the 32-bit program sees the 32-bit registry view and, for its files,
// SysWOW64 in place of system32. A child's finishing script runs as native 64-bit code.
bool Wow64Program();
std::string RedirectSystemPath(const std::string &key); // an upper-case path key
void PrepareWow64Machine();                             // SysWOW64 and Wow6432Node exist
class NativeCaller {
  public:
    NativeCaller();
    ~NativeCaller();
};

// Starts a thread of the current process running body; body's ProcessExit ends it quietly.
void StartProcessThread(std::function<void()> body);
void ResetWindows();
void ParseResourceScript(Module &module, const std::string &rcText, const std::string &header);
Module *FindModule(HINSTANCE instance);

} // namespace winsim
