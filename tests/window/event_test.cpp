// The event queue and the wait under wine: repeat suppression, delivery order, messages returned
// as their numbers, time limits, data blocks and the accelerator step.
#include "window_test_support.h"

#include <stdlib.h>

namespace {

constexpr UINT PLAIN_MESSAGE = WM_USER + 9; // a message no library window handles
constexpr int BUTTON_ID = 42;

HWND HiddenWindow(ObjectNumber number) {
    return reinterpret_cast<HWND>(WindowOpen(number, 10 + number * 20, 10, 200, 100, "events", WF_HIDDEN));
}

// A control handler that moves its parent window and then leaves WM_COMMAND to the library, so
// that one dispatch both queues events and sets an immediate one.
LRESULT MoveParentThenPass(ControlObject*, HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_COMMAND) MoveWindow(window, 33, 44, 210, 110, FALSE);
    return NOT_HANDLED;
}
const ControlType MOVING_CONTROL = {{nullptr, nullptr}, MoveParentThenPass};

HWND ControlCreate(HWND parent, int id, const ControlType* type) {
    HWND button = CreateWindowExA(0, "BUTTON", "control", WS_CHILD | WS_VISIBLE, 5, 5, 80, 24, parent,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                                  GetModuleHandleA(nullptr), nullptr);
    SetPropA(button, "QZ_ID", reinterpret_cast<HANDLE>(static_cast<intptr_t>(id)));
    auto* control = static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), id));
    control->hwnd = button;
    control->controlType = type;
    return button;
}

EventDataBlock* DataBlockCreate(SIZE_T bufferSize) {
    auto* block =
        static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
    block->buffer = bufferSize ? HeapAlloc(ProgramHeap, 0, bufferSize) : nullptr;
    return block;
}

int CommandsSent(const SentRecorder& sent, HWND window, WPARAM wParam) {
    int count = 0;
    for (const SentMessage& m : sent.sent)
        count += m.hwnd == window && m.message == WM_COMMAND && m.wParam == wParam;
    return count;
}

bool Live(const void* block) {
    return HeapValidate(ProgramHeap, 0, block) != 0;
}

class EventWaitTest : public WindowTest {};

} // namespace

