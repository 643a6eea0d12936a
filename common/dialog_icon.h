// The program icon of a minimised dialog.
#pragma once
#include <windows.h>

// The dialog procedure's answer to WM_PAINT and WM_QUERYDRAGICON: while the dialog is
// minimised it paints the icon centred in the client area; the icon is what a drag shows.
INT_PTR IconMessage(HWND dialog, UINT message, HICON icon);
