// Forms of the print server and the jobs queued on printers.
#include "spooler.h"

#include <algorithm>

using namespace winsim;

BOOL WINAPI EnumFormsA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                       LPDWORD returned) {
    Api api("EnumFormsA");
    if (api.failed())
        return FALSE;
    if (FindPrinterHandle(printer) == nullptr)
        return FALSE;
    if (level != 1) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<Form *> items;
    for (Form &form : Spooler().forms)
        items.push_back(&form);
    return WriteRecords<FORM_INFO_1A>(
        items,
        [](StringArea &area, FORM_INFO_1A &record, Form &form) {
            record.Flags = form.flags;
            record.pName = area.Put(form.name);
            record.Size = {form.width, form.height};
            record.ImageableArea = {0, 0, form.width, form.height};
        },
        buffer, size, needed, returned);
}

BOOL WINAPI AddFormA(HANDLE printer, DWORD level, LPBYTE form) {
    Api api("AddFormA");
    if (api.failed())
        return FALSE;
    if (FindPrinterHandle(printer) == nullptr)
        return FALSE;
    if (level != 1) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    const FORM_INFO_1A *info = (const FORM_INFO_1A *)form;
    if (info == NULL || info->pName == NULL || info->pName[0] == '\0' || info->Size.cx <= 0 ||
        info->Size.cy <= 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Spooler().forms.Find(info->pName) != nullptr) {
        SetError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    // Whatever the caller asks for, a form added here is a user form.
    Spooler().forms.Add(info->pName, {info->pName, FORM_USER, info->Size.cx, info->Size.cy});
    return TRUE;
}

BOOL WINAPI DeleteFormA(HANDLE printer, LPSTR formName) {
    Api api("DeleteFormA");
    if (api.failed())
        return FALSE;
    if (FindPrinterHandle(printer) == nullptr)
        return FALSE;
    Form *form = formName == NULL ? nullptr : Spooler().forms.Find(formName);
    if (form == nullptr) {
        SetError(ERROR_INVALID_FORM_NAME);
        return FALSE;
    }
    if (form->flags & FORM_BUILTIN) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Spooler().forms.Erase(formName);
    return TRUE;
}

BOOL WINAPI EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level, LPBYTE buffer,
                      DWORD size, LPDWORD needed, LPDWORD returned) {
    Api api("EnumJobsA");
    if (api.failed())
        return FALSE;
    Printer *open = HandlePrinter(printer);
    if (open == nullptr)
        return FALSE;
    std::vector<JobInfo> &queue = open->info.jobs;
    std::vector<JobInfo *> items;
    for (size_t i = firstJob; i < queue.size() && items.size() < count; ++i)
        items.push_back(&queue[i]);
    if (level == 1) {
        const std::string name = open->info.name, datatype = open->info.datatype;
        return WriteRecords<JOB_INFO_1A>(
            items,
            [&](StringArea &area, JOB_INFO_1A &record, JobInfo &job) {
                record.JobId = job.id;
                record.pPrinterName = area.Put(name);
                record.pMachineName = area.Put("\\\\SIMULATED");
                record.pUserName = area.Put("Administrator");
                record.pDocument = area.Put(job.document);
                record.pDatatype = area.Put(datatype);
                record.Status = job.status;
                record.Priority = 1;
                record.Position = DWORD(&job - queue.data()) + 1;
            },
            buffer, size, needed, returned);
    }
    if (level == 3) {
        return WriteRecords<JOB_INFO_3>(
            items,
            [&](StringArea &, JOB_INFO_3 &record, JobInfo &job) {
                size_t next = &job - queue.data() + 1;
                record.JobId = job.id;
                record.NextJobId = next < queue.size() ? queue[next].id : 0;
            },
            buffer, size, needed, returned);
    }
    SetError(ERROR_INVALID_LEVEL);
    return FALSE;
}

BOOL WINAPI SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE, DWORD command) {
    Api api("SetJobA");
    if (api.failed())
        return FALSE;
    Printer *open = HandlePrinter(printer);
    if (open == nullptr)
        return FALSE;
    // Only commands: changing a job's settings is not simulated.
    if (level != 0) {
        SetError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::vector<JobInfo> &queue = open->info.jobs;
    auto job = std::find_if(queue.begin(), queue.end(),
                            [jobId](const JobInfo &candidate) { return candidate.id == jobId; });
    if (job == queue.end() || command < JOB_CONTROL_PAUSE || command > JOB_CONTROL_DELETE) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (command == JOB_CONTROL_PAUSE)
        job->status |= JOB_STATUS_PAUSED;
    else if (command == JOB_CONTROL_RESUME)
        job->status &= ~DWORD(JOB_STATUS_PAUSED);
    else if (command == JOB_CONTROL_CANCEL || command == JOB_CONTROL_DELETE)
        queue.erase(job);
    return TRUE;
}
