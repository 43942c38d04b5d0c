// Live window sizing. Until the library sizes windows itself, the system's own sizing loop is
// used: the stage leaves every message to the rest of the window procedure.
#include "window_internal.h"

void SizingStateCreate() {}

LRESULT SizingHandleMessage(HWND, UINT, WPARAM, LPARAM) {
    return NOT_HANDLED;
}
