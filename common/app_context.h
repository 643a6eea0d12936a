// What the shared routines need to know about the program they run in.
#pragma once
#include <windows.h>

struct ProgramSettings {
    const char *title;       // caption of the program's message boxes
    const char *logFileName; // trace log name, appended to the Temp folder
    // Profile ids from 21 on differ between the two programs' tables.
    UINT makerId;
    UINT formTagId;
    UINT descriptionFileId; // QMR640.GPD
    UINT fontFileId;        // QMR640.BUD
    UINT settingsFileId;    // UI640.INI
    // The uninstaller's removal reports each step to its dialog and traces more detail; the
    // steps read it from their StepHost.
    bool detailedRemoval;
};

// Called once by each program's application object before its dialog starts.
void SetCurrentProgram(const ProgramSettings &settings);
const ProgramSettings &CurrentProgram();

// The dialog that owns the program's message boxes and receives the refresh message.
void SetMainWindow(HWND window);
HWND MainWindow();

// Shows a message box owned by the main window with the program's caption.
int AppMessageBox(const char *text, UINT flags);
