// The window library under wine: numbered windows and what their ends give back, messages to events,
// the control registry, Tab navigation and live sizing, with real windows, input, messages and pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <map>
#include <tuple>

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
    int32_t item = ANY, type = ANY;
};

std::vector<Delivered> EventsSettle(int32_t quietMilliseconds = 100) {
    std::vector<Delivered> delivered;
    while (int32_t code = EventWaitTimeout(quietMilliseconds))
        delivered.push_back({code, EventWindow(), EventMenuItem(), EventType()});
    return delivered;
}

std::vector<int32_t> waited; // every code the waits returned inside EventArrives

// Does act inside the pumping (no plain dispatch takes what it causes), then runs the library's waits as the
// program's loop does, until one returns code (with wParam, unless ANY).
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
    // clang-format off
    static const std::map<int32_t, const char*> names = {
        NAMED(EVENT_WINDOW_MOVED), NAMED(EVENT_WINDOW_SIZED), NAMED(EVENT_BACKGROUND_ERASED), NAMED(EVENT_CLOSE_WINDOW),
        NAMED(EVENT_CONTROL), NAMED(EVENT_MENU), NAMED(EVENT_NOTIFY_CLICK), NAMED(EVENT_WINDOW_ACTIVATED),
        NAMED(EVENT_WINDOW_DATA), NAMED(EVENT_ITEM_DATA), NAMED(WM_QUIT), NAMED(WM_COMMAND), NAMED(WM_HSCROLL),
        NAMED(MSG_NOTIFY_CLICK_POSTED), NAMED(PLAIN)};
    // clang-format on
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

// Where a row's message goes: window 1, its unnumbered child, a button, a button with the identifier
// MENU_FORWARD_ID, and window 5 inside CreateWindowExA, still without a number (sent after its WM_CREATE).
enum Target { W, CHILD, BUTTON, FORWARDING, CREATING, NONE = -1 };

// A row: a message sent or posted to a target (lParam: window lParamWindow, unless NONE), a sent one's result
// (ANY: unchecked), a message posted to window 1 after it (0: none), and exactly what the waits then return.
// clang-format off
struct Step { const char* name; bool post = false; Target target = W; UINT message; WPARAM wParam = 0; LPARAM lParam = 0;
              Target lParamWindow = NONE; LRESULT result = ANY; UINT thenPost = 0; std::vector<Delivered> expected; };
// clang-format on

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
        EXPECT_EQ(!step.post && step.result != ANY ? result : step.result, step.result) << "the result";
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

// A notification header from control at offset in two pages; the page of offset + 4 then gets protection.
LPARAM HeaderBefore(HWND control, size_t offset, DWORD protection) {
    auto* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    *reinterpret_cast<NMHDR*>(pages + offset) = {control, ID, 0};
    DWORD was;
    VirtualProtect(pages + (offset + 4) / 4096 * 4096, 4096, protection, &was);
    return LPARAM(pages + offset);
}

// A read of a guard page disarms it and goes on, so that a row that reads one fails by its result.
LONG WINAPI GuardPageRead(EXCEPTION_POINTERS* e) {
    return e->ExceptionRecord->ExceptionCode == STATUS_GUARD_PAGE_VIOLATION ? EXCEPTION_CONTINUE_EXECUTION
                                                                            : EXCEPTION_CONTINUE_SEARCH;
}

// A page of address space that is reserved but holds no memory.
void* DecommittedPage() {
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    VirtualFree(page, 4096, MEM_DECOMMIT);
    return page;
}

