// The local printers that use a given driver.
#pragma once
#include <string>
#include <vector>

// Appends, in the spooler's order, the names of the local printers whose driver is exactly
// driverName, and with ports given each one's port list ("COM1:" or "COM1:,COM2:"). False when
// the spooler cannot list its printers; GetLastError() then tells why.
bool PrintersOfDriver(const std::string &driverName, std::vector<std::string> &names,
                      std::vector<std::string> *ports = nullptr);

// Whether a printer's port list names the port; port names take any letter case.
bool PortListHas(const std::string &list, const std::string &port);
