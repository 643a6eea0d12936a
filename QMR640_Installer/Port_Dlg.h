// The port dialog: the printer's port, preselected from the options file.
#pragma once
#include <windows.h>

#include "common/dialog_window.h"
#include "common/ports.h"

// The radio button of each port index, in the group's order.
extern const int kPortRadioIds[PORT_COUNT];

class CPort_Dlg : public DialogWindow<CPort_Dlg> {
  public:
    CPort_Dlg();

    // The shown choice: runs the dialog modally without a parent; IDOK when "&Next" was pressed.
    INT_PTR DoModal();
    // The preset choice: creates the dialog hidden, so that its start-up reads PORT.
    BOOL CreateHidden(HWND parent);
    void DestroyWindow();
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    int m_nPortIndex;

  private:
    void OnInitDialog();
    void OnOK();
};