// Records how window 4 is created and the class of every window destroyed; opens windows 200 and 300 while
// window 1 is created and destroyed, growing the slot array under the calls that fill and release its record.
CREATESTRUCTA created;
std::vector<std::string> destroyed;
HWND reopened; // window 6, inside whose creation window 6 was opened again
LRESULT CALLBACK CreationWatch(int code, WPARAM wParam, LPARAM lParam) {
    char name[64] = {};
    GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof(name));
    if (code == HCBT_CREATEWND && !strcmp(name, "WindowClass_4"))
        created = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (code == HCBT_DESTROYWND && !strncmp(name, "WindowClass_", strlen("WindowClass_")))
        destroyed.push_back(name);
    if (!strcmp(name, "WindowClass_1") && code == HCBT_CREATEWND) WindowOpen(200, 0, 0, 50, 40, "inner");
    if (!strcmp(name, "WindowClass_1") && code == HCBT_DESTROYWND) WindowOpen(300, 0, 0, 50, 40, "late");
    if (!strcmp(name, "WindowClass_6") && code == HCBT_CREATEWND && !reopened)
        reopened = reinterpret_cast<HWND>(wParam), WindowOpen(6, 0, 0, 50, 40, "again");
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
    WNDCLASSA wc = {0,       WindowProcedure,           0,       0,           nullptr, nullptr,
                    nullptr, HBRUSH(COLOR_BTNFACE + 1), nullptr, "Unnumbered"};
    RegisterClassA(&wc);
    return CreateWindowExA(0, "Unnumbered", "", style, 0, 0, 100, 50, parent, nullptr, nullptr, nullptr);
}

const ControlType HANDLING = {{nullptr, nullptr},
                              [](ControlObject*, HWND, UINT, WPARAM, LPARAM) { return HANDLED; }};

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

