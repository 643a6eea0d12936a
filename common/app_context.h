// What the shared routines need to know about the program they run in.
#pragma once
#include <windows.h>

struct ProgramSettings {
    const char *title;       // caption of the program's message boxes
    const char *logFileName; // trace log name, appended to the Temp folder
};

// Called once by each program's application object before its dialog starts.
void SetCurrentProgram(const ProgramSettings &settings);
const ProgramSettings &CurrentProgram();

// The dialog that owns the program's message boxes and receives the refresh message.
void SetMainWindow(HWND window);
HWND MainWindow();

// Shows a message box owned by the main window with the program's caption.
int AppMessageBox(const char *text, UINT flags);
