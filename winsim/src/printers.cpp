// Printers of the spooler: adding, opening, deleting, listing, and their printer data.
#include "spooler.h"

namespace winsim {

PrinterHandle *FindPrinterHandle(HANDLE handle) {
    PrinterHandle *found = GetHandle<PrinterHandle>(handle);
    if (found == nullptr)
        SetError(ERROR_INVALID_HANDLE);
    return found;
}

namespace {
// The printer a handle stands for; nullptr for the server.
Printer *PrinterOf(const PrinterHandle &handle) {
    Printer *printer = handle.server ? nullptr : Spooler().printers.Find(handle.printer);
    return printer != nullptr && printer->serial == handle.serial ? printer : nullptr;
}
} // namespace

void PrinterHandle::Release(bool) {
    if (Printer *open = PrinterOf(*this)) {
        open->handles--;
        RemoveIfUnused(*open);
    }
}

Printer *HandlePrinter(HANDLE handle) {
    PrinterHandle *found = FindPrinterHandle(handle);
    Printer *printer = found == nullptr ? nullptr : PrinterOf(*found);
    if (printer == nullptr)
        SetError(ERROR_INVALID_HANDLE);
    return printer;
}

void RemoveIfUnused(Printer &printer) {
    if (printer.info.pendingDeletion && printer.info.jobs.empty() && printer.handles == 0)
        Spooler().printers.Erase(printer.info.name);
}

} // namespace winsim

using namespace winsim;

namespace {

bool IsEmpty(LPCSTR text) {
    return text == NULL || text[0] == '\0';
}

std::string Text(LPCSTR text) {
    return text == NULL ? "" : text;
}

bool ValidPrinterName(const std::string &name) {
    return !name.empty() && name.size() <= 220 && name.find_first_of(",\\!") == std::string::npos;
}

bool PortsKnown(const std::string &ports) {
    if (ports.empty())
        return false;
    size_t start = 0;
    while (start <= ports.size()) {
        size_t comma = std::min(ports.find(',', start), ports.size());
        if (Spooler().ports.Find(ports.substr(start, comma - start)) == nullptr)
            return false;
        start = comma + 1;
    }
    return true;
}

HANDLE OpenHandle(Printer *printer, ACCESS_MASK access) {
    auto handle = std::make_shared<PrinterHandle>();
    handle->access = access;
    if (printer == nullptr) {
        handle->server = true;
    } else {
        handle->printer = printer->info.name;
        handle->serial = printer->serial;
        printer->handles++;
    }
    return AddHandle(handle, "printer");
}

DWORD Status(const PrinterInfo &printer) {
    return printer.pendingDeletion ? PRINTER_STATUS_PENDING_DELETION : 0;
}

} // namespace

HANDLE WINAPI AddPrinterA(LPSTR, DWORD level, LPBYTE printer) {
    Api api("AddPrinterA");
    if (api.failed())
        return NULL;
    if (level != 2) {
        SetError(ERROR_INVALID_LEVEL);
        return NULL;
    }
    const PRINTER_INFO_2A *info = (const PRINTER_INFO_2A *)printer;
    if (info == NULL || !ValidPrinterName(Text(info->pPrinterName))) {
        SetError(ERROR_INVALID_PRINTER_NAME);
        return NULL;
    }
    SpoolerState &spooler = Spooler();
    if (spooler.printers.Find(info->pPrinterName) != nullptr) {
        SetError(ERROR_PRINTER_ALREADY_EXISTS);
        return NULL;
    }
    if (!PortsKnown(Text(info->pPortName))) {
        SetError(ERROR_UNKNOWN_PORT);
        return NULL;
    }
    // Printers run in the spooler service, so their driver and processor are its environment's.
    Environment &native = NativeEnvironment();
    if (IsEmpty(info->pDriverName) || native.drivers.Find(info->pDriverName) == nullptr) {
        SetError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return NULL;
    }
    if (IsEmpty(info->pPrintProcessor) ||
        native.processors.Find(info->pPrintProcessor) == nullptr) {
        SetError(ERROR_UNKNOWN_PRINTPROCESSOR);
        return NULL;
    }
    Printer added;
    PrinterInfo &record = added.info;
    record.name = info->pPrinterName;
    record.driver = info->pDriverName;
    record.port = info->pPortName;
    record.processor = info->pPrintProcessor;
    record.datatype = IsEmpty(info->pDatatype) ? "RAW" : info->pDatatype;
    record.share = Text(info->pShareName);
    record.comment = Text(info->pComment);
    record.location = Text(info->pLocation);
    record.sepFile = Text(info->pSepFile);
    record.parameters = Text(info->pParameters);
    record.attributes = info->Attributes;
    record.priority = info->Priority;
    record.defaultPriority = info->DefaultPriority;
    record.startTime = info->StartTime;
    record.untilTime = info->UntilTime;
    // Status, cJobs and AveragePPM are the spooler's to report, not the caller's to set.
    added.serial = spooler.nextSerial++;
    return OpenHandle(&spooler.printers.Add(record.name, added), PRINTER_ALL_ACCESS);
}

