// The installer's progress dialog and the worker that runs the installation.
#pragma once
#include <windows.h>
#include <string>

#include "QMR640_Installer/DriverVersion.h"
#include "QMR640_Installer/Port_Dlg.h"
#include "common/progress_dialog.h"

class CKSTPOS_InstallerDlg : public ProgressDialog<CKSTPOS_InstallerDlg> {
  public:
    CKSTPOS_InstallerDlg();

    INT_PTR DoModal();
    // /quiet: the start-up and the worker's run on this thread, without any window.
    void RunWithoutWindow();

    // Removes a different driver version when one is installed. An interactive run then
    // restarts and ends the process; an unattended one returns true and goes on installing.
    bool CheckInstalledVersion();

    CDriverVersion m_DriverVersion;
    CPort_Dlg m_PortDlg;
    std::string versionCaption;

    // The progress dialog's handlers.
    void FindControls() {}
    void OnRefresh();
    void StartUp();
    void Started();
    void RunWorker();
    INT_PTR OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    int ChoosePort();
    // The port of an unattended run: the options file's PORT; without one the run ends with 87.
    int PresetPortOrEnd();
    void BuildVersionCaption();
};
