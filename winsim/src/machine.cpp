// The machine's state, its processes and threads, the clock, faults and the kernel's small calls.
#include "machine.h"

#include <winspool.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>

namespace winsim {

std::mutex g_mutex;
std::condition_variable g_changed;
Machine *g_machine = nullptr;
Process *g_process = nullptr;
std::vector<std::unique_ptr<Module>> g_modules;

namespace {
thread_local bool t_inProcess = false;
thread_local DWORD t_lastError = 0;
bool g_lastProcessHung = false;
unsigned g_processSerial = 0;
bool g_lastProcessKilled = false;
bool g_lastProcessGuarded = false;
} // namespace

const OsVersion kWindows95 = {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, 0, false};
const OsVersion kWindows98 = {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998, 0, false};
const OsVersion kWindowsMe = {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, 0, false};
const OsVersion kWindowsNT351 = {VER_PLATFORM_WIN32_NT, 3, 51, 1057, VER_NT_WORKSTATION, false};
const OsVersion kWindowsNT4 = {VER_PLATFORM_WIN32_NT, 4, 0, 1381, VER_NT_WORKSTATION, true};
const OsVersion kWindows2000 = {VER_PLATFORM_WIN32_NT, 5, 0, 2195, VER_NT_WORKSTATION, true};
const OsVersion kWindowsXP = {VER_PLATFORM_WIN32_NT, 5, 1, 2600, VER_NT_WORKSTATION, true};
const OsVersion kWindowsServer2003 = {VER_PLATFORM_WIN32_NT, 5, 2, 3790, VER_NT_SERVER, true};
const OsVersion kWindowsVista = {VER_PLATFORM_WIN32_NT, 6, 0, 6002, VER_NT_WORKSTATION, true};
const OsVersion kWindowsServer2008 = {VER_PLATFORM_WIN32_NT, 6, 0, 6001, VER_NT_SERVER, true};
const OsVersion kWindowsServer2008R2 = {VER_PLATFORM_WIN32_NT, 6, 1, 7601, VER_NT_SERVER, true};
const OsVersion kWindows7 = {VER_PLATFORM_WIN32_NT, 6, 1, 7601, VER_NT_WORKSTATION, true};
const OsVersion kWindows8 = {VER_PLATFORM_WIN32_NT, 6, 2, 9200, VER_NT_WORKSTATION, true};
const OsVersion kWindows10 = {VER_PLATFORM_WIN32_NT, 10, 0, 19045, VER_NT_WORKSTATION, true};

bool InProcess() {
    return t_inProcess;
}

void SetError(DWORD code) {
    t_lastError = code;
}

void StopIfEnded(std::unique_lock<std::mutex> &lock) {
    if (!t_inProcess || g_process == nullptr || !g_process->ended || g_process->unwinding)
        return;
    g_process->parkedThreads++;
    g_changed.notify_all();
    g_changed.wait(lock, [] {
        return g_process->unwinding || g_process->parkedThreads >= g_process->liveThreads;
    });
    g_process->unwinding = true;
    g_changed.notify_all();
    throw ProcessExit{};
}

Api::Api(const char *name) : lock(g_mutex, std::defer_lock) {
    DelayLoad(name);
    lock.lock();
    StopIfEnded(lock);
    Machine &m = *g_machine;
    if (t_inProcess && m.killAt != 0 && m.callLog.size() + 1 >= m.killAt) {
        m.killAt = 0;
        g_process->killed = true;
        if (!g_process->ended) {
            g_process->ended = true;
            g_process->exitCode = 1;
        }
        g_changed.notify_all();
    }
    if (t_inProcess && g_process->killed) {
        // Parks and unwinds this thread; a call made while the process unwinds has no effect.
        StopIfEnded(lock);
        t_lastError = ERROR_INVALID_HANDLE;
        m_failed = true;
        return;
    }
    m.callLog.push_back(name);
    int count = ++m.callCounts[name];
    if (SpoolerRefuses(name)) {
        t_lastError = RPC_S_SERVER_UNAVAILABLE;
        m_failed = true;
        return;
    }
    auto actions = m.userActions.find(name);
    if (actions != m.userActions.end())
        for (auto action = actions->second.begin(); action != actions->second.end(); ++action)
            if (action->nth == count) {
                std::function<void()> act = action->action;
                actions->second.erase(action);
                act();
                break;
            }
    auto it = m.faults.find(name);
    if (it == m.faults.end())
        return;
    for (const Fault &fault : it->second)
        if (fault.nth == 0 || fault.nth == count) {
            t_lastError = fault.error;
            m_failed = true;
            return;
        }
}

const char *const kHandleKinds[kHandleKindCount] = {
    "registry key", "printer", "token", "INF", "device set", "find", "file", "process", "thread"};

HANDLE AddHandle(std::shared_ptr<HandleObject> object, const char *kind) {
    HANDLE handle = (HANDLE)(g_machine->nextHandle += 4);
    object->kind = kind;
    if (!g_machine->callLog.empty())
        object->openedBy = g_machine->callLog.back();
    object->process = InProcess() && g_process != nullptr ? g_process->serial : 0;
    g_machine->handles[handle] = std::move(object);
    return handle;
}

void CloseHandleObject(HANDLE handle) {
    auto it = g_machine->handles.find(handle);
    if (it == g_machine->handles.end())
        return;
    it->second->Release(false);
    g_machine->handles.erase(it);
}

void CloseProcessHandles() {
    std::map<HANDLE, std::shared_ptr<HandleObject>> &handles = g_machine->handles;
    for (auto it = handles.begin(); it != handles.end();) {
        if (it->second->process != g_process->serial) {
            ++it;
            continue;
        }
        g_machine->handlesLeftOpen.push_back(std::string(it->second->kind) + " (" +
                                             it->second->openedBy + ")");
        it->second->Release(true);
        it = handles.erase(it);
    }
}

std::vector<std::string> HandlesLeftOpen() {
    return g_machine->handlesLeftOpen;
}

std::string Upper(std::string text) {
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

bool WildcardMatch(const std::string &pattern, const std::string &name) {
    std::string p = Upper(pattern), n = Upper(name);
    if (p == "*.*" || p == "*")
        return true;
    size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

namespace {
// Ends the thread's share of the process however its body leaves: return, throw or exit.
struct ThreadExitGuard {
    std::thread::id id;
    ~ThreadExitGuard() {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_process->liveThreads--;
        g_machine->threads.erase(id);
        g_changed.notify_all();
    }
};
} // namespace

void StartProcessThread(std::function<void()> body) {
    g_process->liveThreads++;
    g_process->threads.emplace_back([body] {
        t_inProcess = true;
        t_lastError = 0;
        ThreadExitGuard guard{std::this_thread::get_id()};
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            g_machine->threads[guard.id];
        }
        try {
            body();
        } catch (ProcessExit &) {
        }
    });
}

void Reset() {
    std::lock_guard<std::mutex> lock(g_mutex);
    delete g_machine;
    g_machine = new Machine();
    Machine &m = *g_machine;
    m.version = kWindowsXP;
    m.windowsDir = "C:\\WINDOWS";
    m.systemDir = "C:\\WINDOWS\\system32";
    m.currentDir = "C:\\";
    const std::pair<const char *, const char *> folders[] = {
        {"C:\\", "C:"}, {"C:\\WINDOWS", "WINDOWS"}, {"C:\\WINDOWS\\SYSTEM32", "system32"}};
    for (const auto &folder : folders) {
        FileNode &node = m.files[folder.first];
        node.name = folder.second;
        node.directory = true;
        node.attributes = FILE_ATTRIBUTE_DIRECTORY;
    }
    m.registry = MakeRegistry();
    m.spooler = MakeSpooler();
    m.children = MakeChildren();
    m.dlls = MakeDlls();
}

void SetVersion(const OsVersion &version) {
    g_machine->version = version;
}
void SetWow64(bool wow64) {
    g_machine->wow64 = wow64;
    if (wow64)
        PrepareWow64Machine();
}
void SetShutdownPrivilege(bool held) {
    g_machine->shutdownPrivilege = held;
}

void SetFunctionAvailable(const std::string &name, bool available) {
    if (available)
        g_machine->missingFunctions.erase(name);
    else
        g_machine->missingFunctions.insert(name);
}

void SetWindowsDirectory(const std::string &path) {
    g_machine->windowsDir = path;
    g_machine->systemDir = path + "\\system32";
    MakeDirectory(g_machine->systemDir);
    if (g_machine->wow64)
        PrepareWow64Machine();
}

void SetLocalTime(int hour, int minute, int second) {
    g_machine->baseSeconds = hour * 3600 + minute * 60 + second;
    g_machine->clockMs = 0;
}

unsigned long long ElapsedMs() {
    return g_machine->clockMs;
}
std::vector<Pause> Pauses() {
    return g_machine->pauses;
}
std::vector<RestartRequest> Restarts() {
    return g_machine->restarts;
}
std::vector<Box> Boxes() {
    return g_machine->boxes;
}
void SetBoxAnswer(std::function<int(const Box &)> answer) {
    g_machine->boxAnswer = answer;
}
void SetUser(std::function<void(HWND)> onIdle) {
    g_machine->user = onIdle;
}

void FailCall(const std::string &function, DWORD error, int nth) {
    g_machine->faults[function].push_back(Fault{error, nth});
}

void ClearFaults() {
    g_machine->faults.clear();
    g_machine->userActions.clear();
    g_machine->killAt = 0;
}

void AtCall(const std::string &function, int nth, std::function<void()> action) {
    g_machine->userActions[function].push_back(UserAction{nth, action});
}

NTSTATUS FaultStatus() {
    return GetLastError() == ERROR_ACCESS_DENIED ? kStatusAccessDenied : NTSTATUS(0xC0000001);
}

void KillAtCall(size_t n) {
    g_machine->killAt = n;
}

std::vector<std::string> CallLog() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_machine->callLog;
}

HINSTANCE RegisterModule(const std::string &name, const std::string &rcText,
                         const std::string &headerText) {
    for (size_t i = 0; i < g_modules.size(); ++i)
        if (g_modules[i]->name == name)
            return (HINSTANCE)(uintptr_t)(0x400000 + 0x10000 * i);
    auto module = std::make_unique<Module>();
    module->name = name;
    ParseResourceScript(*module, rcText, headerText);
    g_modules.push_back(std::move(module));
    return (HINSTANCE)(uintptr_t)(0x400000 + 0x10000 * (g_modules.size() - 1));
}

void SetProgramStart(const std::string &imagePath, const std::string &arguments) {
    g_machine->nextImage = imagePath;
    g_machine->nextArguments = arguments;
}

int RunProcess(HINSTANCE module, const std::function<void()> &main) {
    Process process;
    process.module = module;
    process.serial = ++g_processSerial;
    std::string startDirectory;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        Machine &m = *g_machine;
        startDirectory = m.currentDir;
        Module *image = FindModule(module);
        process.imagePath = !m.nextImage.empty()
                                ? m.nextImage
                                : startDirectory + (startDirectory.back() == '\\' ? "" : "\\") +
                                      (image != nullptr ? image->name : "program") + ".exe";
        process.commandLine = "\"" + process.imagePath + "\"" +
                              (m.nextArguments.empty() ? "" : " " + m.nextArguments);
        m.nextImage.clear();
        m.nextArguments.clear();
        g_process = &process;
        g_machine->handlesLeftOpen.clear();
        StartProcessThread([&process, main] {
            main();
            std::lock_guard<std::mutex> inner(g_mutex);
            if (!process.ended) {
                process.ended = true;
                process.exitCode = 0;
                g_changed.notify_all();
            }
        });
        process.firstThread = process.threads.front().get_id();
    }
    {
        std::unique_lock<std::mutex> lock(g_mutex);
        g_changed.wait(lock, [&process] { return process.liveThreads == 0; });
    }
    for (std::thread &thread : process.threads)
        thread.join();
    EndChildren(process.killed);
    std::lock_guard<std::mutex> lock(g_mutex);
    ResetWindows();
    CloseProcessHandles();
    g_machine->currentDir = startDirectory;
    g_machine->killAt = 0;
    g_lastProcessHung = process.hung;
    g_lastProcessKilled = process.killed;
    g_lastProcessGuarded = process.redirectionGuard;
    g_process = nullptr;
    return process.exitCode;
}

