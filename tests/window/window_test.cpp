// The window library under wine: numbered windows and what their ends give back, messages to events,
// the control registry, Tab navigation and live sizing, with real windows, input, messages and pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "test_support.h"
#include "window_internal.h"

namespace {

constexpr int32_t ANY = INT32_MIN;  // a field of an expected event or result that is not checked
constexpr int32_t QUIET_MS = 200;   // what one action causes arrives within this
constexpr UINT PLAIN = WM_USER + 9; // a message no library window handles
constexpr int ID = 7;
constexpr LRESULT HANDLED = 1234;
constexpr bool S = false, P = true; // sent or posted
constexpr DWORD SHOWN = WS_CHILD | WS_VISIBLE, TAB_STOP = SHOWN | WS_TABSTOP;
constexpr WORD NEXT = 0, BACK = VK_SHIFT; // the key held with Tab
constexpr WPARAM SIZE_COMMAND = 0xF000;   // the window menu's Size command

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        ControlLibraryStart();
        WindowLibraryStart();
    }
    void TearDown() override {
        WindowLibraryEnd();
        ControlLibraryEnd();
    }
};

struct Delivered {
    int32_t code;
    ObjectNumber window = ANY;
    int32_t item = ANY;
    int32_t type = ANY;
};

std::vector<Delivered> EventsSettle(int32_t quietMilliseconds = 100) {
    std::vector<Delivered> delivered;
    while (int32_t code = EventWaitTimeout(quietMilliseconds))
        delivered.push_back({code, EventWindow(), EventMenuItem(), EventType()});
    return delivered;
}

std::vector<int32_t> waited; // every code the waits returned inside EventArrives

// Does act from inside the pumping (so that no plain dispatch takes what it causes), then runs the
// library's waits, as the program's loop, until one returns code (with wParam, unless ANY).
bool EventArrives(int32_t code, const std::function<void()>& act = nullptr, WPARAM wParam = WPARAM(ANY)) {
    bool acted = false;
    auto waits = [&] {
        if (!acted && act) act();
        acted = true;
        while (int32_t got = EventWaitTimeout(QUIET_MS)) {
            waited.push_back(got);
            if (got == code && (wParam == WPARAM(ANY) || EventWParam() == wParam)) return true;
        }
        return false;
    };
    return waits() || PumpUntil(waits); // the waits first: what is pending is the library's
}

bool KeyThroughWait(WORD key, std::initializer_list<WORD> modifiers = {}) {
    return EventArrives(
        WM_KEYUP, [&] { KeyPress(key, modifiers); }, key);
}

std::string Describe(std::vector<Delivered> events, const std::vector<Delivered>& actual) {
    std::string out;
    for (size_t i = 0; i < events.size(); ++i) {
        for (int32_t Delivered::*field : {&Delivered::window, &Delivered::item, &Delivered::type})
            if (events[i].*field == ANY && i < actual.size()) events[i].*field = actual[i].*field;
        char row[80];
        sprintf(row, "[%d window %d item %d type %d] ", events[i].code, events[i].window, events[i].item,
                events[i].type);
        out += row;
    }
    return out;
}

// A named table row: a message sent or posted to windows[target] (lParam: windows[lParamWindow] unless
// that is -1), the result a sent one gives (ANY: unchecked), exactly what the waits then return.
struct Step {
    const char* name;
    bool post;
    int target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int lParamWindow;
    LRESULT result;
    std::vector<Delivered> expected;
};

void StepsCheck(const std::vector<HWND>& windows, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const LPARAM lParam = step.lParamWindow < 0 ? step.lParam : LPARAM(windows[step.lParamWindow]);
        const HWND target = windows[step.target];
        const LRESULT result = step.post ? PostMessageA(target, step.message, step.wParam, lParam)
                                         : SendMessageA(target, step.message, step.wParam, lParam);
        EXPECT_TRUE(step.post || step.result == ANY || result == step.result) << "result " << result;
        const std::vector<Delivered> actual = EventsSettle(0);
        EXPECT_EQ(Describe(actual, actual), Describe(step.expected, actual));
    }
}

