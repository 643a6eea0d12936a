// The dialogs' message pre-translation while a worker runs.
#pragma once
#include <windows.h>

// Shows the wait cursor and removes the Close command while busy; returns true when the
// message is to be swallowed (Escape while swallowEscape is set).
bool FilterBusyMessage(HWND dialog, bool busy, bool swallowEscape, const MSG &msg);

// Runs filter on every message the calling thread's dialog loop takes from the queue, before
// the dialog handles it; a true result drops the message.
typedef bool (*MessageFilter)(void *context, const MSG &msg);
void InstallMessageFilter(MessageFilter filter, void *context);
void RemoveMessageFilter();
