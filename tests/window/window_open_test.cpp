// Numbered windows under wine: class, property, style and place of each flags case, the replace
// rule, what closing releases, the order of the library's end, and opening without memory.
#include "window_test_support.h"

#include <string>
#include <utility>

namespace {

using Corner = std::pair<LONG, LONG>;

std::string ClassNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

bool ClassRegistered(ObjectNumber number) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), ("WindowClass_" + std::to_string(number)).c_str(), &info);
}

uintptr_t WindowIdProperty(HWND window) {
    return reinterpret_cast<uintptr_t>(GetPropA(window, "QZ_WindowID"));
}

HWND Open(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
          uint32_t flags = WF_DEFAULT) {
    return reinterpret_cast<HWND>(WindowOpen(number, x, y, width, height, "test", flags));
}

Corner TopLeft(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.left, r.top};
}

Corner OuterSize(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

Corner OuterSizeFor(int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WF_DEFAULT, FALSE);
    return {r.right - r.left, r.bottom - r.top};
}

// Where the system puts a window whose position is left to it.
Corner SystemPlacement(DWORD style) {
    HWND reference = CreateWindowExA(0, "STATIC", "", style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 50, nullptr,
                                     nullptr, nullptr, nullptr);
    Corner corner = TopLeft(reference);
    DestroyWindow(reference);
    return corner;
}

using WindowOpenTest = WindowTest;

} // namespace

TEST_F(WindowOpenTest, EachWindowHasItsOwnClassAndCarriesItsNumberPlusOne) {
    intptr_t result = WindowOpen(0, 0, 0, 230, 90, "Vornak Media Player 1.1", 0xC80001);
    HWND window = WindowHandle(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(result, reinterpret_cast<intptr_t>(window)) << "a numbered window's result is its handle";
    EXPECT_EQ(ClassNameOf(window), "WindowClass_0");
    EXPECT_EQ(WindowIdProperty(window), 1u);
    WNDCLASSA info = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &info));
    EXPECT_EQ(info.style, UINT(CS_DBLCLKS));
    EXPECT_EQ(info.lpfnWndProc, WindowProcedure);
    EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(info.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(info.hIcon, nullptr) << "a program without icon resource 1 gets no icon";
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(Corner(client.right, client.bottom), Corner(230, 90))
        << "width and height are the client area's";

    auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 10, 10, 120, 80, nullptr));
    HWND dynamicWindow = WindowHandle(dynamic);
    ASSERT_NE(dynamicWindow, nullptr);
    EXPECT_NE(dynamic, reinterpret_cast<intptr_t>(dynamicWindow))
        << "ANY_NUMBER gives the number, not the handle";
    EXPECT_EQ(ClassNameOf(dynamicWindow), "WindowClass_" + std::to_string(dynamic));
    EXPECT_EQ(WindowIdProperty(dynamicWindow), uintptr_t(dynamic) + 1);
    EXPECT_EQ(GetWindowTextLengthA(dynamicWindow), 0) << "a null title is empty";
}

TEST_F(WindowOpenTest, OpeningAnOpenNumberClosesTheOldWindowFirst) {
    HWND first = Open(0, 10, 10, 200, 100);
    Recorder recorder;
    HWND second = Open(0, 20, 20, 300, 150);
    std::vector<Recorded> steps = recorder.CreatedOrDestroyed({first, second});
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_TRUE(steps[0].kind == Recorded::DESTROYED && steps[0].hwnd == first) << "the old one goes first";
    EXPECT_TRUE(steps[1].kind == Recorded::CREATED && steps[1].hwnd == second);
    EXPECT_EQ(WindowHandle(0), second);
    EXPECT_EQ(ClassNameOf(second), "WindowClass_0");
    EXPECT_EQ(WindowIdProperty(second), 1u);
}