// The track sizes the window asks for (none while the minimum is 0 wide); the rectangle WM_SIZING last
// offered.
POINT minimumTrack = {180, 120}, maximumTrack = {360, 240};
Box offered;
LRESULT TrackLimits(HWND, UINT message, WPARAM, LPARAM lParam) {
    const auto* r = reinterpret_cast<RECT*>(lParam);
    if (message == WM_SIZING) offered = {r->left, r->top, r->right, r->bottom};
    if (message != WM_GETMINMAXINFO || !minimumTrack.x) return NOT_HANDLED_HOOK;
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = minimumTrack;
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = maximumTrack;
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
    // The system puts a window at CW_USEDEFAULT at 0, 0 on this display before the hook sees it.
    constexpr int32_t SYSTEM = 0, ACTIVE = WF_DEFAULT | WF_CENTER_ACTIVE | WF_HIDDEN;
    // active: an active window's x, y, width and height (none when 0 wide); style: what CreateWindowExA
    // receives; placed: x, y, outer width and height.
    // clang-format off
    struct Row { const char* name; int32_t x = 30, y = 40, width = 230, height = 90; uint32_t flags; Box active = {};
                 int64_t style = ANY; Box placed = {ANY, ANY, ANY, ANY}; BOOL visible = 0, zoomed = 0, iconic = 0; };
    for (const Row& row : std::vector<Row>{
             {.name = "none", .flags = 0, .style = WS_CAPTION, .visible = 1},
             {.name = "hidden", .flags = WF_HIDDEN, .style = WS_CAPTION},
             {.name = "hidden, system menu", .flags = WF_HIDDEN | WS_SYSMENU, .style = WS_SYSMENU},
             {.name = "maximised", .flags = WF_MAXIMIZED | WS_POPUP, .style = WS_POPUP | WS_MAXIMIZE, .visible = 1, .zoomed = 1},
             {.name = "minimised", .flags = WF_MINIMIZED | WS_POPUP, .style = WS_POPUP | WS_MINIMIZE, .visible = 1, .iconic = 1},
             {.name = "both", .flags = WF_MAXIMIZED | WF_MINIMIZED, .style = WS_MAXIMIZE | WS_MINIMIZE, .visible = 1, .zoomed = 1},
             {.name = "default x, y 100", .x = DEFAULT_POSITION, .y = 100, .flags = WF_DEFAULT | WF_HIDDEN, .placed = {SYSTEM, SYSTEM, 236, 115}},
             {.name = "larger than the screen", .width = 2000, .height = 1500, .flags = WF_DEFAULT | WF_CENTER_SCREEN | WF_HIDDEN, .placed = {0, 0, 1024, 768}},
             {.name = "both bits: the screen", .flags = ACTIVE | WF_CENTER_SCREEN, .active = {5, 5, 60, 40}, .placed = {394, 326, 236, 115}},
             {.name = "active window in the corner, smaller", .flags = ACTIVE, .active = {5, 5, 60, 40}, .placed = {0, 0, 236, 115}},
             {.name = "active window, smaller: rounded toward 0", .width = 600, .height = 400, .flags = ACTIVE, .active = {300, 300, 401, 250}, .placed = {198, 213, 606, 425}},
             {.name = "nothing to centre on", .flags = ACTIVE, .placed = {30, 40, 236, 115}},
             {.name = "nothing to centre on, default position", .x = DEFAULT_POSITION, .y = DEFAULT_POSITION, .flags = ACTIVE, .placed = {SYSTEM, SYSTEM, 236, 115}}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        HWND active = row.active[2] ? TestWindowOpen("Aktiv", 40, 20) : nullptr;
        if (active) MoveWindow(active, row.active[0], row.active[1], row.active[2], row.active[3], TRUE);
        ASSERT_EQ(GetActiveWindow(), active);
        HWND window = Open(4, row.x, row.y, row.width, row.height, row.flags);
        Box placed = {created.x, created.y, created.cx, created.cy};
        for (size_t i = 0; i < placed.size(); ++i)
            placed[i] = row.placed[i] == ANY ? ANY : placed[i];
        EXPECT_EQ(placed, row.placed);
        EXPECT_EQ(row.style == ANY ? ANY : int64_t(DWORD(created.style)), row.style);
        EXPECT_EQ((Box{IsWindowVisible(window), IsZoomed(window), IsIconic(window)}),
                  (Box{row.visible, row.zoomed, row.iconic}))
            << "visible, maximised, minimised";
        WindowClose(4);
        if (active) DestroyWindow(active);
    }
}

// The client area below the menu bar becomes the size asked for, also where the bar wraps to a second line at
// that size or only at the window's first; without a size the bar's items fit one line inside the window.
TEST_F(WindowTest, FittingSizesTheClientAreaBelowTheMenuBar) {
    // Items, width, height, whether the bar wraps at that size.
    for (auto [items, width, height, wrapped] : std::vector<std::tuple<int, LONG, LONG, LONG>>{
             {3, 400, 200, false}, {9, 700, 150, false}, {9, 300, 150, true}, {5, 0, 0, false}}) {
        SCOPED_TRACE(testing::Message() << items << " items, " << width << " x " << height);
        HWND window = Open(1, 50, 50, 120, 80);
        HMENU bar = CreateMenu();
        for (int item = 0; item < items; ++item)
            AppendMenuA(bar, MF_STRING, UINT_PTR(100 + item), "Eintrag");
        SetMenu(window, bar);
        WindowFitClient(1, width, height);
        RECT client, first, last;
        GetClientRect(window, &client);
        GetMenuItemRect(window, bar, 0, &first);
        GetMenuItemRect(window, bar, UINT(items - 1), &last);
        EXPECT_EQ((Box{client.right, client.bottom, first.top != last.top, last.bottom <= RectOf(window)[3]}),
                  (Box{width ? width : last.right - first.left, height, wrapped, true}))
            << "client width (no size: the items'), height, the bar wrapped, the bar inside the window";
    }
}

// Also: an open number is closed first, and ANY_NUMBER gives the number its class is named by.
TEST_F(WindowTest, WindowsOpenedInsideCreationOrDestroyedBehindItsBackAndTheEndsGiveAllBack) {
    ScopedHook hook(SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId()));
    Open(1, 10, 10, 100, 60);
    HACCEL table = RecordOf(1)->acceleratorTable;
    WindowClose(1);
    EXPECT_FALSE(CopyAcceleratorTableA(table, nullptr, 0)) << "the table is destroyed";
    EXPECT_FALSE(ClassRegistered(1)) << "the class is unregistered";
    EXPECT_EQ(WindowText(WindowHandle(300)) + WindowText(WindowHandle(200)), "lateinner");
    HWND owner = Open(4, 10, 10, 100, 60);
    table = RecordOf(4)->acceleratorTable;
    DestroyWindow(owner);
    EXPECT_EQ(WindowHandle(4), nullptr) << "destroyed behind its back";
    EXPECT_FALSE(CopyAcceleratorTableA(table, nullptr, 0));
    HWND again = Open(2, 40, 40, 100, 60);
    EXPECT_FALSE(ClassRegistered(4)) << "a class left behind goes at the next open";
    DestroyWindow(again);
    EXPECT_EQ(Open(6, 0, 0, 50, 40), nullptr)
        << "opened again inside its own creation: the inner one keeps 6";
    EXPECT_FALSE(IsWindow(reopened));
    EXPECT_EQ(WindowText(WindowHandle(6)), "again");
    Open(3, 0, 0, 50, 40);
    Open(0, 0, 0, 50, 40);
    destroyed.clear();
    HWND replacing = Open(0, 0, 0, 50, 40);
    EXPECT_EQ(destroyed, std::vector<std::string>{"WindowClass_0"}) << "an open number is closed first";
    EXPECT_TRUE(replacing && WindowHandle(0) == replacing) << "the result is the new handle";
    const auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 0, 0, 50, 40, ""));
    destroyed.clear();
    WindowLibraryEnd();
    EXPECT_EQ(destroyed,
              (std::vector<std::string>{"WindowClass_0", "WindowClass_3", "WindowClass_6", "WindowClass_200",
                                        "WindowClass_300", "WindowClass_" + std::to_string(dynamic)}))
        << "numbered windows ascending, then the dynamic one";
    ControlLibraryEnd();
    EXPECT_FALSE(ClassRegistered(2)) << "and at the library's end";
    for (const char* name : {"QZ_WindowID", "QZ_ID"}) // references that other processes left behind
        while (ATOM atom = GlobalFindAtomA(name))
            GlobalDeleteAtom(atom);
    SetUp();
    SendMessageA(Open(1, 10, 10, 100, 60), WM_CLOSE, 0, 0);
    EXPECT_TRUE(EventArrives(EVENT_CLOSE_WINDOW)) << "the libraries start again";
    TearDown();
    EXPECT_EQ(GlobalFindAtomA("QZ_WindowID") + GlobalFindAtomA("QZ_ID"), 0);
    SetUp();
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
    EXPECT_EQ(std::make_pair(EventWParam(), EventLParam()), std::make_pair(WPARAM(5), LPARAM(6)));
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

