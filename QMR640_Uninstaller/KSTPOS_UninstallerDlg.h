// The uninstaller's dialog: the printer list and the uninstall sequence.
#pragma once
#include <windows.h>
#include <list>
#include <string>

#include "QMR640_Uninstaller/uninstall_choice.h"
#include "common/progress_dialog.h"
#include "common/step_host.h"

class CKSTPOS_UninstallerDlg : public ProgressDialog<CKSTPOS_UninstallerDlg> {
  public:
    CKSTPOS_UninstallerDlg();

    INT_PTR DoModal();
    // /quiet: lists the printers and removes them all with the package, on this thread and
    // without any window.
    void RunWithoutWindow();
    // The printer list asks for its item height while the dialog is being created.
    static INT_PTR BeforeInit(UINT message, WPARAM wParam, LPARAM lParam);

    // Set on the dialog thread when the worker is started; no second worker ever follows.
    bool m_bUninstallStarted;
    std::list<std::string> m_PrinterList;
    int m_nPrinterObjects;
    HWND m_hCancel;
    HWND m_hUninstall;
    HWND m_hPrinterList;

    // The progress dialog's handlers.
    void FindControls();
    void OnRefresh();
    void StartUp();
    void Started();
    void RunWorker();
    INT_PTR OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void OnTimer(UINT_PTR id);
    void PrepareUninstall();
    // Lists the printers and looks for the driver; ends the run where nothing is to be done.
    UninstallChoice ChooseOrEnd();
    // The driver, or any other trace of the package.
    bool DriverPresent();
    // Nothing of the product is there: says so, removes a stale uninstall entry and ends.
    void EndWithNothingToRemove();
    int AddPrinterObjectsToList();
    void StartUninstall();
    void UpdateUninstallButton();
    // Removes the printers in the printer list and, when they are all the driver's, the package.
    void RemoveChosenPrinters();
    void PostStatus(const char *text, BOOL step, DWORD pause);
};