TEST_F(EventWaitTest, PushKeepsOneEventForRepeatsOfTheNewest) {
    HWND a = HiddenWindow(1);
    HWND b = HiddenWindow(2);
    EventsSettle();

    SendMessageA(a, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
    SendMessageA(a, WM_SIZE, SIZE_RESTORED, MAKELPARAM(201, 100));
    std::vector<Delivered> got = EventsSettle();
    ASSERT_EQ(Codes(got), std::vector<int32_t>{EVENT_WINDOW_SIZED});
    EXPECT_EQ(got[0].window, 1);

    SendMessageA(a, WM_SIZE, SIZE_RESTORED, 0);
    SendMessageA(a, WM_MOVE, 0, 0);
    SendMessageA(a, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(Codes(EventsSettle()),
              (std::vector<int32_t>{EVENT_WINDOW_SIZED, EVENT_WINDOW_MOVED, EVENT_WINDOW_SIZED}))
        << "equal events with another between them are all kept";

    SendMessageA(a, WM_SIZE, SIZE_RESTORED, 0);
    SendMessageA(b, WM_SIZE, SIZE_RESTORED, 0);
    got = EventsSettle();
    ASSERT_EQ(got.size(), 2u) << "the same code for another window is another event";
    EXPECT_EQ(got[0].window, 1);
    EXPECT_EQ(got[1].window, 2);

    SendMessageA(a, WM_SIZE, SIZE_RESTORED, 0);
    ASSERT_EQ(EventWaitTimeout(0), EVENT_WINDOW_SIZED);
    SendMessageA(a, WM_SIZE, SIZE_RESTORED, 0);
    EXPECT_EQ(Codes(EventsSettle()), std::vector<int32_t>{EVENT_WINDOW_SIZED})
        << "once the newest event is taken out, the same event is queued again";

    Event* first = EventPush(EVENT_CLOSE_WINDOW, 7);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(EventPush(EVENT_CLOSE_WINDOW, 7), first) << "a repeat returns the event it repeats";
    EXPECT_EQ(EventStateBlock()->queueTail, first);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_CLOSE_WINDOW);
    EXPECT_EQ(EventWindow(), 7);
    EXPECT_EQ(EventStateBlock()->queueHead, nullptr);
    EXPECT_EQ(EventStateBlock()->queueTail, nullptr);
}

TEST_F(EventWaitTest, PendingEventComesBeforeTheEventsItsDispatchQueuedAndThoseBeforeNewMessages) {
    HWND window = HiddenWindow(3);
    HWND button = ControlCreate(window, BUTTON_ID, &MOVING_CONTROL);
    EventsSettle();

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    PostMessageA(window, PLAIN_MESSAGE, 5, 6);
    ASSERT_EQ(EventWait(), EVENT_CONTROL) << "the immediate event comes with the dispatch that set it";
    EXPECT_EQ(EventMenuItem(), BUTTON_ID);
    EXPECT_EQ(EventType(), BN_CLICKED);
    EXPECT_EQ(EventWindow(), 3);
    ASSERT_EQ(EventWait(), EVENT_WINDOW_MOVED) << "then the events the same dispatch queued, in push order";
    EXPECT_EQ(EventWindow(), 3);
    EXPECT_EQ(EventType(), -1) << "a queued event has no type";
    EXPECT_EQ(EventMenuItem(), BUTTON_ID) << "a queued event leaves the item alone";
    ASSERT_EQ(EventWait(), EVENT_WINDOW_SIZED);
    ASSERT_EQ(EventWait(), static_cast<int32_t>(PLAIN_MESSAGE))
        << "new messages only after the queue is empty";
    EXPECT_EQ(EventWParam(), 5u);
    EXPECT_EQ(EventLParam(), 6);

    // An immediate event set outside a wait (a modal loop, say) replaces the number of the next
    // message the wait dispatches...
    SendMessageA(window, MSG_CONTROL_EVENT, 8, 9);
    PostMessageA(window, PLAIN_MESSAGE, 0, 0);
    EXPECT_EQ(EventWait(), EVENT_CONTROL);
    EXPECT_EQ(EventMenuItem(), 8);
    // ...unless that wait returns a queued event, which discards it.
    SendMessageA(window, WM_MOVE, 0, 0);
    SendMessageA(window, MSG_CONTROL_EVENT, 8, 9);
    PostMessageA(window, PLAIN_MESSAGE, 0, 0);
    EXPECT_EQ(EventWait(), EVENT_WINDOW_MOVED);
    EXPECT_EQ(EventWait(), static_cast<int32_t>(PLAIN_MESSAGE));
}

TEST_F(EventWaitTest, MessagesWithoutEventComeBackAsTheirNumbers) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 100, 100, 200, 100, "mouse"));
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();

    // The pointer may already rest where a previous test left it: go elsewhere first.
    POINT inside = {60, 40};
    ClientToScreen(window, &inside);
    INPUT moves[2] = {};
    for (INPUT& move : moves) {
        move.type = INPUT_MOUSE;
        move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    moves[1].mi.dx = inside.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    moves[1].mi.dy = inside.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    ASSERT_EQ(SendInput(2, moves, sizeof(INPUT)), 2u);
    bool arrived = false;
    while (!arrived && EventAwait(WM_MOUSEMOVE))
        arrived = std::abs(static_cast<short>(LOWORD(EventLParam())) - 60) <= 1 &&
                  std::abs(static_cast<short>(HIWORD(EventLParam())) - 40) <= 1;
    EXPECT_TRUE(arrived) << "WM_MOUSEMOVE (512) comes back with its position in lParam";

    PostQuitMessage(7);
    EXPECT_EQ(EventWait(), WM_QUIT);
    EXPECT_EQ(EventWParam(), 7u);
}

TEST_F(EventWaitTest, TimeLimitZeroLooksOnceAndAPositiveLimitWaitsForAMessage) {
    EventsSettle();
    UINT_PTR timer = SetTimer(nullptr, 0, 300, nullptr);
    EXPECT_EQ(EventWaitTimeout(0), 0) << "a limit of 0 must not wait for the timer";
    EXPECT_EQ(EventWaitTimeout(5000), WM_TIMER) << "a limit wakes up for the message that arrives";
    KillTimer(nullptr, timer);
    EXPECT_EQ(EventWaitTimeout(50), 0) << "a limit that passes without a message returns 0";
}

