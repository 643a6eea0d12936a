#include "removal/pnp_cleanup.h"

#include <setupapi.h>
#include <string.h>
#include <winspool.h>

#include "common/bounded_string.h"
#include "common/file_utils.h"
#include "common/profile.h"
#include "common/registry_utils.h"
#include "common/scoped_handle.h"
#include "common/system_dirs.h"
#include "common/step_frame.h"
#include "common/trace_log.h"

namespace {
// The length of "USB\" and the hardware id of the product.
const size_t kCompareLength = 21;
} // namespace

void DeleteVidPid(const StepHost &host, StatusMode mode) {
    StepFrame frame("DeleteVidPid");
    ReportStep(host, mode, "Deleting Vid & Pid info...", 500);
    char device[256] = {0};
    CopyBounded(device, sizeof device, "USB\\");
    AppendBounded(device, sizeof device, LoadProfileString(IDS_USB_HARDWARE_ID).c_str());
    RemoveDevicesByHardwareId(device);
    TraceLog("VID&PID : %s", device);
}

bool RemoveDevicesByHardwareId(const char *hardwareId) {
    char text[50] = {0};
    CopyBounded(text, sizeof text, hardwareId);
    // Every record of the USB enumerator, attached or not.
    ScopedDeviceSet devices(SetupDiGetClassDevsA(NULL, "USB", NULL, DIGCF_ALLCLASSES));
    if (!devices.Valid())
        return false;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device;
        memset(&device, 0, sizeof device);
        device.cbSize = sizeof device;
        // Any failure ends the walk: retrying the same index could go on for ever.
        if (!SetupDiEnumDeviceInfo(devices.Get(), index, &device))
            break;
        char ids[100] = {0};
        if (!SetupDiGetDeviceRegistryPropertyA(devices.Get(), &device, SPDRP_HARDWAREID, NULL,
                                               (PBYTE)ids, sizeof ids, NULL))
            continue;
        if (CompareNoCase(ids, text, kCompareLength) == 0 &&
            !SetupDiRemoveDevice(devices.Get(), &device))
            return false;
    }
    return devices.Close();
}

void Delete_LPT_USB_Info(const StepHost &host, StatusMode mode) {
    StepFrame frame("Delete_LPT_USB_Info");
    ReportStep(host, mode, "Deleting information of LPT and USB...", 500);
    for (UINT id : {IDS_USBPRINT_ENUM_KEY, IDS_LPTENUM_ENUM_KEY}) {
        char keyPath[512] = {0};
        char subKey[512] = {0};
        std::string key = LoadProfileString(id);
        CopyBounded(keyPath, sizeof keyPath, "HKLM\\");
        AppendBounded(keyPath, sizeof keyPath, key.c_str());
        CopyBounded(subKey, sizeof subKey, key.c_str());
        GrantAndDeleteRegKey(keyPath, subKey, host.wow64);
    }
}

void DeletePrnDrvPnPDirectory(const StepHost &host, StatusMode mode) {
    StepFrame frame("DeletePrnDrvPnPDirectory");
    ReportStep(host, mode, "Deleting PNP directories...", 500);
    std::string directory;
    bool haveDirectory = PrinterDriverDirectory(host.wow64, directory);
    std::string base = directory + "\\";
    const UINT names[] = {IDS_PNP_DIR_FIRST, IDS_PNP_DIR_SECOND};
    for (int i = 0; i < 2; ++i) {
        std::string name = LoadProfileString(names[i]);
        std::string path = base + name;
        // Without the name the path would be the whole printer-driver directory.
        if (haveDirectory && !name.empty())
            DeleteDirectoryTree(path);
        TraceLog(i == 0 ? "DIR PATH-1 : %s " : "DIR PATH-2 : %s ", path.c_str());
    }
}
