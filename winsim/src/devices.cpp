// Device information sets over the plug-and-play manager's device records.
#include <setupapi.h>

#include "spooler.h"

using namespace winsim;

namespace {

// A snapshot of the records that matched; elements stay in it after their device is removed.
struct DeviceSet : HandleObject {
    std::vector<DWORD> members;
    std::set<DWORD> index;
};

DeviceSet *FindSet(HDEVINFO set) {
    DeviceSet *found = GetHandle<DeviceSet>(set);
    if (found == nullptr)
        SetError(ERROR_INVALID_HANDLE);
    return found;
}

// The record an element names; sets the documented error when there is none.
Device *FindMember(HDEVINFO set, PSP_DEVINFO_DATA data) {
    DeviceSet *members = FindSet(set);
    if (members == nullptr)
        return nullptr;
    if (data == NULL || data->cbSize != sizeof(SP_DEVINFO_DATA) ||
        members->index.count(data->DevInst) == 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto device = Spooler().devices.find(data->DevInst);
    if (device == Spooler().devices.end()) {
        SetError(ERROR_NO_SUCH_DEVINST);
        return nullptr;
    }
    return &device->second;
}

} // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND, DWORD flags) {
    Api api("SetupDiGetClassDevsA");
    if (api.failed())
        return INVALID_HANDLE_VALUE;
    if (classGuid == NULL && !(flags & DIGCF_ALLCLASSES)) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_shared<DeviceSet>();
    for (const auto &entry : Spooler().devices) {
        const Device &device = entry.second;
        if ((enumerator != NULL && Upper(enumerator) != Upper(device.info.enumerator)) ||
            ((flags & DIGCF_PRESENT) && !device.info.present) ||
            (!(flags & DIGCF_ALLCLASSES) && memcmp(classGuid, &device.classGuid, sizeof(GUID))))
            continue;
        set->members.push_back(entry.first);
        set->index.insert(entry.first);
    }
    return AddHandle(set, "device set");
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data) {
    Api api("SetupDiEnumDeviceInfo");
    if (api.failed())
        return FALSE;
    DeviceSet *members = FindSet(set);
    if (members == nullptr)
        return FALSE;
    if (data == NULL || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (index >= members->members.size()) {
        SetError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    DWORD devInst = members->members[index];
    auto device = Spooler().devices.find(devInst);
    if (device != Spooler().devices.end())
        data->ClassGuid = device->second.classGuid;
    data->DevInst = devInst;
    data->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property,
                                              PDWORD type, PBYTE buffer, DWORD size,
                                              PDWORD required) {
    Api api("SetupDiGetDeviceRegistryPropertyA");
    if (api.failed())
        return FALSE;
    Device *device = FindMember(set, data);
    if (device == nullptr)
        return FALSE;
    if (property != SPDRP_HARDWAREID || device->info.hardwareIds.empty()) {
        SetError(ERROR_INVALID_DATA);
        return FALSE;
    }
    std::string list;
    for (const std::string &id : device->info.hardwareIds)
        list += id + '\0';
    list += '\0';
    if (type != NULL)
        *type = REG_MULTI_SZ;
    if (required != NULL)
        *required = DWORD(list.size());
    if (buffer == NULL || size < list.size()) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(buffer, list.data(), list.size());
    return TRUE;
}

BOOL WINAPI SetupDiRemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA data) {
    Api api("SetupDiRemoveDevice");
    if (api.failed())
        return FALSE;
    if (FindMember(set, data) == nullptr)
        return FALSE;
    Spooler().devices.erase(data->DevInst);
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    Api api("SetupDiDestroyDeviceInfoList");
    if (api.failed())
        return FALSE;
    if (FindSet(set) == nullptr)
        return FALSE;
    CloseHandleObject(set);
    return TRUE;
}
