// Messages to events under wine: one conformance table of messages and what the waits return,
// the queue's order, real clicks, keys, a real menu, time limits, data blocks and real pixels.
#include "window_test_support.h"

namespace {

constexpr UINT PLAIN = WM_USER + 9; // a message no library window handles
constexpr int BUTTON_ID = 42;
constexpr COLORREF BRUSH_COLOUR = RGB(200, 30, 40), HANDLER_COLOUR = RGB(20, 180, 60);

HWND Child(HWND parent, const char* className, intptr_t id, int x = 10) {
    return CreateWindowExA(0, className, "OK", WS_CHILD | WS_VISIBLE, x, 10, 90, 30, parent, HMENU(id),
                           nullptr, nullptr);
}

// Runs the library's procedure but carries no number, like a window inside CreateWindowExA.
HWND Unnumbered(HWND parent, DWORD style) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProcedure;
    wc.lpszClassName = "Unnumbered";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "Unnumbered", "", style, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr);
}

// Moves its parent, then leaves WM_COMMAND to the library: one dispatch queues and sets events.
LRESULT MoveParentThenPass(ControlObject*, HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_COMMAND) MoveWindow(window, 33, 44, 210, 110, FALSE);
    return NOT_HANDLED;
}
const ControlType MOVING = {{nullptr, nullptr}, MoveParentThenPass};

EventDataBlock* Block(void* buffer) {
    auto* block =
        static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
    block->buffer = buffer;
    return block;
}

bool Live(const void* block) {
    return HeapValidate(ProgramHeap, 0, block) != 0;
}

COLORREF PixelAt(HWND window, int x, int y) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

LRESULT EraseGreen(HDC dc, HWND window) {
    RECT r;
    GetClientRect(window, &r);
    HBRUSH green = CreateSolidBrush(HANDLER_COLOUR);
    FillRect(dc, &r, green);
    DeleteObject(green);
    return 77;
}

using EventTest = WindowTest;

} // namespace

