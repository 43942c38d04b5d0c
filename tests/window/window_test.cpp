// The window library under wine: numbered windows and what their ends give back, messages to events,
// the control registry, Tab navigation and live sizing, with real windows, input, messages and pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <map>

#include "menu.h"
#include "movie_internal.h"
#include "requester.h"
#include "test_support.h"
#include "window_internal.h"

namespace {

constexpr int32_t ANY = INT32_MIN + 1; // a field not checked (INT32_MIN is CW_USEDEFAULT)
constexpr int32_t QUIET_MS = 200;      // what one action causes arrives within this
constexpr UINT PLAIN = WM_USER + 9;    // a message no library window handles
constexpr int ID = 7;
constexpr LRESULT HANDLED = 1234;
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

#define NAMED(code)                                                                                          \
    { code, #code }
std::string CodeName(int32_t code) {
    static const std::map<int32_t, const char*> names = {NAMED(EVENT_WINDOW_MOVED),
                                                         NAMED(EVENT_WINDOW_SIZED),
                                                         NAMED(EVENT_BACKGROUND_ERASED),
                                                         NAMED(EVENT_CLOSE_WINDOW),
                                                         NAMED(EVENT_CONTROL),
                                                         NAMED(EVENT_MENU),
                                                         NAMED(EVENT_NOTIFY_CLICK),
                                                         NAMED(EVENT_WINDOW_ACTIVATED),
                                                         NAMED(EVENT_WINDOW_DATA),
                                                         NAMED(EVENT_ITEM_DATA),
                                                         NAMED(WM_QUIT),
                                                         NAMED(WM_COMMAND),
                                                         NAMED(WM_HSCROLL),
                                                         NAMED(MSG_NOTIFY_CLICK_POSTED),
                                                         NAMED(PLAIN)};
    const auto found = names.find(code);
    return found != names.end() ? found->second : std::to_string(code);
}

std::string Describe(std::vector<Delivered> events, const std::vector<Delivered>& actual) {
    std::string out;
    for (size_t i = 0; i < events.size(); ++i) {
        for (int32_t Delivered::*field : {&Delivered::window, &Delivered::item, &Delivered::type})
            if (events[i].*field == ANY && i < actual.size()) events[i].*field = actual[i].*field;
        out += "[" + CodeName(events[i].code) + " window " + std::to_string(events[i].window) + " item " +
               std::to_string(events[i].item) + " type " + std::to_string(events[i].type) + "] ";
    }
    return out;
}

// Windows a row's message goes to: the numbered window 1, its child without a number, a button, a
// button with the identifier MENU_FORWARD_ID, and window 5 while it is inside CreateWindowExA, a
// top-level window that carries no number yet (the message is sent once its WM_CREATE is through).
enum Target { W, CHILD, BUTTON, FORWARDING, CREATING, NONE = -1 };

// A named table row: a message sent or posted to a target (lParam: the window lParamWindow instead,
// unless NONE), the result a sent one gives (ANY: unchecked), a message posted to window 1 after it
// (0: none), and exactly what the waits then return.
struct Step {
    const char* name;
    bool post = false;
    Target target = W;
    UINT message;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    Target lParamWindow = NONE;
    LRESULT result = ANY;
    UINT thenPost = 0;
    std::vector<Delivered> expected;
};

const Step* inCreation;
LRESULT inCreationResult;
LRESULT CALLBACK SendInsideCreation(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_CREATE && inCreation)
        inCreationResult = SendMessageA(m->hwnd, inCreation->message, inCreation->wParam, inCreation->lParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND Open(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
          uint32_t flags = WF_DEFAULT) {
    return reinterpret_cast<HWND>(WindowOpen(number, x, y, width, height, "test", flags));
}

LRESULT StepSend(const std::vector<HWND>& windows, const Step& step) {
    const LPARAM lParam = step.lParamWindow == NONE ? step.lParam : LPARAM(windows[step.lParamWindow]);
    if (step.target == CREATING) {
        ScopedHook hook(
            SetWindowsHookExA(WH_CALLWNDPROCRET, SendInsideCreation, nullptr, GetCurrentThreadId()));
        inCreation = &step;
        Open(5, 0, 0, 50, 40, WF_HIDDEN);
        inCreation = nullptr;
        WindowClose(5);
        return inCreationResult;
    }
    const HWND target = windows[step.target];
    return step.post ? PostMessageA(target, step.message, step.wParam, lParam)
                     : SendMessageA(target, step.message, step.wParam, lParam);
}

void StepsCheck(const std::vector<HWND>& windows, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EventsSettle(0);
        const LRESULT result = StepSend(windows, step);
        if (!step.post && step.result != ANY) {
            EXPECT_EQ(result, step.result) << "the result";
        }
        if (step.thenPost) PostMessageA(windows[W], step.thenPost, 0, 0);
        const std::vector<Delivered> actual = EventsSettle(0);
        EXPECT_EQ(Describe(actual, actual), Describe(step.expected, actual));
    }
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

WindowObject* RecordOf(ObjectNumber number) {
    return static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number));
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// A page of address space that is reserved but holds no memory.
void* DecommittedPage() {
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    VirtualFree(page, 4096, MEM_DECOMMIT);
    return page;
}

// Records how window 4 is created and the class of every window destroyed; opens windows 200 and 300
// while the system creates and destroys window 1, growing the slot array under the calls that fill and
// release window 1's record.
CREATESTRUCTA created;
std::vector<std::string> destroyed;
LRESULT CALLBACK CreationWatch(int code, WPARAM wParam, LPARAM lParam) {
    char name[64] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
    if (code == HCBT_CREATEWND && !strcmp(name, "WindowClass_4"))
        created = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (code == HCBT_DESTROYWND && !strncmp(name, "WindowClass_", strlen("WindowClass_")))
        destroyed.push_back(name);
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

// Runs the library's procedure but carries no number.
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
        SCOPED_TRACE(testing::Message() << "key " << i << " (" << keys[i].first << ") from " << start);
        const WORD held = keys[i].first;
        EXPECT_TRUE(held ? KeyThroughWait(VK_TAB, {held}) : KeyThroughWait(VK_TAB));
        EXPECT_EQ(GetFocus(), keys[i].second);
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
    RecordOf(1)->windowHook = TrackLimits;
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

// What CreateWindowExA is asked for window 4 and how it is shown.
TEST_F(WindowTest, ClassPropertyStylePlacementAndShowingFollowTheNumberAndFlags) {
    ScopedHook hook(SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId()));
    HWND window = Open(0, 0, 0, 230, 90, 0xC80001);
    WNDCLASSA c = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &c));
    EXPECT_EQ(c.style, UINT(CS_DBLCLKS));
    EXPECT_EQ(GetPropA(window, "QZ_WindowID"), HANDLE(1));
    WindowClose(0);
    // The system puts a window at CW_USEDEFAULT (its own choice) at 0, 0 on this display before the hook sees
    // it.
    constexpr int32_t SYSTEM = 0, ACTIVE = WF_DEFAULT | WF_CENTER_ACTIVE | WF_HIDDEN;
    struct Row {
        const char* name;
        int32_t x = 30, y = 40, width = 230, height = 90;
        uint32_t flags;
        bool activeInCorner = false;       // an active window at (5, 5) of 60 x 40, smaller than the new one
        int64_t style = ANY;               // what CreateWindowExA receives
        Box placed = {ANY, ANY, ANY, ANY}; // x, y, outer width and height
        BOOL visible = 0, zoomed = 0, iconic = 0;
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
             {.name = "none", .flags = 0, .style = WS_CAPTION, .visible = 1},
             {.name = "hidden", .flags = WF_HIDDEN, .style = WS_CAPTION},
             {.name = "hidden, system menu", .flags = WF_HIDDEN | WS_SYSMENU, .style = WS_SYSMENU},
             {.name = "maximised", .flags = WF_MAXIMIZED | WS_POPUP, .style = WS_POPUP | WS_MAXIMIZE, .visible = 1, .zoomed = 1},
             {.name = "minimised", .flags = WF_MINIMIZED | WS_POPUP, .style = WS_POPUP | WS_MINIMIZE, .visible = 1, .iconic = 1},
             {.name = "both", .flags = WF_MAXIMIZED | WF_MINIMIZED, .style = WS_MAXIMIZE | WS_MINIMIZE, .visible = 1, .zoomed = 1},
             {.name = "default x, y 100", .x = DEFAULT_POSITION, .y = 100, .flags = WF_DEFAULT | WF_HIDDEN, .placed = {SYSTEM, SYSTEM, 236, 115}},
             {.name = "larger than the screen", .width = 2000, .height = 1500, .flags = WF_DEFAULT | WF_CENTER_SCREEN | WF_HIDDEN, .placed = {0, 0, 1024, 768}},
             {.name = "both bits: the screen", .flags = ACTIVE | WF_CENTER_SCREEN, .activeInCorner = true, .placed = {394, 326, 236, 115}},
             {.name = "active window in the corner", .flags = ACTIVE, .activeInCorner = true, .placed = {0, 0, 236, 115}},
             {.name = "nothing to centre on", .flags = ACTIVE, .placed = {30, 40, 236, 115}},
             {.name = "nothing to centre on, default position", .x = DEFAULT_POSITION, .y = DEFAULT_POSITION, .flags = ACTIVE, .placed = {SYSTEM, SYSTEM, 236, 115}}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        HWND active = row.activeInCorner ? TestWindowOpen("Aktiv", 40, 20) : nullptr;
        if (active) MoveWindow(active, 5, 5, 60, 40, TRUE);
        ASSERT_EQ(GetActiveWindow(), active);
        HWND window = Open(4, row.x, row.y, row.width, row.height, row.flags);
        Box placed = {created.x, created.y, created.cx, created.cy};
        for (size_t i = 0; i < placed.size(); ++i)
            placed[i] = row.placed[i] == ANY ? ANY : placed[i];
        EXPECT_EQ(placed, row.placed);
        EXPECT_EQ(row.style == ANY ? ANY : int64_t(DWORD(created.style)), row.style);
        EXPECT_EQ(IsWindowVisible(window), row.visible);
        EXPECT_EQ(IsZoomed(window), row.zoomed);
        EXPECT_EQ(IsIconic(window), row.iconic);
        WindowClose(4);
        if (active) DestroyWindow(active);
    }
}

