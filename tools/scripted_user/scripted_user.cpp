// A scripted user for the end-to-end runs: starts a program, answers its dialogs and message
// boxes as a script says, and logs every window it meets with its texts.
//
//   scripted_user <script> <log> <program> [arguments...]
//   scripted_user <script> <log> -c <command line>    (started exactly as given)
//
// The program runs in the current directory (the installers read their options file there).
// Script lines, one step each, done in order; '#' starts a comment:
//   window <caption>             wait until a visible window with this caption shows
//   window <caption> | <text>    ... and one of its texts contains <text>
//   status <caption> | <text>    wait until a window with this caption, shown or not, has a text
//                                containing <text> (a progress dialog Wine keeps hidden)
//   expect-text <text>           a text of the current window contains <text>
//   expect-checked <text> <0|1>  a button's check state, or a list item's check mark
//   wait-enabled <text>          wait until a button of the current window is enabled
//   click <text>                 press a button of the current window (BM_CLICK)
//   toggle-item <text>           click the check box of a list item in list 1006
//   gone <caption>               wait until no window with this caption is visible
//   shot <file.bmp>              save the current window as it shows on the screen (24-bit BMP)
//   exit <code>                  wait until the program ends with this exit code
//   kill                         end the program at once (TerminateProcess), as a power cut would
// The log's EXIT line gives the program's exit code and its run time from its start.
// The helper's own exit code is 0 when every step was done, 2 when a step failed or timed out.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

const int kListId = 1006;      // the uninstaller's printer list
const int kCheckBoxWidth = 16; // its check boxes take the left 16 pixels of an item
const DWORD kPollMs = 100;
const DWORD kSettleMs = 500;    // a window just met may not have painted all of its controls yet
DWORD g_stepTimeoutMs = 180000; // emulated runs are slow: a step may take minutes

FILE *g_log = NULL;

void Log(const char *format, ...) {
    va_list args;
    va_start(args, format);
    char line[2048];
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fprintf(g_log, "%s\n", line);
    fflush(g_log);
}

std::string WindowText(HWND window) {
    char text[1024] = {0};
    // WM_GETTEXT rather than GetWindowText: the latter does not read another process's controls.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 2000,
                        NULL);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256] = {0};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// One line per control: class, id, text, and the state that matters for the class.
struct Control {
    HWND hwnd;
    std::string cls;
    int id;
    std::string text;
    std::string state;
};

bool IsListBox(const std::string &cls) {
    return _stricmp(cls.c_str(), "ListBox") == 0;
}

bool IsButton(const std::string &cls) {
    return _stricmp(cls.c_str(), "Button") == 0;
}

std::string ListItems(HWND list) {
    std::string items;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Read as UTF-16: under Wine the ANSI message gave another process only an item's first
        // letter.
        WCHAR wide[512] = {0};
        char text[512] = {0};
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < LRESULT(sizeof wide / sizeof wide[0]))
            SendMessageW(list, LB_GETTEXT, i, (LPARAM)wide);
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
        LRESULT data = SendMessageA(list, LB_GETITEMDATA, i, 0);
        char item[600];
        snprintf(item, sizeof item, "%s[%s]%s", i ? " " : "", data ? "x" : " ", text);
        items += item;
    }
    return items;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
    std::vector<Control> *controls = (std::vector<Control> *)parameter;
    Control control;
    control.hwnd = child;
    control.cls = ClassOf(child);
    control.id = GetDlgCtrlID(child);
    control.text = WindowText(child);
    if (IsButton(control.cls)) {
        LRESULT check = SendMessageA(child, BM_GETCHECK, 0, 0);
        if (check == BST_CHECKED)
            control.state = "checked";
    } else if (IsListBox(control.cls)) {
        control.state = "items: " + ListItems(child);
    }
    if (!IsWindowEnabled(child))
        control.state += control.state.empty() ? "disabled" : " disabled";
    if (!IsWindowVisible(child))
        control.state += control.state.empty() ? "hidden" : " hidden";
    controls->push_back(control);
    return TRUE;
}

std::vector<Control> Controls(HWND window) {
    std::vector<Control> controls;
    EnumChildWindows(window, CollectChild, (LPARAM)&controls);
    return controls;
}

std::string Describe(HWND window) {
    char head[1400];
    snprintf(head, sizeof head, "window %p class=%s%s caption=\"%s\"", (void *)window,
             ClassOf(window).c_str(), IsWindowVisible(window) ? "" : " (hidden)",
             WindowText(window).c_str());
    std::string text = head;
    for (const Control &control : Controls(window)) {
        char line[2400];
        snprintf(line, sizeof line, "\n  control class=%s id=%d text=\"%s\"%s%s",
                 control.cls.c_str(), control.id, control.text.c_str(),
                 control.state.empty() ? "" : " ", control.state.c_str());
        text += line;
    }
    return text;
}