HWND Open(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
          uint32_t flags = WF_DEFAULT) {
    return reinterpret_cast<HWND>(WindowOpen(number, x, y, width, height, "test", flags));
}

// A child in place slot of a grid, carrying property "QZ_ID" unless that is -1.
HWND Child(HWND parent, DWORD style, int slot = 0, const char* className = "BUTTON", intptr_t id = 0,
           intptr_t property = -1) {
    HWND child = CreateWindowExA(0, className, "", style, 10 + (slot % 4) * 100, 10 + (slot / 4) * 40, 90, 30,
                                 parent, HMENU(id), nullptr, nullptr);
    if (property >= 0) SetPropA(child, "QZ_ID", HANDLE(property));
    return child;
}

using Box = std::array<LONG, 4>; // left, top, right, bottom

Box RectOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

bool ClassRegistered(ObjectNumber number) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), ("WindowClass_" + std::to_string(number)).c_str(), &info);
}

uintptr_t IdProperty(HWND window) {
    return reinterpret_cast<uintptr_t>(GetPropA(window, "QZ_WindowID"));
}

HACCEL TableOf(ObjectNumber number) {
    return static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number))->acceleratorTable;
}

// Records window 4's style; opens windows 200 and 300 while the system creates and destroys window 1,
// growing the slot array under the calls that fill and release window 1's record.
DWORD createdStyle;
LRESULT CALLBACK CreationWatch(int code, WPARAM wParam, LPARAM lParam) {
    char name[64] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
    if (code == HCBT_CREATEWND && !strcmp(name, "WindowClass_4"))
        createdStyle = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style;
    if (!strcmp(name, "WindowClass_1") && code == HCBT_CREATEWND) WindowOpen(200, 0, 0, 50, 40, "inner");
    if (!strcmp(name, "WindowClass_1") && code == HCBT_DESTROYWND) WindowOpen(300, 0, 0, 50, 40, "late");
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<HWND> colourChanged;
LRESULT CALLBACK ColourChangeRecord(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_SYSCOLORCHANGE) colourChanged.push_back(m->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs the library's procedure but carries no number, like a window inside CreateWindowExA.
HWND Unnumbered(HWND parent, DWORD style) {
    WNDCLASSA wc = {0, WindowProcedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "Unnumbered"};
    RegisterClassA(&wc);
    return CreateWindowExA(0, "Unnumbered", "", style, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr);
}

LRESULT HandlingAll(ControlObject*, HWND, UINT, WPARAM, LPARAM) {
    return HANDLED;
}
const ControlType HANDLING = {{nullptr, nullptr}, HandlingAll};

ControlObject* Register(ObjectNumber number, HWND child) {
    auto* control = static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), number));
    *control = {child, &HANDLING};
    return control;
}

void TabsCheck(HWND start, const std::vector<std::pair<WORD, HWND>>& keys) {
    SetFocus(start);
    for (size_t i = 0; i < keys.size(); ++i) {
        const WORD held = keys[i].first;
        ASSERT_TRUE(held ? KeyThroughWait(VK_TAB, {held}) : KeyThroughWait(VK_TAB));
        EXPECT_EQ(GetFocus(), keys[i].second) << "key " << i << " (" << held << ") from " << start;
    }
}

// Track sizes 180 x 120 to 360 x 240.
LRESULT TrackLimits(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_GETMINMAXINFO) return NOT_HANDLED_HOOK;
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {180, 120};
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {360, 240};
    return 0;
}

bool SizingEnded() {
    return std::count(waited.begin(), waited.end(), WM_EXITSIZEMOVE) || EventArrives(WM_EXITSIZEMOVE);
}