TEST_F(WindowTest, AnOpenNumberIsClosedFirstAndAnyNumberGivesTheNumber) {
    ScopedHook hook(SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId()));
    HWND old = Open(0, 10, 10, 100, 60);
    destroyed.clear();
    HWND replacing = Open(0, 20, 20, 100, 60);
    EXPECT_EQ(destroyed, std::vector<std::string>{"WindowClass_0"}) << "the old window destroyed";
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(WindowHandle(0), replacing) << "the result is the new handle";
    EXPECT_EQ(ClassOf(replacing), "WindowClass_0");
    const auto number = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 30, 30, 100, 60, "any", WF_HIDDEN));
    HWND any = WindowHandle(number);
    EXPECT_NE(any, nullptr);
    EXPECT_NE(reinterpret_cast<HWND>(number), any) << "the result is the number, not the handle";
    EXPECT_EQ(ClassOf(any), "WindowClass_" + std::to_string(number));
}

TEST_F(WindowTest, WindowsOpenedInsideCreationOrDestroyedBehindItsBackAndTheEndsGiveAllBack) {
    ScopedHook hook(SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId()));
    Open(1, 10, 10, 100, 60);
    HACCEL table = RecordOf(1)->acceleratorTable;
    WindowClose(1);
    EXPECT_FALSE(CopyAcceleratorTableA(table, nullptr, 0)) << "the table is destroyed";
    EXPECT_EQ(WindowText(WindowHandle(300)) + WindowText(WindowHandle(200)), "lateinner");
    HWND owner = Open(4, 10, 10, 100, 60);
    table = RecordOf(4)->acceleratorTable;
    DestroyWindow(owner);
    EXPECT_EQ(WindowHandle(4), nullptr) << "destroyed behind its back";
    EXPECT_FALSE(CopyAcceleratorTableA(table, nullptr, 0));
    HWND again = Open(2, 40, 40, 100, 60);
    EXPECT_FALSE(ClassRegistered(4)) << "a class left behind goes at the next open";
    DestroyWindow(again);
    Open(3, 0, 0, 50, 40);
    Open(0, 0, 0, 50, 40);
    const auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 0, 0, 50, 40, ""));
    destroyed.clear();
    WindowLibraryEnd();
    EXPECT_EQ(destroyed,
              (std::vector<std::string>{"WindowClass_0", "WindowClass_3", "WindowClass_200",
                                        "WindowClass_300", "WindowClass_" + std::to_string(dynamic)}))
        << "numbered windows ascending, then the dynamic one";
    ControlLibraryEnd();
    EXPECT_FALSE(ClassRegistered(2)) << "and at the library's end";
    for (const char* name : {"QZ_WindowID", "QZ_ID"}) // references that other processes left behind
        while (ATOM atom = GlobalFindAtomA(name))
            GlobalDeleteAtom(atom);
    ControlLibraryStart();
    WindowLibraryStart();
    SendMessageA(Open(1, 10, 10, 100, 60), WM_CLOSE, 0, 0);
    EXPECT_TRUE(EventArrives(EVENT_CLOSE_WINDOW)) << "the libraries start again";
    WindowLibraryEnd();
    ControlLibraryEnd();
    EXPECT_EQ(GlobalFindAtomA("QZ_WindowID") + GlobalFindAtomA("QZ_ID"), 0);
    ControlLibraryStart();
    WindowLibraryStart();
}

