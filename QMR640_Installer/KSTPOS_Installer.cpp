#include "QMR640_Installer/KSTPOS_Installer.h"

#include <stdlib.h>

#include "QMR640_Installer/KSTPOS_InstallerDlg.h"
#include "QMR640_Installer/resource.h"
#include "common/app_context.h"
#include "common/deployment.h"
#include "common/program_start.h"

const ProgramSettings kInstallerProgram = {
    "QMR640_Installer", "\\QMR-640_Installer.txt", IDS_MAKER_NAME, IDS_FORM_TAG, IDS_GPD_FILE,
    IDS_BUD_FILE,       IDS_UI_INI_FILE,           false};

BOOL CKSTPOS_InstallerApp::InitInstance() {
    StartProgram(kInstallerProgram, true);
    CKSTPOS_InstallerDlg dialog;
    if (RunSwitches().ui == UI_NONE)
        dialog.RunWithoutWindow();
    else
        dialog.DoModal();
    // End here while the dialog still exists: the worker may still be using it.
    EndRun(0);
}
