// Reads a program's resource script, the same file the Windows build compiles: string table,
// dialog templates and icons; and the calls that load them.
#include "machine.h"

#include <stdlib.h>
#include <string.h>

#include <sstream>

namespace winsim {
namespace {

const std::map<std::string, long> &StyleNames() {
    static const std::map<std::string, long> names = {
        {"WS_POPUP", WS_POPUP},
        {"WS_CHILD", WS_CHILD},
        {"WS_VISIBLE", WS_VISIBLE},
        {"WS_DISABLED", WS_DISABLED},
        {"WS_CAPTION", WS_CAPTION},
        {"WS_BORDER", WS_BORDER},
        {"WS_VSCROLL", WS_VSCROLL},
        {"WS_SYSMENU", WS_SYSMENU},
        {"WS_GROUP", WS_GROUP},
        {"WS_TABSTOP", WS_TABSTOP},
        {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
        {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
        {"WS_EX_APPWINDOW", WS_EX_APPWINDOW},
        {"DS_MODALFRAME", DS_MODALFRAME},
        {"DS_SETFONT", DS_SETFONT},
        {"BS_PUSHBUTTON", BS_PUSHBUTTON},
        {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
        {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
        {"BS_GROUPBOX", BS_GROUPBOX},
        {"SS_LEFT", SS_LEFT},
        {"LBS_NOTIFY", LBS_NOTIFY},
        {"LBS_SORT", LBS_SORT},
        {"LBS_OWNERDRAWFIXED", LBS_OWNERDRAWFIXED},
        {"LBS_HASSTRINGS", LBS_HASSTRINGS},
        {"LBS_NOINTEGRALHEIGHT", LBS_NOINTEGRALHEIGHT},
        {"IDOK", IDOK},
        {"IDCANCEL", IDCANCEL},
    };
    return names;
}

struct Script {
    std::map<std::string, long> defines;

    long Value(const std::string &token) const {
        std::string t = token;
        while (!t.empty() && t.front() == '(')
            t.erase(0, 1);
        while (!t.empty() && t.back() == ')')
            t.pop_back();
        if (t.empty())
            throw std::runtime_error("empty value in resource script");
        if ((t[0] >= '0' && t[0] <= '9') || t[0] == '-')
            return strtol(t.c_str(), nullptr, 0);
        auto define = defines.find(t);
        if (define != defines.end())
            return define->second;
        auto style = StyleNames().find(t);
        if (style != StyleNames().end())
            return style->second;
        throw std::runtime_error("unknown name in resource script: " + t);
    }

    // "A | B | NOT C"
    long Expression(const std::string &text) const {
        long value = 0;
        bool negate = false;
        std::istringstream in(text);
        std::string token;
        while (in >> token) {
            if (token == "|")
                continue;
            if (token == "NOT") {
                negate = true;
                continue;
            }
            value = negate ? value & ~Value(token) : value | Value(token);
            negate = false;
        }
        return value;
    }
};

std::string Unquote(const std::string &token) {
    std::string text;
    for (size_t i = 1; i + 1 < token.size(); ++i) {
        char c = token[i];
        if (c == '\\' && i + 2 < token.size()) {
            char e = token[++i];
            text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        } else if (c == '"' && token[i + 1] == '"') {
            text += '"';
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

// Splits on commas outside quotes and trims each field.
std::vector<std::string> Fields(const std::string &text) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    for (std::string &f : fields) {
        size_t b = f.find_first_not_of(" \t"), e = f.find_last_not_of(" \t\r");
        f = b == std::string::npos ? "" : f.substr(b, e - b + 1);
    }
    return fields;
}

std::string FirstWord(const std::string &line, std::string &rest) {
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos) {
        rest.clear();
        return "";
    }
    size_t e = line.find_first_of(" \t", b);
    rest = e == std::string::npos ? "" : line.substr(e + 1);
    return line.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

RECT Rect(const Script &s, const std::vector<std::string> &f, size_t at) {
    RECT r = {LONG(s.Value(f.at(at))), LONG(s.Value(f.at(at + 1))), LONG(s.Value(f.at(at + 2))),
              LONG(s.Value(f.at(at + 3)))};
    return r;
}

ControlTemplate Control(const Script &s, const std::string &kind, const std::string &rest) {
    std::vector<std::string> f = Fields(rest);
    ControlTemplate c;
    const long child = WS_CHILD | WS_VISIBLE;
    if (kind == "CONTROL") {
        c.text = Unquote(f.at(0));
        c.id = int(s.Value(f.at(1)));
        c.className = Unquote(f.at(2));
        c.style = DWORD(child | s.Expression(f.at(3)));
        c.rect = Rect(s, f, 4);
        return c;
    }
    if (kind == "LISTBOX") {
        c.className = "ListBox";
        c.id = int(s.Value(f.at(0)));
        c.rect = Rect(s, f, 1);
        c.style = DWORD(child | (f.size() > 5 ? s.Expression(f[5]) : LBS_NOTIFY | WS_BORDER));
        return c;
    }
    c.text = Unquote(f.at(0));
    c.id = int(s.Value(f.at(1)));
    c.rect = Rect(s, f, 2);
    long extra = f.size() > 6 ? s.Expression(f[6]) : 0;
    if (kind == "LTEXT") {
        c.className = "Static";
        c.style = DWORD(child | SS_LEFT | WS_GROUP | extra);
    } else if (kind == "GROUPBOX") {
        c.className = "Button";
        c.style = DWORD(child | BS_GROUPBOX | extra);
    } else if (kind == "PUSHBUTTON" || kind == "DEFPUSHBUTTON") {
        c.className = "Button";
        c.style =
            DWORD(child | WS_TABSTOP | (kind == "DEFPUSHBUTTON" ? BS_DEFPUSHBUTTON : 0) | extra);
    } else {
        throw std::runtime_error("unknown control in resource script: " + kind);
    }
    return c;
}

} // namespace

void ParseResourceScript(Module &module, const std::string &rcText, const std::string &header) {
    Script s;
    std::istringstream defines(header);
    std::string line;
    while (std::getline(defines, line)) {
        std::istringstream in(line);
        std::string directive, name, value;
        in >> directive >> name;
        std::getline(in, value);
        if (directive == "#define" && !value.empty())
            s.defines[name] = s.Value(Fields(value)[0]);
    }

    std::istringstream in(rcText);
    enum { Top, Strings, Dialog } state = Top;
    DialogTemplate *dialog = nullptr;
    while (std::getline(in, line)) {
        std::string rest, word = FirstWord(line, rest);
        if (word.empty() || word[0] == '#' || word.compare(0, 2, "//") == 0)
            continue;
        if (word == "BEGIN" || word == "{")
            continue;
        if (word == "END" || word == "}") {
            state = Top;
            continue;
        }
        if (state == Strings) {
            module.strings[UINT(s.Value(word))] = Unquote(Fields(rest)[0]);
            continue;
        }
        if (state == Dialog) {
            if (word == "STYLE")
                dialog->style = DWORD(s.Expression(rest));
            else if (word == "EXSTYLE")
                dialog->exStyle = DWORD(s.Expression(rest));
            else if (word == "CAPTION")
                dialog->caption = Unquote(Fields(rest)[0]);
            else if (word == "FONT") {
                std::vector<std::string> f = Fields(rest);
                dialog->fontSize = int(s.Value(f.at(0)));
                dialog->fontName = Unquote(f.at(1));
            } else {
                dialog->controls.push_back(Control(s, word, rest));
            }
            continue;
        }
        if (word == "STRINGTABLE") {
            state = Strings;
            continue;
        }
        if (word == "LANGUAGE")
            continue;
        std::string kind, after = rest;
        kind = FirstWord(rest, after);
        if (kind == "ICON") {
            module.icons.insert(int(s.Value(word)));
        } else if (kind == "DIALOGEX" || kind == "DIALOG") {
            dialog = &module.dialogs[int(s.Value(word))];
            std::vector<std::string> f = Fields(after);
            dialog->rect = Rect(s, f, 0);
            state = Dialog;
        }
    }
}

const DialogTemplate *FindDialogTemplate(HINSTANCE module, int id) {
    size_t index = (size_t(uintptr_t(module)) - 0x400000) / 0x10000;
    if (index >= g_modules.size())
        return nullptr;
    auto it = g_modules[index]->dialogs.find(id);
    return it == g_modules[index]->dialogs.end() ? nullptr : &it->second;
}

Module *FindModule(HINSTANCE instance) {
    size_t index = (size_t(uintptr_t(instance)) - 0x400000) / 0x10000;
    return uintptr_t(instance) >= 0x400000 && index < g_modules.size() ? g_modules[index].get()
                                                                       : nullptr;
}

} // namespace winsim

using namespace winsim;

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
    Api api("LoadStringA");
    if (api.failed() || size <= 0)
        return 0;
    Module *module = FindModule(instance);
    auto it = module == nullptr ? decltype(module->strings)::iterator() : module->strings.find(id);
    if (module == nullptr || it == module->strings.end()) {
        buffer[0] = '\0';
        SetError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
        return 0;
    }
    size_t count = it->second.size() < size_t(size) ? it->second.size() : size_t(size) - 1;
    memcpy(buffer, it->second.data(), count);
    buffer[count] = '\0';
    return int(count);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    Api api("LoadIconA");
    Module *module = FindModule(instance);
    if (api.failed() || module == nullptr || !IS_INTRESOURCE(name) ||
        module->icons.count(int(uintptr_t(name))) == 0) {
        SetError(1813); // ERROR_RESOURCE_TYPE_NOT_FOUND
        return NULL;
    }
    return (HICON)(uintptr_t(instance) + uintptr_t(name));
}
