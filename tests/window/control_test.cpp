// The control registry under wine: a registered control's handler gets its WM_COMMAND,
// WM_NOTIFY, scroll and colour messages only while "QZ_ID" and GWL_ID agree and the message comes
// from its own window; the common controls are ready after the start.
#include "window_test_support.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int CONTROL_ID = 7;
constexpr LRESULT HANDLED = 1234;
constexpr LRESULT DEFAULT = ANY;

std::vector<UINT> received;
bool passCommands;

LRESULT RecordingHandler(ControlObject*, HWND, UINT message, WPARAM, LPARAM) {
    received.push_back(message);
    return message == WM_COMMAND && passCommands ? NOT_HANDLED : HANDLED;
}
const ControlType RECORDING = {{nullptr, nullptr}, RecordingHandler};
const ControlType SILENT = {{nullptr, nullptr}, nullptr};

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

// Each message a control can send its parent, and what the parent answers when the control's
// handler gets it (handled) or not.
std::vector<Step> ControlMessages(int from, bool handled) {
    const LRESULT answer = handled ? HANDLED : DEFAULT;
    const std::vector<Delivered> event = {{EVENT_CONTROL, 1, CONTROL_ID, BN_CLICKED}};
    std::vector<Step> steps = {
        {true, 0, WM_COMMAND, MAKEWPARAM(CONTROL_ID, BN_CLICKED), 0, from, ANY,
         handled ? std::vector<Delivered>{{WM_COMMAND}} : event},
        {false, 0, WM_HSCROLL, SB_LINEDOWN, 0, from, handled ? HANDLED : 0, {}},
        {false, 0, WM_VSCROLL, SB_LINEDOWN, 0, from, handled ? HANDLED : 0, {}},
        {false, 0, MSG_TO_CONTROL, 3, 0, from, handled ? HANDLED : 0, {}},
    };
    // Sent: the handler's result is not the message's.
    if (handled) steps.push_back({false, 0, WM_COMMAND, MAKEWPARAM(CONTROL_ID, BN_CLICKED), 0, from, 0, {}});
    for (UINT colour : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORSTATIC})
        steps.push_back({false, 0, colour, 0, 0, from, answer, {}});
    return steps;
}

class ControlTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        received.clear();
        passCommands = false;
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
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_GE(std::count(received.begin(), received.end(), UINT(WM_CTLCOLORBTN)), 1) << "its own painting";
    MouseClick(CentreOf(button));
    EXPECT_FALSE(EventAwait(EVENT_CONTROL, 500)) << "a handled click makes no event";
    EXPECT_EQ(std::count(received.begin(), received.end(), UINT(WM_COMMAND)), 1) << "the real click arrives";

    const std::vector<HWND> windows = {window, button};
    StepsCheck(windows, ControlMessages(1, true));
    NMHDR notify = {button, CONTROL_ID, UINT(NM_CLICK)};
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, CONTROL_ID, reinterpret_cast<LPARAM>(&notify)), HANDLED);
    received.clear();
    StepsCheck(windows, {{false, 0, WM_CTLCOLORDLG, 0, 0, 1, ANY, {}},
                         {false, 0, WM_CTLCOLORSCROLLBAR, 0, 0, 1, ANY, {}}});
    EXPECT_TRUE(received.empty()) << "dialog and scroll-bar colours are not the control's";
    passCommands = true;
    StepsCheck(windows, {{true,
                          0,
                          WM_COMMAND,
                          MAKEWPARAM(CONTROL_ID, BN_CLICKED),
                          0,
                          1,
                          ANY,
                          {{EVENT_CONTROL, 1, CONTROL_ID, BN_CLICKED}}}});

    SetPropA(button, "QZ_ID", HANDLE(CONTROL_ID + 1));
    received.clear();
    StepsCheck(windows, ControlMessages(1, false));
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, CONTROL_ID, reinterpret_cast<LPARAM>(&notify)), 0);
    EXPECT_TRUE(received.empty()) << "property and identifier disagree: not the control";
}

TEST_F(ControlTest, OnlyTheRegisteredWindowSpeaksForItsControl) {
    Register(0, Child(window, "BUTTON", 0, 0), &RECORDING);
    HWND label = Child(window, "STATIC", 0, -1); // identifier 0 and no property, like many labels
    HWND impostor = Child(window, "BUTTON", 0, 0);
    for (HWND stranger : {label, impostor, HWND(0x1234)}) {
        SendMessageA(window, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(stranger));
        SendMessageA(window, MSG_TO_CONTROL, 0, reinterpret_cast<LPARAM>(stranger));
    }
    EXPECT_TRUE(received.empty());
    HWND silent = Child(window, "BUTTON", CONTROL_ID, CONTROL_ID);
    Register(CONTROL_ID, silent, &SILENT);
    EventsSettle();
    StepsCheck({window, silent}, ControlMessages(1, false));
}

TEST_F(ControlTest, StartPreparesCommonControlsAndFreeDestroysAndFreesTheNumber) {
    for (ObjectNumber n = 0; n < 60; ++n)
        EXPECT_EQ(RegistryLookup(ControlRegistry(), n), nullptr);
    for (const char* name : {"SysTabControl32", "SysDateTimePick32", "ComboBoxEx32", "SysIPAddress32"})
        EXPECT_NE(Child(window, name, 1, -1), nullptr) << name << " after ControlLibraryStart";

    ControlFree(5);
    ControlFree(ANY_NUMBER);
    HWND first = Child(window, "BUTTON", 5, 5);
    Register(5, first, &RECORDING);
    HWND second = Child(window, "BUTTON", 5, 5);
    ControlObject* again = Register(5, second, &RECORDING);
    EXPECT_FALSE(IsWindow(first)) << "allocating a number in use frees the old control";
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), again);
    ControlFree(5);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), nullptr) << "a freed number names no control";
    HWND dynamicWindow = Child(window, "BUTTON", 0, -1);
    auto dynamic = reinterpret_cast<ObjectNumber>(Register(ANY_NUMBER, dynamicWindow, &RECORDING));
    ControlFree(dynamic);
    EXPECT_FALSE(IsWindow(dynamicWindow));
    EXPECT_EQ(RegistryLookup(ControlRegistry(), dynamic), nullptr);
}
