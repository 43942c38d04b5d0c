// The event queue and the wait under wine: repeat suppression, delivery order, messages returned
// as their numbers, time limits, data blocks and the accelerator step.
#include "window_test_support.h"

#include <utility>

namespace {

constexpr UINT PLAIN_MESSAGE = WM_USER + 9; // a message no library window handles
constexpr int BUTTON_ID = 42;

HWND Hidden(ObjectNumber number) {
    return reinterpret_cast<HWND>(WindowOpen(number, 10 + number * 20, 10, 200, 100, "events", WF_HIDDEN));
}

// Moves its parent window, then leaves WM_COMMAND to the library: one dispatch both queues
// events and sets an immediate one.
LRESULT MoveParentThenPass(ControlObject*, HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_COMMAND) MoveWindow(window, 33, 44, 210, 110, FALSE);
    return NOT_HANDLED;
}
const ControlType MOVING_CONTROL = {{nullptr, nullptr}, MoveParentThenPass};

EventDataBlock* DataBlockCreate(SIZE_T bufferSize) {
    auto* block =
        static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
    block->buffer = bufferSize ? HeapAlloc(ProgramHeap, 0, bufferSize) : nullptr;
    return block;
}

bool Live(const void* block) {
    return HeapValidate(ProgramHeap, 0, block) != 0;
}

using EventWaitTest = WindowTest;

} // namespace

TEST_F(EventWaitTest, QueueOrderRepeatsAndPendingEvents) {
    HWND one = Hidden(1);
    HWND button =
        CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 50, 20, one, HMENU(BUTTON_ID), nullptr, nullptr);
    const std::vector<HWND> windows = {one, Hidden(2)};
    SetPropA(button, "QZ_ID", HANDLE(BUTTON_ID));
    *static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), BUTTON_ID)) = {button, &MOVING_CONTROL};
    EventsSettle();
    const Delivered sized1 = {EVENT_WINDOW_SIZED, 1}, moved1 = {EVENT_WINDOW_MOVED, 1};
    const int32_t plain = PLAIN_MESSAGE;
    const bool SEND = false, POST = true;
    enum { ONE, NONE = -1 };
    // clang-format off
    StepsCheck(windows, {
        {SEND, ONE, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {sized1}},
        {SEND, ONE, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {sized1}},
    });
    // Several messages before one wait: only a repeat of the newest queued event is dropped.
    for (HWND w : {windows[0], windows[0], windows[0], windows[1], windows[1]}) SendMessageA(w, WM_SIZE, 0, 0);
    SendMessageA(windows[1], WM_MOVE, 0, 0);
    SendMessageA(windows[1], WM_SIZE, SIZE_RESTORED, 0);
    StepsCheck(windows, {{POST, ONE, PLAIN_MESSAGE, 5, 6, NONE, ANY,
        {sized1, {EVENT_WINDOW_SIZED, 2}, {EVENT_WINDOW_MOVED, 2}, {EVENT_WINDOW_SIZED, 2}, {plain}}}});
    EXPECT_EQ(std::make_pair(EventWParam(), EventLParam()), std::make_pair(WPARAM(5), LPARAM(6)));

    // One dispatch: its immediate event first, then the events it queued, then new messages.
    PostMessageA(windows[0], WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    StepsCheck(windows, {{POST, ONE, PLAIN_MESSAGE, 0, 0, NONE, ANY, {
        {EVENT_CONTROL, 1, BUTTON_ID, BN_CLICKED},
        {EVENT_WINDOW_MOVED, 1, BUTTON_ID, -1}, // a queued event keeps the item and has no type
        {EVENT_WINDOW_SIZED, 1, BUTTON_ID, -1},
        {plain}}}});
    // Set outside a wait, an immediate event replaces the next message's number, unless that
    // wait returns a queued event, which discards it.
    StepsCheck(windows, {
        {SEND, ONE, MSG_CONTROL_EVENT, 8, 9, NONE, 0, {}},
        {POST, ONE, PLAIN_MESSAGE, 0, 0, NONE, ANY, {{EVENT_CONTROL, 1, 8}}},
    });
    SendMessageA(windows[0], WM_MOVE, 0, 0);
    SendMessageA(windows[0], MSG_CONTROL_EVENT, 8, 9);
    StepsCheck(windows, {{POST, ONE, PLAIN_MESSAGE, 0, 0, NONE, ANY, {moved1, {plain}}}});
    // clang-format on
    ControlFree(BUTTON_ID);
}

