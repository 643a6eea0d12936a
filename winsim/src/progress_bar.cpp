// The progress bar (msctls_progress32).
#include "user.h"

#include <commctrl.h>

#include <algorithm>

namespace winsim {

LRESULT ProgressBarProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam) {
    ProgressBarState &bar = *w.progressBar;
    int previous = bar.pos;
    switch (message) {
    case PBM_SETRANGE: {
        LRESULT old = MAKELONG(bar.low, bar.high);
        bar.low = LOWORD(lParam);
        bar.high = HIWORD(lParam);
        bar.pos = std::min(std::max(bar.pos, bar.low), bar.high);
        return old;
    }
    case PBM_SETSTEP: {
        int old = bar.step;
        bar.step = int(wParam);
        return old;
    }
    case PBM_STEPIT:
        // Past the end the bar starts over from the beginning, as the control documents.
        bar.pos += bar.step;
        if (bar.pos > bar.high)
            bar.pos = bar.low + (bar.pos - bar.high);
        bar.positions.push_back(bar.pos);
        return previous;
    case PBM_SETPOS:
        bar.pos = std::min(std::max(int(wParam), bar.low), bar.high);
        bar.positions.push_back(bar.pos);
        return previous;
    case PBM_DELTAPOS:
        bar.pos = std::min(std::max(bar.pos + int(wParam), bar.low), bar.high);
        bar.positions.push_back(bar.pos);
        return previous;
    case PBM_GETPOS:
        return bar.pos;
    }
    return 0;
}

} // namespace winsim
