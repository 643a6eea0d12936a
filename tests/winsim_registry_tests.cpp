// The simulated registry and its key security keep the documented contracts the programs rely
// on.
#include <aclapi.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>
#include <winsim_print.h>
#include <winsim_registry.h>
#include <winspool.h>

#include "harness.h"

namespace {

using winsim::RegView;

const char kUninstall[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KESTORA_QMR-640";

HKEY CreateKey(HKEY root, const char *path, REGSAM access, DWORD *disposition = nullptr) {
    HKEY key = NULL;
    EXPECT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path, 0, NULL, 0, access, NULL, &key, disposition))
        << path;
    return key;
}

HKEY OpenKey(const char *path, REGSAM access) {
    HKEY key = NULL;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key)) << path;
    return key;
}

// "trustee mask mode inheritance" per entry, for whole-list comparisons.
std::vector<std::string> Describe(const std::vector<winsim::AccessEntry> &acl) {
    std::vector<std::string> lines;
    char line[128];
    for (const winsim::AccessEntry &e : acl) {
        snprintf(line, sizeof line, "%s %#x %d %#x", e.trustee.c_str(), e.permissions, e.mode,
                 e.inheritance);
        lines.push_back(line);
    }
    return lines;
}

LONG DeleteKeyEx(const char *subKey, REGSAM access) {
    auto regDeleteKeyEx = (LONG(WINAPI *)(HKEY, LPCSTR, REGSAM, DWORD))(void *)GetProcAddress(
        GetModuleHandleA("Advapi32"), "RegDeleteKeyExA");
    return regDeleteKeyEx(HKEY_LOCAL_MACHINE, subKey, access, 0);
}

using SimulatedRegistry = MachineTest;

TEST_F(SimulatedRegistry, Wow64ProgramsWriteSoftwareKeysBelowWow6432Node) {
    // 32-bit Windows has one view and ignores the flag.
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old", KEY_WRITE));
    RegCloseKey(OpenKey("SOFTWARE\\Old", KEY_READ | KEY_WOW64_64KEY));
    EXPECT_EQ(std::vector<std::string>({"Microsoft", "Old"}), winsim::SubKeys("HKLM\\SOFTWARE"));

    winsim::SetWow64(true);
    DWORD disposition = 0;
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App", KEY_WRITE, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    EXPECT_TRUE(winsim::KeyExists("HKLM\\SOFTWARE\\Wow6432Node\\Vendor\\App"));
    EXPECT_TRUE(winsim::KeyExists("HKLM\\SOFTWARE\\Vendor\\App", RegView::Program32));
    EXPECT_FALSE(winsim::KeyExists("HKLM\\SOFTWARE\\Vendor"));

    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, kUninstall, KEY_WRITE | KEY_WOW64_64KEY));
    EXPECT_TRUE(winsim::KeyExists(std::string("HKLM\\") + kUninstall));
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\Shared", KEY_WRITE));
    EXPECT_TRUE(winsim::KeyExists("HKLM\\SYSTEM\\Shared")); // outside SOFTWARE: one key for both

    // Each view opens only its own copy.
    HKEY key = NULL;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, &key));
    EXPECT_EQ(NULL, key);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0,
                                                  KEY_READ | KEY_WOW64_64KEY, &key));
    EXPECT_EQ(0u, winsim::OpenKeyHandles());
}

TEST_F(SimulatedRegistry, StringsKeepTheSizeTheyWereWrittenWith) {
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, kUninstall, KEY_WRITE);
    const char name[] = "KESTORA QMR-640 Windows Driver V3.3.0";
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "DisplayName", 0, REG_SZ, (const BYTE *)name,
                                            DWORD(strlen(name))));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(key, "DisplayName", NULL, NULL, NULL, NULL));
    RegCloseKey(key);

    key = OpenKey(kUninstall, KEY_READ);
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "DisplayName", NULL, &type, NULL, &size));
    EXPECT_EQ(37u, size); // no NUL
    EXPECT_EQ(DWORD(REG_SZ), type);
    char buffer[64] = "untouched";
    size = 10;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExA(key, "DisplayName", NULL, NULL, (BYTE *)buffer, &size));
    EXPECT_EQ(37u, size);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "DisplayName", NULL, &type, (BYTE *)buffer, &size));
    EXPECT_EQ(std::string(name), std::string(buffer, size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "InfFile", NULL, NULL, NULL, &size));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "X", 0, REG_SZ, (const BYTE *)"x", 1));
    RegCloseKey(key);
}

