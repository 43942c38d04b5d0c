// Messages to events under wine: one conformance table of messages and what the waits return,
// the queue's order, real clicks, keys, a real menu, time limits, data blocks and real pixels.
#include "window_test_support.h"

namespace {

constexpr UINT PLAIN = WM_USER + 9; // a message no library window handles
constexpr int BUTTON_ID = 42;
constexpr COLORREF BRUSH_COLOUR = RGB(200, 30, 40);

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

EventDataBlock* Block() {
    return static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
}

bool Live(const void* block) {
    return HeapValidate(ProgramHeap, 0, block) != 0;
}

COLORREF PixelAt(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, 5, 5);
    ReleaseDC(window, dc);
    return colour;
}

LRESULT EraseBlack(HDC dc, HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return FillRect(dc, &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
}

// Counts the WM_SYSCOLORCHANGE messages sent to the windows of this thread.
std::vector<HWND> colourChanged;
LRESULT CALLBACK ColourChangeRecord(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_SYSCOLORCHANGE) colourChanged.push_back(m->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

using EventTest = WindowTest;

} // namespace

TEST_F(EventTest, EachMessageGivesItsEventThroughItsRoute) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 60, 60, 240, 120, "events", WF_HIDDEN));
    HWND loose = Unnumbered(nullptr, WS_OVERLAPPED);
    const std::vector<HWND> windows = {window, loose, Unnumbered(window, WS_CHILD),
                                       Child(window, "BUTTON", BUTTON_ID),
                                       Child(window, "BUTTON", MENU_FORWARD_ID)};
    enum { W, LOOSE, CHILD, BUTTON, FORWARDING, NONE = -1 };
    const bool S = false, P = true;
    const int32_t MOVED = EVENT_WINDOW_MOVED, SIZED = EVENT_WINDOW_SIZED, CLICK = EVENT_NOTIFY_CLICK;
    EventsSettle();
    // clang-format off
    StepsCheck(windows, {
        {"move", S, W, WM_MOVE, 0, 0, NONE, 0, {{MOVED, 1}}},
        {"size", S, W, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {{SIZED, 1}}},
        {"size again after a wait", S, W, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {{SIZED, 1}}},
        {"minimised", S, W, WM_SIZE, SIZE_MINIMIZED, 0, NONE, 0, {}},
        {"activated", S, W, WM_ACTIVATE, WA_CLICKACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, 1}}},
        {"deactivated", S, W, WM_ACTIVATE, WA_INACTIVE, 0, NONE, 1, {}},
        {"close request", S, W, WM_CLOSE, 0, 0, NONE, 0, {{EVENT_CLOSE_WINDOW, 1}}},
        {"child moved: the parent's number", S, CHILD, WM_MOVE, 0, 0, NONE, 0, {{MOVED, 1}}},
        {"child sized: none", S, CHILD, WM_SIZE, SIZE_RESTORED, 0, NONE, 1, {}},
        {"no number: no move", S, LOOSE, WM_MOVE, 0, 0, NONE, 0, {}},
        {"no number: no close", S, LOOSE, WM_CLOSE, 0, 0, NONE, 0, {}},
        {"no number: no size", S, LOOSE, WM_SIZE, SIZE_RESTORED, 0, NONE, 1, {}},
        {"no number: activated", S, LOOSE, WM_ACTIVATE, WA_ACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, NO_WINDOW}}},
        {"no number: erased", S, LOOSE, WM_ERASEBKGND, 0, 0, NONE, ANY, {{EVENT_BACKGROUND_ERASED, NO_WINDOW}}},
        {"menu", P, W, WM_COMMAND, MAKEWPARAM(1, 0), 0, NONE, ANY, {{EVENT_MENU, 1, 1, -1}}},
        {"menu item numbered like Tab", P, W, WM_COMMAND, CMD_FOCUS_NEXT, 0, NONE, ANY, {{EVENT_MENU, 1, CMD_FOCUS_NEXT}}},
        {"accelerator", P, W, WM_COMMAND, MAKEWPARAM(55, 1), 0, NONE, ANY, {{EVENT_MENU, 1, 55, -1}}},
        {"Tab accelerator: none", P, W, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {"Shift+Tab: none", P, W, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {"button", P, W, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), 0, BUTTON, ANY, {{EVENT_CONTROL, 1, BUTTON_ID, BN_CLICKED}}},
        {"forwarding control", P, W, WM_COMMAND, MAKEWPARAM(77, 5), 0, FORWARDING, ANY, {{EVENT_MENU, 1, 77, 5}}},
        {"sent outside a wait", S, W, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), 0, BUTTON, 0, {}},
        {"then replaces the next message", P, W, PLAIN, 5, 6, NONE, ANY, {{EVENT_CONTROL, 1, BUTTON_ID}}},
        {"left click", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONUP, NONE, 0, {{CLICK, 1, 6, 0}}},
        {"right click", S, W, MSG_NOTIFY_CLICK, 6, WM_RBUTTONUP, NONE, 0, {{CLICK, 1, 6, 1}}},
        {"left double", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDBLCLK, NONE, 0, {{CLICK, 1, 6, 2}}},
        {"right double", S, W, MSG_NOTIFY_CLICK, 6, WM_RBUTTONDBLCLK, NONE, 0, {{CLICK, 1, 6, 3}}},
        {"other click", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDOWN, NONE, 0, {{int32_t(MSG_NOTIFY_CLICK_POSTED)}}},
        {"control event", P, W, MSG_CONTROL_EVENT, 12, 34, NONE, ANY, {{EVENT_CONTROL, 1, 12, 34}}},
        {"scroll: its number", P, W, WM_HSCROLL, SB_LINEDOWN, 0, NONE, ANY, {{WM_HSCROLL}}},
        {"plain: its number", P, W, PLAIN, 0, 0, NONE, ANY, {{int32_t(PLAIN)}}},
        {"notify without header", S, W, WM_NOTIFY, 0, 0, NONE, 0, {}},
    });
    // clang-format on
    // Several messages before one wait: only a repeat of the newest queued event is dropped.
    HWND two = reinterpret_cast<HWND>(WindowOpen(2, 0, 0, 50, 50, "two", WF_HIDDEN));
    EventsSettle(0);
    for (HWND w : {window, window, two, two, two})
        SendMessageA(w, WM_SIZE, 0, 0);
    PostMessageA(window, PLAIN, 5, 6);
    const std::vector<Delivered> queued = EventsSettle(0);
    EXPECT_EQ(WindowsOf(queued, EVENT_WINDOW_SIZED), (std::vector<ObjectNumber>{1, 2}));
    EXPECT_TRUE(queued.back().code == int32_t(PLAIN) && EventWParam() == 5 && EventLParam() == 6);
    SendMessageA(window, WM_MOVE, 0, 0);
    SendMessageA(window, MSG_CONTROL_EVENT, 8, 9);
    PostMessageA(window, PLAIN, 0, 0);
    EXPECT_EQ(EventsSettle(0).back().code, int32_t(PLAIN)) << "a queued event discards a pending one";
    WindowClose(1);
    EXPECT_EQ(EventWindow(), NO_WINDOW) << "the number goes first: a dying window's messages belong to none";
    EXPECT_TRUE(IsWindow(loose)) << "WM_CLOSE never destroys a window of the library's procedure";
    DestroyWindow(loose);
}

