#include "QMR640_Uninstaller/KSTPOS_UninstallerDlg.h"

#include <winspool.h>

#include "QMR640_Uninstaller/CheckListBox.h"
#include "QMR640_Uninstaller/resource.h"
#include "QMR640_Uninstaller/uninstall_choice.h"
#include "common/app_context.h"
#include "common/deployment.h"
#include "common/driver_printers.h"
#include "common/platform.h"
#include "common/printer_driver.h"
#include "common/profile.h"
#include "common/program_folder.h"
#include "common/report_error.h"
#include "common/restart.h"
#include "common/step_frame.h"
#include "common/trace_log.h"
#include "removal/package_presence.h"
#include "removal/pnp_cleanup.h"
#include "removal/removal_steps.h"

namespace {
const UINT_PTR kPrepareTimer = 1;
const char kCompleted[] = "The uninstallation has been completed.";
const char kRestartQuestion[] = "Restart the computer can take effect.\nPlease restart the "
                                "computer.\n\n[Yes] I want to restart my computer now.\n[No] I "
                                "will restart my computer later.";
} // namespace

CKSTPOS_UninstallerDlg::CKSTPOS_UninstallerDlg()
    : ProgressDialog(IDR_MAINFRAME, IDC_PROGRESS, 10), m_bUninstallStarted(false),
      m_nPrinterObjects(0), m_hCancel(NULL), m_hUninstall(NULL), m_hPrinterList(NULL) {}

INT_PTR CKSTPOS_UninstallerDlg::DoModal() {
    return RunModal(IDD_KSTPOS_UNINSTALLER_DIALOG);
}

// A list box of fixed owner-drawn items measures them when it is created, before the dialog
// has its WM_INITDIALOG; the answer needs nothing of the dialog.
INT_PTR CKSTPOS_UninstallerDlg::BeforeInit(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_MEASUREITEM)
        return FALSE;
    MeasureCheckListItem((MEASUREITEMSTRUCT *)lParam);
    return TRUE;
}

