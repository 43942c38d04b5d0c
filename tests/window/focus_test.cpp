// Tab navigation under wine: real Tab, Shift+Tab and Ctrl+Tab through the system's input queue,
// real buttons, edit and rich-edit controls and an MDI child, the focus read with GetFocus.
#include "window_test_support.h"

#include <string>

namespace {

constexpr int SETTLE_MILLISECONDS = 3000;
constexpr int PUMP_MILLISECONDS = 20;
constexpr DWORD TAB_STOP = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

HWND Shown(ObjectNumber number) {
    auto window = reinterpret_cast<HWND>(WindowOpen(number, 80, 80, 420, 220, "Fokus"));
    EXPECT_TRUE(WindowFocus(window));
    return window;
}

HWND Control(HWND parent, const char* className, DWORD style, int slot) {
    return CreateWindowExA(0, className, "", style, 10 + (slot % 4) * 100, 10 + (slot / 4) * 40, 90, 30,
                           parent, nullptr, nullptr, nullptr);
}

HWND Button(HWND parent, int slot, DWORD style = TAB_STOP) {
    return Control(parent, "BUTTON", style, slot);
}

// Presses key (with the modifiers held) and pumps the wait until the key's release has come
// through it. (Under wine a new process may start with another key-toggle state than the
// system's, so the toggle bit cannot tell whether a press arrived.)
void Press(WORD key, std::initializer_list<WORD> modifiers = {}) {
    KeyPress(key, modifiers);
    const DWORD deadline = GetTickCount() + SETTLE_MILLISECONDS;
    while (!(EventWaitTimeout(PUMP_MILLISECONDS) == WM_KEYUP && EventWParam() == key))
        ASSERT_GT(static_cast<int32_t>(deadline - GetTickCount()), 0) << "key " << key << " never arrived";
    EventsSettle(0);
}

void Tab() {
    Press(VK_TAB);
}
void ShiftTab() {
    Press(VK_TAB, {VK_SHIFT});
}

std::string TextOf(HWND window) {
    char text[64] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

using FocusTest = WindowTest;

} // namespace

TEST_F(FocusTest, TabAndShiftTabCycleThroughThreeTabStopsWithWrapAround) {
    HWND window = Shown(1);
    HWND first = Button(window, 0), second = Button(window, 1), third = Button(window, 2);
    SetFocus(second);
    Tab();
    EXPECT_EQ(GetFocus(), third);
    Tab();
    EXPECT_EQ(GetFocus(), first) << "Tab on the last tab stop wraps to the first";
    ShiftTab();
    EXPECT_EQ(GetFocus(), third) << "Shift+Tab on the first tab stop wraps to the last";
    ShiftTab();
    EXPECT_EQ(GetFocus(), second);
}

TEST_F(FocusTest, WithoutFocusInsideTabTakesTheFirstAndShiftTabTheLastTabStop) {
    HWND window = Shown(1);
    HWND first = Button(window, 0);
    Button(window, 1);
    HWND last = Button(window, 2);
    Tab();
    EXPECT_EQ(GetFocus(), first);
    SetFocus(window);
    ShiftTab();
    EXPECT_EQ(GetFocus(), last);
}

TEST_F(FocusTest, SomeKeysLeaveTheFocusWhereItIs) {
    HWND window = Shown(1);
    HWND only = Button(window, 0);
    // A control that is no tab stop, inside another control.
    HWND container = Control(window, "STATIC", WS_CHILD | WS_VISIBLE, 1);
    HWND inner = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, container, nullptr,
                                 nullptr, nullptr);

    SetFocus(only);
    Tab();
    EXPECT_EQ(GetFocus(), only) << "a single tab stop keeps the focus under Tab";
    ShiftTab();
    EXPECT_EQ(GetFocus(), only) << "and under Shift+Tab";

    HWND second = Button(window, 2);
    SetFocus(only);
    Press(VK_TAB, {VK_CONTROL});
    EXPECT_EQ(GetFocus(), only) << "Ctrl+Tab is no focus command";
    Tab();
    EXPECT_EQ(GetFocus(), second);

    SetFocus(inner);
    ASSERT_EQ(GetFocus(), inner);
    Tab();
    EXPECT_EQ(GetFocus(), inner) << "Tab from a control that is no tab stop finds no next one";
    ShiftTab();
    EXPECT_EQ(GetFocus(), second) << "Shift+Tab from it goes to the last tab stop";
}

TEST_F(FocusTest, HiddenDisabledAndHiddenContainedControlsAreSkipped) {
    HWND window = Shown(1);
    HWND first = Button(window, 0);
    Button(window, 1, TAB_STOP & ~WS_VISIBLE);
    Button(window, 2, TAB_STOP | WS_DISABLED);
    HWND container = Control(window, "STATIC", WS_CHILD | WS_VISIBLE, 3);
    HWND contained =
        CreateWindowExA(0, "BUTTON", "", TAB_STOP, 0, 0, 50, 20, container, nullptr, nullptr, nullptr);
    HWND last = Button(window, 4);

    SetFocus(first);
    Tab();
    EXPECT_EQ(GetFocus(), contained) << "a visible container's tab stops count at any depth";
    ShowWindow(container, SW_HIDE);
    SetFocus(first);
    Tab();
    EXPECT_EQ(GetFocus(), last);
    ShiftTab();
    EXPECT_EQ(GetFocus(), first);
}

