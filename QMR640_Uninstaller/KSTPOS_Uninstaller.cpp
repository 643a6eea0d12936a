#include "QMR640_Uninstaller/KSTPOS_Uninstaller.h"

#include <stdlib.h>

#include "QMR640_Uninstaller/KSTPOS_UninstallerDlg.h"
#include "QMR640_Uninstaller/resource.h"
#include "common/app_context.h"
#include "common/deployment.h"
#include "common/program_start.h"

const ProgramSettings kUninstallerProgram = {"QMR640_Uninstaller", "\\QMR-640_UnInstaller.txt",
                                             IDS_MAKER_NAME,       IDS_FORM_TAG,
                                             IDS_GPD_FILE,         IDS_BUD_FILE,
                                             IDS_UI_INI_FILE,      true};

BOOL CKSTPOS_UninstallerApp::InitInstance() {
    StartProgram(kUninstallerProgram, false);
    CKSTPOS_UninstallerDlg dialog;
    if (RunSwitches().ui == UI_NONE)
        dialog.RunWithoutWindow();
    else
        dialog.DoModal();
    // End here while the dialog still exists: a worker may still be using it.
    EndRun(0);
}
