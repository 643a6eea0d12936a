// Whether the spooler has a printer driver of a given name.
#pragma once
#include <string>

#include "common/step_host.h"

// 1 when a driver of exactly that name is registered, else 0 (also when the spooler fails).
int PrinterDrvExist(const std::string &driverName, const StepHost &host, StatusMode mode);
