#include "common/app_context.h"

namespace {
const ProgramSettings kNoProgram = {"", "", 0, 0, 0, 0, 0, false};
const ProgramSettings *g_program = &kNoProgram;
HWND g_mainWindow = NULL;
} // namespace

void SetCurrentProgram(const ProgramSettings &settings) {
    g_program = &settings;
    g_mainWindow = NULL;
}

const ProgramSettings &CurrentProgram() {
    return *g_program;
}

void SetMainWindow(HWND window) {
    g_mainWindow = window;
}

HWND MainWindow() {
    return g_mainWindow;
}

int AppMessageBox(const char *text, UINT flags) {
    return MessageBoxA(g_mainWindow, text, g_program->title, flags);
}