TEST_F(EventTest, EachMessageGivesItsEventThroughItsRoute) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 60, 60, 240, 120, "events", WF_HIDDEN));
    HWND loose = Unnumbered(nullptr, WS_OVERLAPPED), button = Child(window, "BUTTON", BUTTON_ID);
    const std::vector<HWND> windows = {window, loose, Unnumbered(window, WS_CHILD), button,
                                       Child(window, "BUTTON", MENU_FORWARD_ID)};
    enum { WINDOW, LOOSE, CHILD, BUTTON, FORWARDING, NONE = -1 };
    const bool SEND = false, POST = true;
    const Delivered sized = {EVENT_WINDOW_SIZED, 1}, menu55 = {EVENT_MENU, 1, 55, -1};
    EventsSettle();
    // clang-format off
    StepsCheck(windows, {
        {"move", SEND, WINDOW, WM_MOVE, 0, 0, NONE, 0, {{EVENT_WINDOW_MOVED, 1}}},
        {"size", SEND, WINDOW, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {sized}},
        {"size again after a wait", SEND, WINDOW, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {sized}},
        {"minimised", SEND, WINDOW, WM_SIZE, SIZE_MINIMIZED, 0, NONE, 0, {}},
        {"activated", SEND, WINDOW, WM_ACTIVATE, WA_CLICKACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, 1}}},
        {"deactivated", SEND, WINDOW, WM_ACTIVATE, WA_INACTIVE, 0, NONE, 1, {}},
        {"close request", SEND, WINDOW, WM_CLOSE, 0, 0, NONE, 0, {{EVENT_CLOSE_WINDOW, 1}}},
        {"child moved: the parent's number", SEND, CHILD, WM_MOVE, 0, 0, NONE, 0, {{EVENT_WINDOW_MOVED, 1}}},
        {"child sized: none", SEND, CHILD, WM_SIZE, SIZE_RESTORED, 0, NONE, 1, {}},
        {"no number: no move", SEND, LOOSE, WM_MOVE, 0, 0, NONE, 0, {}},
        {"no number: no close", SEND, LOOSE, WM_CLOSE, 0, 0, NONE, 0, {}},
        {"no number: no size", SEND, LOOSE, WM_SIZE, SIZE_RESTORED, 0, NONE, 1, {}},
        {"no number: activated", SEND, LOOSE, WM_ACTIVATE, WA_ACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, NO_WINDOW}}},
        {"no number: erased", SEND, LOOSE, WM_ERASEBKGND, 0, 0, NONE, ANY, {{EVENT_BACKGROUND_ERASED, NO_WINDOW}}},
        {"menu", POST, WINDOW, WM_COMMAND, MAKEWPARAM(1, 0), 0, NONE, ANY, {{EVENT_MENU, 1, 1, -1}}},
        {"menu item numbered like Tab", POST, WINDOW, WM_COMMAND, CMD_FOCUS_NEXT, 0, NONE, ANY, {{EVENT_MENU, 1, CMD_FOCUS_NEXT}}},
        {"accelerator", POST, WINDOW, WM_COMMAND, MAKEWPARAM(55, 1), 0, NONE, ANY, {menu55}},
        {"Tab accelerator: none", POST, WINDOW, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {"Shift+Tab: none", POST, WINDOW, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {"button", POST, WINDOW, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), 0, BUTTON, ANY, {{EVENT_CONTROL, 1, BUTTON_ID, BN_CLICKED}}},
        {"forwarding control", POST, WINDOW, WM_COMMAND, MAKEWPARAM(77, 5), 0, FORWARDING, ANY, {{EVENT_MENU, 1, 77, 5}}},
        {"sent outside a wait", SEND, WINDOW, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), 0, BUTTON, 0, {}},
        {"then replaces the next message", POST, WINDOW, PLAIN, 5, 6, NONE, ANY, {{EVENT_CONTROL, 1, BUTTON_ID}}},
        {"left click", SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_LBUTTONUP, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 0}}},
        {"right click", SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_RBUTTONUP, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 1}}},
        {"left double", SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDBLCLK, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 2}}},
        {"right double", SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_RBUTTONDBLCLK, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 3}}},
        {"other click", SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDOWN, NONE, 0, {{int32_t(MSG_NOTIFY_CLICK_POSTED)}}},
        {"control event", POST, WINDOW, MSG_CONTROL_EVENT, 12, 34, NONE, ANY, {{EVENT_CONTROL, 1, 12, 34}}},
        {"scroll: its number", POST, WINDOW, WM_HSCROLL, SB_LINEDOWN, 0, NONE, ANY, {{WM_HSCROLL}}},
        {"plain: its number", POST, WINDOW, PLAIN, 0, 0, NONE, ANY, {{int32_t(PLAIN)}}},
        {"notify without header", SEND, WINDOW, WM_NOTIFY, 0, 0, NONE, 0, {}},
    });
    // clang-format on
    // Several messages before one wait: only a repeat of the newest queued event is dropped.
    HWND two = reinterpret_cast<HWND>(WindowOpen(2, 0, 0, 50, 50, "two", WF_HIDDEN));
    EventsSettle(0);
    for (HWND w : {window, window, two, two})
        SendMessageA(w, WM_SIZE, 0, 0);
    SendMessageA(two, WM_MOVE, 0, 0);
    SendMessageA(two, WM_SIZE, 0, 0);
    PostMessageA(window, PLAIN, 5, 6);
    std::vector<Delivered> queued = EventsSettle(0);
    EXPECT_EQ(WindowsOf(queued, EVENT_WINDOW_SIZED), (std::vector<ObjectNumber>{1, 2, 2}));
    EXPECT_TRUE(queued.back().code == int32_t(PLAIN) && EventWParam() == 5 && EventLParam() == 6);
    // One dispatch: its immediate event first, then the events it queued.
    *static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), BUTTON_ID)) = {button, &MOVING};
    SetPropA(button, "QZ_ID", HANDLE(BUTTON_ID));
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), LPARAM(button));
    queued = EventsSettle(0);
    ASSERT_EQ(queued.size(), 3u);
    EXPECT_TRUE(queued[0].code == EVENT_CONTROL && queued[1].code == EVENT_WINDOW_MOVED &&
                queued[1].type == -1);
    SendMessageA(window, WM_MOVE, 0, 0);
    SendMessageA(window, MSG_CONTROL_EVENT, 8, 9);
    PostMessageA(window, PLAIN, 0, 0);
    EXPECT_EQ(EventsSettle(0).back().code, int32_t(PLAIN)) << "a queued event discards a pending one";
    WindowClose(1);
    EXPECT_EQ(EventWindow(), NO_WINDOW) << "the number goes first: a dying window's messages belong to none";
    EXPECT_TRUE(IsWindow(loose)) << "WM_CLOSE never destroys a window of the library's procedure";
    DestroyWindow(loose);
}

