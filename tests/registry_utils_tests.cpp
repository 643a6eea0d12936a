// Key paths, permission strings and the deletion of protected keys.
#include <winsim_registry.h>

#include "common/registry_utils.h"
#include "common/trace_log.h"
#include "harness.h"

namespace {

using RegistryUtils = MachineTest;

TEST_F(RegistryUtils, RightsCodesAreCombinedAndOddLengthGivesNothing) {
    struct Case {
        const char *rights;
        DWORD result;
        DWORD mask;
    } cases[] = {{"Fc", 0, 0xF003F}, {"fc", 0, 0xF003F},   {"Rd", 0, 0x20019},
                 {"Wr", 0, 0x20026}, {"RdWr", 0, 0x2003F}, {"FcRd", 0, 0xF003F},
                 {"FcX", 87, 0},     {"", 0, 0},           {"RdXyWr", 87, 0x2003F},
                 {"xx", 87, 0}};
    for (const Case &c : cases) {
        DWORD mask = 12345;
        EXPECT_EQ(c.result, ParseRegRights(c.rights, &mask)) << c.rights;
        EXPECT_EQ(c.mask, mask) << c.rights;
    }
}

TEST_F(RegistryUtils, KeyPathsNameARootInAnyCase) {
    for (const char *path : {"HKLM\\SOFTWARE", "hklm\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE",
                             "Hkey_Local_Machine\\SOFTWARE", "HKLM", "HKU", "HKCR", "HKCU",
                             "HKEY_USERS", "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"}) {
        HKEY key = NULL;
        EXPECT_EQ(0u, OpenRegKeyPath(path, &key)) << path;
        RegCloseKey(key);
    }
    HKEY key = NULL;
    EXPECT_EQ(87u, OpenRegKeyPath("HKLMX\\SOFTWARE", &key));
    EXPECT_EQ(87u, OpenRegKeyPath("", &key));
    EXPECT_EQ(87u, OpenRegKeyPath("\\\\SERVER", &key));
    EXPECT_EQ(2u, OpenRegKeyPath("HKLM\\NO\\SUCH\\KEY", &key));
}

TEST_F(RegistryUtils, RemoteRootsAreLimitedAndNotConnectedWhenInvalid) {
    HKEY key = NULL;
    EXPECT_EQ(87u, OpenRegKeyPath("\\\\SERVER\\HKCU\\Software", &key));
    EXPECT_EQ(87u, OpenRegKeyPath("\\\\SERVER\\HKEY_CLASSES_ROOT", &key));
    EXPECT_EQ(0, CallCount("RegConnectRegistryA"));
    EXPECT_NE(0u, OpenRegKeyPath("\\\\SERVER\\HKLM\\SOFTWARE", &key));
    EXPECT_EQ(1, CallCount("RegConnectRegistryA"));
}

TEST_F(RegistryUtils, PermissionSpecModes) {
    const char *key = "HKLM\\SOFTWARE";
    EXPECT_EQ(87u, SetRegKeyPermission(key, "/PX:Everyone:Fc"));
    EXPECT_EQ(87u, SetRegKeyPermission(key, "/P:Everyone:Fc"));
    EXPECT_EQ(87u, SetRegKeyPermission(key, "/PG"));
    EXPECT_EQ(87u, SetRegKeyPermission(key, "/PG:Everyone"));
    EXPECT_EQ(87u, SetRegKeyPermission("HKLMX\\SOFTWARE", "/PG:Everyone:Fc"));
    EXPECT_EQ(0, CallCount("RegOpenKeyExA"));
    // Valid permission strings reach the key: a grant, its revocation, and no change.
    auto everyone = [] {
        int found = 0;
        for (const winsim::AccessEntry &entry : winsim::KeyAcl("HKLM\\SOFTWARE"))
            found += entry.trustee == "S-1-1-0";
        return found;
    };
    EXPECT_EQ(0u, SetRegKeyPermission(key, "/pg:Everyone:fc"));
    EXPECT_EQ(1, everyone());
    EXPECT_EQ(0u, SetRegKeyPermission(key, "-X:Everyone"));
    EXPECT_EQ(1, everyone());
    EXPECT_EQ(0u, SetRegKeyPermission(key, "/PR:Everyone"));
    EXPECT_EQ(0, everyone());
    EXPECT_EQ(3, CallCount("RegOpenKeyExA"));
}

} // namespace
