#include "QMR640_Installer/KSTPOS_Installer.h"

#include <commctrl.h>
#include <stdlib.h>

#include "QMR640_Installer/KSTPOS_InstallerDlg.h"
#include "common/app_context.h"

const ProgramSettings kInstallerProgram = {"QMR640_Installer", "\\QMR-640_Installer.txt"};

BOOL CKSTPOS_InstallerApp::InitInstance() {
    InitCommonControls();
    SetCurrentProgram(kInstallerProgram);
    CKSTPOS_InstallerDlg dialog;
    dialog.DoModal();
    // End here while the dialog still exists: the worker may still be using it.
    exit(0);
}
