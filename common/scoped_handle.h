// Handles that close themselves: one type for each kind the programs open, with the close that
// belongs to it. A run that ends through exit runs no destructor: its handles go with the process.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

template <class Handle, class Kind> class Scoped {
  public:
    Scoped() : m_handle(Kind::Empty()) {}
    explicit Scoped(Handle handle) : m_handle(handle) {}
    // Not noexcept: where ending the process unwinds the stack, it may do so from the close.
    ~Scoped() noexcept(false) { Close(); }
    Scoped(const Scoped &) = delete;
    Scoped &operator=(const Scoped &) = delete;

    Handle Get() const { return m_handle; }
    bool Valid() const { return Kind::Valid(m_handle); }
    // For the calls that hand a new handle back through a pointer; the old one is closed first.
    Handle *Receive() {
        Close();
        return &m_handle;
    }
    // False when the close itself failed.
    bool Close() {
        bool closed = !Valid() || Kind::Close(m_handle);
        m_handle = Kind::Empty();
        return closed;
    }

  private:
    Handle m_handle;
};

// Kernel objects: files, folders, processes, threads, tokens. Creating calls answer NULL or
// INVALID_HANDLE_VALUE on failure, by kind.
struct KernelHandleKind {
    static HANDLE Empty() { return NULL; }
    static bool Valid(HANDLE handle) { return handle != NULL && handle != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return CloseHandle(handle) != FALSE; }
};
typedef Scoped<HANDLE, KernelHandleKind> ScopedHandle;

struct RegistryKeyKind {
    static HKEY Empty() { return NULL; }
    static bool Valid(HKEY key) { return key != NULL; }
    static bool Close(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};
typedef Scoped<HKEY, RegistryKeyKind> ScopedKey;

struct PrinterKind {
    static HANDLE Empty() { return NULL; }
    static bool Valid(HANDLE printer) { return printer != NULL; }
    static bool Close(HANDLE printer) { return ClosePrinter(printer) != FALSE; }
};
typedef Scoped<HANDLE, PrinterKind> ScopedPrinter;

struct InfKind {
    static HINF Empty() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HINF inf) { return inf != INVALID_HANDLE_VALUE && inf != NULL; }
    static bool Close(HINF inf) {
        SetupCloseInfFile(inf);
        return true;
    }
};
typedef Scoped<HINF, InfKind> ScopedInf;

struct DeviceSetKind {
    static HDEVINFO Empty() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HDEVINFO set) { return set != INVALID_HANDLE_VALUE && set != NULL; }
    static bool Close(HDEVINFO set) { return SetupDiDestroyDeviceInfoList(set) != FALSE; }
};
typedef Scoped<HDEVINFO, DeviceSetKind> ScopedDeviceSet;