bool LastProcessHung() {
    return g_lastProcessHung;
}

bool LastProcessKilled() {
    return g_lastProcessKilled;
}

bool LastProcessGuardedRedirection() {
    return g_lastProcessGuarded;
}

} // namespace winsim

using namespace winsim;

// The C runtime's exit of a simulated program: marks the process ended, waits until every other
// thread of it has stopped at a platform call, then unwinds this thread too.
void winsim_exit(int code) {
    if (!InProcess())
        (exit)(code);
    std::unique_lock<std::mutex> lock(g_mutex);
    if (!g_process->ended) {
        g_process->ended = true;
        g_process->exitCode = code;
    }
    StopIfEnded(lock);
    throw ProcessExit{};
}

DWORD WINAPI GetLastError(void) {
    return t_lastError;
}
void WINAPI SetLastError(DWORD code) {
    t_lastError = code;
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    Api api("GetVersionExA");
    if (api.failed())
        return FALSE;
    const OsVersion &v = g_machine->version;
    DWORD size = info->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && (size != sizeof(OSVERSIONINFOEXA) || !v.extendedRecord)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->dwMajorVersion = v.major;
    info->dwMinorVersion = v.minor;
    info->dwBuildNumber = v.build;
    info->dwPlatformId = v.platformId;
    memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    if (size == sizeof(OSVERSIONINFOEXA))
        ((OSVERSIONINFOEXA *)info)->wProductType = v.productType;
    return TRUE;
}

