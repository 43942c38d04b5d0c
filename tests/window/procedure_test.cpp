// The window procedure under wine: window-state messages become queued events, commands and
// private messages immediate ones; real clicks, real keys, real menus and real pixels.
#include "window_test_support.h"

#include <algorithm>

namespace {

constexpr UINT PLAIN_MESSAGE = WM_USER + 9;
constexpr WORD MENU_ITEM_FILM = 1;
constexpr int BUTTON_ID = 42;
constexpr LRESULT HOOK_RESULT = 4711;
constexpr LRESULT ERASE_HANDLER_RESULT = 77;
constexpr COLORREF BRUSH_COLOUR = RGB(200, 30, 40);
constexpr COLORREF HANDLER_COLOUR = RGB(20, 180, 60);

HWND ShownWindow(ObjectNumber number, uint32_t flags = WF_DEFAULT) {
    return reinterpret_cast<HWND>(WindowOpen(number, 60 + number * 30, 60, 240, 120, "procedure", flags));
}

WindowObject* RecordOf(ObjectNumber number) {
    return static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number));
}

HWND ButtonCreate(HWND parent, int id) {
    return CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 90, 30, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleA(nullptr),
                           nullptr);
}

POINT CentreOnScreen(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A window that runs the library's procedure but carries no window number, as a window does
// while CreateWindowExA is still running.
HWND UnnumberedWindow(HWND parent, DWORD style) {
    static const char* const CLASS = "UnnumberedLibraryWindow";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = CLASS;
    RegisterClassA(&wc);
    return CreateWindowExA(0, CLASS, "unnumbered", style, 0, 0, 100, 50, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

std::vector<ObjectNumber> WindowsOf(const std::vector<Delivered>& delivered, int32_t code) {
    std::vector<ObjectNumber> windows;
    for (const Delivered& d : delivered)
        if (d.code == code) windows.push_back(d.window);
    return windows;
}

COLORREF PixelAt(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

// Repaints the whole window now, erasing its background.
void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

std::vector<HWND> colourChanged;
HHOOK colourHook;
LRESULT CALLBACK ColourChangeRecord(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_SYSCOLORCHANGE) colourChanged.push_back(m->hwnd);
    return CallNextHookEx(colourHook, code, wParam, lParam);
}

std::vector<UINT> hookSaw;
LRESULT WindowHookTakingPlainMessages(HWND, UINT message, WPARAM, LPARAM) {
    hookSaw.push_back(message);
    return message == PLAIN_MESSAGE ? HOOK_RESULT : NOT_HANDLED_HOOK;
}
LRESULT MessageHookTakingPlainMessages(HWND, UINT message, WPARAM, LPARAM) {
    hookSaw.push_back(message + 1);
    return message == PLAIN_MESSAGE ? HOOK_RESULT + 1 : NOT_HANDLED_HOOK;
}
LRESULT HookReturningNotHandled(HWND, UINT, WPARAM, LPARAM) {
    return NOT_HANDLED;
}

LRESULT EraseGreen(HDC dc, HWND window) {
    RECT r;
    GetClientRect(window, &r);
    HBRUSH green = CreateSolidBrush(HANDLER_COLOUR);
    FillRect(dc, &r, green);
    DeleteObject(green);
    return ERASE_HANDLER_RESULT;
}

class WindowProcedureTest : public WindowTest {};

} // namespace

TEST_F(WindowProcedureTest, CloseBoxQueuesACloseRequestAndTheWindowStaysOpen) {
    HWND window = ShownWindow(1);
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();
    POINT closeBox = HitTestPoint(window, HTCLOSE);
    ASSERT_NE(closeBox.x, -1) << "no close box found on the caption";

    MouseClick(closeBox);
    ASSERT_TRUE(EventAwait(EVENT_CLOSE_WINDOW)) << "clicking the close box must queue EVENT_CLOSE_WINDOW";
    EXPECT_EQ(EventWindow(), 1);
    EventsSettle();
    EXPECT_TRUE(IsWindow(window)) << "a close request only becomes an event";
    EXPECT_EQ(WindowHandle(1), window);

    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_CLOSE_WINDOW);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowProcedureTest, MinimisingMakesNoSizedEventButRestoringAndMaximisingDo) {
    HWND window = ShownWindow(2, WF_DEFAULT | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME);
    EventsSettle();

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    std::vector<Delivered> got = EventsSettle();
    EXPECT_EQ(CodeCount(got, EVENT_WINDOW_SIZED), 0) << "minimising is no size change of the client area";

    ShowWindow(window, SW_RESTORE);
    got = EventsSettle();
    EXPECT_EQ(CodeCount(got, EVENT_WINDOW_SIZED), 1);

    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window));
    got = EventsSettle();
    EXPECT_EQ(WindowsOf(got, EVENT_WINDOW_SIZED), std::vector<ObjectNumber>{2});
    EXPECT_EQ(SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0), 0)
        << "minimised sizes go on to DefWindowProcA";
    EXPECT_EQ(SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0), 0);
}

