// Programs started: WinExec, and CreateProcessA with the waits on its children, played by a
// test's script on the virtual clock; one log of every start.
#include "machine.h"

#include <winsim_process.h>

#include <algorithm>
#include <deque>

namespace winsim {

struct ChildProcess {
    Launch launch = {};
    ChildScript script;
    unsigned long long endsAt = 0;
    HANDLE process = NULL, thread = NULL;
    bool heldAtExit = false; // the caller's process ended with a handle of it open
    bool over = false;       // its work is done, or it died
};

// Both the process handle and the thread handle of a child are signalled when it ends.
struct ChildHandle : HandleObject {
    explicit ChildHandle(std::shared_ptr<ChildProcess> child) : child(std::move(child)) {}
    void Release(bool processEnded) override { child->heldAtExit |= processEnded; }
    std::shared_ptr<ChildProcess> child;
};

struct ChildState {
    std::map<std::string, ChildScript> byCommandLine;
    std::deque<std::pair<std::string, ChildScript>> next; // by upper-case program, "" for any
    // Every start in order; one by WinExec has only its launch.
    std::vector<std::shared_ptr<ChildProcess>> children;
    DWORD lastId = 0x400;
};

std::shared_ptr<ChildState> MakeChildren() {
    return std::make_shared<ChildState>();
}

void ScriptChild(const std::string &commandLine, const ChildScript &script) {
    g_machine->children->byCommandLine[commandLine] = script;
}

void ScriptNextChild(const ChildScript &script, const std::string &program) {
    g_machine->children->next.emplace_back(Upper(program), script);
}

void EndChildren(bool killed) {
    std::vector<std::shared_ptr<ChildProcess>> ending;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const auto &child : g_machine->children->children)
            if (child->launch.started && !child->over && !child->script.endless) {
                child->over = true;
                if (!killed && child->script.onFinish)
                    ending.push_back(child);
            }
    }
    for (const auto &child : ending) {
        NativeCaller native;
        child->script.onFinish();
    }
}

std::vector<Launch> Launches() {
    std::vector<Launch> launches;
    for (const auto &child : g_machine->children->children) {
        launches.push_back(child->launch);
        launches.back().handlesOpen =
            child->heldAtExit ||
            g_machine->handles.count(child->process) + g_machine->handles.count(child->thread) > 0;
    }
    return launches;
}

namespace {
// The file name of the program started, in upper case: the application, else the command line's
// first word.
std::string ProgramName(const Launch &launch) {
    std::string program = launch.application;
    if (program.empty()) {
        const std::string &line = launch.commandLine;
        bool quoted = !line.empty() && line[0] == '"';
        program = line.substr(quoted, line.find(quoted ? '"' : ' ', quoted) - quoted);
    }
    return Upper(program.substr(program.find_last_of('\\') + 1));
}

ChildScript ScriptFor(const Launch &launch) {
    ChildState &state = *g_machine->children;
    auto it = state.byCommandLine.find(launch.commandLine);
    if (it != state.byCommandLine.end())
        return it->second;
    std::string program = ProgramName(launch);
    for (auto next = state.next.begin(); next != state.next.end(); ++next)
        if (next->first.empty() || next->first == program) {
            ChildScript script = next->second;
            state.next.erase(next);
            return script;
        }
    return ChildScript();
}

bool IsFolder(const std::string &path) {
    auto it = g_machine->files.find(NormalizePath(path));
    return it != g_machine->files.end() && it->second.directory;
}

// The variables every process of the machine inherits, by upper-case name.
std::map<std::string, std::string> Environment() {
    const std::string &windows = g_machine->windowsDir;
    return {{"SYSTEMDRIVE", windows.substr(0, 2)},
            {"SYSTEMROOT", windows},
            {"TEMP", windows + "\\TEMP"},
            {"TMP", windows + "\\TEMP"},
            {"WINDIR", windows}};
}

// cmd replaces each %NAME% of a set variable by its value, inside quotes too, and keeps any other
// text as it is.
std::string ExpandVariables(const std::string &text) {
    std::map<std::string, std::string> variables = Environment();
    std::string expanded;
    for (size_t at = 0; at < text.size();) {
        size_t close = text[at] == '%' ? text.find('%', at + 1) : std::string::npos;
        auto variable = close == std::string::npos
                            ? variables.end()
                            : variables.find(Upper(text.substr(at + 1, close - at - 1)));
        if (variable == variables.end()) {
            expanded += text[at++];
            continue;
        }
        expanded += variable->second;
        at = close + 1;
    }
    return expanded;
}

// What cmd makes of its start: it refuses a UNC current directory and works in the Windows
// directory instead; it runs the text after /c with its variables expanded, and takes off the
// text's first and last quote when it starts with one, unless it holds just two around the name
// of a file (cmd /?).
void InterpretCmd(Launch &launch) {
    if (launch.workDirectory.compare(0, 2, "\\\\") == 0)
        launch.workDirectory = g_machine->windowsDir;
    size_t switchAt = Upper(launch.commandLine).find(" /C ");
    if (switchAt == std::string::npos)
        return;
    std::string command = ExpandVariables(launch.commandLine.substr(switchAt + 4));
    command.erase(0, command.find_first_not_of(' '));
    if (!command.empty() && command[0] == '"') {
        size_t close = command.find('"', 1);
        bool program = std::count(command.begin(), command.end(), '"') == 2 &&
                       g_machine->files.count(NormalizePath(command.substr(1, close - 1))) != 0;
        if (!program) {
            if (close != std::string::npos)
                command.erase(command.rfind('"'), 1);
            command.erase(0, 1);
        }
    }
    launch.runCommand = command;
}

} // namespace

} // namespace winsim

