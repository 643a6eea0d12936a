// What every dialog of the programs shares: its object travels in the creation parameter, the
// dialog procedure keeps it in DWLP_USER at WM_INITDIALOG and hands every later message to it.
#pragma once
#include <windows.h>

// Dialog derives from DialogWindow<Dialog> and answers its messages in a public
// INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam), WM_INITDIALOG included.
template <class Dialog> class DialogWindow {
  public:
    HWND m_hWnd = NULL;

    // Messages sent before WM_INITDIALOG reach no object; a dialog that must answer one
    // declares its own static BeforeInit.
    static INT_PTR BeforeInit(UINT, WPARAM, LPARAM) { return FALSE; }

  protected:
    // The dialog of the program's template id, modal and without a parent.
    INT_PTR RunModal(int templateId) {
        return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(templateId), NULL,
                               DialogProc, (LPARAM) static_cast<Dialog *>(this));
    }
    HWND CreateModeless(int templateId, HWND parent) {
        return CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(templateId), parent,
                                  DialogProc, (LPARAM) static_cast<Dialog *>(this));
    }

  private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        Dialog *self = NULL;
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            self = (Dialog *)lParam;
            self->m_hWnd = dialog;
        } else {
            self = (Dialog *)GetWindowLongPtrA(dialog, DWLP_USER);
            if (self == NULL)
                return Dialog::BeforeInit(message, wParam, lParam);
        }
        return self->OnMessage(message, wParam, lParam);
    }
};
