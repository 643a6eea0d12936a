// The spooler's state with the device records, shared by the spooler, setup and test-side files.
#pragma once
#include <winspool.h>
#include <winsim_print.h>

#include <string.h>

#include <list>
#include <optional>

#include "machine.h"

namespace winsim {

// Objects kept in the order they were added and found by name without regard to case, as the
// spooler names them.
template <class T> class NamedList {
  public:
    NamedList() = default;
    NamedList(const NamedList &other) { *this = other; }
    // The index points into the list: a copy indexes its own items.
    NamedList &operator=(const NamedList &other) {
        std::map<const T *, std::string> keys;
        for (const auto &entry : other.m_index)
            keys[&*entry.second] = entry.first;
        m_items.clear();
        m_index.clear();
        for (const T &item : other.m_items) {
            m_items.push_back(item);
            m_index[keys[&item]] = std::prev(m_items.end());
        }
        return *this;
    }
    T *Find(const std::string &name) {
        auto it = m_index.find(Upper(name));
        return it == m_index.end() ? nullptr : &*it->second;
    }
    T &Add(const std::string &name, const T &item) {
        auto it = m_index.find(Upper(name));
        if (it != m_index.end())
            return *it->second = item;
        m_items.push_back(item);
        m_index[Upper(name)] = std::prev(m_items.end());
        return m_items.back();
    }
    bool Erase(const std::string &name) {
        auto it = m_index.find(Upper(name));
        if (it == m_index.end())
            return false;
        m_items.erase(it->second);
        m_index.erase(it);
        return true;
    }
    typename std::list<T>::iterator begin() { return m_items.begin(); }
    typename std::list<T>::iterator end() { return m_items.end(); }
    size_t size() const { return m_items.size(); }

  private:
    std::list<T> m_items;
    std::map<std::string, typename std::list<T>::iterator> m_index;
};

struct Printer {
    PrinterInfo info;
    unsigned serial = 0; // tells a handle's printer from a later one of the same name
    int handles = 0;
};
struct Port {
    std::string name, monitor;
};
struct Form {
    std::string name;
    DWORD flags;
    LONG width, height;
};
struct Environment {
    std::string name;
    std::string driverFolder, processorFolder; // below spool\DRIVERS and spool\prtprocs
    NamedList<DriverInfo> drivers;
    NamedList<std::pair<std::string, std::string>> processors; // name, file
};
struct Device {
    DeviceInfo info;
    GUID classGuid;
};

struct SpoolerState {
    Environment x86, x64;
    NamedList<MonitorInfo> monitors;
    NamedList<Port> ports;
    NamedList<Form> forms;
    NamedList<Printer> printers;
    unsigned nextSerial = 1;
    DWORD nextJob = 2;
    std::map<DWORD, Device> devices; // by device instance handle, in the order they were added
    DWORD nextDevInst = 1;
    bool stopped = false;
    int refusedCalls = 0;
};

inline SpoolerState &Spooler() {
    return *g_machine->spooler;
}
// The environment a name stands for; NULL means the calling program's own, a 32-bit one even
// under WOW64. Unknown names give nullptr.
Environment *FindEnvironment(LPCSTR name);
// The environment of the spooler service itself: printers and monitors live there.
Environment &NativeEnvironment();
std::string DriverDirectoryOf(const Environment &environment); // made on the disk when missing
std::string ProcessorDirectoryOf(const Environment &environment);
std::string InfStore();

// Held by spooler calls that look at files: the spooler service is native code, so a 32-bit
// caller's WOW64 file redirection does not apply to it.
class ServiceCall {
  public:
    ServiceCall() {
        if (Wow64Program())
            m_native.emplace();
    }

  private:
    std::optional<NativeCaller> m_native;
};

// The simulated disk's node of a file (not a directory), or nullptr.
FileNode *FindFile(const std::string &path);
// A path from a drive's root or a share's, which no current directory changes.
bool IsFullPath(const std::string &path);
std::string FileName(const std::string &path); // the last component

// Writes an enumeration as Windows does: the fixed-size records, then the strings they point to.
// Strings are counted and not written while measuring.
class StringArea {
  public:
    explicit StringArea(BYTE *next) : m_next(next) {}
    LPSTR Put(const std::string &text);
    LPSTR PutOptional(const std::string &text) { return text.empty() ? NULL : Put(text); }
    LPSTR PutList(const std::vector<std::string> &texts); // NUL-separated, one more NUL at the end
    size_t Used() const { return m_used; }

  private:
    BYTE *m_next;
    size_t m_used = 0;
};

// The size query and copy of an enumeration call; fill(area, record, item) sets one record.
template <class Record, class Item, class Fill>
BOOL WriteRecords(const std::vector<Item *> &items, Fill fill, LPBYTE buffer, DWORD size,
                  LPDWORD needed, LPDWORD returned) {
    if (needed == NULL || returned == NULL) {
        SetError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    if (buffer == NULL && size > 0) {
        SetError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    StringArea measure(nullptr);
    Record scratch = {};
    for (Item *item : items)
        fill(measure, scratch, *item);
    size_t total = items.size() * sizeof(Record) + measure.Used();
    *needed = DWORD(total);
    *returned = 0;
    if (total > size) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Record *records = (Record *)buffer;
    StringArea area(buffer + items.size() * sizeof(Record));
    for (size_t i = 0; i < items.size(); ++i) {
        memset(&records[i], 0, sizeof(Record));
        fill(area, records[i], *items[i]);
    }
    *returned = DWORD(items.size());
    return TRUE;
}

// Copies text with its NUL for the directory queries; needed in bytes.
BOOL WriteText(const std::string &text, LPBYTE buffer, DWORD size, LPDWORD needed);

// A handle from OpenPrinterA or AddPrinterA: of the local print server, or of one printer.
struct PrinterHandle : HandleObject {
    void Release(bool processEnded) override; // a printer deleted meanwhile goes with the last
    bool server = false;
    std::string printer;
    unsigned serial = 0;
    ACCESS_MASK access = 0;
};
PrinterHandle *FindPrinterHandle(HANDLE handle); // sets ERROR_INVALID_HANDLE when there is none
Printer *HandlePrinter(HANDLE handle); // the open printer; ERROR_INVALID_HANDLE for any other
// Removes a printer marked for deletion once its last job and handle are gone.
void RemoveIfUnused(Printer &printer);

} // namespace winsim