namespace {
const HMODULE kKernel32 = (HMODULE)(uintptr_t)0x7c800000;
const HMODULE kAdvapi32 = (HMODULE)(uintptr_t)0x77dd0000;
const HMODULE kSetupapi = (HMODULE)(uintptr_t)0x77920000;
const HMODULE kShlwapi = (HMODULE)(uintptr_t)0x77f60000;
// In every process; it exports no wine_get_version.
const HMODULE kNtdll = (HMODULE)(uintptr_t)0x7c900000;

BOOL WINAPI SimIsWow64Process(HANDLE, PBOOL wow64) {
    Api api("IsWow64Process");
    if (api.failed())
        return FALSE;
    *wow64 = g_machine->wow64 ? TRUE : FALSE;
    return TRUE;
}

struct RuntimeFunction {
    HMODULE module;
    const char *name;
    FARPROC address;
    DWORD sinceVersion; // major and minor version, as 0x0602 for Windows 8; 0: every version
};

// The policy that keeps a process from following junctions that users made; on other policies
// this stand-in answers as a system that does not know them.
const int kRedirectionTrustPolicy = 16;
} // namespace

BOOL WINAPI winsim::SimSetProcessMitigationPolicy(int policy, PVOID buffer, SIZE_T length) {
    Api api("SetProcessMitigationPolicy");
    if (api.failed())
        return FALSE;
    if (policy != kRedirectionTrustPolicy || g_machine->version.major < 10 || buffer == NULL ||
        length != sizeof(DWORD)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (g_process != nullptr)
        g_process->redirectionGuard = (*(const DWORD *)buffer & 1) != 0;
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    Api api("GetModuleHandleA");
    if (api.failed())
        return NULL;
    if (name == NULL)
        return g_process != nullptr ? g_process->module : NULL;
    std::string upper = Upper(name);
    if (upper == "KERNEL32" || upper == "KERNEL32.DLL")
        return kKernel32;
    if (upper == "ADVAPI32" || upper == "ADVAPI32.DLL")
        return kAdvapi32;
    if (upper == "SETUPAPI" || upper == "SETUPAPI.DLL")
        return kSetupapi;
    if (upper == "SHLWAPI" || upper == "SHLWAPI.DLL")
        return kShlwapi;
    if (upper == "NTDLL" || upper == "NTDLL.DLL")
        return kNtdll;
    SetError(ERROR_MOD_NOT_FOUND);
    return NULL;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    Api api("GetModuleFileNameA");
    if (api.failed())
        return 0;
    if (g_process == nullptr || (module != NULL && module != g_process->module)) {
        SetError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (buffer == NULL || size == 0) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    // As Windows since Vista: a path that does not fit is cut, terminated and reported as size.
    const std::string &path = g_process->imagePath;
    DWORD copied = DWORD(std::min<size_t>(path.size(), size - 1));
    memcpy(buffer, path.c_str(), copied);
    buffer[copied] = '\0';
    if (copied < path.size()) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return copied;
}

LPSTR WINAPI GetCommandLineA(void) {
    // Never fails on Windows: it is logged, but an injected fault is not applied.
    Api api("GetCommandLineA");
    static char empty[] = "";
    return g_process != nullptr ? &g_process->commandLine[0] : empty;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    Api api("GetProcAddress");
    if (api.failed())
        return NULL;
    static const RuntimeFunction kFunctions[] = {
        {kKernel32, "IsWow64Process", (FARPROC)(void *)SimIsWow64Process, 0},
        {kKernel32, "GetSystemWow64DirectoryA", (FARPROC)(void *)SimGetSystemWow64DirectoryA, 0},
        {kKernel32, "SetDefaultDllDirectories", (FARPROC)(void *)SimSetDefaultDllDirectories, 0},
        {kKernel32, "SetDllDirectoryA", (FARPROC)(void *)SimSetDllDirectoryA, 0},
        {kKernel32, "SetProcessMitigationPolicy", (FARPROC)(void *)SimSetProcessMitigationPolicy,
         0x0602},
        {kAdvapi32, "RegDeleteKeyExA", (FARPROC)(void *)SimRegDeleteKeyExA, 0},
        {kSetupapi, "SetupUninstallOEMInfA", (FARPROC)(void *)SimSetupUninstallOEMInfA, 0},
        {kNtdll, "NtCreateFile", (FARPROC)(void *)SimNtCreateFile, 0},
        {kNtdll, "NtQueryDirectoryFile", (FARPROC)(void *)SimNtQueryDirectoryFile, 0},
        {kNtdll, "NtSetInformationFile", (FARPROC)(void *)SimNtSetInformationFile, 0},
        {kNtdll, "NtDeleteKey", (FARPROC)(void *)SimNtDeleteKey, 0},
    };
    const OsVersion &version = g_machine->version;
    for (const RuntimeFunction &f : kFunctions)
        if (f.module == module && strcmp(f.name, name) == 0 &&
            g_machine->missingFunctions.count(name) == 0 &&
            version.major * 0x100 + version.minor >= f.sinceVersion)
            return f.address;
    SetError(ERROR_PROC_NOT_FOUND);
    return NULL;
}

HANDLE WINAPI GetCurrentProcess(void) {
    return (HANDLE)(LONG_PTR)-1;
}

DWORD WINAPI GetCurrentThreadId(void) {
    return DWORD(std::hash<std::thread::id>()(std::this_thread::get_id()) & 0x7fffffff) | 4;
}

void WINAPI Sleep(DWORD milliseconds) {
    Api api("Sleep");
    g_machine->clockMs += milliseconds;
    // While this thread sleeps the others catch up: a dialog shows what it was posted before the
    // sleeper goes on, as it would within a pause of real time.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    auto othersBusy = [] {
        for (const auto &thread : g_machine->threads)
            if (thread.first != std::this_thread::get_id() &&
                (!thread.second.posted.empty() || thread.second.handling > 0))
                return true;
        return false;
    };
    while (milliseconds > 0 && othersBusy() && std::chrono::steady_clock::now() < deadline)
        g_changed.wait_for(api.lock, std::chrono::milliseconds(2));
    bool worker = g_process != nullptr && std::this_thread::get_id() != g_process->firstThread;
    g_machine->pauses.push_back(Pause{milliseconds, worker});
}

void WINAPI GetLocalTime(LPSYSTEMTIME time) {
    Api api("GetLocalTime");
    unsigned long long seconds = g_machine->baseSeconds + g_machine->clockMs / 1000;
    memset(time, 0, sizeof *time);
    time->wYear = 2026;
    time->wMonth = 12;
    time->wDay = 7;
    time->wHour = WORD((seconds / 3600) % 24);
    time->wMinute = WORD((seconds / 60) % 60);
    time->wSecond = WORD(seconds % 60);
    time->wMilliseconds = WORD(g_machine->clockMs % 1000);
}

namespace {
struct ThreadHandle : HandleObject {};
struct TokenHandle : HandleObject {};
} // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, size_t, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD, LPDWORD threadId) {
    Api api("CreateThread");
    if (api.failed())
        return NULL;
    StartProcessThread([start, parameter] { start(parameter); });
    if (threadId != NULL)
        *threadId = DWORD(g_process->threads.size());
    return AddHandle(std::make_shared<ThreadHandle>(), "thread");
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    Api api("CloseHandle");
    if (g_machine->handles.count(handle) == 0) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    CloseHandleObject(handle);
    return TRUE;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
    section->impl = new std::recursive_mutex();
}
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
    delete (std::recursive_mutex *)section->impl;
    section->impl = nullptr;
}
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
    ((std::recursive_mutex *)section->impl)->lock();
}
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
    ((std::recursive_mutex *)section->impl)->unlock();
}

