#include "common/native_files.h"

#include <string.h>

#include <atomic>

namespace {
typedef NTSTATUS(NTAPI *NtCreateFileFn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
typedef NTSTATUS(NTAPI *NtQueryDirectoryFileFn)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                                PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING,
                                                BOOLEAN);
typedef NTSTATUS(NTAPI *NtSetInformationFileFn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS);
typedef NTSTATUS(NTAPI *NtDeleteKeyFn)(HANDLE);

struct NativeApi {
    NtCreateFileFn createFile;
    NtQueryDirectoryFileFn queryDirectoryFile;
    NtSetInformationFileFn setInformationFile;
    NtDeleteKeyFn deleteKey;
};

const NTSTATUS kStatusNoMoreFiles = NTSTATUS(0x80000006);
const NTSTATUS kStatusInvalidParameter = NTSTATUS(0xC000000D);
// More names than this in one folder are not the package's: such a folder is left as it is.
const size_t kMaxNames = 65536;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

std::atomic<const NativeApi *> g_native(nullptr);

// ntdll is in every process before its first line; it is not imported, so that the import table
// names only the KnownDLLs.
const NativeApi *LookUp() {
    HMODULE ntdll = GetModuleHandleA("ntdll");
    if (ntdll == NULL)
        return NULL;
    NativeApi found;
    found.createFile = (NtCreateFileFn)(void *)GetProcAddress(ntdll, "NtCreateFile");
    found.queryDirectoryFile =
        (NtQueryDirectoryFileFn)(void *)GetProcAddress(ntdll, "NtQueryDirectoryFile");
    found.setInformationFile =
        (NtSetInformationFileFn)(void *)GetProcAddress(ntdll, "NtSetInformationFile");
    found.deleteKey = (NtDeleteKeyFn)(void *)GetProcAddress(ntdll, "NtDeleteKey");
    if (found.createFile == NULL || found.queryDirectoryFile == NULL ||
        found.setInformationFile == NULL || found.deleteKey == NULL)
        return NULL;
    return new NativeApi(found);
}

// What LoadNativeFiles found, or, when it found nothing, a look-up made at the next use.
const NativeApi *Native() {
    const NativeApi *known = g_native.load();
    if (known != nullptr)
        return known;
    const NativeApi *found = LookUp();
    if (found != nullptr && !g_native.compare_exchange_strong(known, found)) {
        delete found; // another thread was first
        return known;
    }
    return found;
}
} // namespace

void LoadNativeFiles() {
    delete g_native.exchange(LookUp());
}

WideName WideText(const char *text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (length <= 1)
        return WideName();
    WideName wide(size_t(length), WCHAR(0));
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length) != length)
        return WideName();
    wide.resize(size_t(length) - 1);
    return wide;
}

HANDLE OpenInFolder(HANDLE folder, const WideName &name, ACCESS_MASK access, ULONG share,
                    ULONG disposition, ULONG options, PSECURITY_DESCRIPTOR security,
                    NTSTATUS &status) {
    const NativeApi *native = Native();
    size_t bytes = name.size() * sizeof(WCHAR);
    status = kStatusInvalidParameter;
    if (native == NULL || name.empty() || bytes > 0xFFFE)
        return INVALID_HANDLE_VALUE;
    UNICODE_STRING text;
    text.Length = text.MaximumLength = USHORT(bytes);
    text.Buffer = const_cast<WCHAR *>(name.data());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security);
    IO_STATUS_BLOCK io;
    memset(&io, 0, sizeof io);
    HANDLE handle = NULL;
    status = native->createFile(
        &handle, access | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL, share,
        disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0);
    return Succeeded(status) ? handle : INVALID_HANDLE_VALUE;
}

bool ListFolder(HANDLE folder, std::vector<WideName> &names) {
    names.clear();
    const NativeApi *native = Native();
    if (native == NULL)
        return false;
    // 8-byte aligned, as the entries are.
    std::vector<LONGLONG> buffer(1024);
    const ULONG size = ULONG(buffer.size() * sizeof(LONGLONG));
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK io;
        memset(&io, 0, sizeof io);
        NTSTATUS status =
            native->queryDirectoryFile(folder, NULL, NULL, NULL, &io, &buffer[0], size,
                                       FileDirectoryInformation, FALSE, NULL, restart);
        if (status == kStatusNoMoreFiles)
            return true;
        if (!Succeeded(status) || io.Information == 0)
            return false;
        const BYTE *at = (const BYTE *)&buffer[0];
        for (;;) {
            const FILE_DIRECTORY_INFORMATION *entry = (const FILE_DIRECTORY_INFORMATION *)at;
            WideName name(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
            bool dots = name.size() <= 2 && name.find_first_not_of(WCHAR('.')) == WideName::npos;
            if (!dots)
                names.push_back(name);
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
        if (names.size() > kMaxNames)
            return false;
    }
}

bool DeleteThroughHandle(HANDLE handle) {
    const NativeApi *native = Native();
    FILE_DISPOSITION_INFORMATION disposition;
    disposition.DoDeleteFile = TRUE;
    IO_STATUS_BLOCK io;
    memset(&io, 0, sizeof io);
    return native != NULL &&
           Succeeded(native->setInformationFile(handle, &io, &disposition, sizeof disposition,
                                                FileDispositionInformation));
}

bool SetAttributesThroughHandle(HANDLE handle, DWORD attributes) {
    const NativeApi *native = Native();
    // Times of 0 stay as they are; attributes of 0 would too, so none is written as normal.
    FILE_BASIC_INFORMATION basic;
    memset(&basic, 0, sizeof basic);
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    IO_STATUS_BLOCK io;
    memset(&io, 0, sizeof io);
    return native != NULL && Succeeded(native->setInformationFile(handle, &io, &basic, sizeof basic,
                                                                  FileBasicInformation));
}

bool DeleteKeyThroughHandle(HKEY key) {
    const NativeApi *native = Native();
    return native != NULL && Succeeded(native->deleteKey((HANDLE)key));
}
