#include "common/deployment.h"

#include <stdlib.h>

#include <atomic>
#include <string>

#include "common/app_context.h"
#include "common/restart.h"
#include "common/trace_log.h"

namespace {
// Written by the dialog thread before any worker exists and read afterwards.
Switches g_switches;
// Written by the thread that meets the event, read by the one that ends the run.
std::atomic<bool> g_failed(false);
std::atomic<bool> g_cancelled(false);
std::atomic<bool> g_restartDue(false);
std::atomic<bool> g_restartStarted(false);
// The thread that reports a fatal error and ends the run with it; 0: none.
std::atomic<DWORD> g_fatalThread(0);

// While another thread reports a fatal error, this one must not end the run with a code of its
// own (the worker done while the dialog thread shows the box): the report ends the process.
[[noreturn]] void WaitForTheFatalEnd() {
    for (;;)
        Sleep(INFINITE);
}
} // namespace

void ReadRunSwitches(bool takesPort) {
    g_failed = false;
    g_cancelled = false;
    g_restartDue = false;
    g_restartStarted = false;
    g_fatalThread = 0;
    std::string error;
    if (ParseSwitches(CommandArguments(GetCommandLineA()), takesPort, g_switches, error))
        return;
    if (!Unattended()) {
        std::string text = error + "\n\n" + UsageText(CurrentProgram().title, takesPort);
        AppMessageBox(text.c_str(), MB_OK | MB_ICONSTOP);
    } else {
        StartTraceLog(CurrentProgram().logFileName);
        TraceLog("%s", error.c_str());
    }
    EndRunWith(EXIT_BAD_SWITCH);
}

const Switches &RunSwitches() {
    return g_switches;
}

bool Unattended() {
    return g_switches.ui != UI_FULL;
}

void ShowInformation(const char *text, UINT flags) {
    if (Unattended())
        TraceLog("%s", text);
    else
        AppMessageBox(text, flags);
}

void ShowError(const char *text, UINT flags) {
    ShowInformation(text, flags);
    RecordFailure();
}

void RecordFailure() {
    g_failed = true;
}

void RecordCancel() {
    g_cancelled = true;
}

int AskRestart(const char *question) {
    g_restartDue = true;
    switch (g_switches.restart) {
    case RESTART_NEVER:
        return IDNO;
    case RESTART_FORCE:
        return IDYES;
    case RESTART_ASK:
        break;
    }
    return Unattended() ? IDNO : AppMessageBox(question, MB_YESNO | MB_ICONQUESTION);
}

void ForcedRestart() {
    g_restartDue = true;
    RestartRule rule = g_switches.restart;
    if (rule == RESTART_FORCE || (rule == RESTART_ASK && !Unattended()))
        StartRestart();
}

void StartRestart() {
    if (!g_restartStarted && RestartSystem() != 0)
        g_restartStarted = true;
}

void EndWithFatalError(const char *text) {
    DWORD self = GetCurrentThreadId();
    DWORD reporter = 0;
    if (!g_fatalThread.compare_exchange_strong(reporter, self)) {
        // A fatal error in the report itself (its line, its box or the runtime's exit).
        if (reporter == self) {
            EndTraceLog();
            exit(EXIT_FAILED);
        }
        WaitForTheFatalEnd();
    }
    g_failed = true;
    TraceLog("%s", text);
    if (!Unattended())
        AppMessageBox(text, MB_OK | MB_ICONSTOP);
    EndRunWith(EXIT_FAILED);
}

void EndRun(int interactiveCode) {
    if (!Unattended())
        EndRunWith(interactiveCode);
    int code = g_failed           ? EXIT_FAILED
               : g_cancelled      ? EXIT_CANCELLED
               : g_restartStarted ? EXIT_RESTART_STARTED
               : g_restartDue     ? EXIT_RESTART_DUE
                                  : 0;
    EndRunWith(code);
}

void EndRunWith(int code) {
    DWORD reporter = g_fatalThread;
    if (reporter != 0 && reporter != GetCurrentThreadId())
        WaitForTheFatalEnd();
    if (Unattended())
        TraceLog("EXIT CODE : %d", code);
    EndTraceLog();
    exit(code);
}
