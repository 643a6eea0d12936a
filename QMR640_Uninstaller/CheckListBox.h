// A list box with a check box in front of each entry, built on an owner-drawn list box.
#pragma once
#include <windows.h>

// Sent to the parent in a WM_COMMAND after the user toggled an entry's check box.
const UINT CLBN_CHKCHANGE = 40;

// Takes over the list box's mouse clicks on the check boxes and the space bar.
void AttachCheckListBox(HWND listBox);
int GetCheck(HWND listBox, int index);
void SetCheck(HWND listBox, int index, int check);

// The parent's owner-draw handlers.
void MeasureCheckListItem(MEASUREITEMSTRUCT *item);
void DrawCheckListItem(const DRAWITEMSTRUCT *item);