TEST_F(WindowOpenTest, FlagsDecideTheStyleAndHowTheWindowIsShown) {
    struct Case {
        uint32_t flags;
        DWORD style; // as CreateWindowExA receives it
        bool visible, maximised, minimised;
    };
    for (const Case& c : {
             Case{0, WS_CAPTION, true, false, false},
             Case{WF_HIDDEN, WS_CAPTION, false, false, false},
             Case{WF_HIDDEN | WS_SYSMENU, WS_SYSMENU, false, false, false},
             Case{WF_CENTER_SCREEN | WF_CENTER_ACTIVE | WF_HIDDEN, WS_CAPTION, false, false, false},
             Case{WF_CENTER_SCREEN | WS_SYSMENU, WS_SYSMENU, true, false, false},
             Case{WS_POPUP | WS_BORDER, WS_POPUP | WS_BORDER, true, false, false},
             Case{WF_DEFAULT | WF_MAXIMIZED, WF_DEFAULT | WS_MAXIMIZE, true, true, false},
             Case{WF_DEFAULT | WF_MINIMIZED, WF_DEFAULT | WS_MINIMIZE, true, false, true},
             Case{WF_DEFAULT | WF_MAXIMIZED | WF_MINIMIZED, WF_DEFAULT | WS_MAXIMIZE | WS_MINIMIZE, true,
                  true, false},
         }) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        Recorder recorder;
        HWND window = Open(4, 30, 40, 200, 100, c.flags);
        std::vector<Recorded> steps = recorder.CreatedOrDestroyed({window});
        ASSERT_EQ(steps.size(), 1u);
        EXPECT_EQ(steps[0].style, c.style);
        EXPECT_EQ(steps[0].exStyle & ~DWORD(WS_EX_WINDOWEDGE), 0u) << "the system adds only WS_EX_WINDOWEDGE";
        EXPECT_EQ(IsWindowVisible(window) != 0, c.visible);
        EXPECT_EQ(IsZoomed(window) != 0, c.maximised);
        EXPECT_EQ(IsIconic(window) != 0, c.minimised);
    }
}

TEST_F(WindowOpenTest, PlacesWhereAskedOnTheScreenCentreOrWhereTheSystemChooses) {
    const LONG screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const Corner outer = OuterSizeFor(300, 200);
    HWND placed = Open(1, 40, 60, 300, 200);
    EXPECT_EQ(TopLeft(placed), Corner(40, 60));
    EXPECT_EQ(OuterSize(placed), outer);
    for (uint32_t centring : {WF_CENTER_SCREEN, WF_CENTER_SCREEN | WF_CENTER_ACTIVE})
        EXPECT_EQ(TopLeft(Open(2, 5, 5, 300, 200, WF_DEFAULT | centring)),
                  Corner((screenWidth - outer.first) / 2, (screenHeight - outer.second) / 2));
    HWND huge = Open(3, 5, 5, screenWidth + 500, screenHeight + 500, WF_DEFAULT | WF_CENTER_SCREEN);
    EXPECT_EQ(TopLeft(huge), Corner(0, 0)) << "a window larger than the screen is cut to it";
    EXPECT_EQ(OuterSize(huge), Corner(screenWidth, screenHeight));
    for (Corner given : {Corner{DEFAULT_POSITION, 100}, Corner{100, DEFAULT_POSITION}})
        EXPECT_EQ(TopLeft(Open(5, given.first, given.second, 300, 200)), SystemPlacement(WF_DEFAULT))
            << "DEFAULT_POSITION in either coordinate leaves both to the system";
}

TEST_F(WindowOpenTest, CentresOnTheActiveWindowClampedToTheScreen) {
    ASSERT_EQ(GetActiveWindow(), nullptr) << "precondition: a fresh process has no active window";
    EXPECT_EQ(TopLeft(Open(1, 40, 50, 100, 50, WF_HIDDEN | WF_CENTER_ACTIVE)), Corner(40, 50))
        << "nothing to centre on: the position as given";
    EXPECT_EQ(TopLeft(Open(2, 70, DEFAULT_POSITION, 100, 50, WF_HIDDEN | WF_CENTER_ACTIVE)),
              SystemPlacement(WS_CAPTION))
        << "nothing to centre on: DEFAULT_POSITION stays the system's choice, never -65535";

    HWND reference = Open(3, 300, 200, 400, 300);
    ASSERT_TRUE(WindowFocus(reference));
    const Corner around = TopLeft(reference), aroundSize = OuterSize(reference),
                 outer = OuterSizeFor(100, 50);
    EXPECT_EQ(TopLeft(Open(4, 0, 0, 100, 50, WF_DEFAULT | WF_CENTER_ACTIVE)),
              Corner(around.first + (aroundSize.first - outer.first) / 2,
                     around.second + (aroundSize.second - outer.second) / 2));
    ASSERT_TRUE(WindowFocus(Open(5, 0, 0, 60, 30)));
    HWND large = Open(6, 0, 0, 500, 400, WF_DEFAULT | WF_CENTER_ACTIVE);
    EXPECT_EQ(TopLeft(large), Corner(0, 0)) << "a negative position is clamped to 0";
    EXPECT_EQ(OuterSize(large), OuterSizeFor(500, 400)) << "the size is not cut";
}