TEST_F(WindowTest, EachMessageGivesItsEventThroughItsRoute) {
    HWND window = Open(1, 60, 60, 240, 120, WF_HIDDEN);
    const std::vector<HWND> windows = {window, Unnumbered(window, WS_CHILD),
                                       Child(window, SHOWN, 0, "BUTTON", ID),
                                       Child(window, SHOWN, 1, "BUTTON", MENU_FORWARD_ID)};
    const int32_t MOVED = EVENT_WINDOW_MOVED, SIZED = EVENT_WINDOW_SIZED, CLICK = EVENT_NOTIFY_CLICK,
                  ACTIVATED = EVENT_WINDOW_ACTIVATED, ERASED = EVENT_BACKGROUND_ERASED;
    // clang-format off
    StepsCheck(windows, {
        {.name = "move", .message = WM_MOVE, .result = 0, .expected = {{.code = MOVED, .window = 1}}},
        {.name = "size", .message = WM_SIZE, .wParam = SIZE_RESTORED, .result = 0, .expected = {{.code = SIZED, .window = 1}}},
        {.name = "minimised", .message = WM_SIZE, .wParam = SIZE_MINIMIZED, .result = 0, .expected = {}},
        {.name = "activated", .message = WM_ACTIVATE, .wParam = WA_CLICKACTIVE, .result = 1, .expected = {{.code = ACTIVATED, .window = 1}}},
        {.name = "deactivated", .message = WM_ACTIVATE, .wParam = WA_INACTIVE, .result = 1, .expected = {}},
        {.name = "close request", .message = WM_CLOSE, .result = 0, .expected = {{.code = EVENT_CLOSE_WINDOW, .window = 1}}},
        {.name = "child moved: the parent's number", .target = CHILD, .message = WM_MOVE, .result = 0, .expected = {{.code = MOVED, .window = 1}}},
        {.name = "child sized", .target = CHILD, .message = WM_SIZE, .result = 1, .expected = {}},
        {.name = "menu", .post = true, .message = WM_COMMAND, .wParam = 1, .expected = {{.code = EVENT_MENU, .window = 1, .item = 1, .type = -1}}},
        {.name = "menu item 1212", .post = true, .message = WM_COMMAND, .wParam = CMD_FOCUS_NEXT, .expected = {{.code = EVENT_MENU, .item = CMD_FOCUS_NEXT}}},
        {.name = "accelerator", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(55, 1), .expected = {{.code = EVENT_MENU, .window = 1, .item = 55, .type = -1}}},
        {.name = "Tab accelerator: none", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(CMD_FOCUS_NEXT, 1), .expected = {{.code = WM_COMMAND}}},
        {.name = "button", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(ID, BN_CLICKED), .lParamWindow = BUTTON, .expected = {{.code = EVENT_CONTROL, .window = 1, .item = ID, .type = BN_CLICKED}}},
        {.name = "forwarding control", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(77, 5), .lParamWindow = FORWARDING, .expected = {{.code = EVENT_MENU, .window = 1, .item = 77, .type = 5}}},
        {.name = "sent outside a wait: in place of the next message", .message = WM_COMMAND, .wParam = MAKEWPARAM(ID, BN_CLICKED), .lParamWindow = BUTTON, .result = 0, .thenPost = PLAIN, .expected = {{.code = EVENT_CONTROL, .item = ID}}},
        {.name = "left click", .message = MSG_NOTIFY_CLICK, .wParam = 6, .lParam = WM_LBUTTONUP, .result = 0, .expected = {{.code = CLICK, .window = 1, .item = 6, .type = 0}}},
        {.name = "right click", .message = MSG_NOTIFY_CLICK, .wParam = 6, .lParam = WM_RBUTTONUP, .expected = {{.code = CLICK, .item = 6, .type = 1}}},
        {.name = "left double click", .message = MSG_NOTIFY_CLICK, .wParam = 6, .lParam = WM_LBUTTONDBLCLK, .expected = {{.code = CLICK, .item = 6, .type = 2}}},
        {.name = "right double click", .message = MSG_NOTIFY_CLICK, .wParam = 6, .lParam = WM_RBUTTONDBLCLK, .expected = {{.code = CLICK, .item = 6, .type = 3}}},
        {.name = "button going down: none", .message = MSG_NOTIFY_CLICK, .wParam = 6, .lParam = WM_LBUTTONDOWN, .expected = {{.code = MSG_NOTIFY_CLICK_POSTED}}},
        {.name = "control event", .post = true, .message = MSG_CONTROL_EVENT, .wParam = 12, .lParam = 34, .expected = {{.code = EVENT_CONTROL, .window = 1, .item = 12, .type = 34}}},
        {.name = "own scroll bar: none", .post = true, .message = WM_HSCROLL, .wParam = SB_LINEDOWN, .expected = {{.code = WM_HSCROLL}}},
        {.name = "plain: its number", .post = true, .message = PLAIN, .expected = {{.code = PLAIN}}},
        {.name = "in creation: move", .target = CREATING, .message = WM_MOVE, .result = 0, .expected = {}},
        {.name = "in creation: close", .target = CREATING, .message = WM_CLOSE, .result = 0, .expected = {}},
        {.name = "in creation: size", .target = CREATING, .message = WM_SIZE, .result = 1, .expected = {}},
        {.name = "in creation: activate", .target = CREATING, .message = WM_ACTIVATE, .wParam = WA_ACTIVE, .result = 1, .expected = {{.code = ACTIVATED, .window = -1}}},
        {.name = "in creation: erase", .target = CREATING, .message = WM_ERASEBKGND, .expected = {{.code = ERASED, .window = -1}}},
    });
    // clang-format on
    // Several messages before one wait: only a repeat of the newest queued event is dropped.
    HWND two = Open(2, 0, 0, 50, 50, WF_HIDDEN);
    EventsSettle(0);
    for (HWND w : {window, window, two, two, two, window})
        SendMessageA(w, WM_SIZE, 0, 0);
    PostMessageA(window, PLAIN, 5, 6);
    const std::vector<Delivered> queued = EventsSettle(0);
    EXPECT_EQ(Describe(queued, queued), Describe({{.code = EVENT_WINDOW_SIZED, .window = 1},
                                                  {.code = EVENT_WINDOW_SIZED, .window = 2},
                                                  {.code = EVENT_WINDOW_SIZED, .window = 1},
                                                  {.code = PLAIN}},
                                                 queued));
    EXPECT_EQ(EventWParam(), 5u);
    EXPECT_EQ(EventLParam(), 6);
    SendMessageA(window, WM_MOVE, 0, 0);
    SendMessageA(window, MSG_CONTROL_EVENT, 8, 9);
    PostMessageA(window, PLAIN, 0, 0);
    EXPECT_EQ(CodeName(EventsSettle(0).back().code), "PLAIN") << "a queued event discards a pending one";
    PostMessageA(window, WM_COMMAND, 42, 0);
    EXPECT_EQ(CodeName(EventWaitTimeout(0)), "EVENT_MENU");
    SendMessageA(window, WM_MOVE, 0, 0);
    EXPECT_EQ(CodeName(EventWaitTimeout(0)), "EVENT_WINDOW_MOVED");
    EXPECT_EQ(EventMenuItem(), 42) << "a queued event leaves the item";
    PostQuitMessage(0);
    EXPECT_EQ(CodeName(EventWait()), "WM_QUIT");
}

