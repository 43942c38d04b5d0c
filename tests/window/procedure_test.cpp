// The window procedure under wine: a conformance table of messages and the events they give,
// then real clicks, keys, a real menu and real pixels.
#include "window_test_support.h"

namespace {

constexpr UINT PLAIN_MESSAGE = WM_USER + 9;
constexpr int BUTTON_ID = 42;
constexpr LRESULT ERASE_RESULT = 77;
constexpr COLORREF BRUSH_COLOUR = RGB(200, 30, 40);
constexpr COLORREF HANDLER_COLOUR = RGB(20, 180, 60);

HWND Shown(ObjectNumber number, uint32_t flags = WF_DEFAULT) {
    return reinterpret_cast<HWND>(WindowOpen(number, 60 + number * 30, 60, 240, 120, "procedure", flags));
}

WindowObject* RecordOf(ObjectNumber number) {
    return static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number));
}

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
    return ERASE_RESULT;
}

using WindowProcedureTest = WindowTest;

} // namespace

TEST_F(WindowProcedureTest, EachMessageGivesItsEventThroughItsRoute) {
    HWND window = Shown(1, WF_HIDDEN);
    HWND loose = Unnumbered(nullptr, WS_OVERLAPPED);
    const std::vector<HWND> windows = {window, loose, Unnumbered(window, WS_CHILD),
                                       Child(window, "BUTTON", BUTTON_ID),
                                       Child(window, "BUTTON", MENU_FORWARD_ID)};
    enum { WINDOW, LOOSE, CHILD, BUTTON, FORWARDING, NONE = -1 };
    const bool SEND = false, POST = true;
    EventsSettle();
    // clang-format off
    StepsCheck(windows, {
        // Window-state messages are queued events of the window that carries the number.
        {SEND, WINDOW, WM_MOVE, 0, 0, NONE, 0, {{EVENT_WINDOW_MOVED, 1}}},
        {SEND, WINDOW, WM_SIZE, SIZE_RESTORED, 0, NONE, 0, {{EVENT_WINDOW_SIZED, 1}}},
        {SEND, WINDOW, WM_SIZE, SIZE_MINIMIZED, 0, NONE, 0, {}},
        {SEND, WINDOW, WM_ACTIVATE, WA_CLICKACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, 1}}},
        {SEND, WINDOW, WM_ACTIVATE, WA_INACTIVE, 0, NONE, 1, {}},
        {SEND, WINDOW, WM_CLOSE, 0, 0, NONE, 0, {{EVENT_CLOSE_WINDOW, 1}}},
        {SEND, CHILD, WM_MOVE, 0, 0, NONE, 0, {{EVENT_WINDOW_MOVED, 1}}},
        {SEND, CHILD, WM_SIZE, SIZE_RESTORED, 0, NONE, 1, {}},
        // No number on the window or its parents: only activation and erasing are events.
        {SEND, LOOSE, WM_MOVE, 0, 0, NONE, 0, {}},
        {SEND, LOOSE, WM_CLOSE, 0, 0, NONE, 0, {}},
        {SEND, LOOSE, WM_SIZE, SIZE_RESTORED, 0, NONE, 1, {}},
        {SEND, LOOSE, WM_ACTIVATE, WA_ACTIVE, 0, NONE, 1, {{EVENT_WINDOW_ACTIVATED, NO_WINDOW}}},
        {SEND, LOOSE, WM_ERASEBKGND, 0, 0, NONE, ANY, {{EVENT_BACKGROUND_ERASED, NO_WINDOW}}},
        // Commands are immediate events: menus, accelerators (focus commands make none), controls.
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(1, 0), 0, NONE, ANY, {{EVENT_MENU, 1, 1, -1}}},
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 0), 0, NONE, ANY, {{EVENT_MENU, 1, CMD_FOCUS_NEXT}}},
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(55, 1), 0, NONE, ANY, {{EVENT_MENU, 1, 55, -1}}},
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), 0, BUTTON, ANY,
         {{EVENT_CONTROL, 1, BUTTON_ID, BN_CLICKED}}},
        {POST, WINDOW, WM_COMMAND, MAKEWPARAM(77, 5), 0, FORWARDING, ANY, {{EVENT_MENU, 1, 77, 5}}},
        // Sent outside a wait, the event waits for the next dispatch.
        {SEND, WINDOW, WM_COMMAND, MAKEWPARAM(BUTTON_ID, BN_CLICKED), 0, BUTTON, 0, {}},
        {POST, WINDOW, PLAIN_MESSAGE, 5, 6, NONE, ANY, {{EVENT_CONTROL, 1, BUTTON_ID}}},
        // Private messages; the click is made when the wait dispatches its reposted message.
        {SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_LBUTTONUP, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 0}}},
        {SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_RBUTTONUP, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 1}}},
        {SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDBLCLK, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 2}}},
        {SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_RBUTTONDBLCLK, NONE, 0, {{EVENT_NOTIFY_CLICK, 1, 6, 3}}},
        {SEND, WINDOW, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDOWN, NONE, 0, {{int32_t(MSG_NOTIFY_CLICK_POSTED)}}},
        {POST, WINDOW, MSG_CONTROL_EVENT, 12, 34, NONE, ANY, {{EVENT_CONTROL, 1, 12, 34}}},
        // Messages that make no event come back as their numbers.
        {POST, WINDOW, WM_HSCROLL, SB_LINEDOWN, 0, NONE, ANY, {{WM_HSCROLL}}},
        {POST, WINDOW, PLAIN_MESSAGE, 0, 0, NONE, ANY, {{int32_t(PLAIN_MESSAGE)}}},
        {SEND, WINDOW, WM_NOTIFY, 0, 0, NONE, 0, {}}, // without its header: left alone
    });
    // clang-format on
    WindowClose(1);
    EXPECT_EQ(EventWindow(), NO_WINDOW) << "the number goes first: a dying window's messages belong to none";
    EXPECT_TRUE(IsWindow(loose)) << "WM_CLOSE never destroys a window of the library's procedure";
    DestroyWindow(loose);
}