// Window 1 at (300, 200, 560, 400), cursor in its middle, sizing begun from edge (0: none yet), or null.
HWND SizingFromPlace(WPARAM edge) {
    SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    HWND window = Open(1, 300, 200, 10, 10, WF_DEFAULT | WS_THICKFRAME);
    static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1))->windowHook = TrackLimits;
    MoveWindow(window, 300, 200, 260, 200, TRUE);
    SetCursorPos(430, 300);
    EventsSettle(0);
    waited.clear();
    const auto begin = [&] { PostMessageA(window, WM_SYSCOMMAND, SIZE_COMMAND + edge, 0); };
    return ForegroundMake(window) && EventArrives(WM_ENTERSIZEMOVE, begin) ? window : nullptr;
}

void MoveTo(HWND window, POINT screen) {
    ScreenToClient(window, &screen);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(screen.x, screen.y));
}

} // namespace

TEST_F(WindowTest, ClassPropertyStyleAndShowingFollowTheNumberAndFlags) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId());
    HWND window = Open(0, 0, 0, 230, 90, 0xC80001);
    WNDCLASSA c = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &c));
    EXPECT_TRUE(c.style == CS_DBLCLKS && c.lpfnWndProc == WindowProcedure && c.hbrBackground == HBRUSH(16));
    EXPECT_TRUE(WindowHandle(0) == window && IdProperty(window) == 1);
    // clang-format off
    for (const auto& [flags, style, shown] : std::vector<std::tuple<uint32_t, DWORD, std::vector<BOOL>>>{
             {0, WS_CAPTION, {1, 0, 0}}, {WF_HIDDEN, WS_CAPTION, {0, 0, 0}}, {WF_HIDDEN | WS_SYSMENU, WS_SYSMENU, {0, 0, 0}},
             {WF_MAXIMIZED | WS_POPUP, WS_POPUP | WS_MAXIMIZE, {1, 1, 0}}, {WF_MINIMIZED | WS_POPUP, WS_POPUP | WS_MINIMIZE, {1, 0, 1}},
             {WF_MAXIMIZED | WF_MINIMIZED, WS_MAXIMIZE | WS_MINIMIZE, {1, 1, 0}}}) { // the style CreateWindowExA receives
        // clang-format on
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << flags);
        HWND window = Open(4, 30, 40, 200, 100, flags);
        EXPECT_EQ(createdStyle, style);
        EXPECT_EQ(std::vector<BOOL>({IsWindowVisible(window), IsZoomed(window), IsIconic(window)}), shown);
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(WindowTest, WindowsOpenedInsideCreationOrDestroyedBehindItsBackAndTheEndsGiveAllBack) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId());
    HWND one = Open(1, 10, 10, 100, 60);
    EXPECT_TRUE(one && WindowHandle(1) == one && IdProperty(one) == 2);
    HACCEL table = TableOf(1);
    WindowClose(1);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(one) || WindowHandle(1) || CopyAcceleratorTableA(table, nullptr, 0));
    EXPECT_EQ(WindowText(WindowHandle(300)) + WindowText(WindowHandle(200)), "lateinner");
    HWND owner = Open(4, 10, 10, 100, 60);
    table = TableOf(4);
    DestroyWindow(owner);
    EXPECT_FALSE(WindowHandle(4) || CopyAcceleratorTableA(table, nullptr, 0)) << "destroyed behind its back";
    HWND again = Open(2, 40, 40, 100, 60);
    EXPECT_FALSE(ClassRegistered(4)) << "a class left behind goes at the next open";
    EXPECT_TRUE(again && WindowHandle(2) == again && IdProperty(again) == 3);
    DestroyWindow(again);
    WindowLibraryEnd();
    ControlLibraryEnd();
    EXPECT_FALSE(ClassRegistered(2)) << "and at the library's end";
    for (const char* name : {"QZ_WindowID", "QZ_ID"}) // references that other processes left behind
        while (ATOM atom = GlobalFindAtomA(name))
            GlobalDeleteAtom(atom);
    ControlLibraryStart();
    WindowLibraryStart();
    EXPECT_NE(ControlLock()->DebugInfo, nullptr);
    SendMessageA(Open(1, 10, 10, 100, 60), WM_CLOSE, 0, 0);
    EXPECT_TRUE(EventArrives(EVENT_CLOSE_WINDOW)) << "the libraries start again";
    WindowLibraryEnd();
    ControlLibraryEnd();
    EXPECT_EQ(GlobalFindAtomA("QZ_WindowID") + GlobalFindAtomA("QZ_ID"), 0);
    EXPECT_EQ(ControlLock()->DebugInfo, nullptr) << "the lock is deleted";
    ControlLibraryStart();
    WindowLibraryStart();
}

