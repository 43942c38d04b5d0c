// Messages to events under wine: conformance tables of messages and what the waits return, the
// queue's order, a real close box and button, data blocks, real pixels and the control registry.
#include "window_test_support.h"

namespace {

constexpr UINT PLAIN = WM_USER + 9; // a message no library window handles
constexpr int ID = 7;
constexpr LRESULT HANDLED = 1234;
constexpr bool S = false, P = true; // sent or posted

HWND Child(HWND parent, const char* className, intptr_t id, intptr_t property = -1) {
    HWND child = CreateWindowExA(0, className, "OK", WS_CHILD | WS_VISIBLE, 10, 10, 90, 30, parent, HMENU(id),
                                 nullptr, nullptr);
    if (property >= 0) SetPropA(child, "QZ_ID", HANDLE(property));
    return child;
}

// Runs the library's procedure but carries no number, like a window inside CreateWindowExA.
HWND Unnumbered(HWND parent, DWORD style) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProcedure;
    wc.lpszClassName = "Unnumbered";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "Unnumbered", "", style, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr);
}

// The windows that WM_SYSCOLORCHANGE was sent to.
std::vector<HWND> colourChanged;
LRESULT CALLBACK ColourChangeRecord(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_SYSCOLORCHANGE) colourChanged.push_back(m->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<UINT> received;
LRESULT RecordingHandler(ControlObject*, HWND, UINT message, WPARAM, LPARAM) {
    received.push_back(message);
    return HANDLED;
}
const ControlType RECORDING = {{nullptr, nullptr}, RecordingHandler};

ControlObject* Register(ObjectNumber number, HWND child, const ControlType* type) {
    auto* control = static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), number));
    *control = {child, type};
    return control;
}

// clang-format off
const std::vector<Step> BY_HANDLER = {
    {"click", P, 0, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, 1, ANY, {{WM_COMMAND}}},
    {"sent click: not the handler's result", S, 0, WM_COMMAND, ID, 0, 1, 0, {}},
    {"horizontal scroll", S, 0, WM_HSCROLL, 1, 0, 1, HANDLED, {}},
    {"to the control", S, 0, MSG_TO_CONTROL, 1, 0, 1, HANDLED, {}},
    {"edit colour", S, 0, WM_CTLCOLOREDIT, 1, 0, 1, HANDLED, {}},
    {"static colour", S, 0, WM_CTLCOLORSTATIC, 1, 0, 1, HANDLED, {}},
};
const std::vector<Step> BY_LIBRARY = {
    {"click", P, 0, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, 1, ANY, {{EVENT_CONTROL, 1, ID, BN_CLICKED}}},
    {"horizontal scroll", S, 0, WM_HSCROLL, 1, 0, 1, 0, {}},
    {"to the control", S, 0, MSG_TO_CONTROL, 1, 0, 1, 0, {}},
};
// clang-format on

using EventTest = WindowTest;

} // namespace