TEST_F(WindowProcedureTest, WindowStateMessagesQueueEventsForTheirWindow) {
    HWND first = ShownWindow(3);
    HWND second = ShownWindow(4);
    ASSERT_TRUE(WindowFocus(second));
    EventsSettle();

    SetForegroundWindow(first);
    std::vector<Delivered> seen;
    ASSERT_TRUE(EventAwait(EVENT_WINDOW_ACTIVATED, 3000, &seen)) << "activating a window queues an event";
    EXPECT_EQ(EventWindow(), 3);
    EventsSettle();

    SetWindowPos(first, nullptr, 150, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::vector<Delivered> got = EventsSettle();
    ASSERT_EQ(CodeCount(got, EVENT_WINDOW_MOVED), 1);
    EXPECT_EQ(WindowsOf(got, EVENT_WINDOW_MOVED), std::vector<ObjectNumber>{3});
    EXPECT_EQ(CodeCount(got, EVENT_WINDOW_SIZED), 0) << "moving is not sizing";

    EXPECT_EQ(SendMessageA(first, WM_ACTIVATE, WA_INACTIVE, 0), 1);
    EXPECT_EQ(CodeCount(EventsSettle(), EVENT_WINDOW_ACTIVATED), 0) << "deactivation makes no event";
    EXPECT_EQ(SendMessageA(first, WM_ACTIVATE, WA_CLICKACTIVE, 0), 1);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_WINDOW_ACTIVATED);
    EXPECT_EQ(EventWindow(), 3);
}

TEST_F(WindowProcedureTest, MessagesOfWindowsWithoutNumberBelongToNoWindow) {
    HWND loose = UnnumberedWindow(nullptr, WS_OVERLAPPED);
    ASSERT_NE(loose, nullptr);
    EventsSettle();
    EXPECT_EQ(SendMessageA(loose, WM_MOVE, 0, 0), 0);
    EXPECT_EQ(SendMessageA(loose, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(SendMessageA(loose, WM_SIZE, SIZE_RESTORED, 0), 1);
    std::vector<Delivered> got = EventsSettle();
    EXPECT_EQ(CodeCount(got, EVENT_WINDOW_MOVED) + CodeCount(got, EVENT_CLOSE_WINDOW) +
                  CodeCount(got, EVENT_WINDOW_SIZED),
              0)
        << "moves, closes and sizes of no window make no event";
    EXPECT_TRUE(IsWindow(loose)) << "WM_CLOSE never destroys a window of the library's class";

    SendMessageA(loose, WM_ACTIVATE, WA_ACTIVE, 0);
    HDC dc = GetDC(loose);
    SendMessageA(loose, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(loose, dc);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_WINDOW_ACTIVATED);
    EXPECT_EQ(EventWindow(), NO_WINDOW);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_BACKGROUND_ERASED);
    EXPECT_EQ(EventWindow(), NO_WINDOW);
    DestroyWindow(loose);

    // A child window running the procedure belongs to the numbered window above it.
    HWND parent = ShownWindow(5);
    HWND child = UnnumberedWindow(parent, WS_CHILD | WS_VISIBLE);
    EventsSettle();
    EXPECT_EQ(SendMessageA(child, WM_MOVE, 0, 0), 0);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_WINDOW_MOVED);
    EXPECT_EQ(EventWindow(), 5);
    EXPECT_EQ(SendMessageA(child, WM_SIZE, SIZE_RESTORED, 0), 1);
    EXPECT_EQ(CodeCount(EventsSettle(), EVENT_WINDOW_SIZED), 0)
        << "only the numbered window's own size is an event";
}

