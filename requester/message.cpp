// Message requester and the modality shared by all requesters: before a system dialog opens,
// the other visible windows of the thread are disabled, and exactly those are enabled again.
#include "requester.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

// One window a requester disabled.
struct DisabledWindow {
    uint32_t threadId; // thread that disabled the window and alone enables it again
    HWND window;
};

struct RequesterState {
    DynamicObjectNode* disabledWindows; // newest first
};
RequesterState requesters;

DisabledWindow* DisabledWindowOf(DynamicObjectNode* node) {
    return reinterpret_cast<DisabledWindow*>(reinterpret_cast<uint8_t*>(node) + sizeof(DynamicObjectNode));
}

BOOL CALLBACK DisableIfOther(HWND window, LPARAM) {
    DWORD thread = GetCurrentThreadId();
    if (GetWindowThreadProcessId(window, nullptr) != thread) return TRUE;
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    // The foreground window owns the dialog, and the system disables and enables an owner itself.
    if (window == GetForegroundWindow()) return TRUE;
    auto* entry = static_cast<DisabledWindow*>(
        DynamicObjectCreate(&requesters.disabledWindows, sizeof(DisabledWindow)));
    // A window that could not be remembered would never be enabled again, so it stays enabled.
    if (!entry) return TRUE;
    entry->threadId = thread;
    entry->window = window;
    EnableWindow(window, FALSE);
    return TRUE;
}

void EnableRemembered() {
    DWORD thread = GetCurrentThreadId();
    DynamicObjectNode* next;
    for (DynamicObjectNode* node = requesters.disabledWindows; node; node = next) {
        next = node->next;
        DisabledWindow* entry = DisabledWindowOf(node);
        if (entry->threadId != thread) continue;
        EnableWindow(entry->window, TRUE);
        DynamicObjectFree(&requesters.disabledWindows, entry);
    }
}

} // namespace

void RequesterLibraryStart() {
    InitCommonControls();
    CoInitialize(nullptr);
}

HWND RequesterOwnerWindow() {
    HWND window = GetForegroundWindow();
    if (!window) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() ? window : nullptr;
}

void RequesterDisableOthers(int32_t disable) {
    if (disable)
        EnumWindows(DisableIfOther, 0);
    else
        EnableRemembered();
}

int32_t RequestMessage(const char* title, const char* text, uint32_t flags) {
    RequesterDisableOthers(1);
    int32_t result = MessageBoxA(RequesterOwnerWindow(), text, title, flags);
    RequesterDisableOthers(0);
    return result;
}

int32_t RequestMessage(const char* title, const char* text) {
    return RequestMessage(title, text, MB_OK);
}