TEST_F(WindowTest, TheWindowHookComesBeforeTheMessageHookAndNotHandledReachesTheSystem) {
    HWND hooked = Open(1, 0, 0, 50, 40, WF_HIDDEN), plain = Open(2, 0, 0, 50, 40, WF_HIDDEN);
    RecordOf(1)->windowHook = [](HWND, UINT m, WPARAM, LPARAM) {
        return m == PLAIN ? 1 : m == WM_GETTEXTLENGTH ? NOT_HANDLED : NOT_HANDLED_HOOK;
    };
    EventMessageHookSet([](HWND, UINT m, WPARAM, LPARAM) { return m == PLAIN ? 2 : NOT_HANDLED_HOOK; });
    EXPECT_EQ(SendMessageA(hooked, PLAIN, 0, 0), 1) << "the window's own hook";
    EXPECT_EQ(SendMessageA(plain, PLAIN, 0, 0), 2) << "the message hook, for a window without one";
    EXPECT_EQ(SendMessageA(hooked, WM_GETTEXTLENGTH, 0, 0), 4) << "the system's answer: the title's length";
    EventMessageHookSet(nullptr);
}

COLORREF ERASER_COLOUR = RGB(0, 200, 0), BRUSH_COLOUR = RGB(200, 30, 30);
uint32_t Rgb(COLORREF colour) {
    return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}
