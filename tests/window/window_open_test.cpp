// Numbered windows under wine: what CreateWindowExA receives for each flags value, where the
// window lands, its class and properties, the replace rule, closing and the library's end.
#include "window_test_support.h"

#include <algorithm>
#include <string>

namespace {

constexpr char TITLE[] = "Vornak Media Player 1.1";
constexpr uint32_t MAIN_WINDOW_FLAGS = 0xC80001; // WS_CAPTION | WS_SYSMENU | WF_CENTER_SCREEN

std::string ClassNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string ClassNameFor(ObjectNumber number) {
    return "WindowClass_" + std::to_string(number);
}

bool ClassRegistered(const std::string& name) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), name.c_str(), &info) != 0;
}

uintptr_t WindowIdProperty(HWND window) {
    return reinterpret_cast<uintptr_t>(GetPropA(window, "QZ_WindowID"));
}

RECT WindowRectOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

// The outer size the system gives a client area under a style.
SIZE OuterSizeFor(int width, int height, DWORD style) {
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, style, FALSE);
    return {r.right - r.left, r.bottom - r.top};
}

// Where the system puts a window whose position is left to it (CW_USEDEFAULT).
RECT SystemPlacedRect(DWORD style, int width, int height) {
    HWND reference = CreateWindowExA(0, "STATIC", "reference", style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                                     height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    RECT r = WindowRectOf(reference);
    DestroyWindow(reference);
    return r;
}

// The steps of the journal that concern the given windows (the system makes windows of its own).
std::vector<WindowLifeStep> StepsOf(const CreationRecorder& recorder, std::vector<HWND> windows) {
    std::vector<WindowLifeStep> steps;
    for (const WindowLifeStep& step : recorder.journal)
        if (std::find(windows.begin(), windows.end(), step.hwnd) != windows.end()) steps.push_back(step);
    return steps;
}

std::vector<HWND> DestroyedOf(const CreationRecorder& recorder, std::vector<HWND> windows) {
    std::vector<HWND> destroyed;
    for (const WindowLifeStep& step : StepsOf(recorder, windows))
        if (!step.created) destroyed.push_back(step.hwnd);
    return destroyed;
}

// The system itself adds WS_EX_WINDOWEDGE to windows with a caption before anyone sees them.
constexpr DWORD EXTENDED_STYLE_OF_SYSTEM = WS_EX_WINDOWEDGE;

const CreatedWindow* CreationOf(const CreationRecorder& recorder, HWND hwnd) {
    for (const CreatedWindow& w : recorder.created)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

// Fills ProgramHeap's place with a heap that has no room left, for as long as it lives.
class ExhaustedProgramHeap {
  public:
    ExhaustedProgramHeap() : saved(ProgramHeap), full(HeapCreate(0, 0, 64 * 1024)) {
        for (SIZE_T size = 4096; size > 0; size /= 2)
            while (HeapAlloc(full, 0, size)) {
            }
        ProgramHeap = full;
    }
    ~ExhaustedProgramHeap() {
        ProgramHeap = saved;
        HeapDestroy(full);
    }

  private:
    HANDLE saved;
    HANDLE full;
};

class WindowOpenTest : public WindowTest {};

} // namespace

TEST_F(WindowOpenTest, GivesEachWindowItsOwnClassPropertyAndClientArea) {
    CreationRecorder recorder;
    intptr_t result = WindowOpen(0, 0, 0, 230, 90, TITLE, MAIN_WINDOW_FLAGS);
    HWND window = WindowHandle(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(result, reinterpret_cast<intptr_t>(window)) << "a numbered window's result is its handle";
    EXPECT_EQ(ClassNameOf(window), "WindowClass_0");
    EXPECT_EQ(WindowIdProperty(window), 1u) << "window 0 carries 1, so that 0 means absent";

    WNDCLASSA info = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(info.lpfnWndProc, WindowProcedure);
    EXPECT_EQ(info.cbClsExtra, 0);
    EXPECT_EQ(info.cbWndExtra, 0);
    EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(info.hIcon, nullptr) << "a program without icon resource 1 gets no class icon";
    EXPECT_EQ(info.lpszMenuName, nullptr);

    char title[64] = {};
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, TITLE);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 230);
    EXPECT_EQ(client.bottom, 90);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);

    const CreatedWindow* created = CreationOf(recorder, window);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->style, static_cast<DWORD>(WS_CAPTION | WS_SYSMENU))
        << "centring bits never reach the system";
    EXPECT_EQ(created->exStyle & ~EXTENDED_STYLE_OF_SYSTEM, 0u);

    intptr_t seven = WindowOpen(7, 10, 10, 50, 40, nullptr);
    ASSERT_EQ(seven, reinterpret_cast<intptr_t>(WindowHandle(7)));
    EXPECT_EQ(WindowIdProperty(WindowHandle(7)), 8u);
    char empty[8] = "x";
    GetWindowTextA(WindowHandle(7), empty, sizeof(empty));
    EXPECT_STREQ(empty, "") << "a null title is an empty title";
}

