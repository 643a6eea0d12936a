// The run's trace log in the Temp folder at the root of the system drive.
#pragma once

// Sets the log path from the program's file name and deletes the previous run's log.
void StartTraceLog(const char *fileName);

// Appends one time-stamped line; a log that cannot be opened, or that is reached through a link
// or has a second name, drops the line silently.
void TraceLog(const char *format, ...);

// The separator that every step writes before its BEGIN line.
void TraceSeparator();