using namespace winsim;

BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine,
                           LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                           DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                           LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation) {
    Api api("CreateProcessA");
    if (api.failed())
        return FALSE;
    if ((application == NULL && commandLine == NULL) || startupInfo == NULL ||
        processInformation == NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto child = std::make_shared<ChildProcess>();
    Launch &launch = child->launch;
    launch.application = application != NULL ? application : "";
    launch.commandLine = commandLine != NULL ? commandLine : "";
    launch.securityAttributes = processAttributes != NULL || threadAttributes != NULL;
    launch.inheritHandles = inheritHandles != FALSE;
    launch.creationFlags = creationFlags;
    launch.environment = environment != NULL;
    launch.currentDirectory = currentDirectory != NULL ? currentDirectory : g_machine->currentDir;
    launch.startupSize = startupInfo->cb;
    launch.startupFlags = startupInfo->dwFlags;
    launch.showWindow = startupInfo->wShowWindow;
    launch.createProcess = true;
    launch.workDirectory = launch.currentDirectory;
    launch.runCommand = launch.commandLine;
    std::string program = ProgramName(launch);
    if (program == "CMD.EXE" || program == "CMD")
        InterpretCmd(launch);
    launch.show = (launch.startupFlags & STARTF_USESHOWWINDOW) ? launch.showWindow : SW_SHOWNORMAL;
    g_machine->children->children.push_back(child);

    child->script = ScriptFor(launch);
    DWORD error = child->script.startError;
    if (error == 0 && currentDirectory != NULL && !IsFolder(currentDirectory))
        error = ERROR_DIRECTORY;
    if (error != 0) {
        SetError(error);
        return FALSE;
    }
    launch.started = true;
    child->endsAt = g_machine->clockMs + child->script.runMs;
    child->process = AddHandle(std::make_shared<ChildHandle>(child), "process");
    child->thread = AddHandle(std::make_shared<ChildHandle>(child), "thread");
    DWORD &lastId = g_machine->children->lastId;
    *processInformation =
        PROCESS_INFORMATION{child->process, child->thread, lastId + 4, lastId + 8};
    lastId += 8;
    RunServiceCommand(launch.commandLine);
    return TRUE;
}

UINT WINAPI WinExec(LPCSTR commandLine, UINT show) {
    Api api("WinExec");
    auto start = std::make_shared<ChildProcess>();
    start->launch.commandLine = commandLine != NULL ? commandLine : "";
    start->launch.show = show;
    start->launch.started = !api.failed();
    g_machine->children->children.push_back(start);
    if (!start->launch.started)
        return 0;
    RunServiceCommand(start->launch.commandLine);
    return 33;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Api api("WaitForSingleObject");
    if (api.failed())
        return WAIT_FAILED;
    auto it = g_machine->handles.find(handle);
    if (it == g_machine->handles.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    ChildHandle *waited = dynamic_cast<ChildHandle *>(it->second.get());
    if (waited == nullptr)
        return WAIT_OBJECT_0; // the program's own threads are taken as done
    std::shared_ptr<ChildProcess> child = waited->child;
    if (child->launch.finished)
        return WAIT_OBJECT_0;
    unsigned long long now = g_machine->clockMs;
    bool endsInTime =
        !child->script.endless && (milliseconds == INFINITE || child->endsAt <= now + milliseconds);
    if (!endsInTime && milliseconds != INFINITE) {
        g_machine->clockMs += milliseconds;
        return WAIT_TIMEOUT;
    }
    if (!endsInTime) {
        // Waiting for ever on a child that never ends hangs the program; outside a program the
        // wait fails instead.
        if (InProcess() && !g_process->ended) {
            g_process->hung = true;
            g_process->ended = true;
            g_process->exitCode = -999;
            g_changed.notify_all();
        }
        StopIfEnded(api.lock);
        return WAIT_FAILED;
    }
    g_machine->clockMs = std::max(now, child->endsAt);
    child->launch.finished = true;
    if (child->over)
        return WAIT_OBJECT_0;
    child->over = true;
    if (child->script.onFinish) {
        api.lock.unlock();
        {
            NativeCaller native;
            child->script.onFinish();
        }
        api.lock.lock();
    }
    return WAIT_OBJECT_0;
}