TEST_F(WindowOpenTest, OpeningAnOpenNumberClosesTheOldWindowFirst) {
    HWND first = reinterpret_cast<HWND>(WindowOpen(0, 10, 10, 200, 100, "first"));
    ASSERT_NE(first, nullptr);
    CreationRecorder recorder;
    HWND second = reinterpret_cast<HWND>(WindowOpen(0, 20, 20, 300, 150, "second"));
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second, first);

    std::vector<WindowLifeStep> steps = StepsOf(recorder, {first, second});
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_FALSE(steps[0].created);
    EXPECT_EQ(steps[0].hwnd, first) << "the old window goes before the new one is created";
    EXPECT_EQ(steps[0].windowIdProperty, 0u) << "its number is removed before it is destroyed";
    EXPECT_TRUE(steps[1].created);
    EXPECT_EQ(steps[1].hwnd, second);

    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(WindowHandle(0), second);
    EXPECT_EQ(ClassNameOf(second), "WindowClass_0");
    EXPECT_EQ(WindowIdProperty(second), 1u);
    char title[16] = {};
    GetWindowTextA(second, title, sizeof(title));
    EXPECT_STREQ(title, "second");
}

TEST_F(WindowOpenTest, AnyNumberGivesTheNewNumberAndItsClass) {
    intptr_t number = WindowOpen(ANY_NUMBER, 10, 10, 120, 80, "dynamic");
    ASSERT_NE(number, 0);
    HWND window = WindowHandle(static_cast<ObjectNumber>(number));
    ASSERT_NE(window, nullptr);
    EXPECT_NE(number, reinterpret_cast<intptr_t>(window)) << "ANY_NUMBER returns the number, not the handle";
    EXPECT_EQ(ClassNameOf(window), ClassNameFor(static_cast<ObjectNumber>(number)));
    EXPECT_EQ(WindowIdProperty(window), static_cast<uintptr_t>(number) + 1);

    intptr_t other = WindowOpen(ANY_NUMBER, 10, 10, 120, 80, "dynamic");
    EXPECT_NE(other, number);
    EXPECT_NE(WindowHandle(static_cast<ObjectNumber>(other)), window);

    WindowClose(static_cast<ObjectNumber>(number));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WindowHandle(static_cast<ObjectNumber>(number)), nullptr);
    EXPECT_FALSE(ClassRegistered(ClassNameFor(static_cast<ObjectNumber>(number))))
        << "the class goes with its window";
    EXPECT_NE(WindowHandle(static_cast<ObjectNumber>(other)), nullptr);
}