BOOL WINAPI OpenPrinterA(LPSTR printerName, HANDLE *printer, LPPRINTER_DEFAULTSA defaults) {
    Api api("OpenPrinterA");
    if (api.failed())
        return FALSE;
    if (printer == NULL) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *printer = NULL;
    ACCESS_MASK access = defaults != NULL && defaults->DesiredAccess != 0 ? defaults->DesiredAccess
                                                                          : PRINTER_ACCESS_USE;
    if (IsEmpty(printerName)) {
        *printer = OpenHandle(nullptr, access);
        return TRUE;
    }
    Printer *found = Spooler().printers.Find(printerName);
    if (found == nullptr || found->info.pendingDeletion) {
        SetError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    *printer = OpenHandle(found, access);
    return TRUE;
}

BOOL WINAPI ClosePrinter(HANDLE printer) {
    Api api("ClosePrinter");
    if (api.failed())
        return FALSE;
    if (FindPrinterHandle(printer) == nullptr)
        return FALSE;
    CloseHandleObject(printer);
    return TRUE;
}

BOOL WINAPI DeletePrinter(HANDLE printer) {
    Api api("DeletePrinter");
    if (api.failed())
        return FALSE;
    Printer *open = HandlePrinter(printer);
    if (open == nullptr)
        return FALSE;
    if (!(FindPrinterHandle(printer)->access & DELETE)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Gone once its jobs are gone and every handle, the caller's too, is closed.
    open->info.pendingDeletion = true;
    return TRUE;
}

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed, LPDWORD returned) {
    Api api("EnumPrintersA");
    if (api.failed())
        return FALSE;
    std::vector<PrinterInfo *> items;
    if (flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_NAME))
        for (Printer &printer : Spooler().printers)
            items.push_back(&printer.info);
    switch (level) {
    case 1:
        return WriteRecords<PRINTER_INFO_1A>(
            items,
            [](StringArea &area, PRINTER_INFO_1A &record, PrinterInfo &printer) {
                record.Flags = PRINTER_ENUM_ICON8;
                record.pDescription =
                    area.Put(printer.name + "," + printer.driver + "," + printer.location);
                record.pName = area.Put(printer.name);
                record.pComment = area.Put(printer.comment);
            },
            buffer, size, needed, returned);
    case 2:
        return WriteRecords<PRINTER_INFO_2A>(
            items,
            [](StringArea &area, PRINTER_INFO_2A &record, PrinterInfo &printer) {
                record.pPrinterName = area.Put(printer.name);
                record.pShareName = area.PutOptional(printer.share);
                record.pPortName = area.Put(printer.port);
                record.pDriverName = area.Put(printer.driver);
                record.pComment = area.PutOptional(printer.comment);
                record.pLocation = area.PutOptional(printer.location);
                record.pSepFile = area.PutOptional(printer.sepFile);
                record.pPrintProcessor = area.Put(printer.processor);
                record.pDatatype = area.Put(printer.datatype);
                record.pParameters = area.PutOptional(printer.parameters);
                record.Attributes = printer.attributes;
                record.Priority = printer.priority;
                record.DefaultPriority = printer.defaultPriority;
                record.StartTime = printer.startTime;
                record.UntilTime = printer.untilTime;
                record.Status = Status(printer);
                record.cJobs = DWORD(printer.jobs.size());
            },
            buffer, size, needed, returned);
    case 4:
        return WriteRecords<PRINTER_INFO_4A>(
            items,
            [](StringArea &area, PRINTER_INFO_4A &record, PrinterInfo &printer) {
                record.pPrinterName = area.Put(printer.name);
                record.Attributes = printer.attributes | PRINTER_ATTRIBUTE_LOCAL;
            },
            buffer, size, needed, returned);
    }
    SetError(ERROR_INVALID_LEVEL);
    return FALSE;
}

DWORD WINAPI GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data, DWORD size,
                             LPDWORD needed) {
    Api api("GetPrinterDataA");
    if (api.failed())
        return GetLastError();
    PrinterHandle *handle = FindPrinterHandle(printer);
    if (handle == nullptr)
        return ERROR_INVALID_HANDLE;
    if (needed == NULL)
        return RPC_X_NULL_REF_POINTER;
    Printer *open = PrinterOf(*handle);
    if (open == nullptr || valueName == NULL)
        return ERROR_FILE_NOT_FOUND;
    for (const PrinterData &value : open->info.data) {
        if (Upper(value.name) != Upper(valueName))
            continue;
        if (type != NULL)
            *type = value.type;
        *needed = DWORD(value.data.size());
        if (size < value.data.size())
            return ERROR_MORE_DATA;
        if (data != NULL)
            memcpy(data, value.data.data(), value.data.size());
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}