TEST_F(WindowProcedureTest, MenusAcceleratorsAndControlsMakeDifferentCommandEvents) {
    HWND window = ShownWindow(1);
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, MENU_ITEM_FILM, "Film Player");
    AppendMenuA(file, MF_STRING, CMD_FOCUS_NEXT, "Item with the Tab command's number");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "Datei");
    SetMenu(window, bar);
    HWND button = ButtonCreate(window, BUTTON_ID);
    HWND forwarding = ButtonCreate(window, MENU_FORWARD_ID);
    SetWindowPos(forwarding, nullptr, 120, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();

    // A real menu choice: F10 opens the menu bar, Down the first title, Enter picks the first item.
    KeyPress(VK_F10);
    KeyPress(VK_DOWN);
    KeyPress(VK_RETURN);
    ASSERT_TRUE(EventAwait(EVENT_MENU)) << "choosing a menu item must give EVENT_MENU";
    EXPECT_EQ(EventMenuItem(), MENU_ITEM_FILM);
    EXPECT_EQ(EventType(), -1);
    EXPECT_EQ(EventWindow(), 1);
    EventsSettle();

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 0), 0);
    EXPECT_EQ(EventWait(), EVENT_MENU) << "a menu item numbered like the Tab command is still a menu item";
    EXPECT_EQ(EventMenuItem(), CMD_FOCUS_NEXT);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(55, 1), 0);
    EXPECT_EQ(EventWait(), EVENT_MENU) << "other accelerator commands are menu events";
    EXPECT_EQ(EventMenuItem(), 55);
    EXPECT_EQ(EventType(), -1);
    for (WORD focusCommand : {CMD_FOCUS_NEXT, CMD_FOCUS_PREVIOUS}) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(focusCommand, 1), 0);
        EXPECT_EQ(EventWait(), WM_COMMAND) << "the focus commands make no event";
    }

    MouseClick(CentreOnScreen(button));
    ASSERT_TRUE(EventAwait(EVENT_CONTROL)) << "a click on a button must give EVENT_CONTROL";
    EXPECT_EQ(EventMenuItem(), BUTTON_ID);
    EXPECT_EQ(EventType(), BN_CLICKED);
    EXPECT_EQ(EventWindow(), 1);

    MouseClick(CentreOnScreen(forwarding));
    ASSERT_TRUE(EventAwait(EVENT_MENU)) << "a control numbered MENU_FORWARD_ID reports menu events";
    EXPECT_EQ(EventMenuItem(), LOWORD(MENU_FORWARD_ID));
    EXPECT_EQ(EventType(), BN_CLICKED);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(77, 5), reinterpret_cast<LPARAM>(forwarding));
    EXPECT_EQ(EventWait(), EVENT_MENU);
    EXPECT_EQ(EventMenuItem(), 77) << "the item is the command the control reports";
    EXPECT_EQ(EventType(), 5) << "the notification code is kept";
}

TEST_F(WindowProcedureTest, EraseFillsWithTheBackgroundBrushOrTheHandlerOrTheClassColour) {
    HWND window = ShownWindow(1);
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();
    WindowObject* record = RecordOf(1);
    ASSERT_NE(record, nullptr);

    Repaint(window);
    EXPECT_EQ(PixelAt(window, 5, 5), GetSysColor(COLOR_BTNFACE))
        << "the class background without brush or handler";
    EXPECT_GE(CodeCount(EventsSettle(), EVENT_BACKGROUND_ERASED), 1);

    record->eraseHandler = EraseGreen;
    Repaint(window);
    EXPECT_EQ(PixelAt(window, 5, 5), HANDLER_COLOUR);
    HDC dc = GetDC(window);
    EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), ERASE_HANDLER_RESULT);
    EventsSettle();

    record->backgroundBrush = CreateSolidBrush(BRUSH_COLOUR);
    Repaint(window);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(PixelAt(window, 0, 0), BRUSH_COLOUR) << "the brush wins over the handler";
    EXPECT_EQ(PixelAt(window, client.right - 1, client.bottom - 1), BRUSH_COLOUR) << "the whole client area";
    EventsSettle();
    EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(window, dc);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_BACKGROUND_ERASED);
    EXPECT_EQ(EventWindow(), 1);
}