DWORD g_ownProcess = 0;

// Dialogs and message boxes of any process but this one; the hidden ones only when they are
// dialogs, as the installer's preset port dialog is.
BOOL CALLBACK CollectTop(HWND window, LPARAM parameter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == g_ownProcess)
        return TRUE;
    bool visible = IsWindowVisible(window) != 0;
    if (visible || ClassOf(window) == "#32770")
        ((std::vector<HWND> *)parameter)->push_back(window);
    return TRUE;
}

// Logs each window when first met and again whenever its description changes.
std::map<HWND, std::string> g_seen;

void Note(HWND window) {
    std::string description = Describe(window);
    std::map<HWND, std::string>::iterator it = g_seen.find(window);
    if (it == g_seen.end() || it->second != description) {
        Log("%s %s", it == g_seen.end() ? "MET" : "CHANGED", description.c_str());
        g_seen[window] = description;
    }
}

std::vector<HWND> Survey() {
    std::vector<HWND> windows;
    EnumWindows(CollectTop, (LPARAM)&windows);
    for (HWND window : windows)
        Note(window);
    return windows;
}

bool AnyTextContains(HWND window, const std::string &needle) {
    if (WindowText(window).find(needle) != std::string::npos)
        return true;
    for (const Control &control : Controls(window))
        if (control.text.find(needle) != std::string::npos ||
            control.state.find(needle) != std::string::npos)
            return true;
    return false;
}

HWND FindShown(const std::string &caption, const std::string &text) {
    for (HWND window : Survey())
        if (IsWindowVisible(window) && WindowText(window) == caption &&
            (text.empty() || AnyTextContains(window, text)))
            return window;
    return NULL;
}

// As the survey saw it: a status line may change again before a second look.
HWND FindStatus(const std::string &caption, const std::string &text) {
    for (HWND window : Survey()) {
        const std::string &seen = g_seen[window];
        if (seen.find("caption=\"" + caption + "\"") != std::string::npos &&
            seen.find(text) != std::string::npos)
            return window;
    }
    return NULL;
}

// Button texts compare without their '&' mnemonic marks, so "No" finds "&No".
std::string Plain(const std::string &text) {
    std::string plain;
    for (char c : text)
        if (c != '&')
            plain += c;
    return plain;
}

HWND FindButton(HWND window, const std::string &text) {
    for (const Control &control : Controls(window))
        if (IsButton(control.cls) && Plain(control.text) == Plain(text))
            return control.hwnd;
    return NULL;
}

HWND FindList(HWND window) {
    HWND list = GetDlgItem(window, kListId);
    return list != NULL && IsListBox(ClassOf(list)) ? list : NULL;
}

int FindItem(HWND list, const std::string &text) {
    LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), (LPARAM)text.c_str());
    return index == LB_ERR ? -1 : int(index);
}

