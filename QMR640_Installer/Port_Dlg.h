// The setup options file and the port dialog.
#pragma once
#include <windows.h>

#include "common/dialog_window.h"
#include "common/switches.h"

// Port values handed to the installation sequences: 1000 + port index.
const int PORT_VALUE_BASE = 1000;
const int PORT_INDEX_USB = 6;
const int PORT_COUNT = PORT_NAME_COUNT;
const int PORT_VALUE_USB = PORT_VALUE_BASE + PORT_INDEX_USB;

// The name of the spooler port a port value stands for, "COM1" to "LPT2"; empty for USB, which
// has none, and for a value out of range.
const char *PortName(int portValue);

// Reads a key of the options file beside the installer, else of the copy in the model folder;
// returns value when a non-empty value was read, else NULL after logging the failure.
char *GetDriverInfoFromFile(const char *section, const char *key, char *value, DWORD size);

// The port index that a PORT value preselects (NULL for an unreadable key).
int PortIndexFromSetting(const char *value);
// The first port a PORT value names, -1 when it names none (or is NULL).
int PortIndexInSetting(const char *value);

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