TEST_F(EventTest, RealCloseBoxMenuAndButtonGiveTheirEventsAndTimeLimitsHold) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 90, 60, 240, 120, "input", WF_DEFAULT));
    HMENU bar = CreateMenu(), file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 1, "Film Player");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "Datei");
    SetMenu(window, bar);
    HWND button = Child(window, "BUTTON", BUTTON_ID);
    ASSERT_TRUE(ForegroundMake(window));
    POINT close = {CentreOf(window).x + 200, CentreOf(window).y - 60}; // from the right on the caption's row
    for (POINT p = close; p.x > close.x - 150; --p.x)
        if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLOSE) close = p;
    ASSERT_TRUE(EventArrives(EVENT_CLOSE_WINDOW, [&] { MouseClick(close); })) << "clicking the close box";
    EXPECT_TRUE(EventWindow() == 1 && IsWindowVisible(window)) << "a close request leaves the window open";
    ASSERT_TRUE(EventArrives(EVENT_MENU, [] {
        for (WORD key : {VK_F10, VK_DOWN, VK_RETURN}) // the menu bar, "Datei" open, its first item
            KeyPress(key);
    })) << "a real menu choice";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(1, -1));
    ASSERT_TRUE(EventArrives(EVENT_CONTROL, [&] { MouseClick(CentreOf(button)); })) << "a real button click";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(BUTTON_ID, int32_t(BN_CLICKED)));
    UINT_PTR timer = SetTimer(nullptr, 0, 300, nullptr);
    EXPECT_EQ(EventWaitTimeout(0), 0) << "a limit of 0 must not wait for the timer";
    EXPECT_EQ(EventWaitTimeout(5000), WM_TIMER) << "a limit wakes up for the message that arrives";
    KillTimer(nullptr, timer);
}

