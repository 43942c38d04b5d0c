// Tab navigation. The accelerator table of the active library window turns Tab and Shift+Tab
// into focus commands; moving the focus between controls is not done yet.
#include "window_internal.h"

HACCEL KeyboardPreTranslate(HWND activeWindow) {
    ObjectNumber number = WindowPropertyNumber(activeWindow);
    if (number == NO_WINDOW) return nullptr;
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number));
    return record ? record->acceleratorTable : nullptr;
}

void FocusMove(int32_t) {}
