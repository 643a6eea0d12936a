// The driver package's files by name, as the steps that stage, place and remove them know them.
#pragma once
#include <string>
#include <vector>

// The printer-class driver's files, staged in the driver directory ahead of the product's own;
// in the driver's version folder other drivers share them.
extern const char *const kClassFiles[4];
extern const char kStandardNames[]; // the class driver's STDNAMES.GPD, staged last
// The product's files staged in the driver directory, in staging order.
std::vector<std::string> StagedProductFiles();
// All ten staged files: the class files, the product's, and the standard names.
std::vector<std::string> StagedFiles();