TEST_F(WindowTest, HooksComeFirstNotHandledReachesTheSystemAndColourChangesReachDescendantsOutsideMdi) {
    HWND hooked = Open(1, 0, 0, 50, 40, WF_HIDDEN), plain = Open(2, 0, 0, 50, 40, WF_HIDDEN);
    RecordOf(1)->windowHook = [](HWND, UINT m, WPARAM, LPARAM) {
        return m == PLAIN ? 1 : m == WM_GETTEXTLENGTH ? NOT_HANDLED : NOT_HANDLED_HOOK;
    };
    EventMessageHookSet([](HWND, UINT m, WPARAM, LPARAM) { return m == PLAIN ? 2 : NOT_HANDLED_HOOK; });
    EXPECT_EQ(SendMessageA(hooked, PLAIN, 0, 0), 1) << "the window's own hook";
    EXPECT_EQ(SendMessageA(plain, PLAIN, 0, 0), 2) << "the message hook, for a window without one";
    EXPECT_EQ(SendMessageA(hooked, WM_GETTEXTLENGTH, 0, 0), 4) << "the system's answer: the title's length";
    EventMessageHookSet(nullptr);
    RecordOf(1)->windowHook = nullptr;
    HWND child = Child(hooked, SHOWN, 0, "STATIC"), grandchild = Child(child, SHOWN, 0, "STATIC");
    ScopedHook hook(SetWindowsHookExA(WH_CALLWNDPROC, ColourChangeRecord, nullptr, GetCurrentThreadId()));
    SendMessageA(hooked, WM_SYSCOLORCHANGE, 0, 0);
    CLIENTCREATESTRUCT mdi = {nullptr, 1};
    RecordOf(1)->mdiClient =
        CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD, 0, 0, 9, 9, hooked, nullptr, nullptr, &mdi);
    SendMessageA(hooked, WM_SYSCOLORCHANGE, 0, 0);
    RecordOf(1)->mdiClient = nullptr;
    EXPECT_EQ(colourChanged, (std::vector<HWND>{hooked, child, grandchild, hooked})) << "not in MDI";
}