TEST_F(WindowTest, EachMessageGivesItsEventThroughItsRoute) {
    HWND window = Open(1, 60, 60, 240, 120, WF_HIDDEN);
    const std::vector<HWND> windows = {window, Unnumbered(window, WS_CHILD),
                                       Child(window, SHOWN, 0, "BUTTON", ID),
                                       Child(window, SHOWN, 1, "BUTTON", MENU_FORWARD_ID)};
    enum { W, CHILD, BUTTON, FORWARDING, NONE = -1 };
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
        {"menu", P, W, WM_COMMAND, MAKEWPARAM(1, 0), 0, NONE, ANY, {{EVENT_MENU, 1, 1, -1}}},
        {"accelerator", P, W, WM_COMMAND, MAKEWPARAM(55, 1), 0, NONE, ANY, {{EVENT_MENU, 1, 55, -1}}},
        {"Tab accelerator: none", P, W, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0, NONE, ANY, {{WM_COMMAND, ANY, 55}}},
        {"button", P, W, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, BUTTON, ANY, {{EVENT_CONTROL, 1, ID, BN_CLICKED}}},
        {"forwarding control", P, W, WM_COMMAND, MAKEWPARAM(77, 5), 0, FORWARDING, ANY, {{EVENT_MENU, 1, 77, 5}}},
        {"sent outside a wait", S, W, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, BUTTON, 0, {}},
        {"then replaces the next message", P, W, PLAIN, 5, 6, NONE, ANY, {{EVENT_CONTROL, 1, ID}}},
        {"left click", S, W, MSG_NOTIFY_CLICK, 6, WM_LBUTTONUP, NONE, 0, {{CLICK, 1, 6, 0}}},
        {"right click", S, W, MSG_NOTIFY_CLICK, 6, WM_RBUTTONUP, NONE, 0, {{CLICK, 1, 6, 1}}},
        {"control event", P, W, MSG_CONTROL_EVENT, 12, 34, NONE, ANY, {{EVENT_CONTROL, 1, 12, 34}}},
        {"plain: its number", P, W, PLAIN, 0, 0, NONE, ANY, {{int32_t(PLAIN)}}},
    });
    // clang-format on
    // Several messages before one wait: only a repeat of the newest queued event is dropped.
    HWND two = Open(2, 0, 0, 50, 50, WF_HIDDEN);
    EventsSettle(0);
    for (HWND w : {window, window, two, two, two})
        SendMessageA(w, WM_SIZE, 0, 0);
    PostMessageA(window, PLAIN, 5, 6);
    const std::vector<Delivered> queued = EventsSettle(0);
    EXPECT_EQ(Describe(queued, queued),
              Describe({{EVENT_WINDOW_SIZED, 1}, {EVENT_WINDOW_SIZED, 2}, {int32_t(PLAIN)}}, queued));
    EXPECT_TRUE(queued.back().code == int32_t(PLAIN) && EventWParam() == 5 && EventLParam() == 6);
    SendMessageA(window, WM_MOVE, 0, 0);
    SendMessageA(window, MSG_CONTROL_EVENT, 8, 9);
    PostMessageA(window, PLAIN, 0, 0);
    EXPECT_EQ(EventsSettle(0).back().code, int32_t(PLAIN)) << "a queued event discards a pending one";
}