TEST_F(FocusTest, InsideAnMdiChildTheOutermostOneConfinesTheCycle) {
    WNDCLASSA childClass = {};
    childClass.lpfnWndProc = DefMDIChildProcA;
    childClass.lpszClassName = "MDI_ChildClass";
    childClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ASSERT_TRUE(RegisterClassA(&childClass));

    HWND frame = Shown(1);
    HWND outside = Button(frame, 0);
    CLIENTCREATESTRUCT clientCreate = {nullptr, 1};
    HWND client = CreateWindowExA(0, "MDICLIENT", "", WS_CHILD | WS_VISIBLE, 0, 50, 400, 160, frame, nullptr,
                                  nullptr, &clientCreate);
    ASSERT_TRUE(client);
    MDICREATESTRUCTA create = {"MDI_ChildClass", "Kind", nullptr, 0, 0, 380, 140, 0, 0};
    auto child =
        reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    ASSERT_TRUE(child);
    HWND first = Button(child, 0);
    // A window of the same class nested inside: the cycle is still the outer one's.
    HWND nested = CreateWindowExA(0, "MDI_ChildClass", "", WS_CHILD | WS_VISIBLE, 110, 10, 100, 40, child,
                                  nullptr, nullptr, nullptr);
    HWND nestedButton =
        CreateWindowExA(0, "BUTTON", "", TAB_STOP, 5, 5, 50, 20, nested, nullptr, nullptr, nullptr);
    HWND last = Button(child, 2);

    SetFocus(first);
    Tab();
    EXPECT_EQ(GetFocus(), nestedButton);
    Tab();
    EXPECT_EQ(GetFocus(), last);
    Tab();
    EXPECT_EQ(GetFocus(), first) << "wraps within the MDI child, never to " << outside;
    ShiftTab();
    EXPECT_EQ(GetFocus(), last);

    SetFocus(child);
    ASSERT_EQ(GetFocus(), child);
    Tab();
    EXPECT_EQ(GetFocus(), first) << "with the focus on the MDI child itself, Tab takes its first tab stop";
    SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
}

TEST_F(FocusTest, TabIsTypedIntoAnEditableRichEditAndMovesOnFromAReadOnlyOne) {
    ASSERT_TRUE(LoadLibraryA("riched20.dll"));
    HWND window = Shown(1);
    HWND before = Button(window, 0);
    HWND rich = Control(window, "RichEdit20A", TAB_STOP | ES_MULTILINE | WS_BORDER, 1);
    HWND after = Button(window, 2);
    ASSERT_TRUE(rich);

    SetFocus(rich);
    Tab();
    EXPECT_EQ(GetFocus(), rich);
    EXPECT_EQ(TextOf(rich), "\t") << "the editable rich edit receives the Tab as a character";
    ShiftTab();
    EXPECT_EQ(GetFocus(), before) << "Shift+Tab leaves an editable rich edit";

    SendMessageA(rich, EM_SETREADONLY, TRUE, 0);
    SetFocus(rich);
    Tab();
    EXPECT_EQ(GetFocus(), after) << "a read-only rich edit passes Tab on";
    EXPECT_EQ(TextOf(rich), "\t");
    SetFocus(rich);
    ShiftTab();
    EXPECT_EQ(GetFocus(), before);
}

TEST_F(FocusTest, FocusStaysAmongTheActiveWindowsOwnControls) {
    // An owner of the MDI child class: GetParent leads from the popup's controls to it, but its
    // controls are not the popup's.
    WNDCLASSA ownerClass = {};
    ownerClass.lpfnWndProc = DefWindowProcA;
    ownerClass.lpszClassName = "MDI_ChildClass";
    ASSERT_TRUE(RegisterClassA(&ownerClass));
    HWND owner = CreateWindowExA(0, "MDI_ChildClass", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 300, 200,
                                 100, nullptr, nullptr, nullptr, nullptr);
    Button(owner, 0);
    auto popup = reinterpret_cast<HWND>(
        WindowOpenWithParent(1, 40, 40, 300, 120, "Popup", WS_POPUP | WS_CAPTION, owner));
    ASSERT_TRUE(WindowFocus(popup));
    HWND first = Button(popup, 0), second = Button(popup, 1);
    SetFocus(first);
    Tab();
    EXPECT_EQ(GetFocus(), second);
    Tab();
    EXPECT_EQ(GetFocus(), first);

    WindowClose(1);
    DestroyWindow(owner);
}