TEST_F(WindowOpenTest, CloseReleasesWhatTheWindowOwnedAndEndClosesInNumberOrder) {
    HWND window = Open(6, 10, 10, 100, 60);
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 6));
    ASSERT_TRUE(record && record->hwnd == window);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(record->acceleratorTable, entries, 4), 2);
    EXPECT_EQ(record->acceleratorCount, 2);
    EXPECT_TRUE(entries[0].fVirt == (FVIRTKEY | FNOINVERT) && entries[0].key == VK_TAB &&
                entries[0].cmd == CMD_FOCUS_NEXT);
    EXPECT_TRUE(entries[1].fVirt == (FVIRTKEY | FNOINVERT | FSHIFT) && entries[1].key == VK_TAB &&
                entries[1].cmd == CMD_FOCUS_PREVIOUS);
    HACCEL table = record->acceleratorTable;
    HBRUSH brush = record->backgroundBrush = CreateSolidBrush(RGB(1, 2, 3));
    WindowClose(6);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(ClassRegistered(6));
    EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 0) << "the accelerator table is destroyed";
    EXPECT_EQ(GetObjectType(brush), 0u) << "the background brush is deleted";
    EXPECT_EQ(WindowHandle(6), nullptr);
    WindowClose(6);
    WindowClose(12345);
    EXPECT_EQ(WindowOpen(-7, 0, 0, 10, 10, "bad"), 0) << "a number below ANY_NUMBER opens nothing";

    HWND three = Open(3, 10, 10, 100, 60);
    auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 20, 20, 100, 60, "dynamic"));
    HWND zero = Open(0, 30, 30, 100, 60);
    HWND dynamicWindow = WindowHandle(dynamic);
    Recorder recorder;
    WindowLibraryEnd();
    std::vector<Recorded> steps = recorder.CreatedOrDestroyed({zero, three, dynamicWindow});
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_TRUE(steps[0].hwnd == zero && steps[1].hwnd == three && steps[2].hwnd == dynamicWindow)
        << "numbered windows ascending, then dynamic ones";
    EXPECT_FALSE(ClassRegistered(0) || ClassRegistered(3) || ClassRegistered(dynamic));
}

TEST_F(WindowOpenTest, WithoutMemoryAWindowOpensAndWorksWithoutTabNavigation) {
    HANDLE programHeap = ProgramHeap;
    HANDLE full = HeapCreate(0, 0, 64 * 1024);
    for (SIZE_T size = 4096; size > 0; size /= 2)
        while (HeapAlloc(full, 0, size)) {
        }
    ProgramHeap = full;
    HWND window = Open(2, 10, 10, 200, 100);
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0) << "the event is dropped, the result stays";
    ProgramHeap = programHeap;
    HeapDestroy(full);

    ASSERT_TRUE(IsWindow(window));
    auto* record = static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 2));
    EXPECT_TRUE(record->acceleratorCount == 0 && !record->acceleratorEntries && !record->acceleratorTable);
    ASSERT_TRUE(WindowFocus(window));
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_CLOSE_WINDOW), std::vector<ObjectNumber>{});
    Recorder recorder;
    KeyPress(VK_TAB);
    ASSERT_TRUE(EventAwait(WM_CHAR)) << "without a table, Tab is translated into a character";
    EXPECT_EQ(EventWParam(), WPARAM('\t'));
    EXPECT_EQ(recorder.Sent(window, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1)), 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_CLOSE_WINDOW), std::vector<ObjectNumber>{2})
        << "events are queued again once memory is back";
}
