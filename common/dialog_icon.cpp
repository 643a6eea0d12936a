#include "common/dialog_icon.h"

INT_PTR IconMessage(HWND dialog, UINT message, HICON icon) {
    if (message == WM_QUERYDRAGICON)
        return (INT_PTR)icon;
    if (message != WM_PAINT || !IsIconic(dialog))
        return FALSE;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    RECT client;
    GetClientRect(dialog, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(dialog, &paint);
    return TRUE;
}