TEST_F(WindowTest, ARealCloseBoxGivesACloseRequestAndDataBlocksAreOwnedUntilTheNextWait) {
    HWND window = Open(1, 90, 60, 240, 120);
    ASSERT_TRUE(ForegroundMake(window));
    POINT close = {CentreOf(window).x + 200, CentreOf(window).y - 60}; // from the right on the caption's row
    for (POINT p = close; p.x > close.x - 150; --p.x)
        if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLOSE) close = p;
    ASSERT_TRUE(EventArrives(EVENT_CLOSE_WINDOW, [&] { MouseClick(close); })) << "clicking the close box";
    EXPECT_TRUE(EventWindow() == 1 && IsWindowVisible(window)) << "a close request leaves the window open";
    auto* block =
        static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
    void* buffer = block->buffer = HeapAlloc(ProgramHeap, 0, 64);
    PostMessageA(window, MSG_ITEM_DATA, 9, reinterpret_cast<LPARAM>(block));
    EXPECT_TRUE(EventArrives(EVENT_ITEM_DATA) && EventMenuItem() == 9 && EventData() == block);
    EventWaitTimeout(0);
    EXPECT_FALSE(HeapValidate(ProgramHeap, 0, block) || HeapValidate(ProgramHeap, 0, buffer))
        << "freed by the next wait";
}

TEST_F(WindowTest, ColourChangesReachDescendantsOutsideAnMdiClient) {
    HWND window = Open(1, 60, 60, 240, 120);
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1));
    HWND child = Child(window, SHOWN, 0, "STATIC"), grandchild = Child(child, SHOWN, 0, "STATIC");
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, ColourChangeRecord, nullptr, GetCurrentThreadId());
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    record->mdiClient =
        CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 9, 9, window, nullptr, nullptr, &mdi);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    UnhookWindowsHookEx(hook);
    record->mdiClient = nullptr;
    EXPECT_EQ(colourChanged, (std::vector<HWND>{window, child, grandchild, window})) << "not in MDI";
}

TEST_F(WindowTest, AControlsHandlerGetsItsMessagesWhilePropertyAndIdentifierAgreeAndFreeDestroysIt) {
    HWND window = Open(1, 50, 50, 300, 150, WF_HIDDEN);
    HWND button = Child(window, SHOWN, 0, "BUTTON", ID, ID);
    Register(ID, button);
    EventsSettle();
    // clang-format off
    StepsCheck({window, button}, {
        {"click", P, 0, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, 1, ANY, {{WM_COMMAND}}},
        {"sent click: not the handler's result", S, 0, WM_COMMAND, ID, 0, 1, 0, {}},
        {"to the control", S, 0, MSG_TO_CONTROL, 1, 0, 1, HANDLED, {}},
        {"colour", S, 0, WM_CTLCOLORSTATIC, 1, 0, 1, HANDLED, {}}});
    SetPropA(button, "QZ_ID", HANDLE(ID + 1));
    StepsCheck({window, button}, {
        {"click", P, 0, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, 1, ANY, {{EVENT_CONTROL, 1, ID, BN_CLICKED}}},
        {"to the control", S, 0, MSG_TO_CONTROL, 1, 0, 1, 0, {}}});
    // clang-format on
    HWND first = Child(window, SHOWN, 3, "BUTTON", 5, 5), second = Child(window, SHOWN, 4, "BUTTON", 5, 5);
    Register(5, first);
    ControlObject* again = Register(5, second);
    EXPECT_TRUE(!IsWindow(first) && RegistryLookup(ControlRegistry(), 5) == again) << "number reused";
    ControlFree(5);
    EXPECT_TRUE(!IsWindow(second) && !RegistryLookup(ControlRegistry(), 5)) << "number freed";
    ControlFree(ID);
}