TEST_F(EventTest, DataBlocksAreOwnedUntilTheNextOneAndForeignOnesAreLeftAlone) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 10, 10, 200, 100, "data", WF_HIDDEN));
    EventDataBlock *block = Block(), *later = Block();
    block->buffer = HeapAlloc(ProgramHeap, 0, 64);
    PostMessageA(window, MSG_ITEM_DATA, 9, reinterpret_cast<LPARAM>(block));
    ASSERT_TRUE(EventArrives(EVENT_ITEM_DATA));
    EXPECT_TRUE(EventMenuItem() == 9 && EventData() == block && Live(block->buffer));
    void* buffer = block->buffer;
    SendMessageA(window, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(later));
    EXPECT_FALSE(Live(block) || Live(buffer)) << "freed, with its buffer, by the next block";
    void* tooSmall = HeapAlloc(ProgramHeap, 0, 8);
    for (LPARAM bad : {LPARAM(&buffer), LPARAM(0x12345678), LPARAM(tooSmall), LPARAM(0)}) {
        PostMessageA(window, MSG_WINDOW_DATA, 0, bad);
        EXPECT_TRUE(EventWait() == EVENT_WINDOW_DATA && !EventData()) << "a block it cannot own: " << bad;
    }
    EXPECT_TRUE(!Live(later) && Live(tooSmall));
    HeapFree(ProgramHeap, 0, tooSmall);
}

TEST_F(EventTest, EraseUsesTheBrushElseTheHandlerElseTheClassColourAndColoursReachDescendants) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 60, 60, 240, 120, "erase"));
    ASSERT_TRUE(ForegroundMake(window));
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1));
    EXPECT_EQ(PixelAt(window), GetSysColor(COLOR_BTNFACE));
    record->eraseHandler = EraseBlack;
    EXPECT_EQ(PixelAt(window), RGB(0, 0, 0));
    record->backgroundBrush = CreateSolidBrush(BRUSH_COLOUR);
    EXPECT_EQ(PixelAt(window), BRUSH_COLOUR);
    HWND child = Child(window, "STATIC", 1), grandchild = Child(child, "STATIC", 2);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, ColourChangeRecord, nullptr, GetCurrentThreadId());
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    record->mdiClient =
        CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 9, 9, window, nullptr, nullptr, &mdi);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    UnhookWindowsHookEx(hook);
    record->mdiClient = nullptr;
    EXPECT_EQ(colourChanged, (std::vector<HWND>{window, child, grandchild, window}))
        << "passed on to descendants, but not inside an MDI client";
}
