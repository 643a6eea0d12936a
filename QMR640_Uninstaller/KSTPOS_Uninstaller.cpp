#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"

#include <commctrl.h>
#include <stdlib.h>

#include "QMR640_Uninstaller/KSTPOS_UninstallerDlg.h"
#include "common/app_context.h"

const ProgramSettings kUninstallerProgram = {"QMR640_Uninstaller", "\\QMR-640_UnInstaller.txt"};

BOOL CKSTPOS_UninstallerApp::InitInstance() {
    InitCommonControls();
    SetCurrentProgram(kUninstallerProgram);
    CKSTPOS_UninstallerDlg dialog;
    dialog.DoModal();
    // End here while the dialog still exists: a worker may still be using it.
    exit(0);
}