TEST_F(WindowTest, TabStopsCycleWithWrapAroundSkippingHiddenAndDisabledOnes) {
    HWND window = Open(1, 80, 80, 420, 220);
    ASSERT_TRUE(ForegroundMake(window));
    HWND first = Child(window, TAB_STOP, 0), second = Child(window, TAB_STOP, 1);
    Child(window, TAB_STOP & ~WS_VISIBLE, 2);
    Child(window, TAB_STOP | WS_DISABLED, 3);
    HWND container = Child(window, SHOWN, 4, "STATIC");
    HWND contained =
        CreateWindowExA(0, "BUTTON", "", TAB_STOP, 0, 0, 50, 20, container, nullptr, nullptr, nullptr);
    HWND last = Child(window, TAB_STOP, 5);
    TabsCheck(second, {{NEXT, contained}, {NEXT, last}, {NEXT, first}, {BACK, last}, {BACK, contained}});
    TabsCheck(second, {{VK_CONTROL, second}, {BACK, first}});
}

TEST_F(WindowTest, InsideAnMdiChildTheOutermostOneConfinesTheCycle) {
    WNDCLASSA childClass = {0,       DefMDIChildProcA, 0,       0,       nullptr,
                            nullptr, nullptr,          nullptr, nullptr, "MDI_ChildClass"};
    ASSERT_TRUE(RegisterClassA(&childClass));
    HWND frame = Open(1, 80, 80, 420, 220);
    ASSERT_TRUE(ForegroundMake(frame));
    Child(frame, TAB_STOP, 0);
    CLIENTCREATESTRUCT clientCreate = {nullptr, 1};
    HWND client = CreateWindowExA(0, "MDICLIENT", "", WS_CHILD | WS_VISIBLE, 0, 50, 400, 160, frame, nullptr,
                                  nullptr, &clientCreate);
    MDICREATESTRUCTA create = {"MDI_ChildClass", "Kind", nullptr, 0, 0, 380, 140, 0, 0};
    auto child =
        reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    HWND first = Child(child, TAB_STOP, 0);
    HWND nested = Child(child, SHOWN, 1, "MDI_ChildClass");
    HWND nestedButton = Child(nested, TAB_STOP, 0), last = Child(child, TAB_STOP, 2);
    TabsCheck(first, {{NEXT, nestedButton}, {NEXT, last}, {NEXT, first}, {BACK, last}});
    TabsCheck(child, {{NEXT, first}});
}

TEST_F(WindowTest, TabIsTypedIntoAnEditableRichEditAndMovesOnFromAReadOnlyOne) {
    ASSERT_TRUE(LoadLibraryA("riched20.dll"));
    HWND window = Open(1, 80, 80, 420, 220);
    ASSERT_TRUE(ForegroundMake(window));
    HWND before = Child(window, TAB_STOP, 0);
    HWND rich = Child(window, TAB_STOP | ES_MULTILINE | WS_BORDER, 1, "RichEdit20A");
    HWND after = Child(window, TAB_STOP, 2);
    TabsCheck(rich, {{NEXT, rich}, {BACK, before}});
    EXPECT_EQ(WindowText(rich), "\t") << "the editable rich edit receives the Tab as a character";
    SendMessageA(rich, EM_SETREADONLY, TRUE, 0);
    TabsCheck(rich, {{NEXT, after}});
}

