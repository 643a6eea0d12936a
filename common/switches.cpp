#include "common/switches.h"

#include <string.h>

#include "common/ports.h"

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Switches and port names are plain ASCII: folding A-Z is all "any letter case" needs.
std::string Lower(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

bool SameText(const std::string &a, const char *b) {
    return Lower(a) == Lower(b);
}

int PortIndexOfName(const std::string &name) {
    for (int index = 0; index < PORT_COUNT; ++index)
        if (SameText(name, kPorts[index].name))
            return index;
    return -1;
}

// Keeps the first problem: the one the user meets first on the line.
void Note(std::string &error, const std::string &text) {
    if (error.empty())
        error = text;
}

void ReadSwitch(const std::string &token, bool takesPort, Switches &switches, std::string &error) {
    std::string name = Lower(token.substr(1));
    const std::string portPrefix = "port:";
    if (name == "quiet") {
        switches.ui = UI_NONE;
    } else if (name == "passive") {
        if (switches.ui != UI_NONE)
            switches.ui = UI_PASSIVE;
    } else if (name == "norestart" || name == "forcerestart") {
        RestartRule rule = name == "norestart" ? RESTART_NEVER : RESTART_FORCE;
        if (switches.restart != RESTART_ASK && switches.restart != rule)
            Note(error, "CONFLICTING SWITCH : " + token);
        else
            switches.restart = rule;
    } else if (takesPort && name.compare(0, portPrefix.size(), portPrefix) == 0) {
        int index = PortIndexOfName(name.substr(portPrefix.size()));
        if (index < 0)
            Note(error, "UNKNOWN PORT : " + token);
        else if (switches.portIndex >= 0 && switches.portIndex != index)
            Note(error, "CONFLICTING SWITCH : " + token);
        else
            switches.portIndex = index;
    } else {
        Note(error, "UNKNOWN SWITCH : " + token);
    }
}
} // namespace

const char *CommandArguments(const char *commandLine) {
    const char *p = commandLine;
    if (p == NULL)
        return "";
    if (*p == '"') {
        const char *close = strchr(p + 1, '"');
        p = close != NULL ? close + 1 : p + strlen(p);
    } else {
        while (*p != '\0' && !IsBlank(*p))
            ++p;
    }
    while (IsBlank(*p))
        ++p;
    return p;
}

bool ParseSwitches(const char *arguments, bool takesPort, Switches &switches, std::string &error) {
    switches = Switches();
    error.clear();
    const char *p = arguments != NULL ? arguments : "";
    while (*p != '\0') {
        while (IsBlank(*p))
            ++p;
        // Quotes group blanks into a token and are dropped, as the C runtime's argv has it.
        const char *start = p;
        std::string token;
        bool quoted = false;
        for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                token += *p;
        }
        if (p == start)
            continue;
        if (token.size() > 1 && (token[0] == '/' || token[0] == '-'))
            ReadSwitch(token, takesPort, switches, error);
        else
            Note(error, "UNKNOWN SWITCH : " + token);
    }
    return error.empty();
}

std::string UsageText(const char *program, bool takesPort) {
    std::string text = std::string("Usage: ") + program +
                       " [/quiet | /passive] [/norestart | /forcerestart]" +
                       (takesPort ? " [/port:NAME]" : "") +
                       "\n\n/quiet\tno window at all\n/passive\tthe progress only, no question"
                       "\n/norestart\tnever restart\n/forcerestart\trestart without asking when "
                       "a restart is due\n";
    if (takesPort) {
        text += "/port:NAME\tthe printer's port: ";
        for (int index = 0; index < PORT_COUNT; ++index)
            text += std::string(kPorts[index].name) + (index + 2 < PORT_COUNT   ? ", "
                                                       : index + 1 < PORT_COUNT ? " or "
                                                                                : "\n");
    }
    return text + "\nSwitches start with / or - and take any letter case.";
}
