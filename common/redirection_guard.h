// Windows 10 and 11 can keep a process from following junctions that users made; older systems
// do not offer it, and nothing the programs do depends on it.
#pragma once

// Turns the guard on where the system offers it (looked up at run time; missing before
// Windows 8, unknown to Windows before 10).
void GuardRedirection();
