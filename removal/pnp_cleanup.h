// Plug-and-play leftovers of the printer: USB device records, enumeration keys, directories.
#pragma once
#include "common/step_host.h"

void DeleteVidPid(const StepHost &host, StatusMode mode);
// Removes every USB device record whose first hardware id starts with hardwareId.
bool RemoveDevicesByHardwareId(const char *hardwareId);
void Delete_LPT_USB_Info(const StepHost &host, StatusMode mode);
void DeletePrnDrvPnPDirectory(const StepHost &host, StatusMode mode);
