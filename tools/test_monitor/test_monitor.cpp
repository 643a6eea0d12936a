// A language monitor that the spooler can really load, for the end-to-end runs: the test driver
// package's MON640.dll is a text placeholder, which a real AddMonitor refuses. It passes every
// call through to the port monitor below it and adds nothing of its own.
#include <windows.h>
#include <winsplp.h>

namespace {

// One open port: the port monitor's functions and its handle for the port.
struct Port {
    MONITOR2 *below;
    HANDLE handle;
};

BOOL WINAPI PassOpenPortEx(HANDLE, HANDLE portMonitor, LPWSTR portName, LPWSTR, PHANDLE result,
                           MONITOR2 *below) {
    HANDLE handle = NULL;
    if (below == NULL || below->pfnOpenPort == NULL ||
        !below->pfnOpenPort(portMonitor, portName, &handle))
        return FALSE;
    Port *port = (Port *)HeapAlloc(GetProcessHeap(), 0, sizeof(Port));
    if (port == NULL) {
        below->pfnClosePort(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    port->below = below;
    port->handle = handle;
    *result = port;
    return TRUE;
}

BOOL WINAPI PassStartDocPort(HANDLE handle, LPWSTR printer, DWORD job, DWORD level, LPBYTE info) {
    Port *port = (Port *)handle;
    return port->below->pfnStartDocPort(port->handle, printer, job, level, info);
}

BOOL WINAPI PassWritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
    Port *port = (Port *)handle;
    return port->below->pfnWritePort(port->handle, buffer, size, written);
}

BOOL WINAPI PassReadPort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read) {
    Port *port = (Port *)handle;
    return port->below->pfnReadPort(port->handle, buffer, size, read);
}

BOOL WINAPI PassEndDocPort(HANDLE handle) {
    Port *port = (Port *)handle;
    return port->below->pfnEndDocPort(port->handle);
}

BOOL WINAPI PassClosePort(HANDLE handle) {
    Port *port = (Port *)handle;
    BOOL closed = port->below->pfnClosePort(port->handle);
    HeapFree(GetProcessHeap(), 0, port);
    return closed;
}

VOID WINAPI PassShutdown(HANDLE) {}

MONITOR2 g_monitor;

} // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI
    InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor) {
    ZeroMemory(&g_monitor, sizeof g_monitor);
    g_monitor.cbSize = sizeof g_monitor;
    g_monitor.pfnOpenPortEx = PassOpenPortEx;
    g_monitor.pfnStartDocPort = PassStartDocPort;
    g_monitor.pfnWritePort = PassWritePort;
    g_monitor.pfnReadPort = PassReadPort;
    g_monitor.pfnEndDocPort = PassEndDocPort;
    g_monitor.pfnClosePort = PassClosePort;
    g_monitor.pfnShutdown = PassShutdown;
    *monitor = &g_monitor;
    return &g_monitor;
}
