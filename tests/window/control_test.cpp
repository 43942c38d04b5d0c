// The control registry under wine: a registered control's handler gets the messages its parent
// receives from it only while "QZ_ID" and GWL_ID agree and they come from its own window.
#include "window_test_support.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int CONTROL_ID = 7;
constexpr LRESULT HANDLED = 1234;

std::vector<UINT> received;
LRESULT RecordingHandler(ControlObject*, HWND, UINT message, WPARAM, LPARAM) {
    received.push_back(message);
    return HANDLED;
}
const ControlType RECORDING = {{nullptr, nullptr}, RecordingHandler}, SILENT = {{nullptr, nullptr}, nullptr};

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

// Each message a control sends its parent, and the parent's answer when the handler has it or not.
std::vector<Step> ControlMessages(bool handled) {
    std::vector<Step> steps = {
        {"click",
         true,
         0,
         WM_COMMAND,
         MAKEWPARAM(CONTROL_ID, BN_CLICKED),
         0,
         1,
         ANY,
         {handled ? Delivered{WM_COMMAND} : Delivered{EVENT_CONTROL, 1, CONTROL_ID, BN_CLICKED}}}};
    for (UINT m : std::vector<UINT>{WM_HSCROLL, WM_VSCROLL, MSG_TO_CONTROL, WM_CTLCOLOREDIT,
                                    WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORSTATIC}) {
        const bool colour = m >= WM_CTLCOLOREDIT && m <= WM_CTLCOLORSTATIC;
        steps.push_back({"sent", false, 0, m, 1, 0, 1, handled ? HANDLED : colour ? ANY : 0, {}});
    }
    if (handled)
        steps.push_back(
            {"sent click: not the handler's result", false, 0, WM_COMMAND, CONTROL_ID, 0, 1, 0, {}});
    return steps;
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
        for (ObjectNumber n = 0; n <= CONTROL_ID; ++n)
            ControlFree(n);
        WindowTest::TearDown();
    }
    HWND window = nullptr;
};

} // namespace

TEST_F(ControlTest, HandlerGetsTheControlsMessagesWhilePropertyAndIdentifierAgree) {
    HWND button = Child(window, "BUTTON", CONTROL_ID, CONTROL_ID);
    Register(CONTROL_ID, button, &RECORDING);
    ASSERT_TRUE(ForegroundMake(window));
    MouseClick(CentreOf(button));
    EXPECT_TRUE(
        PumpUntil([] { return std::count(received.begin(), received.end(), UINT(WM_COMMAND)) == 1; }));
    EXPECT_EQ(std::count(received.begin(), received.end(), UINT(WM_CTLCOLORBTN)) > 0, true) << "its painting";
    EXPECT_EQ(WindowsOf(EventsSettle(), EVENT_CONTROL).size(), 0u) << "a handled click makes no event";
    StepsCheck({window, button}, ControlMessages(true));
    NMHDR notify = {button, CONTROL_ID, UINT(NM_CLICK)};
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, CONTROL_ID, reinterpret_cast<LPARAM>(&notify)), HANDLED);
    received.clear();
    for (UINT notTheControls : {WM_CTLCOLORDLG, WM_CTLCOLORSCROLLBAR})
        SendMessageA(window, notTheControls, 0, LPARAM(button));
    EXPECT_TRUE(received.empty()) << "dialog and scroll-bar colours are not the control's";
    SetPropA(button, "QZ_ID", HANDLE(CONTROL_ID + 1));
    StepsCheck({window, button}, ControlMessages(false));
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, CONTROL_ID, reinterpret_cast<LPARAM>(&notify)), 0);
    EXPECT_TRUE(received.empty()) << "property and identifier disagree: not the control";
}

TEST_F(ControlTest, OnlyTheRegisteredWindowSpeaksForItsControlAndFreeDestroysIt) {
    Register(0, Child(window, "BUTTON", 0, 0), &RECORDING);
    HWND label = Child(window, "STATIC", 0, -1), impostor = Child(window, "BUTTON", 0, 0);
    for (HWND stranger : {label, impostor, HWND(0x1234)}) {
        SendMessageA(window, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(stranger));
        SendMessageA(window, MSG_TO_CONTROL, 0, reinterpret_cast<LPARAM>(stranger));
    }
    EXPECT_TRUE(received.empty());
    HWND silent = Child(window, "BUTTON", CONTROL_ID, CONTROL_ID);
    Register(CONTROL_ID, silent, &SILENT);
    EventsSettle();
    StepsCheck({window, silent}, ControlMessages(false));
    for (const char* name : {"SysTabControl32", "SysDateTimePick32", "ComboBoxEx32", "SysIPAddress32"})
        EXPECT_NE(Child(window, name, 1, -1), nullptr) << name << " after ControlLibraryStart";
    HWND first = Child(window, "BUTTON", 5, 5), second = Child(window, "BUTTON", 5, 5);
    Register(5, first, &RECORDING);
    ControlObject* again = Register(5, second, &RECORDING);
    EXPECT_TRUE(!IsWindow(first) && RegistryLookup(ControlRegistry(), 5) == again)
        << "a number in use is freed";
    ControlFree(5);
    EXPECT_TRUE(!IsWindow(second) && !RegistryLookup(ControlRegistry(), 5))
        << "a freed number names no control";
}
