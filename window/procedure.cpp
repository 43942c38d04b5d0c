// The one window procedure of every library window: the live-sizing stage, the hooks, then the
// message table that turns window messages into queued or immediate events.
#include "window_internal.h"

namespace {

// eventType of a click notification, by the mouse message that made it.
struct ClickType {
    LPARAM mouseMessage;
    int32_t eventType;
};
constexpr ClickType CLICK_TYPES[] = {
    {WM_LBUTTONUP, 0},
    {WM_RBUTTONUP, 1},
    {WM_LBUTTONDBLCLK, 2},
    {WM_RBUTTONDBLCLK, 3},
};

// The library window a message belongs to: the message's window or its nearest ancestor that
// carries a window number.
struct MessageWindow {
    ObjectNumber number; // NO_WINDOW when no window on the chain carries one
    HWND numbered;       // the window that carries it
    WindowObject* record;
};

MessageWindow MessageWindowFind(HWND hwnd) {
    MessageWindow found = {NO_WINDOW, nullptr, nullptr};
    for (HWND window = hwnd; window; window = GetParent(window)) {
        ObjectNumber number = WindowPropertyNumber(window);
        if (number == NO_WINDOW) continue;
        found.number = number;
        found.numbered = window;
        found.record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number));
        break;
    }
    return found;
}

void QueuedEventPush(int32_t code, ObjectNumber number) {
    if (number != NO_WINDOW) EventPush(code, number);
}

LRESULT BackgroundErase(const MessageWindow& window, HWND hwnd, HDC dc) {
    LRESULT result = NOT_HANDLED;
    if (window.record && window.record->backgroundBrush) {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, window.record->backgroundBrush);
        result = 1;
    } else if (window.record && window.record->hwnd == hwnd && window.record->eraseHandler) {
        result = window.record->eraseHandler(dc, hwnd);
    }
    EventPush(EVENT_BACKGROUND_ERASED, window.number);
    return result;
}

void CommandTranslate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (ControlDispatch(reinterpret_cast<HWND>(lParam), hwnd, WM_COMMAND, wParam, lParam) != NOT_HANDLED)
        return;
    const WORD command = LOWORD(wParam);
    const WORD source = HIWORD(wParam);
    if (lParam) {
        const int32_t identifier = GetWindowLongA(reinterpret_cast<HWND>(lParam), GWL_ID);
        if (identifier == MENU_FORWARD_ID)
            EventPendingSet(EVENT_MENU, command, source);
        else
            EventPendingSet(EVENT_CONTROL, identifier, source);
    } else if (source == 0) {
        EventPendingSet(EVENT_MENU, static_cast<int32_t>(wParam));
    } else if (command == CMD_FOCUS_NEXT || command == CMD_FOCUS_PREVIOUS) {
        FocusMove(command == CMD_FOCUS_PREVIOUS);
    } else {
        EventPendingSet(EVENT_MENU, command);
    }
}

void ClickTranslate(WPARAM wParam, LPARAM lParam) {
    for (const ClickType& click : CLICK_TYPES) {
        if (click.mouseMessage != lParam) continue;
        EventPendingSet(EVENT_NOTIFY_CLICK, static_cast<int32_t>(wParam), click.eventType);
        return;
    }
    EventPendingSet(0);
}

// The header of WM_NOTIFY. The system does not carry this message's pointer from another process
// into this one, so any program can send an address that means nothing here: such a message
// comes from no control.
HWND NotifySource(LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return MemoryReadable(header, sizeof(*header)) ? header->hwndFrom : nullptr;
}

} // namespace

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = MessageTranslate(hwnd, message, wParam, lParam);
    if (result == NOT_HANDLED) result = DefWindowProcA(hwnd, message, wParam, lParam);
    // A window's last message, after every stage and hook has seen it.
    if (message == WM_NCDESTROY) WindowDestroyed(hwnd);
    return result;
}

