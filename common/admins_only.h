// A security descriptor for what the programs create in a folder any user may own: only
// administrators and the system may change it, users may read it.
#pragma once
#include <windows.h>

struct AdminsOnlySecurity {
    PACL acl;
    SECURITY_DESCRIPTOR descriptor;
};

// usersRights: what users may do (such as GENERIC_READ); inheritance: how the entries reach what
// is created inside (NO_INHERITANCE for a file). False when it cannot be built: then nothing may
// be created with it, and there is nothing to release.
bool BuildAdminsOnly(DWORD usersRights, DWORD inheritance, AdminsOnlySecurity &security);
void ReleaseAdminsOnly(AdminsOnlySecurity &security);