TEST_F(WindowOpenTest, FlagsDecideTheStyleGivenToTheSystemAndHowTheWindowIsShown) {
    struct Case {
        uint32_t flags;
        DWORD style; // as CreateWindowExA receives it
        bool visible;
        bool maximised;
        bool minimised;
    };
    const Case cases[] = {
        {0, WS_CAPTION, true, false, false},
        {WF_HIDDEN, WS_CAPTION, false, false, false},
        {WF_HIDDEN | WS_SYSMENU, WS_SYSMENU, false, false, false},
        {WF_CENTER_SCREEN | WF_CENTER_ACTIVE | WF_HIDDEN, WS_CAPTION, false, false, false},
        {WF_CENTER_SCREEN | WS_SYSMENU, WS_SYSMENU, true, false, false},
        {WF_DEFAULT, WS_CAPTION | WS_SYSMENU, true, false, false},
        {WS_POPUP | WS_BORDER, WS_POPUP | WS_BORDER, true, false, false},
        {WF_DEFAULT | WS_THICKFRAME | WF_MAXIMIZED, WF_DEFAULT | WS_THICKFRAME | WS_MAXIMIZE, true, true,
         false},
        {WF_DEFAULT | WF_MINIMIZED, WF_DEFAULT | WS_MINIMIZE, true, false, true},
        {WF_DEFAULT | WS_THICKFRAME | WF_MAXIMIZED | WF_MINIMIZED,
         WF_DEFAULT | WS_THICKFRAME | WS_MAXIMIZE | WS_MINIMIZE, true, true, false},
        {WF_DEFAULT | WF_MAXIMIZED | WF_HIDDEN, WF_DEFAULT | WS_MAXIMIZE, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        CreationRecorder recorder;
        HWND window = reinterpret_cast<HWND>(WindowOpen(4, 30, 40, 200, 100, "flags", c.flags));
        ASSERT_NE(window, nullptr);
        const CreatedWindow* created = CreationOf(recorder, window);
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(created->style, c.style);
        EXPECT_EQ(created->exStyle & ~EXTENDED_STYLE_OF_SYSTEM, 0u);
        EXPECT_EQ(IsWindowVisible(window) != 0, c.visible);
        if (c.visible) {
            EXPECT_EQ(IsZoomed(window) != 0, c.maximised);
            EXPECT_EQ(IsIconic(window) != 0, c.minimised);
        }
        WindowClose(4);
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(WindowOpenTest, PlacesTheWindowWhereTheFlagsSay) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const SIZE outer = OuterSizeFor(300, 200, WF_DEFAULT);

    HWND placed = reinterpret_cast<HWND>(WindowOpen(1, 40, 60, 300, 200, "placed"));
    RECT r = WindowRectOf(placed);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, outer.cx) << "width and height are the client area's";
    EXPECT_EQ(r.bottom - r.top, outer.cy);

    for (uint32_t centring : {WF_CENTER_SCREEN, WF_CENTER_SCREEN | WF_CENTER_ACTIVE}) {
        SCOPED_TRACE(centring);
        HWND centred =
            reinterpret_cast<HWND>(WindowOpen(2, 5, 5, 300, 200, "centred", WF_DEFAULT | centring));
        r = WindowRectOf(centred);
        EXPECT_EQ(r.left, (screenWidth - outer.cx) / 2);
        EXPECT_EQ(r.top, (screenHeight - outer.cy) / 2);
    }

    HWND huge = reinterpret_cast<HWND>(
        WindowOpen(3, 5, 5, screenWidth + 500, screenHeight + 500, "huge", WF_DEFAULT | WF_CENTER_SCREEN));
    r = WindowRectOf(huge);
    EXPECT_EQ(r.left, 0) << "a window larger than the screen is cut to it and placed at 0, 0";
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, screenWidth);
    EXPECT_EQ(r.bottom, screenHeight);

    // DEFAULT_POSITION in either coordinate leaves both to the system.
    const RECT systemPlaced = SystemPlacedRect(WF_DEFAULT, outer.cx, outer.cy);
    for (POINT given : {POINT{DEFAULT_POSITION, 100}, POINT{100, DEFAULT_POSITION}}) {
        SCOPED_TRACE(testing::Message() << given.x << ", " << given.y);
        r = WindowRectOf(reinterpret_cast<HWND>(WindowOpen(5, given.x, given.y, 300, 200, "default")));
        EXPECT_EQ(r.left, systemPlaced.left);
        EXPECT_EQ(r.top, systemPlaced.top);
        EXPECT_EQ(r.right - r.left, outer.cx);
    }
}