LRESULT MessageTranslate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT sized = SizingHandleMessage(hwnd, message, wParam, lParam);
    if (sized != NOT_HANDLED) return sized;

    const MessageWindow window = MessageWindowFind(hwnd);
    if (window.record && window.record->windowHook) {
        LRESULT hooked = window.record->windowHook(hwnd, message, wParam, lParam);
        if (hooked != NOT_HANDLED_HOOK) return hooked;
    } else if (WindowHook hook = EventMessageHook()) {
        LRESULT hooked = hook(hwnd, message, wParam, lParam);
        if (hooked != NOT_HANDLED_HOOK) return hooked;
    }
    EventWindowSet(window.number);

    switch (message) {
    case WM_MOVE:
        QueuedEventPush(EVENT_WINDOW_MOVED, window.number);
        return 0;
    case WM_SIZE:
        // Sizes of child windows that reach this procedure are not the numbered window's.
        if (hwnd != window.numbered) return 1;
        if (wParam == SIZE_MINIMIZED) return NOT_HANDLED;
        EventPush(EVENT_WINDOW_SIZED, window.number);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) EventPush(EVENT_WINDOW_ACTIVATED, window.number);
        return 1;
    case WM_CLOSE:
        // The close request only becomes an event; the program decides whether to close.
        QueuedEventPush(EVENT_CLOSE_WINDOW, window.number);
        return 0;
    case WM_ERASEBKGND:
        return BackgroundErase(window, hwnd, reinterpret_cast<HDC>(wParam));
    case WM_SYSCOLORCHANGE:
        if (window.record && !window.record->mdiClient) EnumChildWindows(hwnd, ChildSysColorChange, 0);
        return NOT_HANDLED;
    case WM_NOTIFY:
        return ControlDispatch(NotifySource(lParam), hwnd, message, wParam, lParam);
    case WM_COMMAND:
        CommandTranslate(hwnd, wParam, lParam);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case MSG_TO_CONTROL:
        return ControlDispatch(reinterpret_cast<HWND>(lParam), hwnd, message, wParam, lParam);
    case MSG_NOTIFY_CLICK:
        // Made into an event only when the wait dispatches the reposted message.
        PostMessageA(hwnd, MSG_NOTIFY_CLICK_POSTED, wParam, lParam);
        return 0;
    case MSG_NOTIFY_CLICK_POSTED:
        ClickTranslate(wParam, lParam);
        return 0;
    case MSG_CONTROL_EVENT:
        EventPendingSet(EVENT_CONTROL, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        return 0;
    case MSG_WINDOW_DATA:
        EventPendingSet(EVENT_WINDOW_DATA);
        EventDataReceive(lParam);
        return 0;
    case MSG_ITEM_DATA:
        EventPendingSet(EVENT_ITEM_DATA, static_cast<int32_t>(wParam));
        EventDataReceive(lParam);
        return 0;
    default:
        return NOT_HANDLED;
    }
}

LRESULT ControlDispatch(HWND controlWindow, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!controlWindow) return NOT_HANDLED;
    const ObjectNumber identifier = GetWindowLongA(controlWindow, GWL_ID);
    // The registry is asked before the property, which costs more; both must agree either way.
    // Only the control's own window speaks for it: a stray window with the same identifier (any
    // window with identifier 0 and no property, or no window at all) does not.
    auto* control = static_cast<ControlObject*>(RegistryLookup(ControlRegistry(), identifier));
    if (!control || control->hwnd != controlWindow) return NOT_HANDLED;
    if (!control->controlType || !control->controlType->messageHandler) return NOT_HANDLED;
    if (ControlPropertyNumber(controlWindow) != identifier) return NOT_HANDLED;
    return control->controlType->messageHandler(control, hwnd, message, wParam, lParam);
}

BOOL CALLBACK ChildSysColorChange(HWND child, LPARAM) {
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
