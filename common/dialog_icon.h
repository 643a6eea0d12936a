// The program icon of a minimised dialog.
#pragma once
#include <windows.h>

// Draws the icon centred in the client area; for WM_PAINT while the dialog is minimised.
void PaintMinimizedIcon(HWND dialog, HICON icon);