INT_PTR CKSTPOS_UninstallerDlg::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnTimer(wParam);
        return FALSE;
    case WM_DRAWITEM:
        DrawCheckListItem((const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_PRINTER_LIST:
            if (HIWORD(wParam) == CLBN_CHKCHANGE)
                UpdateUninstallButton();
            return TRUE;
        case IDC_UNINSTALL:
            if (HIWORD(wParam) == BN_CLICKED)
                StartUninstall();
            return TRUE;
        case IDCANCEL:
            // A click queued before the button was disabled: the uninstall is not stopped half way.
            if (m_bUninstallStarted)
                return TRUE;
            // A /passive run closed before its uninstall started has removed nothing.
            RecordCancel();
            EndDialog(m_hWnd, IDCANCEL);
            return TRUE;
        case IDOK:
            // Only the worker asks for this, after No to the restart question.
            EndDialog(m_hWnd, IDOK);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void CKSTPOS_UninstallerDlg::FindControls() {
    m_hCancel = GetDlgItem(m_hWnd, IDCANCEL);
    m_hUninstall = GetDlgItem(m_hWnd, IDC_UNINSTALL);
    m_hPrinterList = GetDlgItem(m_hWnd, IDC_PRINTER_LIST);
    AttachCheckListBox(m_hPrinterList);
}

void CKSTPOS_UninstallerDlg::Started() {
    // Without its timer the check would never run and the dialog would wait, under /passive too.
    if (!SetTimer(m_hWnd, kPrepareTimer, 1, NULL))
        PostMessageA(m_hWnd, WM_TIMER, kPrepareTimer, 0);
}

void CKSTPOS_UninstallerDlg::StartUp() {
    StartTraceLog(CurrentProgram().logFileName);
    EnterProgramFolder();
    BOOL wow64 = IsWow64();
    host = ProgramStepHost(wow64, CheckOS(), &status, progressBar);
    m_nPrinterObjects = 0;
    busy = 0;
}

void CKSTPOS_UninstallerDlg::RunWithoutWindow() {
    StartUp();
    ChooseOrEnd();
    // The printer list holds every printer on the driver: all of them are chosen.
    RemoveChosenPrinters();
}

UninstallChoice CKSTPOS_UninstallerDlg::ChooseOrEnd() {
    m_nPrinterObjects = AddPrinterObjectsToList();
    // The driver is looked for only where no printer shows that it is there.
    bool driver = m_nPrinterObjects == 0 && DriverPresent();
    UninstallChoice choice = ChooseUninstall(m_nPrinterObjects, driver, Unattended());
    if (choice == UNINSTALL_END)
        EndRun(0);
    if (choice == UNINSTALL_NOTHING_THERE)
        EndWithNothingToRemove();
    return choice;
}

void CKSTPOS_UninstallerDlg::OnRefresh() {
    SetDlgItemTextA(m_hWnd, IDC_STATUS, status.Get().c_str());
}

void CKSTPOS_UninstallerDlg::OnTimer(UINT_PTR id) {
    KillTimer(m_hWnd, id);
    if (id == kPrepareTimer)
        PrepareUninstall();
}

void CKSTPOS_UninstallerDlg::PrepareUninstall() {
    m_PrinterList.clear();
    SendMessageA(m_hPrinterList, LB_RESETCONTENT, 0, 0);
    EnableWindow(m_hCancel, TRUE);
    UninstallChoice choice = ChooseOrEnd();
    if (choice == UNINSTALL_DRIVER_AT_ONCE) {
        EnableWindow(m_hCancel, FALSE);
        busy = 1;
        StartUninstall();
        return;
    }
    EnableWindow(m_hUninstall, FALSE);
    for (const std::string &name : m_PrinterList)
        SendMessageA(m_hPrinterList, LB_ADDSTRING, 0, (LPARAM)name.c_str());
    for (int i = 0; i < SendMessageA(m_hPrinterList, LB_GETCOUNT, 0, 0); ++i)
        SetCheck(m_hPrinterList, i, 1);
    if (choice == UNINSTALL_ALL_LISTED) {
        // /passive: nobody would answer a list that failed to fill: every printer on the
        // driver goes, as under /quiet.
        StartUninstall();
        return;
    }
    if (SendMessageA(m_hPrinterList, LB_GETCOUNT, 0, 0) != 0)
        EnableWindow(m_hUninstall, TRUE);
}

bool CKSTPOS_UninstallerDlg::DriverPresent() {
    // What a run ended half way leaves counts too: it is removed as a driver without printers.
    return PrinterDrvExist(LoadProfileString(IDS_DRIVER_NAME), host, STATUS_QUIET) != 0 ||
           PackageTraceExist(host);
}

void CKSTPOS_UninstallerDlg::EndWithNothingToRemove() {
    std::string text =
        "The " + LoadProfileString(IDS_MODEL_NAME) + " driver does not exist on this system.";
    ShowInformation(text.c_str(), MB_OK | MB_ICONINFORMATION);
    DeleteUninstallInfoFromReg(host);
    EndRun(0);
}

int CKSTPOS_UninstallerDlg::AddPrinterObjectsToList() {
    StepFrame frame("AddPrinterObjectsToList");
    std::vector<std::string> names;
    std::string driver = LoadProfileString(IDS_DRIVER_NAME);
    bool listed = PrintersOfDriver(driver, names);
    if (!listed) {
        // A run that ended between its "net stop spooler" and "net start spooler" left the
        // spooler stopped; without it nothing left behind could be removed.
        TraceLog("EnumPrinters failed. (%d) The spooler is started.", int(GetLastError()));
        RunSpoolerCommand("net start spooler", 2000);
        listed = PrintersOfDriver(driver, names);
    }
    if (!listed) {
        ReportSystemError("EnumPrinters Error Code: %d\n\n", GetLastError(), MB_ICONEXCLAMATION);
        return -1;
    }
    for (const std::string &name : names)
        m_PrinterList.push_front(name);
    TraceLog("The number of printer-objects : %d", int(m_PrinterList.size()));
    return int(m_PrinterList.size());
}

void CKSTPOS_UninstallerDlg::StartUninstall() {
    // A click, a key or a double click queued before the worker disabled the button must not
    // start a second worker on the same printer list.
    if (m_bUninstallStarted)
        return;
    m_bUninstallStarted = true;
    EnableWindow(m_hUninstall, FALSE);
    EnableWindow(m_hCancel, FALSE);
    // Without its worker the dialog would wait for ever with its buttons disabled.
    if (!StartWorker())
        EndRun(0);
    busy = 1;
}

void CKSTPOS_UninstallerDlg::UpdateUninstallButton() {
    // Once the uninstall runs, a click on the list must not give the user a second one.
    if (m_bUninstallStarted)
        return;
    for (int i = 0; i < SendMessageA(m_hPrinterList, LB_GETCOUNT, 0, 0); ++i)
        if (GetCheck(m_hPrinterList, i)) {
            EnableWindow(m_hUninstall, TRUE);
            return;
        }
    EnableWindow(m_hUninstall, FALSE);
}

void CKSTPOS_UninstallerDlg::PostStatus(const char *text, BOOL step, DWORD pause) {
    ::PostStatus(status, progressBar, text, step, pause);
}

void CKSTPOS_UninstallerDlg::RunWorker() {
    EnableWindow(m_hUninstall, FALSE);
    EnableWindow(m_hCancel, FALSE);
    char text[256] = {0};
    GetDlgItemTextA(m_hWnd, IDC_STATUS, text, sizeof text);
    status.Set(text);
    // /passive chose every printer on the driver, listed or not.
    if (Unattended()) {
        RemoveChosenPrinters();
        return;
    }
    m_PrinterList.clear();
    for (int i = 0; i < SendMessageA(m_hPrinterList, LB_GETCOUNT, 0, 0); ++i) {
        if (!GetCheck(m_hPrinterList, i))
            continue;
        LRESULT length = SendMessageA(m_hPrinterList, LB_GETTEXTLEN, i, 0);
        if (length == LB_ERR)
            continue;
        std::string name(size_t(length) + 1, '\0');
        SendMessageA(m_hPrinterList, LB_GETTEXT, i, (LPARAM)&name[0]);
        name.resize(size_t(length));
        m_PrinterList.push_front(name);
    }
    RemoveChosenPrinters();
}

void CKSTPOS_UninstallerDlg::RemoveChosenPrinters() {
    bool allChosen = m_nPrinterObjects == int(m_PrinterList.size());
    if (m_nPrinterObjects != 0) {
        PostStatus("Deleting printer-driver objects...", TRUE, 1000);
        RemovePrinterObjects(m_PrinterList);
    }
    if (allChosen) {
        PostStatus("Removing printer-drivers...", TRUE, 1000);
        RemoveFromOS(host);
        DeleteVidPid(host, STATUS_STEP);
        Delete_LPT_USB_Info(host, STATUS_STEP);
        DeletePrnDrvPnPDirectory(host, STATUS_STEP);
        DeleteUninstallInfoFromReg(host);
        m_PrinterList.clear();
        PostCompletion(status, progressBar, kCompleted, 1000);
        if (AskRestart(kRestartQuestion) == IDYES) {
            PostStatus(kCompleted, FALSE, 1000);
            StartRestart();
            EndRun(0);
        }
        if (Unattended())
            EndRun(0);
        // The dialog thread ends the dialog; this thread must not touch it any more. Should the
        // request not reach it, the dialog would wait for ever with its buttons disabled.
        if (!PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0))
            EndRun(0);
        return;
    }
    m_PrinterList.clear();
    PostCompletion(status, progressBar, kCompleted, 0);
    busy = 0;
    Sleep(2000);
    EndRun(0);
}
