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

// Records the style CreateWindowExA receives for window 4. Opens window 200 while the system creates
// window 1 and window 300 while it destroys it: both grow the slot array under the calls that fill
// and release window 1's record.
DWORD createdStyle;
LRESULT CALLBACK CreationWatch(int code, WPARAM wParam, LPARAM lParam) {
    const std::string name = ClassOf(reinterpret_cast<HWND>(wParam));
    if (code == HCBT_CREATEWND && name == "WindowClass_4")
        createdStyle = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style;
    if (name == "WindowClass_1" && code == HCBT_CREATEWND) WindowOpen(200, 0, 0, 50, 40, "inner");
    if (name == "WindowClass_1" && code == HCBT_DESTROYWND) WindowOpen(300, 0, 0, 50, 40, "late");
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

using WindowOpenTest = WindowTest;

} // namespace

TEST_F(WindowOpenTest, ClassPropertyStyleShowingAndPlaceFollowTheNumberAndFlags) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId());
    HWND window = Open(0, 0, 0, 230, 90, 0xC80001);
    WNDCLASSA c = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_0", &c)) << ClassOf(window);
    EXPECT_TRUE(c.style == CS_DBLCLKS && c.lpfnWndProc == WindowProcedure && c.hbrBackground == HBRUSH(16));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_TRUE(WindowHandle(0) == window && IdProperty(window) == 1 && client.right == 230 &&
                client.bottom == 90);
    auto dynamic = static_cast<ObjectNumber>(WindowOpen(ANY_NUMBER, 10, 10, 120, 80, nullptr));
    EXPECT_EQ(IdProperty(WindowHandle(dynamic)), uintptr_t(dynamic) + 1) << "the number given back";
    EXPECT_EQ(RectOf(Open(2, 5, 5, 300, 200, WF_DEFAULT | WF_CENTER_SCREEN)), (RECT{359, 271, 665, 496}));
    struct Case {
        uint32_t flags;
        DWORD style; // as CreateWindowExA receives it
        std::vector<BOOL> visibleMaximisedMinimised;
    };
    // clang-format off
    for (const Case& c : {Case{0, WS_CAPTION, {1, 0, 0}},
                          Case{WF_HIDDEN, WS_CAPTION, {0, 0, 0}},
                          Case{WF_HIDDEN | WS_SYSMENU, WS_SYSMENU, {0, 0, 0}},
                          Case{WF_MAXIMIZED | WS_POPUP, WS_POPUP | WS_MAXIMIZE, {1, 1, 0}},
                          Case{WF_MINIMIZED | WS_POPUP, WS_POPUP | WS_MINIMIZE, {1, 0, 1}},
                          Case{WF_MAXIMIZED | WF_MINIMIZED, WS_MAXIMIZE | WS_MINIMIZE, {1, 1, 0}}}) {
        // clang-format on
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        HWND shown = Open(4, 30, 40, 200, 100, c.flags);
        EXPECT_EQ(createdStyle, c.style);
        EXPECT_EQ(std::vector<BOOL>({IsWindowVisible(shown), IsZoomed(shown), IsIconic(shown)}),
                  c.visibleMaximisedMinimised);
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(WindowOpenTest, WindowsOpenedInsideCreationOrDestroyedBehindItsBackAndTheEndsGiveAllBack) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, CreationWatch, nullptr, GetCurrentThreadId());
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