TEST_F(WindowProcedureTest, RealInputGivesCloseRequestsSizesMenuAndControlEvents) {
    HWND window = Shown(1, WF_DEFAULT | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME);
    HMENU bar = CreateMenu(), file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 1, "Film Player");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "Datei");
    SetMenu(window, bar);
    HWND button = Child(window, "BUTTON", BUTTON_ID);
    HWND forwarding = Child(window, "BUTTON", MENU_FORWARD_ID, 120);
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();

    MouseClick(HitTestPoint(window, HTCLOSE));
    ASSERT_TRUE(EventAwait(EVENT_CLOSE_WINDOW)) << "clicking the close box";
    EXPECT_EQ(EventWindow(), 1);
    EventsSettle();
    EXPECT_EQ(WindowHandle(1), window) << "a close request leaves the window open";
    EXPECT_TRUE(IsWindowVisible(window));

    KeyPress(VK_F10); // selects the menu bar; Down opens "Datei"; Enter chooses its first item
    KeyPress(VK_DOWN);
    KeyPress(VK_RETURN);
    ASSERT_TRUE(EventAwait(EVENT_MENU)) << "a real menu choice";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(1, -1));
    MouseClick(CentreOf(button));
    ASSERT_TRUE(EventAwait(EVENT_CONTROL)) << "a real button click";
    EXPECT_EQ(std::make_pair(EventMenuItem(), EventType()), std::make_pair(BUTTON_ID, int32_t(BN_CLICKED)));
    MouseClick(CentreOf(forwarding));
    ASSERT_TRUE(EventAwait(EVENT_MENU)) << "a click on a control numbered MENU_FORWARD_ID";
    EXPECT_EQ(EventMenuItem(), LOWORD(MENU_FORWARD_ID));
    EventsSettle();

    const std::vector<ObjectNumber> sizedOnce = {1};
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_WINDOW_SIZED), std::vector<ObjectNumber>{}) << "minimised";
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_WINDOW_SIZED), sizedOnce) << "restored";
    ShowWindow(window, SW_MAXIMIZE);
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_WINDOW_SIZED), sizedOnce) << "maximised";
    HWND other = Shown(2);
    EventsSettle();
    SetForegroundWindow(window);
    ASSERT_TRUE(EventAwait(EVENT_WINDOW_ACTIVATED));
    EXPECT_EQ(EventWindow(), 1);
    SetWindowPos(other, nullptr, 150, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_WINDOW_MOVED), std::vector<ObjectNumber>{2});
}

TEST_F(WindowProcedureTest, EraseUsesTheBrushElseTheHandlerElseTheClassColour) {
    HWND window = Shown(1);
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();
    EXPECT_EQ(PixelAt(window, 5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_BACKGROUND_ERASED), std::vector<ObjectNumber>{1});
    RecordOf(1)->eraseHandler = EraseGreen;
    EXPECT_EQ(PixelAt(window, 5, 5), HANDLER_COLOUR);
    RecordOf(1)->backgroundBrush = CreateSolidBrush(BRUSH_COLOUR);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(PixelAt(window, 0, 0), BRUSH_COLOUR);
    EXPECT_EQ(PixelAt(window, client.right - 1, client.bottom - 1), BRUSH_COLOUR);
    HDC dc = GetDC(window);
    EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    RecordOf(1)->backgroundBrush = nullptr;
    EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), ERASE_RESULT);
    ReleaseDC(window, dc);
}

TEST_F(WindowProcedureTest, SysColorChangeReachesEveryDescendantUnlessInAnMdiClient) {
    HWND window = Shown(1);
    HWND child = Child(window, "STATIC", 1);
    HWND grandchild = Child(child, "STATIC", 2);
    Recorder recorder;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    for (HWND w : {window, child, grandchild})
        EXPECT_EQ(recorder.Sent(w, WM_SYSCOLORCHANGE, 0), 1);
    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    RecordOf(1)->mdiClient =
        CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 9, 9, window, nullptr, nullptr, &mdi);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(recorder.Sent(child, WM_SYSCOLORCHANGE, 0), 1) << "not passed on inside an MDI client";
    RecordOf(1)->mdiClient = nullptr;
}
