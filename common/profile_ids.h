// Ids 1 to 20 of the product profile, the same in both programs' string tables. Both resource.h
// files include it, so it holds nothing but the ids the resource compiler reads too.
#ifndef QMR640_PROFILE_IDS_H
#define QMR640_PROFILE_IDS_H

#define IDS_MODEL_NAME 1
#define IDS_DRIVER_NAME 2
#define IDS_MONITOR_NAME 3
#define IDS_PROCESSOR_NAME 4
#define IDS_DRIVER_FILE 5
#define IDS_MONITOR_FILE 6
#define IDS_PROCESSOR_FILE 7
#define IDS_UI_FILE 8
#define IDS_RENDER_FILE 9
#define IDS_INF_FILE 11
#define IDS_USB_HARDWARE_ID 12
#define IDS_PNP_DIR_FIRST 13
#define IDS_PNP_DIR_SECOND 14
#define IDS_USBPRINT_ENUM_KEY 15
#define IDS_LPTENUM_ENUM_KEY 16
#define IDS_INSTALLER_FILE 17
#define IDS_UNINSTALLER_FILE 18
#define IDS_UNINSTALL_KEY 20

#endif
