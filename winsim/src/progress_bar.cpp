// The progress bar (msctls_progress32).
#include "user.h"

#include <commctrl.h>

#include <algorithm>

namespace winsim {

LRESULT ProgressBarProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam) {
    int previous = w.pos;
    switch (message) {
    case PBM_SETRANGE: {
        LRESULT old = MAKELONG(w.low, w.high);
        w.low = LOWORD(lParam);
        w.high = HIWORD(lParam);
        w.pos = std::min(std::max(w.pos, w.low), w.high);
        return old;
    }
    case PBM_SETSTEP: {
        int old = w.step;
        w.step = int(wParam);
        return old;
    }
    case PBM_STEPIT:
        // Past the end the bar starts over from the beginning, as the control documents.
        w.pos += w.step;
        if (w.pos > w.high)
            w.pos = w.low + (w.pos - w.high);
        w.positions.push_back(w.pos);
        return previous;
    case PBM_SETPOS:
        w.pos = std::min(std::max(int(wParam), w.low), w.high);
        w.positions.push_back(w.pos);
        return previous;
    case PBM_DELTAPOS:
        w.pos = std::min(std::max(w.pos + int(wParam), w.low), w.high);
        w.positions.push_back(w.pos);
        return previous;
    case PBM_GETPOS:
        return w.pos;
    }
    return 0;
}

} // namespace winsim