LRESULT EraseGreen(HDC dc, HWND window) {
    RECT client;
    GetClientRect(window, &client);
    ScopedGdiObject brush(CreateSolidBrush(ERASER_COLOUR));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.Get()));
    return 77;
}

TEST_F(WindowTest, TheBackgroundIsErasedByTheBrushTheHandlerOrTheSystemAndTheBrushGoesWithTheWindow) {
    struct Row {
        const char* name;
        bool brush = false, handler = false;
        LRESULT result;
        COLORREF colour;
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
             {.name = "brush before handler", .brush = true, .handler = true, .result = 1, .colour = BRUSH_COLOUR},
             {.name = "handler", .handler = true, .result = 77, .colour = ERASER_COLOUR},
             {.name = "system", .result = 1, .colour = GetSysColor(COLOR_BTNFACE)}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        HWND window = Open(1, 100, 100, 120, 80);
        HBRUSH brush = CreateSolidBrush(BRUSH_COLOUR);
        RecordOf(1)->backgroundBrush = row.brush ? brush : nullptr;
        RecordOf(1)->eraseHandler = row.handler ? EraseGreen : nullptr;
        EventsSettle(0);
        HDC dc = GetDC(window);
        EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0), row.result);
        ReleaseDC(window, dc);
        EXPECT_EQ(ClientCapture(window).At(60, 40), Rgb(row.colour));
        EXPECT_EQ(CodeName(EventWaitTimeout(0)), "EVENT_BACKGROUND_ERASED");
        WindowClose(1);
        EXPECT_EQ(GetObjectType(brush) == 0, row.brush) << "the brush is deleted with the window";
        DeleteObject(brush);
    }
}

