// Resource ids of the uninstaller: product profile, dialog and controls.
#include "../common/profile_ids.h"

#define IDS_MAKER_NAME 21
#define IDS_GPD_FILE 22
#define IDS_BUD_FILE 23
#define IDS_UI_INI_FILE 24
#define IDS_FORM_TAG 25

#define IDR_MAINFRAME 128
#define IDD_KSTPOS_UNINSTALLER_DIALOG 102

#define IDC_STATUS 1000
#define IDC_UNINSTALL 1001
#define IDC_PROGRESS 1002
#define IDC_PRINTER_LIST 1006

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
