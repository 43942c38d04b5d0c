// The event queue and the wait: queued events come out first, then one message of the thread is
// fetched, offered to the active window's accelerators and dispatched; an immediate event that
// the dispatch set is returned in place of the message's number.
#include "window_internal.h"

namespace {

constexpr UINT PEEK_FLAGS = PM_REMOVE | PM_NOYIELD;
// QS_ALLINPUT without raw input.
constexpr DWORD WAKE_MASK = 0x1FF;
constexpr int32_t NO_EVENT_TYPE = -1;

struct EventLibrary {
    EventState* state;
};
EventLibrary events;

bool IsLiveBlock(const void* block, SIZE_T minimumSize) {
    if (!block || !HeapValidate(ProgramHeap, 0, block)) return false;
    SIZE_T size = HeapSize(ProgramHeap, 0, block);
    return size != static_cast<SIZE_T>(-1) && size >= minimumSize;
}

// Only these messages can be translated by an accelerator table; for all others the active
// window and its table need not be looked up.
bool IsAcceleratorMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_CHAR || message == WM_SYSCHAR;
}

// GetMessageA, or PeekMessageA with an optional wait for the time limit. False: nothing came.
bool MessageFetch(MSG* message, int32_t milliseconds) {
    if (milliseconds < 0) {
        GetMessageA(message, nullptr, 0, 0);
        return true;
    }
    if (PeekMessageA(message, nullptr, 0, 0, PEEK_FLAGS)) return true;
    if (milliseconds == 0) return false;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), WAKE_MASK) ==
        WAIT_TIMEOUT)
        return false;
    return PeekMessageA(message, nullptr, 0, 0, PEEK_FLAGS) != 0;
}

} // namespace

void EventStateCreate() {
    events.state = static_cast<EventState*>(LibraryStateCreate(sizeof(EventState), nullptr));
}

EventState* EventStateBlock() {
    return events.state;
}

Event* EventPush(int32_t code, ObjectNumber window) {
    EventState* state = events.state;
    Event* tail = state->queueTail;
    if (tail && tail->code == code && tail->window == window) return tail;
    auto* event = static_cast<Event*>(HeapAlloc(ProgramHeap, 0, sizeof(Event)));
    if (!event) return nullptr;
    event->next = nullptr;
    event->code = code;
    event->window = window;
    if (tail) {
        tail->next = event;
    } else {
        state->queueHead = event;
    }
    state->queueTail = event;
    return event;
}

bool EventDataTake(LPARAM lParam) {
    auto* block = reinterpret_cast<EventDataBlock*>(lParam);
    EventState* state = events.state;
    if (block == state->eventData) return true;
    if (!IsLiveBlock(block, sizeof(EventDataBlock))) return false;
    // Two blocks before one wait: the event of the first is superseded, its block is not lost.
    EventDataFree();
    state->eventData = block;
    return true;
}

void EventDataFree() {
    EventState* state = events.state;
    EventDataBlock* block = state->eventData;
    if (!block) return;
    state->eventData = nullptr;
    if (block->buffer != block && IsLiveBlock(block->buffer, 0)) HeapFree(ProgramHeap, 0, block->buffer);
    HeapFree(ProgramHeap, 0, block);
}

int32_t EventWait() {
    return EventWaitTimeout(-1);
}

int32_t EventWaitTimeout(int32_t milliseconds) {
    EventState* state = events.state;
    EventDataFree();
    state->eventType = NO_EVENT_TYPE;

    if (Event* oldest = state->queueHead) {
        state->queueHead = oldest->next;
        if (!state->queueHead) state->queueTail = nullptr;
        state->eventWindow = oldest->window;
        state->pendingEvent = 0;
        int32_t code = oldest->code;
        HeapFree(ProgramHeap, 0, oldest);
        return code;
    }

    MSG message = {};
    if (!MessageFetch(&message, milliseconds)) return 0;

    bool consumed = false;
    if (IsAcceleratorMessage(message.message)) {
        // Accelerators always belong to the active window, whichever window the key was sent to.
        HWND active = GetActiveWindow();
        HACCEL table = KeyboardPreTranslate(active);
        consumed = table && TranslateAcceleratorA(active, table, &message);
    }
    if (!consumed) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    if (int32_t pending = state->pendingEvent) {
        state->pendingEvent = 0;
        return pending;
    }
    state->lastWParam = message.wParam;
    state->lastLParam = message.lParam;
    return static_cast<int32_t>(message.message);
}

int32_t EventMenuItem() {
    return events.state->eventItem;
}
ObjectNumber EventWindow() {
    return events.state->eventWindow;
}
int32_t EventType() {
    return events.state->eventType;
}
EventDataBlock* EventData() {
    return events.state->eventData;
}
WPARAM EventWParam() {
    return events.state->lastWParam;
}
LPARAM EventLParam() {
    return events.state->lastLParam;
}
