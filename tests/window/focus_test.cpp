// Tab navigation under wine: real Tab, Shift+Tab and Ctrl+Tab through the system's input queue
// and the library's wait, real buttons, rich edits and an MDI child, the focus read with GetFocus.
#include "window_test_support.h"

namespace {

constexpr DWORD TAB_STOP = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr WORD NEXT = 0, BACK = VK_SHIFT, CONTROL_TAB = VK_CONTROL; // the key held with Tab

HWND Control(HWND parent, DWORD style, int slot, const char* className = "BUTTON") {
    return CreateWindowExA(0, className, "", style, 10 + (slot % 4) * 100, 10 + (slot / 4) * 40, 90, 30,
                           parent, nullptr, nullptr, nullptr);
}

HWND Shown() {
    auto window = reinterpret_cast<HWND>(WindowOpen(1, 80, 80, 420, 220, "Fokus"));
    EXPECT_TRUE(ForegroundMake(window));
    return window;
}

void TabsCheck(HWND start, const std::vector<std::pair<WORD, HWND>>& keys) {
    SetFocus(start);
    for (size_t i = 0; i < keys.size(); ++i) {
        const WORD held = keys[i].first;
        ASSERT_TRUE(held ? KeyThroughWait(VK_TAB, {held}) : KeyThroughWait(VK_TAB));
        EXPECT_EQ(GetFocus(), keys[i].second) << "key " << i << " (" << held << ") from " << start;
    }
}

using FocusTest = WindowTest;

} // namespace

TEST_F(FocusTest, TabStopsCycleWithWrapAroundSkippingHiddenAndDisabledOnes) {
    HWND window = Shown();
    HWND first = Control(window, TAB_STOP, 0), second = Control(window, TAB_STOP, 1);
    Control(window, TAB_STOP & ~WS_VISIBLE, 2);
    Control(window, TAB_STOP | WS_DISABLED, 3);
    HWND container = Control(window, WS_CHILD | WS_VISIBLE, 4, "STATIC");
    HWND contained =
        CreateWindowExA(0, "BUTTON", "", TAB_STOP, 0, 0, 50, 20, container, nullptr, nullptr, nullptr);
    HWND last = Control(window, TAB_STOP, 5);
    TabsCheck(second, {{NEXT, contained}, {NEXT, last}, {NEXT, first}, {BACK, last}, {BACK, contained}});
    TabsCheck(second, {{CONTROL_TAB, second}, {BACK, first}});
    TabsCheck(window, {{NEXT, first}});
    TabsCheck(window, {{BACK, last}});
}

TEST_F(FocusTest, InsideAnMdiChildTheOutermostOneConfinesTheCycle) {
    WNDCLASSA childClass = {};
    childClass.lpfnWndProc = DefMDIChildProcA;
    childClass.lpszClassName = "MDI_ChildClass";
    ASSERT_TRUE(RegisterClassA(&childClass));
    HWND frame = Shown();
    Control(frame, TAB_STOP, 0);
    CLIENTCREATESTRUCT clientCreate = {nullptr, 1};
    HWND client = CreateWindowExA(0, "MDICLIENT", "", WS_CHILD | WS_VISIBLE, 0, 50, 400, 160, frame, nullptr,
                                  nullptr, &clientCreate);
    MDICREATESTRUCTA create = {"MDI_ChildClass", "Kind", nullptr, 0, 0, 380, 140, 0, 0};
    auto child =
        reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    ASSERT_TRUE(child);
    HWND first = Control(child, TAB_STOP, 0);
    // A window of the same class nested inside: the cycle is still the outer one's.
    HWND nested = CreateWindowExA(0, "MDI_ChildClass", "", WS_CHILD | WS_VISIBLE, 110, 10, 100, 40, child,
                                  nullptr, nullptr, nullptr);
    HWND nestedButton = Control(nested, TAB_STOP, 0), last = Control(child, TAB_STOP, 2);
    TabsCheck(first, {{NEXT, nestedButton}, {NEXT, last}, {NEXT, first}, {BACK, last}});
    TabsCheck(child, {{NEXT, first}});
}

TEST_F(FocusTest, TabIsTypedIntoAnEditableRichEditAndMovesOnFromAReadOnlyOne) {
    ASSERT_TRUE(LoadLibraryA("riched20.dll"));
    HWND window = Shown();
    HWND before = Control(window, TAB_STOP, 0);
    HWND rich = Control(window, TAB_STOP | ES_MULTILINE | WS_BORDER, 1, "RichEdit20A");
    HWND after = Control(window, TAB_STOP, 2);
    TabsCheck(rich, {{NEXT, rich}, {BACK, before}});
    EXPECT_EQ(WindowText(rich), "\t") << "the editable rich edit receives the Tab as a character";
    SendMessageA(rich, EM_SETREADONLY, TRUE, 0);
    TabsCheck(rich, {{NEXT, after}});
}