TEST_F(EventWaitTest, DataBlocksAreOwnedUntilTheNextWaitAndForeignOnesAreLeftAlone) {
    HWND window = HiddenWindow(1);
    EventsSettle();

    EventDataBlock* block = DataBlockCreate(64);
    void* buffer = block->buffer;
    PostMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(block));
    ASSERT_EQ(EventWait(), EVENT_WINDOW_DATA);
    EXPECT_EQ(EventData(), block);
    EXPECT_EQ(EventWindow(), 1);
    EXPECT_TRUE(Live(block) && Live(buffer));
    PostMessageA(window, PLAIN_MESSAGE, 0, 0);
    EXPECT_EQ(EventWait(), static_cast<int32_t>(PLAIN_MESSAGE));
    EXPECT_EQ(EventData(), nullptr);
    EXPECT_FALSE(Live(block)) << "the block is freed at the start of the next wait";
    EXPECT_FALSE(Live(buffer)) << "and the buffer it owns with it";

    block = DataBlockCreate(0);
    PostMessageA(window, MSG_ITEM_DATA, 9, reinterpret_cast<LPARAM>(block));
    ASSERT_EQ(EventWait(), EVENT_ITEM_DATA);
    EXPECT_EQ(EventMenuItem(), 9);
    EXPECT_EQ(EventData(), block);
    EventWaitTimeout(0);
    EXPECT_FALSE(Live(block)) << "freed by whatever the next wait returns";

    // Two blocks before one wait: the first is not lost.
    EventDataBlock* earlier = DataBlockCreate(16);
    EventDataBlock* later = DataBlockCreate(0);
    SendMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(earlier));
    SendMessageA(window, MSG_ITEM_DATA, 3, reinterpret_cast<LPARAM>(later));
    EXPECT_FALSE(Live(earlier));
    EXPECT_EQ(EventData(), later);
    EventsSettle();
    EXPECT_FALSE(Live(later));

    // Blocks the library cannot own: the event comes without data and nothing is freed.
    int32_t onTheStack[8] = {};
    void* tooSmall = HeapAlloc(ProgramHeap, 0, 8);
    HANDLE otherHeap = HeapCreate(0, 0, 0);
    void* foreign = HeapAlloc(otherHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock));
    auto* pointsAway = DataBlockCreate(0);
    pointsAway->buffer = onTheStack;
    for (LPARAM bad : {reinterpret_cast<LPARAM>(onTheStack), LPARAM(0x12345678),
                       reinterpret_cast<LPARAM>(tooSmall), reinterpret_cast<LPARAM>(foreign), LPARAM(0)}) {
        SCOPED_TRACE(bad);
        PostMessageA(window, MSG_WINDOW_DATA, 0, bad);
        EXPECT_EQ(EventWait(), EVENT_WINDOW_DATA);
        EXPECT_EQ(EventData(), nullptr);
    }
    EXPECT_TRUE(Live(tooSmall));
    EXPECT_TRUE(HeapValidate(otherHeap, 0, foreign));
    PostMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(pointsAway));
    EXPECT_EQ(EventWait(), EVENT_WINDOW_DATA);
    EXPECT_EQ(EventData(), pointsAway);
    EventsSettle();
    EXPECT_FALSE(Live(pointsAway)) << "a buffer outside ProgramHeap is not freed, its block is";
    HeapFree(ProgramHeap, 0, tooSmall);
    HeapDestroy(otherHeap);
}

TEST_F(EventWaitTest, TabIsTakenByTheActiveWindowsAcceleratorsAndReturnsTheKeyMessage) {
    HWND active = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 200, 100, "active"));
    HWND other = HiddenWindow(2);
    ASSERT_TRUE(WindowFocus(active));
    EventsSettle();

    SentRecorder sent;
    KeyPress(VK_TAB);
    std::vector<Delivered> seen;
    ASSERT_TRUE(EventAwait(WM_KEYUP, 3000, &seen));
    EXPECT_EQ(Codes(seen), (std::vector<int32_t>{WM_KEYDOWN, WM_KEYUP})) << "no event and no WM_CHAR for Tab";
    EXPECT_EQ(sent.Count(WM_COMMAND, active), 1);
    EXPECT_EQ(CommandsSent(sent, active, MAKEWPARAM(CMD_FOCUS_NEXT, 1)), 1) << "an accelerator command";

    sent.sent.clear();
    KeyPress(VK_TAB, true);
    ASSERT_TRUE(EventAwait(WM_KEYUP));
    EXPECT_EQ(sent.Count(WM_COMMAND, active), 1);
    EXPECT_EQ(CommandsSent(sent, active, MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1)), 1) << "an accelerator command";

    // A key message for another window is translated with the active window's table.
    sent.sent.clear();
    PostMessageA(other, WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(EventWait(), WM_KEYDOWN);
    EXPECT_EQ(sent.Count(WM_COMMAND, active), 1);
    EXPECT_EQ(sent.Count(WM_COMMAND, other), 0);
}
