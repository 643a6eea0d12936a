// File routines shared by the installation and removal steps.
#pragma once
#include <windows.h>
#include <string>

// Copies over the destination; a locked destination is moved aside to ".old" and copied once more.
void GuardedCopy(const std::string &source, const std::string &destination);
bool HandleCopyFailure(const std::string &source, const std::string &destination, DWORD errorCode);

// Deletes a directory with everything below it, read-only files included, through handles held
// open while it works (common/directory_tree.cpp). Links inside (junctions, symbolic links) go
// themselves, never what they point to; so does a path that is itself a link.
void DeleteDirectoryTree(const std::string &path);

// Writes the trace line of a failed DeleteFileA; always false.
bool ReportDeleteFileError(const std::string &path, DWORD errorCode);
// Deletes a file and traces a failure; true when it was deleted.
bool DeleteFileReported(const std::string &path);

// Creates the directory anew, emptied if it exists, readable and runnable by every user; true
// only when it was made anew with that DACL. A directory that stays gets that DACL all the same.
BOOL CreateDirectoryWithSA(const std::string &path);
