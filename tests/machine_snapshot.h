// The whole simulated machine as one comparable picture: files, both registry views, spooler
// objects, forms, the INF store and device records.
#pragma once
#include <map>
#include <string>
#include <vector>

using MachineSnapshot = std::map<std::string, std::string>;

MachineSnapshot TakeSnapshot();

// The entries that differ between two snapshots, each as "- key", "+ key" or "~ key".
std::vector<std::string> SnapshotDifferences(const MachineSnapshot &before,
                                             const MachineSnapshot &after);

// The differences that no pattern allows (a pattern is a regular expression matched against a
// whole "- key" / "+ key" / "~ key" line).
std::vector<std::string> UnexpectedDifferences(const MachineSnapshot &before,
                                               const MachineSnapshot &after,
                                               const std::vector<std::string> &allowed);

// What a full uninstall may leave of an installation, each with its reason, or take beyond it,
// as patterns for UnexpectedDifferences.
extern const std::vector<std::string> kUninstallLeftovers;
