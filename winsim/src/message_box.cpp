// Message boxes, answered by the test's script.
#include "user.h"

using namespace winsim;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    Api api("MessageBoxA");
    if (api.failed())
        return 0;
    Box box{text != NULL ? text : "", caption != NULL ? caption : "Error", flags, owner != NULL};
    g_machine->boxes.push_back(box);
    std::function<int(const Box &)> answer = g_machine->boxAnswer;
    if (!answer)
        return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
    api.lock.unlock();
    return answer(box);
}