std::string Trim(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Writes a bottom-up 24-bit DIB as a BMP file.
bool WriteBmp(const std::string &file, int width, int height, const BYTE *bits) {
    DWORD stride = (DWORD(width) * 3 + 3) & ~DWORD(3);
    DWORD size = stride * DWORD(height);
    BITMAPFILEHEADER head;
    memset(&head, 0, sizeof head);
    head.bfType = 0x4D42; // "BM"
    head.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    head.bfSize = head.bfOffBits + size;
    BITMAPINFOHEADER info;
    memset(&info, 0, sizeof info);
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = size;
    FILE *out = fopen(file.c_str(), "wb");
    if (out == NULL)
        return false;
    bool ok = fwrite(&head, sizeof head, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
              fwrite(bits, 1, size, out) == size;
    return fclose(out) == 0 && ok;
}

// True when every pixel has the colour of the first: what a failed screen copy gives.
bool Blank(int width, int height, const BYTE *bits) {
    DWORD stride = (DWORD(width) * 3 + 3) & ~DWORD(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (memcmp(bits + y * stride + x * 3, bits, 3) != 0)
                return false;
    return true;
}

struct Runner {
    PROCESS_INFORMATION child;
    DWORD startTick;
    HWND current;

    bool Fail(const char *format, ...) {
        va_list args;
        va_start(args, format);
        char line[1024];
        vsnprintf(line, sizeof line, format, args);
        va_end(args);
        Survey();
        Log("FAILED %s", line);
        return false;
    }

    // Polls until done() holds; the windows are surveyed (and logged) on every round.
    template <typename Done> bool WaitFor(Done done) {
        DWORD start = GetTickCount();
        for (;;) {
            Survey();
            if (done())
                return true;
            if (GetTickCount() - start > g_stepTimeoutMs)
                return false;
            Sleep(kPollMs);
        }
    }

    bool Window(const std::string &argument, bool status = false) {
        std::string caption = argument, text;
        size_t bar = argument.find('|');
        if (bar != std::string::npos) {
            caption = Trim(argument.substr(0, bar));
            text = Trim(argument.substr(bar + 1));
        }
        HWND found = NULL;
        if (!WaitFor([&] {
                found = status ? FindStatus(caption, text) : FindShown(caption, text);
                return found != NULL;
            }))
            return Fail("no window \"%s\" with \"%s\"", caption.c_str(), text.c_str());
        // The survey may have logged it a moment before it was shown: log it as it was found.
        Note(found);
        current = found;
        return true;
    }

    bool Gone(const std::string &caption) {
        if (!WaitFor([&] { return FindShown(caption, "") == NULL; }))
            return Fail("window \"%s\" still shown", caption.c_str());
        return true;
    }

    bool Click(const std::string &text) {
        HWND button = FindButton(current, text);
        if (button == NULL)
            return Fail("no button \"%s\"", text.c_str());
        // Posted: the click may open a modal box, which a sent message would wait behind.
        PostMessageA(button, BM_CLICK, 0, 0);
        return true;
    }

    bool WaitEnabled(const std::string &text) {
        HWND button = NULL;
        if (!WaitFor([&] {
                button = FindButton(current, text);
                return button != NULL && IsWindowEnabled(button);
            }))
            return Fail("button \"%s\" not enabled", text.c_str());
        return true;
    }

    bool ToggleItem(const std::string &text) {
        HWND list = FindList(current);
        int index = list != NULL ? FindItem(list, text) : -1;
        if (index < 0)
            return Fail("no list item \"%s\"", text.c_str());
        RECT item = {0, 0, 0, 0};
        SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&item);
        // A press inside the item's check box, as a mouse would give it.
        LPARAM point = MAKELPARAM(kCheckBoxWidth / 2, (item.top + item.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(list, WM_LBUTTONUP, 0, point);
        return true;
    }

    bool Shot(const std::string &file) {
        if (file.empty())
            return Fail("shot needs a file name");
        // The window's thread answers only after the messages queued before, its repaints too.
        SendMessageTimeoutA(current, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, NULL);
        Sleep(kSettleMs);
        RECT rect;
        if (!IsWindowVisible(current) || !GetWindowRect(current, &rect))
            return Fail("the window to shoot is not shown");
        // Only what is on the screen can be copied.
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        IntersectRect(&rect, &rect, &screen);
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        if (width <= 0 || height <= 0)
            return Fail("the window is off the screen");

        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        HDC desktop = GetDC(NULL);
        HDC memory = CreateCompatibleDC(desktop);
        void *bits = NULL;
        HBITMAP bitmap = CreateDIBSection(desktop, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        bool copied = false;
        if (memory != NULL && bitmap != NULL) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            copied = BitBlt(memory, 0, 0, width, height, desktop, rect.left, rect.top,
                            SRCCOPY | CAPTUREBLT) != 0;
            GdiFlush();
            SelectObject(memory, old);
        }
        bool blank = copied && Blank(width, height, (const BYTE *)bits);
        bool written = copied && !blank && WriteBmp(file, width, height, (const BYTE *)bits);
        if (bitmap != NULL)
            DeleteObject(bitmap);
        if (memory != NULL)
            DeleteDC(memory);
        ReleaseDC(NULL, desktop);
        if (!copied)
            return Fail("cannot copy the screen (%lu)", GetLastError());
        if (blank)
            return Fail("the screen copy is one colour only");
        if (!written)
            return Fail("cannot write %s", file.c_str());
        Log("SHOT %s %dx%d at %ld,%ld", file.c_str(), width, height, rect.left, rect.top);
        return true;
    }

    bool ExpectText(const std::string &text) {
        if (!AnyTextContains(current, text))
            return Fail("no text \"%s\"", text.c_str());
        return true;
    }

    bool ExpectChecked(const std::string &argument) {
        size_t space = argument.find_last_of(' ');
        if (space == std::string::npos)
            return Fail("expect-checked needs a text and 0 or 1");
        std::string text = Trim(argument.substr(0, space));
        int wanted = atoi(argument.c_str() + space + 1);
        int actual = -1;
        HWND button = FindButton(current, text);
        HWND list = FindList(current);
        if (button != NULL)
            actual = SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
        else if (list != NULL && FindItem(list, text) >= 0)
            actual = SendMessageA(list, LB_GETITEMDATA, FindItem(list, text), 0) != 0;
        if (actual < 0)
            return Fail("nothing called \"%s\" to check", text.c_str());
        if (actual != wanted)
            return Fail("\"%s\" check state %d, expected %d", text.c_str(), actual, wanted);
        return true;
    }

    bool Exit(const std::string &argument) {
        DWORD wanted = DWORD(strtol(argument.c_str(), NULL, 0));
        DWORD code = STILL_ACTIVE;
        DWORD ended = 0;
        if (!WaitFor([&] {
                ended = GetTickCount();
                return WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(child.hProcess, &code);
            }))
            return Fail("the program did not end");
        Log("EXIT %ld after %lu ms", long(code), (unsigned long)(ended - startTick));
        if (code != wanted)
            return Fail("exit code %ld, expected %ld", long(code), long(wanted));
        return true;
    }

    bool Kill() {
        if (!TerminateProcess(child.hProcess, 1))
            return Fail("cannot end the program (%lu)", GetLastError());
        WaitForSingleObject(child.hProcess, INFINITE);
        Log("KILLED after %lu ms", (unsigned long)(GetTickCount() - startTick));
        return true;
    }

    bool Step(const std::string &verb, const std::string &argument) {
        if (verb == "window" || verb == "status")
            return Window(argument, verb == "status");
        if (verb == "gone")
            return Gone(argument);
        if (verb == "exit")
            return Exit(argument);
        if (verb == "kill")
            return Kill();
        if (current == NULL || !IsWindow(current))
            return Fail("\"%s\" without a window", verb.c_str());
        if (verb == "click")
            return Click(argument);
        if (verb == "wait-enabled")
            return WaitEnabled(argument);
        if (verb == "toggle-item")
            return ToggleItem(argument);
        if (verb == "expect-text")
            return ExpectText(argument);
        if (verb == "expect-checked")
            return ExpectChecked(argument);
        if (verb == "shot")
            return Shot(argument);
        return Fail("unknown step \"%s\"", verb.c_str());
    }
};

std::string Quote(const char *argument) {
    return std::string("\"") + argument + "\"";
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: scripted_user <script> <log> <program> [arguments...]\n");
        return 2;
    }
    FILE *script = fopen(argv[1], "r");
    g_log = fopen(argv[2], "w");
    if (script == NULL || g_log == NULL) {
        fprintf(stderr, "scripted_user: cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    const char *timeout = getenv("SCRIPTED_USER_STEP_TIMEOUT_MS");
    if (timeout != NULL && atol(timeout) > 0)
        g_stepTimeoutMs = DWORD(atol(timeout));
    g_ownProcess = GetCurrentProcessId();

    std::string commandLine = Quote(argv[3]);
    for (int i = 4; i < argc; ++i)
        commandLine += " " + Quote(argv[i]);
    if (strcmp(argv[3], "-c") == 0 && argc == 5)
        commandLine = argv[4];
    Runner runner;
    runner.current = NULL;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    runner.startTick = GetTickCount();
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &runner.child)) {
        Log("FAILED cannot start %s (%lu)", commandLine.c_str(), GetLastError());
        return 2;
    }
    Log("STARTED %s", commandLine.c_str());

    bool ok = true;
    char line[1024];
    int number = 0;
    while (ok && fgets(line, sizeof line, script) != NULL) {
        ++number;
        std::string step = Trim(line);
        if (step.empty() || step[0] == '#')
            continue;
        size_t space = step.find(' ');
        std::string verb = step.substr(0, space);
        std::string argument = space == std::string::npos ? "" : Trim(step.substr(space + 1));
        Log("STEP %d: %s", number, step.c_str());
        ok = runner.Step(verb, argument);
    }
    fclose(script);
    if (ok)
        Log("DONE");
    // Whatever the script left running is ended, so that the run cannot hang the test.
    if (WaitForSingleObject(runner.child.hProcess, 0) != WAIT_OBJECT_0) {
        Log("TERMINATING the program, still running after the script");
        TerminateProcess(runner.child.hProcess, 99);
        ok = false;
    }
    CloseHandle(runner.child.hProcess);
    CloseHandle(runner.child.hThread);
    fclose(g_log);
    return ok ? 0 : 2;
}
