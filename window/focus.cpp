// Tab navigation. Library windows are plain top-level windows, so the system's dialog navigation
// does not apply; the accelerator table of the active library window turns Tab and Shift+Tab into
// focus commands, and FocusMove walks the window's tab stops in enumeration order.
#include "window_internal.h"

#include <string.h>

#include <richedit.h>

namespace {

constexpr SHORT KEY_DOWN_BIT = 0x80;
constexpr int RICH_NAME_SIZE = 5; // four characters compared, and the terminator
constexpr const char* RICH_PREFIX = "Rich";
constexpr size_t RICH_PREFIX_LENGTH = 4;
constexpr int MDI_NAME_SIZE = 50;
constexpr const char* MDI_CHILD_CLASS = "MDI_ChildClass";

// The state of one walk, handed to the enumeration callbacks.
struct FocusWalk {
    HWND current;     // focused window inside the root, else null
    HWND previous;    // last tab stop seen (backward walk)
    int32_t takeNext; // the next tab stop seen takes the focus (forward walk)
    int32_t done;     // the backward walk has set the focus
};
static_assert(sizeof(FocusWalk) == 16, "the walk state is four 32-bit fields");

bool IsKeyDown(int virtualKey) {
    return (GetKeyState(virtualKey) & KEY_DOWN_BIT) != 0;
}

// Tab alone goes to an editable rich-edit control as a character.
bool IsTabForRichEdit() {
    if (!IsKeyDown(VK_TAB) || IsKeyDown(VK_CONTROL) || IsKeyDown(VK_SHIFT) || IsKeyDown(VK_MENU))
        return false;
    HWND focus = GetFocus();
    char name[RICH_NAME_SIZE] = {};
    if (!focus || !GetClassNameA(focus, name, RICH_NAME_SIZE)) return false;
    if (strncmp(name, RICH_PREFIX, RICH_PREFIX_LENGTH) != 0) return false;
    return !(SendMessageA(focus, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
}

bool IsTabStop(HWND window) {
    return IsWindowEnabled(window) && IsWindowVisible(window) &&
           (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP);
}

bool IsMdiChild(HWND window) {
    char name[MDI_NAME_SIZE] = {};
    return GetClassNameA(window, name, MDI_NAME_SIZE) && strcmp(name, MDI_CHILD_CLASS) == 0;
}

BOOL CALLBACK FocusNextStep(HWND window, LPARAM lParam) {
    auto* walk = reinterpret_cast<FocusWalk*>(lParam);
    if (!IsTabStop(window)) return TRUE;
    if (walk->takeNext) {
        SetFocus(window);
        walk->takeNext = 0;
        return FALSE;
    }
    if (!walk->current) {
        SetFocus(window);
        return FALSE;
    }
    if (window == walk->current) walk->takeNext = 1;
    return TRUE;
}

BOOL CALLBACK FocusPreviousStep(HWND window, LPARAM lParam) {
    auto* walk = reinterpret_cast<FocusWalk*>(lParam);
    if (!IsTabStop(window)) return TRUE;
    if (window == walk->current && walk->previous) {
        SetFocus(walk->previous);
        walk->done = 1;
        walk->previous = window;
        return FALSE;
    }
    walk->previous = window;
    return TRUE;
}

} // namespace

HACCEL KeyboardPreTranslate(HWND activeWindow) {
    if (IsTabForRichEdit()) return nullptr;
    ObjectNumber number = WindowPropertyNumber(activeWindow);
    if (number == NO_WINDOW) return nullptr;
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number));
    return record ? record->acceleratorTable : nullptr;
}

void FocusMove(int32_t backward) {
    HWND root = GetActiveWindow();
    // Without an active window the enumeration would run over every top-level window.
    if (!root) return;
    HWND focus = GetFocus();
    FocusWalk walk = {nullptr, nullptr, 0, 0};
    if (IsChild(root, focus)) {
        walk.current = focus;
        // The outermost MDI child around the focus confines the walk. The climb stops at the
        // active window: above it, GetParent yields owners, whose controls are not this window's.
        HWND confinement = root;
        for (HWND window = focus; window && window != root; window = GetParent(window)) {
            if (!IsMdiChild(window)) continue;
            confinement = window;
            if (window == focus) walk.current = nullptr;
        }
        root = confinement;
    }
    const LPARAM lParam = reinterpret_cast<LPARAM>(&walk);
    if (!backward) {
        EnumChildWindows(root, FocusNextStep, lParam);
        // The focus was on the last tab stop: the first one takes it.
        if (walk.takeNext) EnumChildWindows(root, FocusNextStep, lParam);
        return;
    }
    EnumChildWindows(root, FocusPreviousStep, lParam);
    if (!walk.done && walk.previous) SetFocus(walk.previous);
}
