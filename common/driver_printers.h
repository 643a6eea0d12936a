// The local printers that use a given driver.
#pragma once
#include <string>
#include <vector>

// Appends, in the spooler's order, the names of the local printers whose driver is exactly
// driverName. False when the spooler cannot list its printers; GetLastError() then tells why.
bool PrintersOfDriver(const std::string &driverName, std::vector<std::string> &names);
