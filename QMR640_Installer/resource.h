// Resource ids of the installer: product profile, dialogs and controls.
#include "../common/profile_ids.h"

#define IDS_VERSION_MAJOR 21
#define IDS_VERSION_MINOR 22
#define IDS_VERSION_BUILD 23
#define IDS_VERSION_EXTRA 24
#define IDS_MAKER_NAME 25
#define IDS_GPD_FILE 26
#define IDS_BUD_FILE 27
#define IDS_UI_INI_FILE 28
#define IDS_FORM_TAG 29

#define IDR_MAINFRAME 128
#define IDD_KSTPOS_INSTALLER_DIALOG 102
#define IDD_PORT_DLG 129

#define IDC_PROGRESS 1000
#define IDC_VERSION 1001
#define IDC_MESSAGES 1003

#define IDC_RADIO_COM1 1006
#define IDC_RADIO_COM2 1008
#define IDC_RADIO_COM3 1009
#define IDC_RADIO_COM4 1011
#define IDC_RADIO_LPT1 1007
#define IDC_RADIO_LPT2 1010
#define IDC_RADIO_USB 1001

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