TEST_F(SimulatedRegistry, KeyDeleteRefusesSubkeysWhileShellDeleteTakesTheTree) {
    winsim::SetWow64(true);
    const std::string key = std::string("HKLM\\") + kUninstall;
    winsim::PutValue(key + "\\Sub", "V", REG_SZ, "v");
    winsim::PutKey(key, RegView::Program32);
    EXPECT_EQ(ERROR_ACCESS_DENIED, DeleteKeyEx(kUninstall, KEY_WOW64_64KEY));
    EXPECT_TRUE(winsim::KeyExists(key + "\\Sub"));
    EXPECT_EQ(ERROR_SUCCESS,
              DeleteKeyEx((std::string(kUninstall) + "\\Sub").c_str(), KEY_WOW64_64KEY));
    EXPECT_EQ(ERROR_SUCCESS, DeleteKeyEx(kUninstall, KEY_WOW64_64KEY));
    EXPECT_FALSE(winsim::KeyExists(key));
    EXPECT_TRUE(winsim::KeyExists(key, RegView::Program32)); // the other view's copy stays
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteKeyEx(kUninstall, KEY_WOW64_64KEY));

    // The shell's delete works in the program's own view and takes every subkey.
    winsim::PutValue(key + "\\Sub\\Deeper", "V", REG_SZ, "v", RegView::Program32);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_FALSE(winsim::KeyExists(key, RegView::Program32));
    EXPECT_TRUE(winsim::KeyExists("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                  RegView::Program32));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstall));
}

TEST_F(SimulatedRegistry, ShellDeleteStopsAtAKeyTheCallerMayNotDelete) {
    const std::string root = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\HALDEEN_QMR-640";
    winsim::PutKey(root + "\\A");
    winsim::PutKey(root + "\\B\\Locked");
    winsim::SetKeyAcl(root + "\\B\\Locked",
                      {{"S-1-5-18", KEY_ALL_ACCESS, GRANT_ACCESS, CONTAINER_INHERIT_ACE}});
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), SHDeleteKeyA(HKEY_LOCAL_MACHINE, root.substr(5).c_str()));
    EXPECT_FALSE(winsim::KeyExists(root + "\\A"));
    EXPECT_TRUE(winsim::KeyExists(root + "\\B\\Locked"));
}

using KeySecurity = MachineTest;

TEST_F(KeySecurity, ReadingTheDaclNeedsReadControlAndFreesWithTheDescriptor) {
    winsim::PutKey("HKLM\\SYSTEM\\Key");
    PACL dacl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    HKEY key = OpenKey("SYSTEM\\Key", KEY_QUERY_VALUE);
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED),
              GetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL, NULL,
                              &dacl, NULL, &descriptor));
    RegCloseKey(key);

    key = OpenKey("SYSTEM\\Key", READ_CONTROL | KEY_ENUMERATE_SUB_KEYS);
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              GetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL, NULL,
                              &dacl, NULL, &descriptor));
    EXPECT_EQ(3, dacl->AceCount); // SYSTEM, Administrators, Users, all inherited
    for (const winsim::AccessEntry &entry : winsim::KeyAcl("HKLM\\SYSTEM\\Key"))
        EXPECT_TRUE(entry.inheritance & INHERITED_ACE) << entry.trustee;
    // The DACL lives inside the descriptor: freeing it alone is refused, freeing the descriptor
    // ends it.
    EXPECT_EQ((HLOCAL)dacl, LocalFree(dacl));
    PACL copy = NULL;
    EXPECT_EQ(DWORD(ERROR_SUCCESS), SetEntriesInAclA(0, NULL, dacl, &copy));
    EXPECT_EQ(NULL, LocalFree(copy));
    EXPECT_EQ(NULL, LocalFree(descriptor));
    EXPECT_EQ(DWORD(ERROR_INVALID_ACL), SetEntriesInAclA(0, NULL, dacl, &copy));
    RegCloseKey(key);
}