TEST_F(WindowProcedureTest, SysColorChangeReachesEveryDescendantUnlessTheWindowLivesInAnMdiClient) {
    HWND window = ShownWindow(1);
    HWND child = CreateWindowExA(0, "STATIC", "child", WS_CHILD | WS_VISIBLE, 0, 0, 100, 40, window, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND grandchild = CreateWindowExA(0, "STATIC", "grandchild", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, child,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
    colourHook = SetWindowsHookExA(WH_CALLWNDPROC, ColourChangeRecord, nullptr, GetCurrentThreadId());

    colourChanged.clear();
    EXPECT_EQ(SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0), 0);
    EXPECT_EQ(colourChanged, (std::vector<HWND>{window, child, grandchild}));

    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    HWND client = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 10, 10, window, nullptr,
                                  GetModuleHandleA(nullptr), &mdi);
    ASSERT_NE(client, nullptr);
    RecordOf(1)->mdiClient = client;
    colourChanged.clear();
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(colourChanged, std::vector<HWND>{window});
    RecordOf(1)->mdiClient = nullptr;
    UnhookWindowsHookEx(colourHook);
}

TEST_F(WindowProcedureTest, PrivateMessagesMakeImmediateEvents) {
    HWND window = ShownWindow(1, WF_DEFAULT | WF_HIDDEN);
    EventsSettle();

    struct Click {
        LPARAM mouseMessage;
        int32_t type;
    };
    for (Click click : {Click{WM_LBUTTONUP, 0}, Click{WM_RBUTTONUP, 1}, Click{WM_LBUTTONDBLCLK, 2},
                        Click{WM_RBUTTONDBLCLK, 3}}) {
        SCOPED_TRACE(click.mouseMessage);
        EXPECT_EQ(SendMessageA(window, MSG_NOTIFY_CLICK, 6, click.mouseMessage), 0);
        EXPECT_EQ(EventWait(), EVENT_NOTIFY_CLICK) << "made when the wait dispatches the reposted click";
        EXPECT_EQ(EventMenuItem(), 6);
        EXPECT_EQ(EventType(), click.type);
    }
    SendMessageA(window, MSG_NOTIFY_CLICK, 6, WM_LBUTTONDOWN);
    EXPECT_EQ(EventWait(), static_cast<int32_t>(MSG_NOTIFY_CLICK_POSTED))
        << "other mouse messages make no event";

    PostMessageA(window, MSG_CONTROL_EVENT, 12, 34);
    EXPECT_EQ(EventWait(), EVENT_CONTROL);
    EXPECT_EQ(EventMenuItem(), 12);
    EXPECT_EQ(EventType(), 34);
    EXPECT_EQ(EventWindow(), 1);

    PostMessageA(window, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(EventWait(), WM_HSCROLL) << "the window's own scroll bar makes no event";
}

TEST_F(WindowProcedureTest, HooksSeeMessagesBeforeTheLibrary) {
    HWND window = ShownWindow(1, WF_DEFAULT | WF_HIDDEN);
    EventsSettle();
    EventState* state = EventStateBlock();
    WindowObject* record = RecordOf(1);

    state->messageHook = MessageHookTakingPlainMessages;
    hookSaw.clear();
    EXPECT_EQ(SendMessageA(window, PLAIN_MESSAGE, 0, 0), HOOK_RESULT + 1)
        << "the message hook without a window hook";
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(EventWaitTimeout(0), EVENT_CLOSE_WINDOW) << "a message the hook leaves goes on to the library";

    record->windowHook = WindowHookTakingPlainMessages;
    hookSaw.clear();
    EXPECT_EQ(SendMessageA(window, PLAIN_MESSAGE, 0, 0), HOOK_RESULT);
    SendMessageA(window, WM_MOVE, 0, 0);
    EXPECT_EQ(hookSaw, (std::vector<UINT>{PLAIN_MESSAGE, WM_MOVE}))
        << "the window hook replaces the message hook";
    EXPECT_EQ(EventWaitTimeout(0), EVENT_WINDOW_MOVED);

    record->windowHook = HookReturningNotHandled;
    EXPECT_EQ(SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(-5000, -5000)), HTNOWHERE)
        << "NOT_HANDLED from a hook still reaches DefWindowProcA";

    // The number goes before the window: while it is destroyed, its messages belong to no
    // window, so its window hook no longer sees them and the message hook does.
    record->windowHook = WindowHookTakingPlainMessages;
    state->messageHook = MessageHookTakingPlainMessages;
    hookSaw.clear();
    WindowClose(1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(std::count(hookSaw.begin(), hookSaw.end(), WM_DESTROY), 0);
    EXPECT_EQ(std::count(hookSaw.begin(), hookSaw.end(), WM_DESTROY + 1), 1);
    state->messageHook = nullptr;
}
