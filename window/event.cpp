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

// Page protections under which memory can be read.
constexpr DWORD READABLE_PROTECTIONS = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                       PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

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

const EventState* EventStateBlock() {
    return events.state;
}

bool MemoryReadable(const void* address, size_t size) {
    // VirtualQuery only describes the pages: unlike IsBadReadPtr it reads nothing (a guard page
    // stays armed, nothing faults), and it costs one system call per region the range touches.
    auto at = reinterpret_cast<uintptr_t>(address);
    const uintptr_t end = at + size;
    if (!address || end < at) return false;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof(region))) return false;
        if (region.State != MEM_COMMIT || (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) ||
            !(region.Protect & READABLE_PROTECTIONS))
            return false;
        at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

void EventWindowSet(ObjectNumber window) {
    events.state->eventWindow = window;
}

void EventPendingSet(int32_t code) {
    events.state->pendingEvent = code;
}

void EventPendingSet(int32_t code, int32_t item) {
    events.state->pendingEvent = code;
    events.state->eventItem = item;
}

void EventPendingSet(int32_t code, int32_t item, int32_t type) {
    EventPendingSet(code, item);
    events.state->eventType = type;
}

WindowHook EventMessageHook() {
    return events.state->messageHook;
}

void EventMessageHookSet(WindowHook hook) {
    events.state->messageHook = hook;
}

Event* EventPush(int32_t code, ObjectNumber window) {
    EventState* state = events.state;
    Event* tail = state->queueTail;
    if (tail && tail->code == code && tail->window == window) return tail;
    auto* event = static_cast<Event*>(LibraryBlockAllocate(sizeof(Event), 0));
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

void EventDataReceive(LPARAM lParam) {
    auto* block = reinterpret_cast<EventDataBlock*>(lParam);
    EventState* state = events.state;
    if (block == state->eventData) return;
    // Neither may be part of the data already held, which is freed below.
    const EventDataBlock* held = state->eventData;
    auto isHeld = [held](const void* part) { return held && part && (part == held || part == held->buffer); };
    bool acceptable = !isHeld(block) && ForeignHeapBlock(block, sizeof(EventDataBlock)) &&
                      (!block->buffer || (block->buffer != block && !isHeld(block->buffer) &&
                                          ForeignHeapBlock(block->buffer, 0)));
    // Two blocks before one wait: the event of the first is superseded, its block is not lost.
    EventDataFree();
    if (acceptable) state->eventData = block;
}

void EventDataFree() {
    EventState* state = events.state;
    EventDataBlock* block = state->eventData;
    if (!block) return;
    state->eventData = nullptr;
    // The sender may have changed the buffer since: it is tested again.
    if (block->buffer && block->buffer != block && ForeignHeapBlock(block->buffer, 0))
        HeapFree(ProgramHeap, 0, block->buffer);
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
        LibraryBlockFree(oldest);
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