// A data block is taken, and freed once by the next wait, only when it and the buffer it owns are live
// blocks of ProgramHeap that no library holds: every kind of library block is refused, with nothing freed.
TEST_F(WindowTest, DataBlocksAreTakenOnlyWhenNoLibraryHoldsThem) {
    HWND window = Open(1, 90, 60, 240, 120, WF_HIDDEN);
    int sent = 0, taken = 0;
    const auto send = [&](void* block, UINT message = MSG_ITEM_DATA) {
        SendMessageA(window, message, 9, reinterpret_cast<LPARAM>(block));
        ++sent, taken += EventData() == block;
    };
    const auto foreign = [](void* buffer) {
        auto* made = static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, 0, sizeof(EventDataBlock)));
        return static_cast<void*>(&(*made = {{}, buffer}));
    };
    // The busy blocks of ProgramHeap, locked while it is walked: the helper thread of a dialog walks it too.
    const auto busy = [] {
        std::vector<void*> blocks;
        HeapLock(ProgramHeap);
        for (PROCESS_HEAP_ENTRY entry = {}; HeapWalk(ProgramHeap, &entry);)
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) blocks.push_back(entry.lpData);
        HeapUnlock(ProgramHeap);
        return blocks;
    };
    const auto sendNew = [&](const std::vector<void*>& old) { // the others, as data blocks and as buffers
        for (void* block : busy())
            if (std::find(old.begin(), old.end(), block) == old.end()) send(block), send(foreign(block));
    };
    ASSERT_NE(MovieInit(), nullptr);
    struct Row {
        const char* name;
        std::function<void()> act; // sends the row's blocks
        int taken = 0, freed = 0;  // blocks taken, and freed by the next wait
        UINT last = MSG_ITEM_DATA; // what the last wait returns: the event in place of the next message
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
             {.name = "every block, 100 events queued: registries, moved slots, states, accelerators, the record", .act = [&] {
                 Open(40, 0, 0, 50, 50, WF_HIDDEN); // the window slots grow, and move
                 for (int i = 0; i < 50; ++i) SendMessageA(window, WM_MOVE, 0, 0), SendMessageA(window, WM_SIZE, 0, 0);
                 sendNew({}); }, .freed = 100, .last = PLAIN},
             {.name = "a block and its buffer", .act = [&] { send(foreign(HeapAlloc(ProgramHeap, 0, 64))); }, .taken = 1, .freed = 2},
             {.name = "a window's block, no buffer", .act = [&] { send(foreign(nullptr), MSG_WINDOW_DATA); }, .taken = 1, .freed = 1, .last = MSG_WINDOW_DATA},
             {.name = "a returned event: no live block; a buffer in its place", .act = [&] { SendMessageA(window, WM_MOVE, 0, 0);
                 void* gone = EventStateBlock()->queueTail; EventWaitTimeout(0), send(gone), send(foreign(HeapAlloc(ProgramHeap, 0, sizeof(Event)))); }, .taken = 1, .freed = 2},
             {.name = "the menu library's blocks and menu 1", .act = [&] { auto before = busy(); MenuLibraryStart(), MenuCreate(1, window), sendNew(before); }},
             {.name = "the requester's blocks while its dialog is up", .act = [&] { auto before = busy();
                 DialogDriver driver([&](HWND dialog) { sendNew(before), PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
                 RequestOpenFile("", "C:\\windows\\probe.avi", "Filme|*.avi", 0, StringBufferPosition()); }},
             {.name = "a movie's file-name copy", .act = [&] { auto before = busy(); MovieLoad(0, MediaPath("smoke.avi").c_str()), sendNew(before); }},
             {.name = "a block too small to be one", .act = [&] { send(HeapAlloc(ProgramHeap, 0, sizeof(EventDataBlock) - 1)); }},
             {.name = "inside a block", .act = [&] { send(static_cast<char*>(HeapAlloc(ProgramHeap, 0, 64)) + 8); }},
             {.name = "no heap: a stray address, a decommitted page", .act = [&] { send(reinterpret_cast<void*>(0x10)), send(DecommittedPage()); }}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        sent = taken = 0;
        row.act();
        int blocks = ProgramHeapBlocks();
        EXPECT_TRUE(sent > 0 && taken == row.taken) << taken << " of " << sent << " taken";
        PostMessageA(window, PLAIN, 0, 0);
        EXPECT_EQ(CodeName(EventsSettle(0).back().code), CodeName(row.last)) << "for the next message";
        EXPECT_TRUE(HeapValidate(ProgramHeap, 0, nullptr)) << "the heap is whole: nothing freed twice";
        EXPECT_EQ(ProgramHeapBlocks(), blocks - row.freed);
    }
    MovieEnd();
}

TEST_F(WindowTest, ColourChangesReachDescendantsOutsideAnMdiClient) {
    HWND window = Open(1, 60, 60, 240, 120);
    HWND child = Child(window, SHOWN, 0, "STATIC"), grandchild = Child(child, SHOWN, 0, "STATIC");
    ScopedHook hook(SetWindowsHookExA(WH_CALLWNDPROC, ColourChangeRecord, nullptr, GetCurrentThreadId()));
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    RecordOf(1)->mdiClient =
        CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 9, 9, window, nullptr, nullptr, &mdi);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    RecordOf(1)->mdiClient = nullptr;
    EXPECT_EQ(colourChanged, (std::vector<HWND>{window, child, grandchild, window})) << "not in MDI";
}

