// The control registry under wine: a registered control's handler gets the messages its parent
// receives from it only while "QZ_ID" and GWL_ID agree and they come from its own window.
#include "window_test_support.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int ID = 7;
constexpr LRESULT HANDLED = 1234;
constexpr bool S = false, P = true;

std::vector<UINT> received;
LRESULT RecordingHandler(ControlObject*, HWND, UINT message, WPARAM, LPARAM) {
    received.push_back(message);
    return HANDLED;
}
const ControlType RECORDING = {{nullptr, nullptr}, RecordingHandler}, SILENT = {{nullptr, nullptr}, nullptr};

// clang-format off
const std::vector<Step> BY_HANDLER = {
    {"click", P, 0, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, 1, ANY, {{WM_COMMAND}}},
    {"sent click: not the handler's result", S, 0, WM_COMMAND, ID, 0, 1, 0, {}},
    {"horizontal scroll", S, 0, WM_HSCROLL, 1, 0, 1, HANDLED, {}},
    {"vertical scroll", S, 0, WM_VSCROLL, 1, 0, 1, HANDLED, {}},
    {"to the control", S, 0, MSG_TO_CONTROL, 1, 0, 1, HANDLED, {}},
    {"edit colour", S, 0, WM_CTLCOLOREDIT, 1, 0, 1, HANDLED, {}},
    {"list colour", S, 0, WM_CTLCOLORLISTBOX, 1, 0, 1, HANDLED, {}},
    {"button colour", S, 0, WM_CTLCOLORBTN, 1, 0, 1, HANDLED, {}},
    {"static colour", S, 0, WM_CTLCOLORSTATIC, 1, 0, 1, HANDLED, {}},
};
const std::vector<Step> BY_LIBRARY = {
    {"click", P, 0, WM_COMMAND, MAKEWPARAM(ID, BN_CLICKED), 0, 1, ANY, {{EVENT_CONTROL, 1, ID, BN_CLICKED}}},
    {"horizontal scroll", S, 0, WM_HSCROLL, 1, 0, 1, 0, {}},
    {"vertical scroll", S, 0, WM_VSCROLL, 1, 0, 1, 0, {}},
    {"to the control", S, 0, MSG_TO_CONTROL, 1, 0, 1, 0, {}},
    {"static colour", S, 0, WM_CTLCOLORSTATIC, 1, 0, 1, ANY, {}},
};
// clang-format on

HWND Child(HWND parent, const char* className, intptr_t id, intptr_t property) {
    HWND child = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 30, parent, HMENU(id),
                                 nullptr, nullptr);
    if (property >= 0) SetPropA(child, "QZ_ID", HANDLE(property));
    return child;
}

ControlObject* Register(ObjectNumber number, HWND child, const ControlType* type) {
    auto* control = static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), number));
    *control = {child, type};
    return control;
}

class ControlTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        received.clear();
        window = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 300, 150, "controls"));
        EventsSettle();
    }
    void TearDown() override {
        for (ObjectNumber n = 0; n <= ID; ++n)
            ControlFree(n);
        WindowTest::TearDown();
    }
    HWND window = nullptr;
};

} // namespace

TEST_F(ControlTest, HandlerGetsTheControlsMessagesWhilePropertyAndIdentifierAgree) {
    HWND button = Child(window, "BUTTON", ID, ID);
    Register(ID, button, &RECORDING);
    ASSERT_TRUE(ForegroundMake(window));
    MouseClick(CentreOf(button));
    EXPECT_TRUE(
        PumpUntil([] { return std::count(received.begin(), received.end(), UINT(WM_COMMAND)) == 1; }));
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_CONTROL).size(), 0u) << "a handled click makes no event";
    StepsCheck({window, button}, BY_HANDLER);
    NMHDR notify = {button, ID, UINT(NM_CLICK)};
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, ID, reinterpret_cast<LPARAM>(&notify)), HANDLED);
    received.clear();
    SendMessageA(window, WM_CTLCOLORDLG, 0, LPARAM(button));
    SetPropA(button, "QZ_ID", HANDLE(ID + 1));
    StepsCheck({window, button}, BY_LIBRARY);
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, ID, reinterpret_cast<LPARAM>(&notify)), 0);
    EXPECT_TRUE(received.empty()) << "dialog colours, or property and identifier disagree: not the control";
}

TEST_F(ControlTest, OnlyTheRegisteredWindowSpeaksForItsControlAndFreeDestroysIt) {
    Register(0, Child(window, "BUTTON", 0, 0), &RECORDING);
    for (HWND stranger : {Child(window, "STATIC", 0, -1), Child(window, "BUTTON", 0, 0), HWND(0x1234)})
        SendMessageA(window, MSG_TO_CONTROL, 0, reinterpret_cast<LPARAM>(stranger));
    EXPECT_TRUE(received.empty());
    HWND silent = Child(window, "BUTTON", ID, ID);
    Register(ID, silent, &SILENT);
    EventsSettle();
    StepsCheck({window, silent}, BY_LIBRARY);
    HWND first = Child(window, "BUTTON", 5, 5), second = Child(window, "BUTTON", 5, 5);
    Register(5, first, &RECORDING);
    ControlObject* again = Register(5, second, &RECORDING);
    EXPECT_TRUE(!IsWindow(first) && RegistryLookup(ControlRegistry(), 5) == again)
        << "a number in use is freed";
    ControlFree(5);
    EXPECT_TRUE(!IsWindow(second) && !RegistryLookup(ControlRegistry(), 5))
        << "a freed number names no control";
}
