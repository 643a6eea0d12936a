// The OEM INFs of the system's INF store that list a printer model.
#pragma once
#include <functional>
#include <string>

// Calls found with the name of every OEM INF (a name starting with lower-case "oem") whose
// section holds a line with key, in the store's order. An INF that cannot be opened is skipped,
// and traced when traceOpenFailures is set.
void ForEachOemInfWithModel(const std::string &section, const char *key, bool traceOpenFailures,
                            const std::function<void(const char *name)> &found);
