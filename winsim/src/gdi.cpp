// Painting: the device contexts of windows, and what is drawn into them.
#include "user.h"

#include <string.h>

namespace winsim {

RECT ClientPixels(const Window &w) {
    return RECT{0, 0, w.rect.right * 3 / 2, w.rect.bottom * 13 / 8};
}

namespace {
// A window's device context is its handle. What is drawn is kept with the window; drawing makes
// no entry in the call log.
void Record(HDC dc, const char *call, const RECT *rect, const std::string &text, UINT state) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Window *w = FindAny((HWND)dc);
    if (w != nullptr && rect != NULL)
        w->drawings.push_back(Drawing{call, *rect, text, state});
}
} // namespace
} // namespace winsim

using namespace winsim;

BOOL WINAPI DrawIcon(HDC, int, int, HICON icon) {
    Api api("DrawIcon");
    return icon != NULL;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    Api api("BeginPaint");
    memset(paint, 0, sizeof *paint);
    paint->hdc = (HDC)window;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT *) {
    Api api("EndPaint");
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    Api api("GetClientRect");
    Window *w = Find(window);
    if (w == nullptr)
        return FALSE;
    *rect = ClientPixels(*w);
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    return index == SM_CXICON || index == SM_CYICON ? 32 : 0;
}

BOOL WINAPI DrawFrameControl(HDC dc, LPRECT rect, UINT, UINT state) {
    Record(dc, "DrawFrameControl", rect, "", state);
    return TRUE;
}

int WINAPI DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
    std::string drawn = text == NULL ? "" : count < 0 ? text : std::string(text, size_t(count));
    Record(dc, "DrawTextA", rect, drawn, format);
    return 16;
}

int WINAPI FillRect(HDC dc, const RECT *rect, HBRUSH brush) {
    Record(dc, "FillRect", rect, "", UINT(uintptr_t(brush)));
    return 1;
}

HBRUSH WINAPI GetSysColorBrush(int index) {
    return (HBRUSH)(uintptr_t)(index + 1);
}

DWORD WINAPI GetSysColor(int index) {
    return DWORD(index);
}

COLORREF WINAPI SetTextColor(HDC, COLORREF color) {
    return color;
}

COLORREF WINAPI SetBkColor(HDC, COLORREF color) {
    return color;
}