// Grants Everyone full control the way the programs do, through a handle with the given access.
DWORD GrantEveryone(const char *path, REGSAM access) {
    HKEY key = OpenKey(path, access);
    PACL oldAcl = NULL, newAcl = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    DWORD result = GetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL,
                                   NULL, &oldAcl, NULL, &descriptor);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), result);
    EXPLICIT_ACCESSA entry;
    BuildExplicitAccessWithNameA(&entry, (LPSTR) "Everyone", KEY_ALL_ACCESS, GRANT_ACCESS,
                                 CONTAINER_INHERIT_ACE);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), SetEntriesInAclA(1, &entry, oldAcl, &newAcl));
    result = SetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL, NULL,
                             newAcl, NULL);
    LocalFree(newAcl);
    LocalFree(descriptor);
    RegCloseKey(key);
    return result;
}

TEST_F(KeySecurity, ChangingTheDaclNeedsWriteDacAndReachesTheSubkeys) {
    winsim::PutKey("HKLM\\SYSTEM\\Key\\Sub");
    std::vector<std::string> before = Describe(winsim::KeyAcl("HKLM\\SYSTEM\\Key"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED),
              GrantEveryone("SYSTEM\\Key", READ_CONTROL | KEY_ENUMERATE_SUB_KEYS));
    EXPECT_EQ(before, Describe(winsim::KeyAcl("HKLM\\SYSTEM\\Key")));

    EXPECT_EQ(DWORD(ERROR_SUCCESS), GrantEveryone("SYSTEM\\Key", READ_CONTROL | WRITE_DAC));
    std::vector<std::string> after = Describe(winsim::KeyAcl("HKLM\\SYSTEM\\Key"));
    ASSERT_EQ(4u, after.size());
    EXPECT_EQ("S-1-1-0 0xf003f 1 0x2", after[0]); // explicit before the inherited ones
    EXPECT_EQ(std::vector<std::string>(after.begin() + 1, after.end()), before);
    for (const char *below : {"HKLM\\SYSTEM\\Key\\Sub", "HKLM\\SYSTEM\\Key\\Sub\\New"}) {
        winsim::PutKey(below);
        EXPECT_EQ("S-1-1-0 0xf003f 1 0x12", Describe(winsim::KeyAcl(below))[0]) << below;
    }
}

TEST_F(KeySecurity, TheDaclDecidesWhatTheCallerMayOpenAndDelete) {
    winsim::PutKey("HKLM\\SYSTEM\\Enum\\Dev");
    winsim::SetKeyAcl("HKLM\\SYSTEM\\Enum",
                      {{"S-1-1-0", DELETE, DENY_ACCESS, CONTAINER_INHERIT_ACE},
                       {"S-1-5-32-544", KEY_ALL_ACCESS, GRANT_ACCESS, CONTAINER_INHERIT_ACE}});
    EXPECT_EQ(ERROR_ACCESS_DENIED, DeleteKeyEx("SYSTEM\\Enum\\Dev", 0));
    HKEY key = NULL;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Enum\\Dev", 0, KEY_ALL_ACCESS, &key));
    RegCloseKey(OpenKey("SYSTEM\\Enum\\Dev", KEY_READ | WRITE_DAC));

    winsim::SetKeyAcl("HKLM\\SYSTEM\\Enum", {{"S-1-5-18", KEY_ALL_ACCESS, GRANT_ACCESS, 0}});
    EXPECT_TRUE(winsim::KeyAcl("HKLM\\SYSTEM\\Enum\\Dev").empty()); // nothing left to inherit
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Enum\\Dev", 0, KEY_READ, &key));
}

