// The run's trace log in the Temp folder at the root of the system drive.
#pragma once

// Sets the log path from the program's file name and deletes the previous run's log; makes the
// Temp folder, with a DACL of its own, when it is missing.
void StartTraceLog(const char *fileName);

// Appends one time-stamped line to the log this run created, reached relative to the checked Temp
// folder; whatever else has the log's name is replaced by a fresh log first. A log that cannot be
// opened, or that is a link or has a second name, drops the line silently.
void TraceLog(const char *format, ...);

// The run is ending through exit: the log takes no further line. Exit runs no destructor, so no
// step still open then writes its END.
void EndTraceLog();

// The separator that every step writes before its BEGIN line.
void TraceSeparator();
