// Dialogs: made from their templates, their default procedure, and the dialog item functions.
#include "user.h"

#include <commctrl.h>

namespace winsim {

LRESULT DefDialogProc(std::unique_lock<std::mutex> &lock, Window &w, UINT message, WPARAM wParam,
                      LPARAM lParam) {
    switch (message) {
    case WM_SETICON: {
        HICON &slot = wParam == ICON_BIG ? w.iconBig : w.iconSmall;
        HICON old = slot;
        slot = (HICON)lParam;
        return (LRESULT)old;
    }
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return ControlProc(w, message, wParam, lParam);
    case WM_SYSKEYDOWN: // Alt+F4 is the window menu's Close command
        return wParam == VK_F4 ? Deliver(lock, w.handle, WM_SYSCOMMAND, SC_CLOSE, 0) : 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && w.sysClose)
            return Deliver(lock, w.handle, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE: {
        HWND cancel = NULL;
        for (HWND child : w.children)
            if (Find(child) != nullptr && Find(child)->id == IDCANCEL)
                cancel = child;
        return Deliver(lock, w.handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       (LPARAM)cancel);
    }
    }
    return 0;
}

HWND CreateFromTemplate(std::unique_lock<std::mutex> &lock, HINSTANCE instance, LPCSTR name,
                        HWND parent, DLGPROC proc, LPARAM parameter, bool modal) {
    const DialogTemplate *tmpl =
        IS_INTRESOURCE(name) ? FindDialogTemplate(instance, int(uintptr_t(name))) : nullptr;
    if (tmpl == nullptr) {
        SetError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
        return NULL;
    }
    auto make = [](HWND parentHandle) {
        auto w = std::make_unique<Window>();
        w->handle = (HWND)(uintptr_t)(g_machine->nextWindow += 2);
        w->thread = std::this_thread::get_id();
        w->parent = parentHandle;
        HWND handle = w->handle;
        g_machine->windows[handle] = std::move(w);
        return g_machine->windows[handle].get();
    };
    Window *d = make(parent);
    d->dialog = std::make_unique<DialogState>();
    d->className = "#32770";
    d->text = tmpl->caption;
    d->style = tmpl->style;
    d->exStyle = tmpl->exStyle;
    d->rect = tmpl->rect;
    d->dialog->proc = proc;
    d->sysClose = (tmpl->style & WS_SYSMENU) != 0;
    HWND handle = d->handle;
    for (const ControlTemplate &c : tmpl->controls) {
        Window *child = make(handle);
        child->id = c.id;
        child->className = c.className;
        child->text = c.text;
        child->style = c.style;
        child->rect = c.rect;
        child->visible = (c.style & WS_VISIBLE) != 0;
        AddClassState(*child);
        Find(handle)->children.push_back(child->handle);
        if (child->className == "ListBox")
            MeasureListItems(lock, *child);
    }
    Deliver(lock, handle, WM_INITDIALOG, 0, parameter);
    Window *created = Find(handle);
    if (created != nullptr)
        created->visible = modal || (created->style & WS_VISIBLE);
    return handle;
}

Window *Child(HWND dialog, int id) {
    Window *d = Find(dialog);
    if (d != nullptr)
        for (HWND child : d->children) {
            Window *c = Find(child);
            if (c != nullptr && c->id == id)
                return c;
        }
    SetError(1421); // ERROR_CONTROL_ID_NOT_FOUND
    return nullptr;
}

} // namespace winsim

using namespace winsim;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                               LPARAM parameter) {
    Api api("DialogBoxParamA");
    if (api.failed())
        return -1;
    HWND dialog =
        CreateFromTemplate(api.lock, instance, templateName, parent, proc, parameter, true);
    if (dialog == NULL)
        return -1;
    RunModal(api.lock, dialog);
    Window *d = Find(dialog);
    INT_PTR result = d != nullptr ? d->dialog->result : 0;
    Destroy(dialog);
    return result;
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                               LPARAM parameter) {
    Api api("CreateDialogParamA");
    if (api.failed())
        return NULL;
    return CreateFromTemplate(api.lock, instance, templateName, parent, proc, parameter, false);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    Api api("EndDialog");
    Window *d = Find(dialog);
    if (d == nullptr) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // Another window has nothing to end: the call succeeds all the same.
    if (d->dialog) {
        d->dialog->ended = true;
        d->dialog->result = result;
    }
    g_changed.notify_all();
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    Api api("GetDlgItem");
    Window *c = Child(dialog, id);
    return c == nullptr ? NULL : c->handle;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    Api api("SetDlgItemTextA");
    Window *c = Child(dialog, id);
    return c != nullptr && Send(api.lock, c->handle, WM_SETTEXT, 0, (LPARAM)text);
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
    Api api("GetDlgItemTextA");
    Window *c = Child(dialog, id);
    if (c == nullptr) {
        if (size > 0)
            text[0] = '\0';
        return 0;
    }
    return UINT(Send(api.lock, c->handle, WM_GETTEXT, WPARAM(size), (LPARAM)text));
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    Api api("CheckDlgButton");
    Window *c = Child(dialog, id);
    if (c == nullptr)
        return FALSE;
    Send(api.lock, c->handle, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    Api api("IsDlgButtonChecked");
    Window *c = Child(dialog, id);
    return c == nullptr ? 0 : UINT(Send(api.lock, c->handle, BM_GETCHECK, 0, 0));
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    Api api("SendDlgItemMessageA");
    Window *c = Child(dialog, id);
    return c == nullptr ? 0 : Send(api.lock, c->handle, message, wParam, lParam);
}