COLORREF ERASER_COLOUR = RGB(0, 200, 0), BRUSH_COLOUR = RGB(200, 30, 30);
LRESULT EraseGreen(HDC dc, HWND window) {
    RECT client;
    GetClientRect(window, &client);
    ScopedGdiObject brush(CreateSolidBrush(ERASER_COLOUR));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.Get()));
    return 77;
}

TEST_F(WindowTest, TheBackgroundIsErasedByTheBrushTheHandlerOrTheSystemAndTheBrushGoesWithTheWindow) {
    // clang-format off
    struct Row { const char* name; bool brush = false, handler = false, child = false; /* child: window 1's child is erased */ LRESULT result; COLORREF colour; };
    for (const Row& row : std::vector<Row>{
             {.name = "brush before handler", .brush = true, .handler = true, .result = 1, .colour = BRUSH_COLOUR},
             {.name = "handler", .handler = true, .result = 77, .colour = ERASER_COLOUR},
             {.name = "handler, a child: the system's", .handler = true, .child = true, .result = 1, .colour = GetSysColor(COLOR_BTNFACE)},
             {.name = "system", .result = 1, .colour = GetSysColor(COLOR_BTNFACE)}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        HWND window = Open(1, 100, 100, 120, 80);
        if (row.child) window = Unnumbered(window, WS_CHILD | WS_VISIBLE);
        HBRUSH brush = CreateSolidBrush(BRUSH_COLOUR);
        RecordOf(1)->backgroundBrush = row.brush ? brush : nullptr;
        RecordOf(1)->eraseHandler = row.handler ? EraseGreen : nullptr;
        EventsSettle(0);
        HDC dc = GetDC(window);
        EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0), row.result);
        ReleaseDC(window, dc);
        const COLORREF c = row.colour;
        EXPECT_EQ(ClientCapture(window).At(60, 40), GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
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
    const auto sendNew = [&](const std::vector<void*>& old) { // the others, as data blocks and as buffers
        for (void* block : HeapBusyBlocks())
            if (std::find(old.begin(), old.end(), block) == old.end()) send(block), send(foreign(block));
    };
    MoviePreparationSet(nullptr, 0); // its timer's message would come as one more event
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
             {.name = "the menu library's blocks and menu 1", .act = [&] { auto before = HeapBusyBlocks(); MenuLibraryStart(), MenuCreate(1, window), sendNew(before); }},
             {.name = "the requester's blocks while its dialog is up", .act = [&] { auto before = HeapBusyBlocks();
                 DialogDriver driver([&](HWND dialog) { sendNew(before), PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
                 RequestOpenFile("", "C:\\windows\\probe.avi", "Filme|*.avi", 0, StringBufferPosition()); }},
             {.name = "a movie's file-name copy", .act = [&] { auto before = HeapBusyBlocks(); MovieLoad(0, MediaPath("smoke.avi").c_str()), sendNew(before); }},
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

TEST_F(WindowTest, AControlsHandlerGetsItsMessagesWhilePropertyAndIdentifierAgreeAndFreeDestroysIt) {
    HWND window = Open(1, 50, 50, 300, 150, WF_HIDDEN);
    HWND button = Child(window, SHOWN, 0, "BUTTON", ID, ID);
    Register(ID, button);
    const NMHDR header = {button, ID, 0};
    const LPARAM guarded = HeaderBefore(button, 0, PAGE_READWRITE | PAGE_GUARD);
    AddVectoredExceptionHandler(1, GuardPageRead);
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
        {.name = "notification running into an unreadable page", .message = WM_NOTIFY, .wParam = ID, .lParam = HeaderBefore(button, 4092, PAGE_NOACCESS), .result = 0, .expected = {}},
        {.name = "notification on a guard page", .message = WM_NOTIFY, .wParam = ID, .lParam = guarded, .result = 0, .expected = {}}});
    SetPropA(button, "QZ_ID", HANDLE(ID + 1));
    StepsCheck({window, nullptr, button}, {
        {.name = "click", .post = true, .message = WM_COMMAND, .wParam = MAKEWPARAM(ID, BN_CLICKED), .lParamWindow = BUTTON, .expected = {{.code = EVENT_CONTROL, .window = 1, .item = ID, .type = BN_CLICKED}}},
        {.name = "to the control", .message = MSG_TO_CONTROL, .wParam = 1, .lParamWindow = BUTTON, .result = 0, .expected = {}}});
    // clang-format on
    HWND first = Child(window, SHOWN, 3, "BUTTON", 5, 5), second = Child(window, SHOWN, 4, "BUTTON", 5, 5);
    Register(5, first);
    Register(5, second);
    EXPECT_FALSE(IsWindow(first)) << "number reused";
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
    HWND contained = Child(container, TAB_STOP);
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
    constexpr WORD L = VK_LEFT, R = VK_RIGHT, U = VK_UP, D = VK_DOWN;
    // clang-format off
    struct Choice { std::vector<WORD> keys; POINT cursor; LPCSTR image; Box rect = {300, 200, 560, 400}; /* choosing an edge sizes nothing */ };
    for (const Choice& c : std::vector<Choice>{
             {.keys = {}, .cursor = {430, 300}, .image = IDC_SIZEALL}, {.keys = {L}, .cursor = {300, 300}, .image = IDC_SIZEWE},
             {.keys = {R}, .cursor = {558, 300}, .image = IDC_SIZEWE}, {.keys = {U}, .cursor = {430, 200}, .image = IDC_SIZENS},
             {.keys = {D}, .cursor = {430, 398}, .image = IDC_SIZENS}, {.keys = {U, L}, .cursor = {302, 202}, .image = IDC_SIZENWSE},
             {.keys = {U, R}, .cursor = {558, 200}, .image = IDC_SIZENESW}, {.keys = {D, L}, .cursor = {300, 398}, .image = IDC_SIZENESW},
             {.keys = {D, R}, .cursor = {558, 398}, .image = IDC_SIZENWSE}, {.keys = {L, U}, .cursor = {302, 202}, .image = IDC_SIZENWSE},
             {.keys = {L, D}, .cursor = {300, 398}, .image = IDC_SIZENESW}, {.keys = {R, U}, .cursor = {558, 200}, .image = IDC_SIZENESW},
             {.keys = {R, D}, .cursor = {558, 398}, .image = IDC_SIZENWSE},
             {.keys = {L, L, R, R, D, D}, .cursor = {310, 408}, .image = IDC_SIZENESW, .rect = {310, 200, 560, 410}},
             {.keys = {U, U, R, R, L}, .cursor = {558, 190}, .image = IDC_SIZENESW, .rect = {300, 190, 560, 400}}}) {
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
        KeyThroughWait(VK_LEFT);
        EXPECT_EQ(RectOf(window), c.rect) << "the keys' steps; Escape keeps the size and ends the sizing";
    }
    for (bool moved : {false, true}) { // keyboard sizing ended before any mouse move puts the cursor back
        HWND window = SizingFromPlace(0);
        if (moved) MoveTo(window, {430, 300});
        SetCursorPos(100, 100);
        SendMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
        POINT at;
        GetCursorPos(&at);
        EXPECT_EQ(at.x + at.y, moved ? 200 : 730) << "the cursor put back unless the mouse moved";
        ASSERT_TRUE(SizingEnded());
    }
}

// What the library offers in WM_SIZING for moves to in, to out and back to the window's middle (430, 300).
TEST_F(WindowTest, EveryEdgeAndCornerFollowsTheCursorWithinTheMinimumAndMaximumTrackSize) {
    const LONG minX = GetSystemMetrics(SM_CXMINTRACK), minY = GetSystemMetrics(SM_CYMINTRACK);
    const LONG maxX = GetSystemMetrics(SM_CXMAXTRACK), maxY = GetSystemMetrics(SM_CYMAXTRACK);
    // clang-format off
    struct Clamp { const char* name; WPARAM edge; POINT in, out; Box within, outward, inward;
                   POINT minimum = {180, 120}, maximum = {360, 240}; /* the track sizes the window asks for */ };
    for (const Clamp& c : std::vector<Clamp>{
             {.name = "left", .edge = WMSZ_LEFT, .in = {250, 300}, .out = {0, 300}, .within = {250, 200, 560, 400}, .outward = {200, 200, 560, 400}, .inward = {380, 200, 560, 400}},
             {.name = "right", .edge = WMSZ_RIGHT, .in = {600, 300}, .out = {900, 300}, .within = {300, 200, 602, 400}, .outward = {300, 200, 660, 400}, .inward = {300, 200, 480, 400}},
             {.name = "top", .edge = WMSZ_TOP, .in = {430, 170}, .out = {430, 0}, .within = {300, 170, 560, 400}, .outward = {300, 160, 560, 400}, .inward = {300, 280, 560, 400}},
             {.name = "bottom", .edge = WMSZ_BOTTOM, .in = {430, 420}, .out = {430, 760}, .within = {300, 200, 560, 422}, .outward = {300, 200, 560, 440}, .inward = {300, 200, 560, 320}},
             {.name = "top-left", .edge = WMSZ_TOPLEFT, .in = {270, 180}, .out = {0, 0}, .within = {268, 178, 560, 400}, .outward = {200, 160, 560, 400}, .inward = {380, 280, 560, 400}},
             {.name = "top-right", .edge = WMSZ_TOPRIGHT, .in = {600, 170}, .out = {900, 0}, .within = {300, 170, 602, 400}, .outward = {300, 160, 660, 400}, .inward = {300, 280, 480, 400}},
             {.name = "bottom-left", .edge = WMSZ_BOTTOMLEFT, .in = {250, 420}, .out = {0, 760}, .within = {250, 200, 560, 422}, .outward = {200, 200, 560, 440}, .inward = {380, 200, 560, 320}},
             {.name = "bottom-right", .edge = WMSZ_BOTTOMRIGHT, .in = {600, 420}, .out = {900, 760}, .within = {300, 200, 602, 422}, .outward = {300, 200, 660, 440}, .inward = {300, 200, 480, 320}},
             {.name = "the system's limits when the window sets none", .edge = WMSZ_BOTTOMRIGHT, .in = {301, 201}, .out = {5000, 5000}, .within = {300, 200, 300 + minX, 200 + minY}, .outward = {300, 200, 300 + maxX, 200 + maxY}, .inward = {300, 200, 432, 302}, .minimum = {}},
             {.name = "a minimum above the maximum wins", .edge = WMSZ_BOTTOMRIGHT, .in = {600, 420}, .out = {900, 760}, .within = {300, 200, 560, 400}, .outward = {300, 200, 560, 400}, .inward = {300, 200, 560, 400}, .minimum = {260, 200}, .maximum = {200, 100}}}) {
        // clang-format on
        SCOPED_TRACE(c.name);
        minimumTrack = c.minimum, maximumTrack = c.maximum;
        HWND window = SizingFromPlace(c.edge);
        ASSERT_TRUE(window);
        for (const auto& [point, box] : std::vector<std::pair<POINT, Box>>{
                 {c.in, c.within}, {c.out, c.outward}, {{430, 300}, c.inward}}) {
            MoveTo(window, point);
            EXPECT_EQ(offered, box) << "to " << point.x << ", " << point.y;
        }
        ReleaseCapture();
        ASSERT_TRUE(SizingEnded()) << "taking the capture away ends the sizing";
    }
    // A child is moved in its parent's client coordinates; the rectangle it is sized from stays on screen.
    HWND child = Unnumbered(Open(2, 100, 100, 400, 300), WS_CHILD | WS_VISIBLE | WS_THICKFRAME);
    POINT origin = {0, 0};
    MapWindowPoints(GetParent(child), HWND_DESKTOP, &origin, 1);
    SendMessageA(child, WM_SYSCOMMAND, SIZE_COMMAND + WMSZ_BOTTOMRIGHT, 0);
    for (LONG x : {origin.x + 150, origin.x + 200})
        MoveTo(child, {x, origin.y + 90});
    EXPECT_EQ(RectOf(child), (Box{origin.x, origin.y, origin.x + 202, origin.y + 92})) << "a child sized";
    ReleaseCapture();
}
