// Unattended runs: what they do in place of each question and box, and the exit codes that
// deployment tools read. A run without switches keeps its windows, boxes and codes.
#pragma once
#include <windows.h>

#include "common/switches.h"

const int EXIT_BAD_SWITCH = 87;        // ERROR_INVALID_PARAMETER
const int EXIT_CANCELLED = 1602;       // ERROR_INSTALL_USER_EXIT
const int EXIT_FAILED = 1603;          // ERROR_INSTALL_FAILURE
const int EXIT_RESTART_STARTED = 1641; // ERROR_SUCCESS_REBOOT_INITIATED
const int EXIT_RESTART_DUE = 3010;     // ERROR_SUCCESS_REBOOT_REQUIRED

// Reads the switches of the process's command line. A bad one ends the process with 87: after
// the usage box in an interactive run, after a trace line (the trace log is started for it) in
// an unattended one.
void ReadRunSwitches(bool takesPort);
const Switches &RunSwitches();
// /quiet or /passive: nothing waits for an answer.
bool Unattended();

// A box that informs: shown in an interactive run, its text a trace line in an unattended one.
void ShowInformation(const char *text, UINT flags);
// An error box: the same, and an unattended run ends with 1603.
void ShowError(const char *text, UINT flags);
// A failure that shows no box; an unattended run ends with 1603.
void RecordFailure();
// The user ended the dialog before the work started; an unattended run ends with 1602.
void RecordCancel();

// The restart question, answered by the user, by /norestart (No) or /forcerestart (Yes); an
// unattended run answers No. From here on a restart is due.
int AskRestart(const char *question);
// A restart that interactive runs start without asking: started unless /norestart, and in an
// unattended run only with /forcerestart. From here on a restart is due.
void ForcedRestart();
// RestartSystem, remembering whether the system took the request; once it did, not again.
void StartRestart();

// Ends a run that cannot go on (a system DLL that does not load, no memory left): the text as a
// trace line and, in an interactive run, in an error box; then 1603 in every mode. Needs no free
// memory.
[[noreturn]] void EndWithFatalError(const char *text);

// Ends the process. An interactive run ends with interactiveCode. An unattended run ends with
// 1603 after a failure, else 1602 after a cancel, else 1641 after a restart was started, else
// 3010 when one is due, else 0.
[[noreturn]] void EndRun(int interactiveCode);
// Ends the process with code whatever the mode; while another thread reports a fatal error, waits
// for that end instead.
[[noreturn]] void EndRunWith(int code);
