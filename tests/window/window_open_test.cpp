// Numbered windows: class, property, style and place, windows opened or destroyed behind the
// library's back, what closing and the ends give back.
#include "window_test_support.h"

#include <string>

namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

bool ClassRegistered(ObjectNumber number) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), ("WindowClass_" + std::to_string(number)).c_str(), &info);
}

uintptr_t IdProperty(HWND window) {
    return reinterpret_cast<uintptr_t>(GetPropA(window, "QZ_WindowID"));
}

HWND Open(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
          uint32_t flags = WF_DEFAULT) {
    return reinterpret_cast<HWND>(WindowOpen(number, x, y, width, height, "test", flags));
}

HACCEL TableOf(ObjectNumber number) {
    return static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), number))->acceleratorTable;
}

// Opens window 200 while the system creates window 1 and window 300 while it destroys it: both
// grow the slot array under the calls that fill and release window 1's record.
LRESULT CALLBACK OpenReentrant(int code, WPARAM wParam, LPARAM lParam) {
    const bool one = ClassOf(reinterpret_cast<HWND>(wParam)) == "WindowClass_1";
    if (one && code == HCBT_CREATEWND) WindowOpen(200, 0, 0, 50, 40, "inner");
    if (one && code == HCBT_DESTROYWND) WindowOpen(300, 0, 0, 50, 40, "late");
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The style CreateWindowExA receives for a library window.
DWORD createdStyle;
LRESULT CALLBACK StyleRecord(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && ClassOf(reinterpret_cast<HWND>(wParam)).rfind("WindowClass_", 0) == 0)
        createdStyle = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

using WindowOpenTest = WindowTest;

} // namespace

TEST_F(WindowOpenTest, ClassPropertyClientSizeStyleAndShowingFollowTheNumberAndFlags) {
    HWND window = Open(0, 0, 0, 230, 90, 0xC80001);
    EXPECT_EQ(WindowHandle(0), window);
    WNDCLASSA c = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &c)) << ClassOf(window);
    EXPECT_TRUE(c.style == CS_DBLCLKS && c.lpfnWndProc == WindowProcedure && c.hbrBackground == HBRUSH(16));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_TRUE(IdProperty(window) == 1 && client.right == 230 && client.bottom == 90) << "the client's size";
    auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 10, 10, 120, 80, nullptr));
    EXPECT_EQ(ClassOf(WindowHandle(dynamic)), "WindowClass_" + std::to_string(dynamic)) << "the number back";
    EXPECT_EQ(IdProperty(WindowHandle(dynamic)), uintptr_t(dynamic) + 1);
    struct Case {
        uint32_t flags;
        DWORD style; // as CreateWindowExA receives it
        BOOL visible, maximised, minimised;
    };
    // clang-format off
    for (const Case& c : {Case{0, WS_CAPTION, 1, 0, 0}, Case{WF_HIDDEN, WS_CAPTION, 0, 0, 0},
                          Case{WF_HIDDEN | WS_SYSMENU, WS_SYSMENU, 0, 0, 0},
                          Case{WF_CENTER_SCREEN | WF_CENTER_ACTIVE | WF_HIDDEN, WS_CAPTION, 0, 0, 0},
                          Case{WF_MAXIMIZED | WS_POPUP, WS_POPUP | WS_MAXIMIZE, 1, 1, 0},
                          Case{WF_MINIMIZED | WS_POPUP, WS_POPUP | WS_MINIMIZE, 1, 0, 1},
                          Case{WF_MAXIMIZED | WF_MINIMIZED, WS_MAXIMIZE | WS_MINIMIZE, 1, 1, 0}}) {
        // clang-format on
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        HHOOK hook = SetWindowsHookExA(WH_CBT, StyleRecord, nullptr, GetCurrentThreadId());
        HWND shown = Open(4, 30, 40, 200, 100, c.flags);
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(createdStyle, c.style);
        EXPECT_EQ(std::vector<BOOL>({IsWindowVisible(shown), IsZoomed(shown), IsIconic(shown)}),
                  std::vector<BOOL>({c.visible, c.maximised, c.minimised}));
    }
}

