#include "common/file_utils.h"

#include <aclapi.h>
#include <stdio.h>
#include <string.h>

#include "common/plain_file.h"
#include "common/scoped_handle.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
bool FileExists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Gives a folder that could not be made anew the DACL it was meant to get: it may still carry
// the one of an earlier release, which let everyone replace the programs in it.
void SetFolderDacl(const std::string &path, PACL acl) {
    ScopedHandle folder(OpenWithoutLinks(
        path.c_str(), WRITE_DAC | READ_CONTROL | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    if (!folder.Valid())
        return;
    DWORD result = IsPlain(folder.Get(), true)
                       ? SetSecurityInfo(folder.Get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                         NULL, NULL, acl, NULL)
                       : DWORD(ERROR_ACCESS_DENIED);
    if (result != ERROR_SUCCESS)
        TraceLog("SetSecurityInfo failed. (%d)", int(result));
}
} // namespace

void GuardedCopy(const std::string &source, const std::string &destination) {
    BOOL copied = CopyFileA(source.c_str(), destination.c_str(), FALSE);
    DWORD error = copied ? ERROR_SUCCESS : GetLastError();
    TraceLog("FILE SRC : %s", source.c_str());
    if (!copied)
        HandleCopyFailure(source, destination, error);
}

bool HandleCopyFailure(const std::string &source, const std::string &destination, DWORD errorCode) {
    if (errorCode != ERROR_ACCESS_DENIED && errorCode != ERROR_SHARING_VIOLATION) {
        TraceLog("COPYFILE ERROR, SRC : %s ", source.c_str());
        TraceLog("ERROR CODE : %d ", int(errorCode));
        TraceLog("COPYFILE ERROR, DES : %s ", destination.c_str());
        return false;
    }
    std::string recovery = destination + ".old";
    TraceLog(errorCode == ERROR_ACCESS_DENIED ? "ERROR_ACCESS_DENIED HANDLER"
                                              : "ERROR_SHARING_VIOLATION HANDLER");
    if (FileExists(recovery))
        DeleteFileA(recovery.c_str());
    // A file in use can still be renamed; the new copy then takes its place. A directory of that
    // name is never moved: it is not the file this copy replaces.
    DWORD attributes = GetFileAttributesA(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        rename(destination.c_str(), recovery.c_str());
        TraceLog("strDest : %s", destination.c_str());
        TraceLog("strDestWithOldExt : %s", recovery.c_str());
    }
    if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
        DWORD error = GetLastError();
        TraceLog("CopyFile Error : %s ", source.c_str());
        TraceLog("Error Code : (%d) ", int(error));
        TraceLog("CopyFile Error : %s ", destination.c_str());
    }
    return true;
}

bool ReportDeleteFileError(const std::string &path, DWORD errorCode) {
    TraceLog("DeleteFile Error : %s , (%d)", path.c_str(), int(errorCode));
    return false;
}

bool DeleteFileReported(const std::string &path) {
    if (DeleteFileA(path.c_str()))
        return true;
    return ReportDeleteFileError(path, GetLastError());
}

BOOL CreateDirectoryWithSA(const std::string &path) {
    StepFrame frame("CreateDirectoryWithSA");

    PSID everyone = NULL;
    SID_IDENTIFIER_AUTHORITY worldAuthority = {SECURITY_WORLD_SID_AUTHORITY};
    if (!AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  &everyone))
        TraceLog("Fail to get Everyone SID. (%d)", int(GetLastError()));

    // Read and run only: the folder holds the uninstaller, which runs with administrator rights.
    EXPLICIT_ACCESSA access;
    memset(&access, 0, sizeof access);
    access.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.pMultipleTrustee = NULL;
    access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = (LPSTR)everyone;

    PACL acl = NULL;
    SetEntriesInAclA(1, &access, NULL, &acl);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);

    SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;

    // Only a folder made anew with its own DACL is the program's: without an ACL the descriptor
    // would carry a NULL DACL, which grants everyone everything, and a folder that stays may hold
    // what an earlier release let any user put there.
    BOOL created = FALSE;
    if (acl != NULL) {
        created = CreateDirectoryA(path.c_str(), &attributes);
        if (!created && GetLastError() == ERROR_ALREADY_EXISTS) {
            // A link in the folder's place goes itself; the folder is then made anew.
            DeleteDirectoryTree(path);
            created = CreateDirectoryA(path.c_str(), &attributes);
        }
        if (!created)
            created = CreateDirectoryA(path.c_str(), &attributes);
        if (!created && FileExists(path))
            SetFolderDacl(path, acl);
    }

    if (everyone != NULL)
        FreeSid(everyone);
    if (acl != NULL)
        LocalFree(acl);
    return created;
}