TEST_F(KeySecurity, EntriesMergeByTrusteeNameAsTheirModeSays) {
    const char *names[] = {"everyone", "ADMINISTRATORS", "System", "Users"};
    const char *sids[] = {"S-1-1-0", "S-1-5-32-544", "S-1-5-18", "S-1-5-32-545"};
    EXPLICIT_ACCESSA entries[4];
    for (int i = 0; i < 4; ++i)
        BuildExplicitAccessWithNameA(&entries[i], (LPSTR)names[i], KEY_READ, GRANT_ACCESS, 0);
    EXPECT_EQ(TRUSTEE_IS_NAME, entries[0].Trustee.TrusteeForm);
    PACL acl = NULL;
    ASSERT_EQ(DWORD(ERROR_SUCCESS), SetEntriesInAclA(4, entries, NULL, &acl));
    ASSERT_EQ(4, acl->AceCount);

    // Merge into the list: Everyone gains a right, Administrators are denied one, Users are
    // replaced, SYSTEM loses its grant.
    EXPLICIT_ACCESSA changes[5];
    BuildExplicitAccessWithNameA(&changes[0], (LPSTR)names[0], KEY_SET_VALUE, GRANT_ACCESS, 0);
    BuildExplicitAccessWithNameA(&changes[1], (LPSTR)names[1], DELETE, DENY_ACCESS, 0);
    BuildExplicitAccessWithNameA(&changes[2], (LPSTR)names[3], KEY_ALL_ACCESS, SET_ACCESS, 2);
    BuildExplicitAccessWithNameA(&changes[3], (LPSTR)names[2], 0, REVOKE_ACCESS, 0);
    BuildExplicitAccessWithNameA(&changes[4], (LPSTR)names[1], WRITE_DAC, DENY_ACCESS, 0);
    PACL merged = NULL;
    ASSERT_EQ(DWORD(ERROR_SUCCESS), SetEntriesInAclA(5, changes, acl, &merged));
    HKEY key = OpenKey("SYSTEM", WRITE_DAC);
    EXPECT_EQ(DWORD(ERROR_SUCCESS),
              SetSecurityInfo((HANDLE)key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL, NULL,
                              merged, NULL));
    RegCloseKey(key);
    LocalFree(merged);
    std::vector<std::string> dacl = Describe(winsim::KeyAcl("HKLM\\SYSTEM"));
    ASSERT_EQ(7u, dacl.size()); // and the three inherited from the root
    EXPECT_EQ(std::vector<std::string>(
                  {std::string(sids[1]) + " 0x50000 3 0", std::string(sids[0]) + " 0x2001b 1 0",
                   std::string(sids[1]) + " 0x20019 1 0", std::string(sids[3]) + " 0xf003f 2 0x2"}),
              std::vector<std::string>(dacl.begin(), dacl.begin() + 4));

    EXPLICIT_ACCESSA unknown;
    BuildExplicitAccessWithNameA(&unknown, (LPSTR) "Nobody", KEY_READ, GRANT_ACCESS, 0);
    EXPECT_EQ(1332u, SetEntriesInAclA(1, &unknown, acl, &merged)); // ERROR_NONE_MAPPED
    LocalFree(acl);
}

TEST_F(KeySecurity, ConnectingReachesOnlyThisMachine) {
    for (const char *name : {(const char *)NULL, "", "\\\\QMRTEST", "qmrtest"}) {
        HKEY root = NULL;
        ASSERT_EQ(ERROR_SUCCESS, RegConnectRegistryA(name, HKEY_LOCAL_MACHINE, &root))
            << (name ? name : "NULL");
        HKEY key = NULL;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(root, "SYSTEM", 0, KEY_READ, &key));
        RegCloseKey(key);
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(root));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(root));
    }
    HKEY root = NULL;
    EXPECT_EQ(53, RegConnectRegistryA("\\\\OTHERPC", HKEY_LOCAL_MACHINE, &root)); // BAD_NETPATH
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegConnectRegistryA("\\\\QMRTEST", HKEY_CURRENT_USER, &root));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegConnectRegistryA("\\\\QMRTEST", HKEY_CLASSES_ROOT, &root));
    EXPECT_EQ(ERROR_SUCCESS, RegConnectRegistryA(NULL, HKEY_CURRENT_USER, &root));
    EXPECT_EQ(1u, winsim::OpenKeyHandles());
    RegCloseKey(root);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE)); // predefined roots stay usable
    EXPECT_EQ(0u, winsim::OpenKeyHandles());
}

} // namespace