TEST_F(WindowOpenTest, CentresOnTheActiveWindowAndKeepsItOnTheScreen) {
    HWND reference = reinterpret_cast<HWND>(WindowOpen(1, 300, 200, 400, 300, "reference"));
    ASSERT_TRUE(WindowFocus(reference));
    ASSERT_EQ(GetActiveWindow(), reference);
    const RECT around = WindowRectOf(reference);

    HWND centred =
        reinterpret_cast<HWND>(WindowOpen(2, 0, 0, 100, 50, "centred", WF_DEFAULT | WF_CENTER_ACTIVE));
    const SIZE outer = OuterSizeFor(100, 50, WF_DEFAULT);
    RECT r = WindowRectOf(centred);
    EXPECT_EQ(r.left, around.left + ((around.right - around.left) - outer.cx) / 2);
    EXPECT_EQ(r.top, around.top + ((around.bottom - around.top) - outer.cy) / 2);

    HWND corner = reinterpret_cast<HWND>(WindowOpen(3, 0, 0, 60, 30, "corner"));
    ASSERT_TRUE(WindowFocus(corner));
    HWND large =
        reinterpret_cast<HWND>(WindowOpen(4, 0, 0, 500, 400, "large", WF_DEFAULT | WF_CENTER_ACTIVE));
    r = WindowRectOf(large);
    EXPECT_EQ(r.left, 0) << "a negative position is clamped to the screen's corner";
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, OuterSizeFor(500, 400, WF_DEFAULT).cx) << "the size is not cut";
}

TEST_F(WindowOpenTest, CentringOnNoActiveWindowKeepsTheGivenPosition) {
    ASSERT_EQ(GetActiveWindow(), nullptr) << "precondition: a fresh process has no active window";
    HWND kept = reinterpret_cast<HWND>(WindowOpen(1, 40, 50, 100, 50, "kept", WF_HIDDEN | WF_CENTER_ACTIVE));
    RECT r = WindowRectOf(kept);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);

    // With nothing to centre on, a position left to the system stays the system's choice
    // instead of putting the window at -65535, off every screen.
    const RECT systemPlaced = SystemPlacedRect(WS_CAPTION, 100, 50);
    HWND defaulted = reinterpret_cast<HWND>(
        WindowOpen(2, 70, DEFAULT_POSITION, 100, 50, "default", WF_HIDDEN | WF_CENTER_ACTIVE));
    r = WindowRectOf(defaulted);
    EXPECT_EQ(r.left, systemPlaced.left);
    EXPECT_EQ(r.top, systemPlaced.top);
}

TEST_F(WindowOpenTest, CloseReleasesEverythingTheWindowOwned) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(6, 10, 10, 100, 60, "owned"));
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 6));
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->hwnd, window);
    EXPECT_EQ(record->acceleratorCount, 2);
    ASSERT_NE(record->acceleratorTable, nullptr);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(record->acceleratorTable, entries, 4), 2);
    EXPECT_EQ(entries[0].fVirt, FVIRTKEY | FNOINVERT);
    EXPECT_EQ(entries[0].key, VK_TAB);
    EXPECT_EQ(entries[0].cmd, CMD_FOCUS_NEXT);
    EXPECT_EQ(entries[1].fVirt, FVIRTKEY | FNOINVERT | FSHIFT);
    EXPECT_EQ(entries[1].key, VK_TAB);
    EXPECT_EQ(entries[1].cmd, CMD_FOCUS_PREVIOUS);
    EXPECT_EQ(record->mdiClient, nullptr);
    EXPECT_EQ(record->windowHook, nullptr);
    HACCEL table = record->acceleratorTable;
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    record->backgroundBrush = brush;

    WindowClose(6);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(ClassRegistered("WindowClass_6"));
    EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 0) << "the accelerator table is destroyed";
    EXPECT_EQ(GetObjectType(brush), 0u) << "the background brush is deleted";
    EXPECT_EQ(WindowHandle(6), nullptr);

    WindowClose(6);
    WindowClose(12345);
    EXPECT_EQ(WindowHandle(12345), nullptr);
    EXPECT_EQ(WindowOpen(-7, 0, 0, 10, 10, "bad"), 0) << "a number below ANY_NUMBER opens nothing";
}