TEST_F(EventWaitTest, MessagesComeBackAsTheirNumbersAndTimeLimitsHold) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 100, 100, 200, 100, "mouse"));
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();
    POINT inside = {60, 40};
    ClientToScreen(window, &inside);
    MouseSend({0, 0}); // the pointer may rest where a previous test left it
    MouseSend(inside);
    bool arrived = false;
    while (!arrived && EventAwait(WM_MOUSEMOVE))
        arrived = EventLParam() == MAKELPARAM(60, 40);
    EXPECT_TRUE(arrived) << "WM_MOUSEMOVE comes back as 512 with its position in lParam";
    PostQuitMessage(7);
    EXPECT_EQ(EventWait(), WM_QUIT);
    EXPECT_EQ(EventWParam(), 7u);

    WindowClose(1);
    EventsSettle();
    UINT_PTR timer = SetTimer(nullptr, 0, 300, nullptr);
    EXPECT_EQ(EventWaitTimeout(0), 0) << "a limit of 0 must not wait for the timer";
    EXPECT_EQ(EventWaitTimeout(5000), WM_TIMER) << "a limit wakes up for the message that arrives";
    KillTimer(nullptr, timer);
    EXPECT_EQ(EventWaitTimeout(50), 0) << "a limit that passes without a message gives 0";
}

TEST_F(EventWaitTest, DataBlocksAreOwnedUntilTheNextWaitAndForeignOnesAreLeftAlone) {
    HWND window = Hidden(1);
    EventsSettle();
    EventDataBlock* block = DataBlockCreate(64);
    void* buffer = block->buffer;
    PostMessageA(window, MSG_ITEM_DATA, 9, reinterpret_cast<LPARAM>(block));
    ASSERT_EQ(EventWait(), EVENT_ITEM_DATA);
    EXPECT_EQ(EventMenuItem(), 9);
    EXPECT_EQ(EventData(), block);
    EXPECT_TRUE(Live(block) && Live(buffer));
    EventWaitTimeout(0);
    EXPECT_EQ(EventData(), nullptr);
    EXPECT_FALSE(Live(block) || Live(buffer)) << "freed, with its buffer, by whatever the next wait returns";

    EventDataBlock* earlier = DataBlockCreate(16);
    EventDataBlock* later = DataBlockCreate(0);
    SendMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(earlier));
    SendMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(later));
    EXPECT_FALSE(Live(earlier)) << "a block superseded before the wait is not lost";
    EXPECT_EQ(EventData(), later);

    // Blocks the library cannot own: the event comes without data and nothing is freed.
    int32_t onTheStack[8] = {};
    void* tooSmall = HeapAlloc(ProgramHeap, 0, 8);
    HANDLE otherHeap = HeapCreate(0, 0, 0);
    void* foreign = HeapAlloc(otherHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock));
    for (LPARAM bad :
         {LPARAM(onTheStack), LPARAM(0x12345678), LPARAM(tooSmall), LPARAM(foreign), LPARAM(0)}) {
        PostMessageA(window, MSG_WINDOW_DATA, 0, bad);
        EXPECT_EQ(EventWait(), EVENT_WINDOW_DATA);
        EXPECT_EQ(EventData(), nullptr) << bad;
    }
    EXPECT_FALSE(Live(later));
    EXPECT_TRUE(Live(tooSmall) && HeapValidate(otherHeap, 0, foreign));
    block = DataBlockCreate(0);
    block->buffer = onTheStack;
    PostMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(block));
    EXPECT_EQ(EventWait(), EVENT_WINDOW_DATA);
    EXPECT_EQ(EventData(), block);
    WindowLibraryEnd();
    EXPECT_FALSE(Live(block))
        << "the library's end frees the last block; a buffer outside ProgramHeap is left";
    HeapFree(ProgramHeap, 0, tooSmall);
    HeapDestroy(otherHeap);
}

TEST_F(EventWaitTest, TabIsTakenByTheActiveWindowsAcceleratorsAndReturnsTheKeyMessage) {
    HWND active = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 200, 100, "active"));
    HWND other = Hidden(2);
    ASSERT_TRUE(WindowFocus(active));
    EventsSettle();
    Recorder recorder;
    KeyPress(VK_TAB);
    std::vector<int32_t> keys;
    for (int32_t code; keys.empty() || keys.back() != WM_KEYUP;) {
        if (!(code = EventWaitTimeout(3000))) break;
        if ((code >= WM_KEYFIRST && code <= WM_KEYLAST) || code >= EVENT_CONTROL) keys.push_back(code);
    }
    EXPECT_EQ(keys, (std::vector<int32_t>{WM_KEYDOWN, WM_KEYUP}))
        << "taken by the accelerator: no event and no WM_CHAR, the key's own number";
    EXPECT_EQ(recorder.Sent(active, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1)), 1);
    KeyPress(VK_TAB, {VK_SHIFT});
    EXPECT_TRUE(EventAwait(WM_KEYUP) && EventAwait(WM_KEYUP)) << "Tab, then Shift";
    EXPECT_EQ(recorder.Sent(active, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1)), 1);
    PostMessageA(other, WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(EventWait(), WM_KEYDOWN);
    EXPECT_EQ(recorder.Sent(active, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1)), 2)
        << "keys for any window are translated with the active window's table";
}