TEST_F(WindowTest, ArrowKeysChooseEdgesPlaceTheCursorStepTenPixelsAndEscapeEnds) {
    struct Choice {
        std::vector<WORD> keys;
        POINT cursor;
        LPCSTR image;
    };
    // clang-format off
    for (const Choice& c : std::vector<Choice>{
             {{}, {430, 300}, IDC_SIZEALL},                   {{VK_LEFT}, {300, 300}, IDC_SIZEWE},
             {{VK_RIGHT}, {558, 300}, IDC_SIZEWE},            {{VK_UP}, {430, 200}, IDC_SIZENS},
             {{VK_DOWN}, {430, 398}, IDC_SIZENS},             {{VK_UP, VK_LEFT}, {302, 202}, IDC_SIZENWSE},
             {{VK_LEFT, VK_UP}, {302, 202}, IDC_SIZENWSE},    {{VK_UP, VK_RIGHT}, {558, 200}, IDC_SIZENESW},
             {{VK_RIGHT, VK_UP}, {558, 200}, IDC_SIZENESW},   {{VK_DOWN, VK_LEFT}, {300, 398}, IDC_SIZENESW},
             {{VK_LEFT, VK_DOWN}, {300, 398}, IDC_SIZENESW},  {{VK_DOWN, VK_RIGHT}, {558, 398}, IDC_SIZENWSE},
             {{VK_RIGHT, VK_DOWN}, {558, 398}, IDC_SIZENWSE}}) {
        // clang-format on
        SCOPED_TRACE("keys " + testing::PrintToString(c.keys));
        HWND window = SizingFromPlace(0);
        ASSERT_TRUE(window);
        for (WORD key : c.keys)
            KeyThroughWait(key);
        POINT at;
        GetCursorPos(&at);
        EXPECT_EQ(std::make_pair(at.x, at.y), std::make_pair(c.cursor.x, c.cursor.y));
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, c.image));
        KeyThroughWait(VK_ESCAPE);
        ASSERT_TRUE(SizingEnded());
    }
    HWND window = SizingFromPlace(0);
    for (WORD key : {VK_LEFT, VK_LEFT, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_DOWN, VK_ESCAPE, VK_LEFT})
        KeyThroughWait(key);
    EXPECT_EQ(RectOf(window), (Box{310, 200, 560, 410})) << "left -10 +20, bottom +10, Escape keeps";
}

TEST_F(WindowTest, EveryEdgeAndCornerStopsAtTheMinimumAndMaximumTrackSize) {
    struct Clamp {
        const char* name;
        WPARAM edge;
        POINT out;
        Box outward, inward; // after a move to out, then to the window's middle (430, 300)
    };
    // clang-format off
    for (const Clamp& c : std::vector<Clamp>{
             {"left", WMSZ_LEFT, {0, 300}, {200, 200, 560, 400}, {380, 200, 560, 400}},
             {"right", WMSZ_RIGHT, {900, 300}, {300, 200, 660, 400}, {300, 200, 480, 400}},
             {"top", WMSZ_TOP, {430, 0}, {300, 160, 560, 400}, {300, 280, 560, 400}},
             {"bottom", WMSZ_BOTTOM, {430, 760}, {300, 200, 560, 440}, {300, 200, 560, 320}},
             {"top-left", WMSZ_TOPLEFT, {0, 0}, {200, 160, 560, 400}, {380, 280, 560, 400}},
             {"top-right", WMSZ_TOPRIGHT, {900, 0}, {300, 160, 660, 400}, {300, 280, 480, 400}},
             {"bottom-left", WMSZ_BOTTOMLEFT, {0, 760}, {200, 200, 560, 440}, {380, 200, 560, 320}},
             {"bottom-right", WMSZ_BOTTOMRIGHT, {900, 760}, {300, 200, 660, 440}, {300, 200, 480, 320}}}) {
        // clang-format on
        SCOPED_TRACE(c.name);
        HWND window = SizingFromPlace(c.edge);
        ASSERT_TRUE(window);
        MoveTo(window, c.out);
        EXPECT_EQ(RectOf(window), c.outward) << "maximum";
        MoveTo(window, {430, 300});
        EXPECT_EQ(RectOf(window), c.inward) << "minimum";
        ReleaseCapture();
        ASSERT_TRUE(SizingEnded()) << "taking the capture away ends the sizing";
    }
}
