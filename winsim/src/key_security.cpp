// Key security: the roots' DACL, inheritance down the tree, the access check for the caller,
// and GetSecurityInfo / SetSecurityInfo on key handles (and on file handles, for their DACL).
#include "registry.h"

#include <aclapi.h>
#include <stdlib.h>

namespace winsim {

namespace {
const char kEveryone[] = "S-1-1-0";
const char kSystem[] = "S-1-5-18";
const char kAdministrators[] = "S-1-5-32-544";
const char kUsers[] = "S-1-5-32-545";

// The programs run as an administrator: the groups of its token.
bool InCallerToken(const std::string &sid) {
    return sid == kEveryone || sid == kAdministrators || sid == kUsers;
}

bool Allows(const AccessEntry &entry) {
    return entry.mode == GRANT_ACCESS || entry.mode == SET_ACCESS;
}

// Only key DACLs are modelled; the handle must carry the access the call needs.
DWORD SecuredKey(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, DWORD access,
                 RegKey *&key) {
    if (type != SE_REGISTRY_KEY || info != DACL_SECURITY_INFORMATION)
        return ERROR_INVALID_PARAMETER;
    KeyRef ref = ResolveKey((HKEY)object);
    if (!ref.valid)
        return ERROR_INVALID_HANDLE;
    if (!(ref.access & access))
        return ERROR_ACCESS_DENIED;
    key = FindKey(ref.path);
    return key == nullptr ? 1018 : ERROR_SUCCESS; // ERROR_KEY_DELETED
}

// What GetSecurityInfo hands out: one block, freed with LocalFree, holds the descriptor and the
// DACL it points to.
struct DescriptorBlock {
    SECURITY_DESCRIPTOR descriptor;
    ACL dacl;
};
} // namespace

std::vector<AccessEntry> DefaultKeyDacl() {
    return {{kSystem, KEY_ALL_ACCESS, GRANT_ACCESS, CONTAINER_INHERIT_ACE},
            {kAdministrators, KEY_ALL_ACCESS, GRANT_ACCESS, CONTAINER_INHERIT_ACE},
            {kUsers, KEY_READ, GRANT_ACCESS, CONTAINER_INHERIT_ACE}};
}

DWORD MapKeyRights(DWORD access) {
    DWORD mapped = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                              KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    if (access & (GENERIC_READ | GENERIC_EXECUTE))
        mapped |= KEY_READ;
    if (access & GENERIC_WRITE)
        mapped |= KEY_WRITE;
    if (access & GENERIC_ALL)
        mapped |= KEY_ALL_ACCESS;
    return mapped;
}

// Entries in order, as Windows checks them: a right denied before it was granted is refused.
bool CallerHas(const RegKey &key, DWORD access) {
    DWORD wanted = MapKeyRights(access), granted = 0;
    for (const AccessEntry &entry : key.dacl) {
        if (!InCallerToken(entry.trustee))
            continue;
        DWORD rights = MapKeyRights(entry.permissions) & wanted & ~granted;
        if (entry.mode == DENY_ACCESS && rights != 0)
            return false;
        if (Allows(entry))
            granted |= rights;
    }
    return granted == wanted;
}

std::vector<AccessEntry> InheritedFrom(const RegKey &parent) {
    std::vector<AccessEntry> inherited;
    for (AccessEntry entry : parent.dacl)
        if (entry.inheritance & CONTAINER_INHERIT_ACE) {
            entry.inheritance |= INHERITED_ACE;
            inherited.push_back(entry);
        }
    return inherited;
}

void SetKeyDacl(RegKey &key, const std::vector<AccessEntry> &dacl) {
    key.dacl = dacl;
    for (RegKey *child : ChildKeys(key.path)) {
        std::vector<AccessEntry> renewed;
        for (const AccessEntry &entry : child->dacl)
            if (!(entry.inheritance & INHERITED_ACE))
                renewed.push_back(entry);
        for (const AccessEntry &entry : InheritedFrom(key))
            renewed.push_back(entry);
        SetKeyDacl(*child, renewed);
    }
}

} // namespace winsim

using namespace winsim;

DWORD WINAPI GetSecurityInfo(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION info,
                             PSID *owner, PSID *group, PACL *dacl, PACL *sacl,
                             PSECURITY_DESCRIPTOR *descriptor) {
    Api api("GetSecurityInfo");
    if (api.failed())
        return GetLastError();
    std::vector<AccessEntry> entries;
    if (type == SE_FILE_OBJECT && info == DACL_SECURITY_INFORMATION) {
        if (DWORD error = GetFileDacl(object, entries))
            return error;
    } else {
        RegKey *key = nullptr;
        if (DWORD error = SecuredKey(object, type, info, READ_CONTROL, key))
            return error;
        entries = key->dacl;
    }
    if (descriptor == NULL)
        return ERROR_INVALID_PARAMETER;
    DescriptorBlock *block = (DescriptorBlock *)calloc(1, sizeof(DescriptorBlock));
    block->descriptor.Revision = SECURITY_DESCRIPTOR_REVISION;
    block->descriptor.Control = SE_DACL_PRESENT;
    block->descriptor.Dacl = &block->dacl;
    block->dacl.AclRevision = 2;
    block->dacl.AceCount = WORD(entries.size());
    g_machine->localAllocations.insert(block);
    g_machine->descriptorAcls[&block->dacl] = Machine::DescriptorAcl{block, entries};
    for (PSID *unused : {owner, group})
        if (unused != NULL)
            *unused = NULL;
    if (sacl != NULL)
        *sacl = NULL;
    if (dacl != NULL)
        *dacl = &block->dacl;
    *descriptor = &block->descriptor;
    return ERROR_SUCCESS;
}

DWORD WINAPI SetSecurityInfo(HANDLE object, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID,
                             PSID, PACL dacl, PACL) {
    Api api("SetSecurityInfo");
    if (api.failed())
        return GetLastError();
    if (type == SE_FILE_OBJECT && info == DACL_SECURITY_INFORMATION)
        return SetFileDacl(object, dacl);
    RegKey *key = nullptr;
    if (DWORD error = SecuredKey(object, type, info, WRITE_DAC, key))
        return error;
    std::vector<AccessEntry> entries;
    if (dacl == NULL) {
        // A NULL DACL: no protection at all.
        entries.push_back(
            AccessEntry{kEveryone, KEY_ALL_ACCESS, GRANT_ACCESS, CONTAINER_INHERIT_ACE});
    } else if (const std::vector<AccessEntry> *given = FindAcl(dacl)) {
        entries = *given;
    } else {
        return ERROR_INVALID_ACL;
    }
    // The caller sets the explicit entries; the inherited ones always come from the parent.
    std::vector<AccessEntry> renewed;
    for (const AccessEntry &entry : entries)
        if (!(entry.inheritance & INHERITED_ACE))
            renewed.push_back(entry);
    if (RegKey *parent = FindKey(ParentKeyPath(key->path)))
        for (const AccessEntry &entry : InheritedFrom(*parent))
            renewed.push_back(entry);
    SetKeyDacl(*key, renewed);
    return ERROR_SUCCESS;
}
