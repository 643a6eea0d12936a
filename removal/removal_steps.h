// The removal engine: the ordered steps that take the package off the system. Both programs
// carry it; their differences come from the program's settings.
#pragma once
#include <list>
#include <string>
#include <vector>

#include "common/step_host.h"

// Installer: deletes every local printer on the product's driver, then RemoveDrivers. A failed
// printer enumeration shows its box and ends the process before anything is removed.
void DeletePrinterObjects(const StepHost &host);
void RemoveDrivers(const StepHost &host);
// Uninstaller: deletes the listed printers, then restarts the spooler.
void RemovePrinterObjects(const std::list<std::string> &printers);
void DeletePrinterObject(const char *printerName);
void PurgePrintJobs(HANDLE printer);

// Returns whether the uninstall entry was deleted.
bool RemoveFromOS(const StepHost &host);
bool DeletePrinterDrv(const StepHost &host, const char *modelName);
void DeleteLanguageMonitor(const StepHost &host);
void DeleteProcessor(const StepHost &host);
void DeleteForms(const StepHost &host);
void DeleteDriverComponent(const StepHost &host);
// The driver's own files that DeleteDriverComponent deletes, in its order, below the Windows and
// the printer-driver directory (an empty one could not be read: nothing below it).
std::vector<std::string> DriverComponentPaths(const StepHost &host, const std::string &windows,
                                              const std::string &drivers);
void DeleteINFFile(const StepHost &host);
bool DeleteUninstallationInfo(const StepHost &host);
void DeleteUninstallInfoFromReg(const StepHost &host);