TEST_F(EventTest, RealInputGivesCloseRequestsMenuControlAndSizeEventsAndMessagesAsNumbers) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(
        1, 90, 60, 240, 120, "input", WF_DEFAULT | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    HMENU bar = CreateMenu(), file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 1, "Film Player");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "Datei");
    SetMenu(window, bar);
    HWND button = Child(window, "BUTTON", BUTTON_ID),
         forwarding = Child(window, "BUTTON", MENU_FORWARD_ID, 120);
    ASSERT_TRUE(ForegroundMake(window));
    POINT close = {CentreOf(window).x + 200, CentreOf(window).y - 60}; // from the right on the caption's row
    for (POINT p = close; p.x > close.x - 150; --p.x)
        if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLOSE) close = p;
    MouseClick(close);
    ASSERT_TRUE(EventArrives(EVENT_CLOSE_WINDOW)) << "clicking the close box";
    EXPECT_TRUE(EventWindow() == 1 && IsWindowVisible(window)) << "a close request leaves the window open";
    ASSERT_TRUE(EventArrives(EVENT_MENU, [] {
        for (WORD key : {VK_F10, VK_DOWN, VK_RETURN}) // the menu bar, "Datei" open, its first item
            KeyPress(key);
    })) << "a real menu choice";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(1, -1));
    MouseClick(CentreOf(button));
    ASSERT_TRUE(EventArrives(EVENT_CONTROL)) << "a real button click";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(BUTTON_ID, int32_t(BN_CLICKED)));
    MouseClick(CentreOf(forwarding));
    ASSERT_TRUE(EventArrives(EVENT_MENU)) << "a click on a control numbered MENU_FORWARD_ID";
    EXPECT_EQ(EventMenuItem(), LOWORD(MENU_FORWARD_ID));
    POINT inside = {60, 40};
    ClientToScreen(window, &inside);
    EXPECT_TRUE(WaitsUntil(
        [] {
            return !waited.empty() && waited.back() == WM_MOUSEMOVE && EventLParam() == MAKELPARAM(60, 40);
        },
        [&] { MouseSend(inside); }))
        << "WM_MOUSEMOVE comes back as 512 with its position in lParam";
    EventsSettle();
    for (int show : {SW_MINIMIZE, SW_RESTORE, SW_MAXIMIZE}) {
        ShowWindow(window, show);
        EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_WINDOW_SIZED).size(), show == SW_MINIMIZE ? 0u : 1u)
            << show;
    }
    PostQuitMessage(7);
    EXPECT_TRUE(EventWait() == WM_QUIT && EventWParam() == 7);
    UINT_PTR timer = SetTimer(nullptr, 0, 300, nullptr);
    EXPECT_EQ(EventWaitTimeout(0), 0) << "a limit of 0 must not wait for the timer";
    EXPECT_EQ(EventWaitTimeout(5000), WM_TIMER) << "a limit wakes up for the message that arrives";
    KillTimer(nullptr, timer);
    EXPECT_EQ(EventWaitTimeout(50), 0) << "a limit that passes without a message gives 0";
}

