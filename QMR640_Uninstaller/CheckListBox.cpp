#include "QMR640_Uninstaller/CheckListBox.h"

namespace {
const int kItemHeight = 16;
const int kBoxWidth = 16;

WNDPROC g_listBoxProc = NULL;

void Toggle(HWND listBox, int index) {
    SetCheck(listBox, index, !GetCheck(listBox, index));
    SendMessageA(GetParent(listBox), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(listBox), CLBN_CHKCHANGE),
                 (LPARAM)listBox);
}

LRESULT CALLBACK CheckListProc(HWND listBox, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN && LOWORD(lParam) < kBoxWidth) {
        LRESULT hit = SendMessageA(listBox, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0)
            Toggle(listBox, LOWORD(hit));
    } else if (message == WM_CHAR && wParam == VK_SPACE) {
        int selected = int(SendMessageA(listBox, LB_GETCURSEL, 0, 0));
        if (selected != LB_ERR)
            Toggle(listBox, selected);
        return 0;
    }
    return CallWindowProcA(g_listBoxProc, listBox, message, wParam, lParam);
}
} // namespace

void AttachCheckListBox(HWND listBox) {
    g_listBoxProc = (WNDPROC)SetWindowLongPtrA(listBox, GWLP_WNDPROC, (LONG_PTR)CheckListProc);
}

int GetCheck(HWND listBox, int index) {
    LRESULT data = SendMessageA(listBox, LB_GETITEMDATA, WPARAM(index), 0);
    return data == LB_ERR ? 0 : int(data);
}

void SetCheck(HWND listBox, int index, int check) {
    SendMessageA(listBox, LB_SETITEMDATA, WPARAM(index), check);
    InvalidateRect(listBox, NULL, FALSE);
}

void MeasureCheckListItem(MEASUREITEMSTRUCT *item) {
    item->itemHeight = kItemHeight;
}

void DrawCheckListItem(const DRAWITEMSTRUCT *item) {
    if (item->itemID == UINT(-1))
        return;
    RECT box = item->rcItem;
    box.right = box.left + kBoxWidth;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    DrawFrameControl(item->hDC, &box, DFC_BUTTON,
                     DFCS_BUTTONCHECK | (item->itemData ? DFCS_CHECKED : 0));
    char text[256] = {0};
    if (SendMessageA(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0) < LRESULT(sizeof text))
        SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, (LPARAM)text);
    RECT label = item->rcItem;
    label.left += kBoxWidth + 2;
    SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    DrawTextA(item->hDC, text, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
