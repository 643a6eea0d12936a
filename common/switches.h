// The command-line switches both programs take for unattended deployment.
#pragma once
#include <string>

// How much of the program shows: all of it, the progress alone (/passive), nothing (/quiet).
enum UiLevel { UI_FULL, UI_PASSIVE, UI_NONE };
// What happens when a restart is due: the question, never (/norestart), at once (/forcerestart).
enum RestartRule { RESTART_ASK, RESTART_NEVER, RESTART_FORCE };

struct Switches {
    UiLevel ui = UI_FULL;
    RestartRule restart = RESTART_ASK;
    int portIndex = -1; // -1: no /port: given
};

// What follows the program's own name, quoted or not, in a full command line.
const char *CommandArguments(const char *commandLine);

// Reads blank-separated switches that start with '/' or '-', in any letter case; /port: is known
// when takesPort is set. Every switch is read, so that a /quiet after a bad one still holds. On a
// bad or conflicting switch returns false with error set to a line that names it.
bool ParseSwitches(const char *arguments, bool takesPort, Switches &switches, std::string &error);

// The usage box's text for the program named program.
std::string UsageText(const char *program, bool takesPort);