BOOL WINAPI OpenProcessToken(HANDLE, DWORD, PHANDLE token) {
    Api api("OpenProcessToken");
    if (api.failed())
        return FALSE;
    *token = AddHandle(std::make_shared<TokenHandle>(), "token");
    return TRUE;
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR, LPCSTR name, PLUID luid) {
    Api api("LookupPrivilegeValueA");
    if (api.failed())
        return FALSE;
    if (strcmp(name, SE_SHUTDOWN_NAME) != 0) {
        SetError(1313); // ERROR_NO_SUCH_PRIVILEGE
        return FALSE;
    }
    luid->LowPart = 19;
    luid->HighPart = 0;
    return TRUE;
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL, PTOKEN_PRIVILEGES newState, DWORD,
                                  PTOKEN_PRIVILEGES, PDWORD) {
    Api api("AdjustTokenPrivileges");
    if (api.failed())
        return FALSE;
    if (GetHandle<TokenHandle>(token) == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Succeeds even when nothing could be enabled; the last error tells.
    bool wantsShutdown = newState->PrivilegeCount == 1 &&
                         newState->Privileges[0].Luid.LowPart == 19 &&
                         (newState->Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
    if (wantsShutdown && g_machine->shutdownPrivilege) {
        g_machine->privilegeEnabled = true;
        SetError(ERROR_SUCCESS);
    } else {
        SetError(ERROR_NOT_ALL_ASSIGNED);
    }
    return TRUE;
}

BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reason) {
    Api api("ExitWindowsEx");
    if (api.failed())
        return FALSE;
    if (!g_machine->privilegeEnabled) {
        SetError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    g_machine->restarts.push_back(RestartRequest{flags, reason});
    return TRUE;
}

namespace {
const char *SystemText(DWORD code) {
    switch (code) {
    case 0:
        return "The operation completed successfully.\r\n";
    case 2:
        return "The system cannot find the file specified.\r\n";
    case 3:
        return "The system cannot find the path specified.\r\n";
    case 5:
        return "Access is denied.\r\n";
    case 6:
        return "The handle is invalid.\r\n";
    case 32:
        return "The process cannot access the file because it is being used by another "
               "process.\r\n";
    case 87:
        return "The parameter is incorrect.\r\n";
    case 122:
        return "The data area passed to a system call is too small.\r\n";
    case 126:
        return "The specified module could not be found.\r\n";
    case 127:
        return "The specified procedure could not be found.\r\n";
    case 183:
        return "Cannot create a file when that file already exists.\r\n";
    case 1797:
        return "The printer driver is unknown.\r\n";
    case 1798:
        return "The print processor is unknown.\r\n";
    case 1801:
        return "The printer name is invalid.\r\n";
    case 1802:
        return "The printer already exists.\r\n";
    case 3000:
        return "The specified print monitor is unknown.\r\n";
    case 3006:
        return "The specified print monitor has already been installed.\r\n";
    }
    return nullptr;
}
} // namespace

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD languageId, LPSTR buffer,
                            DWORD size, va_list *) {
    Api api("FormatMessageA");
    if (api.failed())
        return 0;
    const char *text = SystemText(messageId);
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || text == nullptr ||
        (languageId != 0 && languageId != MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))) {
        SetError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    size_t length = strlen(text);
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char *copy = (char *)malloc(length + 1);
        memcpy(copy, text, length + 1);
        g_machine->localAllocations.insert(copy);
        *(LPSTR *)buffer = copy;
        return DWORD(length);
    }
    if (size <= length) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(buffer, text, length + 1);
    return DWORD(length);
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    Api api("LocalFree");
    if (memory == NULL)
        return NULL;
    if (g_machine->localAllocations.erase(memory) == 1) {
        free(memory);
        return NULL;
    }
    if (g_machine->acls.erase(memory) == 1) {
        delete (ACL *)memory;
        return NULL;
    }
    SetError(ERROR_INVALID_HANDLE);
    return memory;
}

LPVOID WINAPI LocalLock(HLOCAL memory) {
    return memory;
}

int _vsnprintf(char *buffer, size_t count, const char *format, va_list args) {
    // Windows' %ws is the host's %ls.
    std::string hostFormat;
    for (const char *p = format; *p; ++p) {
        hostFormat += *p;
        if (*p == '%' && p[1] == '%') {
            hostFormat += *++p;
        } else if (*p == '%') {
            while (p[1] && strchr("-+ #0123456789.", p[1]))
                hostFormat += *++p;
            if (p[1] == 'w' && p[2] == 's') {
                hostFormat += "ls";
                p += 2;
            }
        }
    }
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, hostFormat.c_str(), copy);
    va_end(copy);
    if (length < 0)
        return -1;
    std::string text(size_t(length) + 1, '\0');
    vsnprintf(&text[0], text.size(), hostFormat.c_str(), args);
    if (size_t(length) < count) {
        memcpy(buffer, text.c_str(), size_t(length) + 1);
        return length;
    }
    memcpy(buffer, text.c_str(), count);
    return size_t(length) == count ? length : -1;
}
