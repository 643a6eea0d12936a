// The OEM INFs of the system's INF store that list a printer model.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// The section of the INF that lists the models for the running Windows: the maker's name, with
// ".NTamd64" on 64-bit Windows.
std::string ModelSection(BOOL wow64);

// Calls found with the name of every OEM INF (a name starting with lower-case "oem") whose
// section holds a line with key, in the store's order. An INF that cannot be opened is skipped,
// and traced when traceOpenFailures is set.
void ForEachOemInfWithModel(const std::string &section, const char *key, bool traceOpenFailures,
                            const std::function<void(const char *name)> &found);
