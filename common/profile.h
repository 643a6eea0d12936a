// The product profile: the program's numbered table of product names.
#pragma once
#include <windows.h>
#include <string>

// Ids 1 to 20 are the same in both programs' tables; the shared routines use these.
const UINT PROFILE_MODEL_NAME = 1;
const UINT PROFILE_DRIVER_NAME = 2;
const UINT PROFILE_MONITOR_NAME = 3;
const UINT PROFILE_PROCESSOR_NAME = 4;
const UINT PROFILE_DRIVER_FILE = 5;
const UINT PROFILE_MONITOR_FILE = 6;
const UINT PROFILE_PROCESSOR_FILE = 7;
const UINT PROFILE_UI_FILE = 8;
const UINT PROFILE_RENDER_FILE = 9;
const UINT PROFILE_INF_FILE = 11;
const UINT PROFILE_USB_HARDWARE_ID = 12;
const UINT PROFILE_PNP_DIR_FIRST = 13;
const UINT PROFILE_PNP_DIR_SECOND = 14;
const UINT PROFILE_USBPRINT_ENUM_KEY = 15;
const UINT PROFILE_LPTENUM_ENUM_KEY = 16;
const UINT PROFILE_INSTALLER_FILE = 17;
const UINT PROFILE_UNINSTALLER_FILE = 18;
const UINT PROFILE_UNINSTALL_KEY = 20;

// The entry of the running program's table; empty for an id the table lacks.
std::string LoadProfileString(UINT id);

// A profile entry read as an unsigned decimal that stops at the first non-digit.
unsigned LoadProfileNumber(UINT id);