TEST_F(WindowTest, AControlsHandlerGetsItsMessagesWhilePropertyAndIdentifierAgreeAndFreeDestroysIt) {
    HWND window = Open(1, 50, 50, 300, 150, WF_HIDDEN);
    HWND button = Child(window, SHOWN, 0, "BUTTON", ID, ID);
    Register(ID, button);
    const NMHDR header = {button, ID, 0};
    void* released = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    VirtualFree(released, 0, MEM_RELEASE);
    EventsSettle();
    // clang-format off
    StepsCheck({window, nullptr, button}, {
        {.name = "click", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(ID, BN_CLICKED), .lParamWindow = BUTTON, .expected = {{.code = WM_COMMAND}}},
        {.name = "sent click: not the handler's result", .message = WM_COMMAND, .wParam = ID, .lParamWindow = BUTTON, .result = 0, .expected = {}},
        {.name = "to the control", .message = MSG_TO_CONTROL, .wParam = 1, .lParamWindow = BUTTON, .result = HANDLED, .expected = {}},
        {.name = "colour", .message = WM_CTLCOLORSTATIC, .wParam = 1, .lParamWindow = BUTTON, .result = HANDLED, .expected = {}},
        {.name = "notification", .message = WM_NOTIFY, .wParam = ID, .lParam = LPARAM(&header), .result = HANDLED, .expected = {}},
        {.name = "notification at a stray address", .message = WM_NOTIFY, .wParam = ID, .lParam = 0x10, .result = 0, .expected = {}},
        {.name = "notification in a decommitted page", .message = WM_NOTIFY, .wParam = ID, .lParam = LPARAM(DecommittedPage()), .result = 0, .expected = {}},
        {.name = "notification in a released page", .message = WM_NOTIFY, .wParam = ID, .lParam = LPARAM(released), .result = 0, .expected = {}}});
    SetPropA(button, "QZ_ID", HANDLE(ID + 1));
    StepsCheck({window, nullptr, button}, {
        {.name = "click", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(ID, BN_CLICKED), .lParamWindow = BUTTON, .expected = {{.code = EVENT_CONTROL, .window = 1, .item = ID, .type = BN_CLICKED}}},
        {.name = "to the control", .message = MSG_TO_CONTROL, .wParam = 1, .lParamWindow = BUTTON, .result = 0, .expected = {}}});
    // clang-format on
    HWND first = Child(window, SHOWN, 3, "BUTTON", 5, 5), second = Child(window, SHOWN, 4, "BUTTON", 5, 5);
    Register(5, first);
    ControlObject* again = Register(5, second);
    EXPECT_FALSE(IsWindow(first)) << "number reused";
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), again);
    ControlFree(5);
    EXPECT_FALSE(IsWindow(second)) << "number freed";
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), nullptr);
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
    waited.clear();
    EXPECT_TRUE(KeyThroughWait(VK_TAB));
    EXPECT_EQ(std::count(waited.begin(), waited.end(), WM_KEYDOWN), 1) << "the Tab key's own number, 256";
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
             {.keys = {}, .cursor = {430, 300}, .image = IDC_SIZEALL}, {.keys = {VK_LEFT}, .cursor = {300, 300}, .image = IDC_SIZEWE},
             {.keys = {VK_RIGHT}, .cursor = {558, 300}, .image = IDC_SIZEWE}, {.keys = {VK_UP}, .cursor = {430, 200}, .image = IDC_SIZENS},
             {.keys = {VK_DOWN}, .cursor = {430, 398}, .image = IDC_SIZENS}, {.keys = {VK_UP, VK_LEFT}, .cursor = {302, 202}, .image = IDC_SIZENWSE},
             {.keys = {VK_UP, VK_RIGHT}, .cursor = {558, 200}, .image = IDC_SIZENESW}, {.keys = {VK_DOWN, VK_LEFT}, .cursor = {300, 398}, .image = IDC_SIZENESW},
             {.keys = {VK_DOWN, VK_RIGHT}, .cursor = {558, 398}, .image = IDC_SIZENWSE}, {.keys = {VK_RIGHT, VK_DOWN}, .cursor = {558, 398}, .image = IDC_SIZENWSE}}) {
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
             {.name = "left", .edge = WMSZ_LEFT, .out = {0, 300}, .outward = {200, 200, 560, 400}, .inward = {380, 200, 560, 400}},
             {.name = "right", .edge = WMSZ_RIGHT, .out = {900, 300}, .outward = {300, 200, 660, 400}, .inward = {300, 200, 480, 400}},
             {.name = "top", .edge = WMSZ_TOP, .out = {430, 0}, .outward = {300, 160, 560, 400}, .inward = {300, 280, 560, 400}},
             {.name = "bottom", .edge = WMSZ_BOTTOM, .out = {430, 760}, .outward = {300, 200, 560, 440}, .inward = {300, 200, 560, 320}},
             {.name = "top-left", .edge = WMSZ_TOPLEFT, .out = {0, 0}, .outward = {200, 160, 560, 400}, .inward = {380, 280, 560, 400}},
             {.name = "top-right", .edge = WMSZ_TOPRIGHT, .out = {900, 0}, .outward = {300, 160, 660, 400}, .inward = {300, 280, 480, 400}},
             {.name = "bottom-left", .edge = WMSZ_BOTTOMLEFT, .out = {0, 760}, .outward = {200, 200, 560, 440}, .inward = {380, 200, 560, 320}},
             {.name = "bottom-right", .edge = WMSZ_BOTTOMRIGHT, .out = {900, 760}, .outward = {300, 200, 660, 440}, .inward = {300, 200, 480, 320}}}) {
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
