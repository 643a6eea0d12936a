// The list box, sorted or not, with owner-drawn entries.
#include "user.h"

#include <string.h>

#include <algorithm>

namespace winsim {

namespace {
// The height of a line of the dialog font, which a list box takes unless its owner measures.
const int kDefaultItemHeight = 13;
// Owner-drawn items are at most this high, as LB_SETITEMHEIGHT allows.
const UINT kMaxItemHeight = 255;

} // namespace

LRESULT ListBoxProc(Window &w, UINT message, WPARAM wParam, LPARAM lParam) {
    ListBoxState &box = *w.listBox;
    int count = int(box.items.size());
    int index = int(wParam);
    bool valid = index >= 0 && index < count;
    switch (message) {
    case LB_ADDSTRING: {
        std::string text = (const char *)lParam;
        auto at = box.items.end();
        if (w.style & LBS_SORT) {
            std::string key = Upper(text);
            at = std::upper_bound(box.items.begin(), box.items.end(), key,
                                  [](const std::string &k, const ListBoxState::Item &item) {
                                      return k < Upper(item.text);
                                  });
        }
        w.needsPaint = true;
        return box.items.insert(at, ListBoxState::Item{text, 0}) - box.items.begin();
    }
    case LB_DELETESTRING:
        if (!valid)
            return LB_ERR;
        box.items.erase(box.items.begin() + index);
        w.needsPaint = true;
        return count - 1;
    case LB_RESETCONTENT:
        box.items.clear();
        box.selection = LB_ERR;
        w.needsPaint = true;
        return 0;
    case LB_GETCOUNT:
        return count;
    case LB_GETTEXTLEN:
        return valid ? LRESULT(box.items[index].text.size()) : LB_ERR;
    case LB_GETTEXT:
        if (!valid)
            return LB_ERR;
        memcpy((char *)lParam, box.items[index].text.c_str(), box.items[index].text.size() + 1);
        return LRESULT(box.items[index].text.size());
    case LB_GETITEMDATA:
        return valid ? box.items[index].data : LB_ERR;
    case LB_SETITEMDATA:
        if (!valid)
            return LB_ERR;
        box.items[index].data = lParam;
        return TRUE;
    case LB_SETCURSEL:
        box.selection = valid ? index : LB_ERR;
        w.needsPaint = true;
        return valid ? index : LB_ERR;
    case LB_GETCURSEL:
        return box.selection;
    case LB_ITEMFROMPOINT: {
        int item = int(HIWORD(lParam)) / std::max(box.itemHeight, 1);
        return item < count ? MAKELONG(item, 0) : MAKELONG(count, 1);
    }
    case WM_LBUTTONDOWN: {
        int item = int(HIWORD(lParam)) / std::max(box.itemHeight, 1);
        if (item < count && item != box.selection) {
            box.selection = item;
            w.needsPaint = true;
        }
        return 0;
    }
    }
    return 0;
}

bool IsOwnerDrawList(const Window &w) {
    return w.className == "ListBox" && (w.style & LBS_OWNERDRAWFIXED) != 0;
}

void MeasureListItems(std::unique_lock<std::mutex> &lock, Window &listBox) {
    listBox.listBox->itemHeight = kDefaultItemHeight;
    if (!IsOwnerDrawList(listBox))
        return;
    HWND handle = listBox.handle;
    MEASUREITEMSTRUCT measure;
    memset(&measure, 0, sizeof measure);
    measure.CtlType = ODT_LISTBOX;
    measure.CtlID = UINT(listBox.id);
    measure.itemWidth = UINT(ClientPixels(listBox).right);
    measure.itemHeight = kDefaultItemHeight;
    Deliver(lock, listBox.parent, WM_MEASUREITEM, WPARAM(listBox.id), (LPARAM)&measure);
    Window *measured = Find(handle);
    if (measured != nullptr)
        measured->listBox->itemHeight =
            int(std::min(std::max(measure.itemHeight, 1u), kMaxItemHeight));
}

bool PaintOwnerDrawList(std::unique_lock<std::mutex> &lock) {
    for (auto &entry : g_machine->windows) {
        Window &w = *entry.second;
        Window *owner = Find(w.parent);
        if (w.destroyed || !w.needsPaint || w.thread != std::this_thread::get_id() ||
            !IsOwnerDrawList(w) || !w.visible || owner == nullptr || !owner->visible)
            continue;
        w.needsPaint = false;
        w.drawings.clear();
        HWND handle = w.handle, ownerHandle = w.parent;
        // The entries that fit, from the top: the list never scrolls here.
        for (int i = 0;; ++i) {
            Window *list = Find(handle);
            if (list == nullptr)
                break;
            const ListBoxState &box = *list->listBox;
            if (i >= int(box.items.size()) || i * box.itemHeight >= ClientPixels(*list).bottom)
                break;
            DRAWITEMSTRUCT draw;
            memset(&draw, 0, sizeof draw);
            draw.CtlType = ODT_LISTBOX;
            draw.CtlID = UINT(list->id);
            draw.itemID = UINT(i);
            draw.itemAction = ODA_DRAWENTIRE;
            draw.itemState = i == box.selection ? ODS_SELECTED : 0;
            draw.hwndItem = handle;
            draw.hDC = (HDC)handle;
            draw.rcItem =
                RECT{0, i * box.itemHeight, ClientPixels(*list).right, (i + 1) * box.itemHeight};
            draw.itemData = ULONG_PTR(box.items[i].data);
            Deliver(lock, ownerHandle, WM_DRAWITEM, WPARAM(list->id), (LPARAM)&draw);
        }
        return true;
    }
    return false;
}

} // namespace winsim