TEST_F(EventTest, DataBlocksAreOwnedUntilTheNextWaitAndForeignOnesAreLeftAlone) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 10, 10, 200, 100, "data", WF_HIDDEN));
    EventsSettle();
    void* buffer = HeapAlloc(ProgramHeap, 0, 64);
    EventDataBlock* block = Block(buffer);
    PostMessageA(window, MSG_ITEM_DATA, 9, reinterpret_cast<LPARAM>(block));
    ASSERT_EQ(EventWait(), EVENT_ITEM_DATA);
    EXPECT_TRUE(EventMenuItem() == 9 && EventData() == block && Live(block) && Live(buffer));
    EventWaitTimeout(0);
    EXPECT_FALSE(EventData() || Live(block) || Live(buffer)) << "freed, with its buffer, by the next wait";
    EventDataBlock *earlier = Block(nullptr), *later = Block(nullptr);
    SendMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(earlier));
    SendMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(later));
    EXPECT_TRUE(!Live(earlier) && EventData() == later) << "a block superseded before the wait is not lost";
    int32_t onTheStack[8] = {};
    void* tooSmall = HeapAlloc(ProgramHeap, 0, 8);
    HANDLE otherHeap = HeapCreate(0, 0, 0);
    void* foreign = HeapAlloc(otherHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock));
    for (LPARAM bad :
         {LPARAM(onTheStack), LPARAM(0x12345678), LPARAM(tooSmall), LPARAM(foreign), LPARAM(0)}) {
        PostMessageA(window, MSG_WINDOW_DATA, 0, bad);
        EXPECT_TRUE(EventWait() == EVENT_WINDOW_DATA && !EventData()) << "a block it cannot own: " << bad;
    }
    EXPECT_TRUE(!Live(later) && Live(tooSmall) && HeapValidate(otherHeap, 0, foreign));
    block = Block(onTheStack);
    PostMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(block));
    EXPECT_TRUE(EventWait() == EVENT_WINDOW_DATA && EventData() == block);
    WindowLibraryEnd();
    EXPECT_FALSE(Live(block)) << "the end frees the last block; a buffer outside ProgramHeap is left";
    HeapFree(ProgramHeap, 0, tooSmall);
    HeapDestroy(otherHeap);
}

TEST_F(EventTest, EraseUsesTheBrushElseTheHandlerElseTheClassColourAndColoursReachDescendants) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 60, 60, 240, 120, "erase"));
    ASSERT_TRUE(ForegroundMake(window));
    EventsSettle();
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1));
    EXPECT_EQ(PixelAt(window, 5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_BACKGROUND_ERASED), std::vector<ObjectNumber>{1});
    record->eraseHandler = EraseGreen;
    EXPECT_EQ(PixelAt(window, 5, 5), HANDLER_COLOUR);
    record->backgroundBrush = CreateSolidBrush(BRUSH_COLOUR);
    EXPECT_EQ(PixelAt(window, 0, 0), BRUSH_COLOUR);
    EXPECT_EQ(PixelAt(window, 239, 119), BRUSH_COLOUR);
    HWND child = Child(window, "STATIC", 1), grandchild = Child(child, "STATIC", 2);
    Recorder recorder;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(recorder.Sent(child, WM_SYSCOLORCHANGE) + recorder.Sent(grandchild, WM_SYSCOLORCHANGE), 2);
    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    record->mdiClient =
        CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 9, 9, window, nullptr, nullptr, &mdi);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(recorder.Sent(child, WM_SYSCOLORCHANGE), 1) << "not passed on inside an MDI client";
    record->mdiClient = nullptr;
}
