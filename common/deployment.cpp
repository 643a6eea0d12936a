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
} // namespace

void ReadRunSwitches(bool takesPort) {
    g_failed = false;
    g_cancelled = false;
    g_restartDue = false;
    g_restartStarted = false;
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
    if (RestartSystem() != 0)
        g_restartStarted = true;
}

void EndRun(int interactiveCode) {
    if (!Unattended())
        exit(interactiveCode);
    int code = g_failed           ? EXIT_FAILED
               : g_cancelled      ? EXIT_CANCELLED
               : g_restartStarted ? EXIT_RESTART_STARTED
               : g_restartDue     ? EXIT_RESTART_DUE
                                  : 0;
    EndRunWith(code);
}

void EndRunWith(int code) {
    if (Unattended())
        TraceLog("EXIT CODE : %d", code);
    exit(code);
}