TEST_F(WindowOpenTest, PlacesWhereAskedOnTheScreenCentreOrTheActiveWindowsCentre) {
    EXPECT_EQ(RectOf(Open(5, 40, 50, 100, 50, WF_HIDDEN | WF_CENTER_ACTIVE)).left, 40) << "no active window";
    EXPECT_EQ(RectOf(Open(2, 362, 284, 300, 200, WF_DEFAULT | WF_CENTER_SCREEN)), (RECT{359, 271, 665, 496}));
    EXPECT_EQ(RectOf(Open(3, 5, 5, 1500, 1000, WF_DEFAULT | WF_CENTER_SCREEN)), (RECT{0, 0, 1024, 768}));
    ASSERT_TRUE(ForegroundMake(Open(6, 300, 200, 400, 300)));
    const RECT around = RectOf(WindowHandle(6)), centred = RectOf(Open(7, 0, 0, 200, 100, WF_CENTER_ACTIVE));
    EXPECT_NEAR(centred.left + centred.right, around.left + around.right, 1);
    EXPECT_NEAR(centred.top + centred.bottom, around.top + around.bottom, 1);
}

TEST_F(WindowOpenTest, WindowsOpenedInsideCreationOrDestroyedBehindItsBackAndTheEndsGiveAllBack) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, OpenReentrant, nullptr, GetCurrentThreadId());
    HWND one = Open(1, 10, 10, 100, 60);
    EXPECT_TRUE(one && WindowHandle(1) == one && IdProperty(one) == 2);
    HACCEL table = TableOf(1);
    WindowClose(1);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(one) || WindowHandle(1) || CopyAcceleratorTableA(table, nullptr, 0));
    EXPECT_EQ(WindowText(WindowHandle(300)) + WindowText(WindowHandle(200)), "lateinner");

    HWND owner = Open(4, 10, 10, 100, 60);
    HWND owned = reinterpret_cast<HWND>(WindowOpenWithParent(3, 20, 20, 80, 40, "owned", WF_DEFAULT, owner));
    table = TableOf(4);
    DestroyWindow(owner);
    EXPECT_FALSE(WindowHandle(4) || CopyAcceleratorTableA(table, nullptr, 0)) << "destroyed behind its back";
    EXPECT_FALSE(IsWindow(owned) || WindowHandle(3)) << "an owned window goes with its owner";
    HWND again = Open(2, 40, 40, 100, 60);
    EXPECT_FALSE(ClassRegistered(3) || ClassRegistered(4)) << "a class left behind goes at the next open";
    EXPECT_TRUE(again && WindowHandle(2) == again && IdProperty(again) == 3);
    DestroyWindow(again);

    WindowLibraryEnd();
    ControlLibraryEnd();
    EXPECT_FALSE(ClassRegistered(2)) << "and at the library's end";
    for (const char* name : {"QZ_WindowID", "QZ_ID"}) // references that other processes left behind
        while (ATOM atom = GlobalFindAtomA(name))
            GlobalDeleteAtom(atom);
    for (int cycle : {1, 2}) {
        SCOPED_TRACE(cycle);
        ControlLibraryStart();
        WindowLibraryStart();
        EXPECT_NE(ControlLock()->DebugInfo, nullptr);
        SendMessageA(Open(1, 10, 10, 100, 60), WM_CLOSE, 0, 0);
        EXPECT_EQ(WindowsOf(EventsSettle(0), EVENT_CLOSE_WINDOW), std::vector<ObjectNumber>{1});
        WindowLibraryEnd();
        ControlLibraryEnd();
        EXPECT_EQ(GlobalFindAtomA("QZ_WindowID") + GlobalFindAtomA("QZ_ID"), 0);
        EXPECT_EQ(ControlLock()->DebugInfo, nullptr) << "the lock is deleted";
    }
    ControlLibraryStart();
    WindowLibraryStart();
}