TEST_F(WindowOpenTest, LibraryEndClosesNumberedWindowsAscendingThenDynamicOnes) {
    HWND three = reinterpret_cast<HWND>(WindowOpen(3, 10, 10, 100, 60, "three"));
    auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 20, 20, 100, 60, "dynamic"));
    HWND zero = reinterpret_cast<HWND>(WindowOpen(0, 30, 30, 100, 60, "zero"));
    HWND dynamicWindow = WindowHandle(dynamic);
    ASSERT_TRUE(three && dynamicWindow && zero);

    auto* block =
        static_cast<EventDataBlock*>(HeapAlloc(ProgramHeap, HEAP_ZERO_MEMORY, sizeof(EventDataBlock)));
    block->buffer = HeapAlloc(ProgramHeap, 0, 100);
    void* buffer = block->buffer;
    PostMessageA(zero, MSG_WINDOW_DATA, 0, reinterpret_cast<LPARAM>(block));
    ASSERT_TRUE(EventAwait(EVENT_WINDOW_DATA));
    ASSERT_EQ(EventData(), block);

    CreationRecorder recorder;
    WindowLibraryEnd();
    EXPECT_EQ(DestroyedOf(recorder, {zero, three, dynamicWindow}),
              (std::vector<HWND>{zero, three, dynamicWindow}));
    for (const WindowLifeStep& step : StepsOf(recorder, {zero, three, dynamicWindow}))
        EXPECT_EQ(step.windowIdProperty, 0u);
    EXPECT_FALSE(ClassRegistered("WindowClass_0"));
    EXPECT_FALSE(ClassRegistered("WindowClass_3"));
    EXPECT_FALSE(ClassRegistered(ClassNameFor(dynamic)));
    EXPECT_EQ(EventData(), nullptr);
    EXPECT_FALSE(HeapValidate(ProgramHeap, 0, block)) << "the last event's data block is freed at the end";
    EXPECT_FALSE(HeapValidate(ProgramHeap, 0, buffer));
}

TEST_F(WindowOpenTest, WithoutMemoryTheWindowOpensAndWorksWithoutTabNavigation) {
    HWND window;
    {
        ExhaustedProgramHeap exhausted;
        window = reinterpret_cast<HWND>(WindowOpen(2, 10, 10, 200, 100, "no memory"));
        ASSERT_NE(window, nullptr);
        // Events the window procedure pushes now are dropped; the message still gets its result.
        EXPECT_EQ(SendMessageA(window, WM_MOVE, 0, 0), 0);
        EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    }
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 2));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->acceleratorCount, 0);
    EXPECT_EQ(record->acceleratorEntries, nullptr);
    EXPECT_EQ(record->acceleratorTable, nullptr);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(CodeCount(EventsSettle(), EVENT_CLOSE_WINDOW), 0) << "the dropped close request stays dropped";

    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();
    SentRecorder sent;
    KeyPress(VK_TAB);
    std::vector<Delivered> seen;
    ASSERT_TRUE(EventAwait(WM_CHAR, 3000, &seen)) << "without a table, Tab is translated into a character";
    EXPECT_EQ(EventWParam(), static_cast<WPARAM>('\t'));
    EXPECT_EQ(sent.Count(WM_COMMAND, window), 0);

    SendMessageA(window, WM_CLOSE, 0, 0);
    std::vector<Delivered> after = EventsSettle();
    ASSERT_EQ(CodeCount(after, EVENT_CLOSE_WINDOW), 1) << "events are queued again once memory is back";
    WindowClose(2);
    EXPECT_FALSE(IsWindow(window));
}