TEST_F(EventTest, EachMessageGivesItsEventThroughItsRoute) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 60, 60, 240, 120, "events", WF_HIDDEN));
    HWND loose = Unnumbered(nullptr, WS_OVERLAPPED);
    const std::vector<HWND> windows = {window, loose, Unnumbered(window, WS_CHILD),
                                       Child(window, "BUTTON", ID), Child(window, "BUTTON", MENU_FORWARD_ID)};
    enum { W, LOOSE, CHILD, BUTTON, FORWARDING, NONE = -1 };
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
        {"no number: activated", S, LOOSE, WM_ACTIVATE, WA_ACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, NO_WINDOW}}},
        {"no number: erased", S, LOOSE, WM_ERASEBKGND, 0, 0, NONE, ANY, {{EVENT_BACKGROUND_ERASED, NO_WINDOW}}},
        {"menu", P, W, WM_COMMAND, MAKEWPARAM(1, 0), 0, NONE, ANY, {{EVENT_MENU, 1, 1, -1}}},
        {"menu item numbered like Tab", P, W, WM_COMMAND, CMD_FOCUS_NEXT, 0, NONE, ANY, {{EVENT_MENU, 1, CMD_FOCUS_NEXT}}},
        {"accelerator", P, W, WM_COMMAND, MAKEWPARAM(55, 1), 0, NONE, ANY, {{EVENT_MENU, 1, 55, -1}}},
        {"Tab accelerator: none", P, W, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {"button", P, W, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, BUTTON, ANY, {{EVENT_CONTROL, 1, ID, BN_CLICKED}}},
        {"forwarding control", P, W, WM_COMMAND, MAKEWPARAM(77, 5), 0, FORWARDING, ANY, {{EVENT_MENU, 1, 77, 5}}},
        {"sent outside a wait", S, W, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, BUTTON, 0, {}},
        {"then replaces the next message", P, W, PLAIN, 5, 6, NONE, ANY, {{EVENT_CONTROL, 1, ID}}},
        {"left click", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONUP, NONE, 0, {{CLICK, 1, 6, 0}}},
        {"right click", S, W, MSG_NOTIFY_CLICK, 6, WM_RBUTTONUP, NONE, 0, {{CLICK, 1, 6, 1}}},
        {"left double", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDBLCLK, NONE, 0, {{CLICK, 1, 6, 2}}},
        {"right double", S, W, MSG_NOTIFY_CLICK, 6, WM_RBUTTONDBLCLK, NONE, 0, {{CLICK, 1, 6, 3}}},
        {"other click", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDOWN, NONE, 0, {{int32_t(MSG_NOTIFY_CLICK_POSTED)}}},
        {"control event", P, W, MSG_CONTROL_EVENT, 12, 34, NONE, ANY, {{EVENT_CONTROL, 1, 12, 34}}},
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

TEST_F(EventTest, RealCloseBoxAndButtonGiveTheirEventsAndDataBlocksAreOwnedUntilTheNextWait) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 90, 60, 240, 120, "input", WF_DEFAULT));
    HWND button = Child(window, "BUTTON", ID);
    ASSERT_TRUE(ForegroundMake(window));
    POINT close = {CentreOf(window).x + 200, CentreOf(window).y - 60}; // from the right on the caption's row
    for (POINT p = close; p.x > close.x - 150; --p.x)
        if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLOSE) close = p;
    ASSERT_TRUE(EventArrives(EVENT_CLOSE_WINDOW, [&] { MouseClick(close); })) << "clicking the close box";
    EXPECT_TRUE(EventWindow() == 1 && IsWindowVisible(window)) << "a close request leaves the window open";
    ASSERT_TRUE(EventArrives(EVENT_CONTROL, [&] { MouseClick(CentreOf(button)); })) << "a real button click";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(ID, int32_t(BN_CLICKED)));
    auto* block =
        static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
    void* buffer = block->buffer = HeapAlloc(ProgramHeap, 0, 64);
    PostMessageA(window, MSG_ITEM_DATA, 9, reinterpret_cast<LPARAM>(block));
    EXPECT_TRUE(EventArrives(EVENT_ITEM_DATA) && EventMenuItem() == 9 && EventData() == block);
    PostMessageA(window, MSG_WINDOW_DATA, 0, LPARAM(&buffer));
    EXPECT_TRUE(EventArrives(EVENT_WINDOW_DATA) && !EventData())
        << "a block outside ProgramHeap is not taken";
    EXPECT_FALSE(HeapValidate(ProgramHeap, 0, block) || HeapValidate(ProgramHeap, 0, buffer))
        << "freed, with its buffer, by the next wait";
}

TEST_F(EventTest, EraseUsesTheBrushAndColourChangesReachDescendantsOutsideAnMdiClient) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 60, 60, 240, 120, "erase"));
    ASSERT_TRUE(ForegroundMake(window));
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1));
    record->backgroundBrush = CreateSolidBrush(RGB(200, 30, 40));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(window);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(200, 30, 40));
    ReleaseDC(window, dc);
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
        << "none inside an MDI client";
}

TEST_F(EventTest, AControlsHandlerGetsItsMessagesWhilePropertyAndIdentifierAgreeAndFreeDestroysIt) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 300, 150, "controls", WF_HIDDEN));
    HWND button = Child(window, "BUTTON", ID, ID);
    Register(ID, button, &RECORDING);
    EventsSettle();
    StepsCheck({window, button}, BY_HANDLER);
    received.clear();
    SendMessageA(window, WM_CTLCOLORDLG, 0, LPARAM(button));
    for (HWND stranger : {Child(window, "STATIC", ID), Child(window, "BUTTON", ID, ID), HWND(0x1234)})
        SendMessageA(window, MSG_TO_CONTROL, 0, reinterpret_cast<LPARAM>(stranger));
    SetPropA(button, "QZ_ID", HANDLE(ID + 1));
    StepsCheck({window, button}, BY_LIBRARY);
    EXPECT_TRUE(received.empty()) << "dialog colours, strangers, disagreeing property: not the control";
    HWND first = Child(window, "BUTTON", 5, 5), second = Child(window, "BUTTON", 5, 5);
    Register(5, first, &RECORDING);
    ControlObject* again = Register(5, second, &RECORDING);
    EXPECT_TRUE(!IsWindow(first) && RegistryLookup(ControlRegistry(), 5) == again)
        << "a number in use is freed";
    ControlFree(5);
    EXPECT_TRUE(!IsWindow(second) && !RegistryLookup(ControlRegistry(), 5))
        << "a freed number names no control";
    ControlFree(ID);
}
