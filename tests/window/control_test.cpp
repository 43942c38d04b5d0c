// The control registry under wine: a registered control's handler receives its WM_COMMAND,
// WM_NOTIFY, scroll and colour messages only while "QZ_ID" and GWL_ID agree; the common
// controls are ready after the start.
#include "window_test_support.h"

#include <commctrl.h>

namespace {

constexpr int CONTROL_ID = 7;
constexpr LRESULT COMMAND_RESULT = 55;
constexpr LRESULT NOTIFY_RESULT = 1234;
constexpr LRESULT SCROLL_RESULT = 11;
constexpr LRESULT TO_CONTROL_RESULT = 99;

struct Received {
    ControlObject* control;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received;
HBRUSH controlBrush;
bool passCommands;

LRESULT RecordingHandler(ControlObject* control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({control, window, message, wParam, lParam});
    switch (message) {
    case WM_COMMAND:
        return passCommands ? NOT_HANDLED : COMMAND_RESULT;
    case WM_NOTIFY:
        return NOTIFY_RESULT;
    case WM_HSCROLL:
    case WM_VSCROLL:
        return SCROLL_RESULT;
    case MSG_TO_CONTROL:
        return TO_CONTROL_RESULT;
    default:
        return reinterpret_cast<LRESULT>(controlBrush);
    }
}
const ControlType RECORDING_CONTROL = {{nullptr, nullptr}, RecordingHandler};
const ControlType SILENT_CONTROL = {{nullptr, nullptr}, nullptr};

int ReceivedCount(UINT message) {
    int count = 0;
    for (const Received& r : received)
        count += r.message == message;
    return count;
}

HWND ChildCreate(HWND parent, const char* className, int id) {
    return CreateWindowExA(0, className, "control", WS_CHILD | WS_VISIBLE, 10, 10, 100, 30, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleA(nullptr),
                           nullptr);
}

void ControlIdSet(HWND child, intptr_t id) {
    SetPropA(child, "QZ_ID", reinterpret_cast<HANDLE>(id));
}

ControlObject* ControlRegister(ObjectNumber number, HWND child, const ControlType* type) {
    auto* control = static_cast<ControlObject*>(RegistryAllocate(ControlRegistry(), number));
    control->hwnd = child;
    control->controlType = type;
    return control;
}

POINT CentreOnScreen(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class ControlTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        received.clear();
        passCommands = false;
        controlBrush = CreateSolidBrush(RGB(9, 9, 9));
    }
    void TearDown() override {
        for (ObjectNumber n = 0; n < 50; ++n)
            ControlFree(n);
        WindowTest::TearDown();
        DeleteObject(controlBrush);
    }
};

} // namespace

TEST_F(ControlTest, HandlerGetsTheControlsMessagesWhilePropertyAndIdentifierAgree) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 300, 150, "controls"));
    HWND button = ChildCreate(window, "BUTTON", CONTROL_ID);
    ControlIdSet(button, CONTROL_ID);
    ControlObject* control = ControlRegister(CONTROL_ID, button, &RECORDING_CONTROL);
    ASSERT_TRUE(WindowFocus(window));
    EventsSettle();

    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_GE(ReceivedCount(WM_CTLCOLORBTN), 1) << "the button's own painting asks its parent for colours";

    received.clear();
    MouseClick(CentreOnScreen(button));
    std::vector<Delivered> seen;
    EXPECT_FALSE(EventAwait(EVENT_CONTROL, 500, &seen)) << "a handled command makes no event";
    ASSERT_EQ(ReceivedCount(WM_COMMAND), 1) << "the real click reaches the handler as WM_COMMAND";
    const Received& command = received[0].message == WM_COMMAND ? received[0] : received.back();
    EXPECT_EQ(command.control, control);
    EXPECT_EQ(command.window, window);
    EXPECT_EQ(command.wParam, MAKEWPARAM(CONTROL_ID, BN_CLICKED));
    EXPECT_EQ(command.lParam, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(CONTROL_ID, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button)),
              0)
        << "WM_COMMAND answers 0, not the handler's result";

    NMHDR notify = {button, CONTROL_ID, NM_CLICK};
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, CONTROL_ID, reinterpret_cast<LPARAM>(&notify)), NOTIFY_RESULT);
    EXPECT_EQ(SendMessageA(window, WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(button)), SCROLL_RESULT);
    EXPECT_EQ(SendMessageA(window, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(button)), SCROLL_RESULT);
    EXPECT_EQ(SendMessageA(window, MSG_TO_CONTROL, 3, reinterpret_cast<LPARAM>(button)), TO_CONTROL_RESULT);
    HDC dc = GetDC(button);
    for (UINT colour : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORSTATIC}) {
        EXPECT_EQ(
            SendMessageA(window, colour, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)),
            reinterpret_cast<LRESULT>(controlBrush))
            << colour;
    }
    received.clear();
    for (UINT colour : {WM_CTLCOLORDLG, WM_CTLCOLORSCROLLBAR})
        SendMessageA(window, colour, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(received.empty()) << "dialog and scroll-bar colours are not the control's";

    passCommands = true;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(CONTROL_ID, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(EventWait(), EVENT_CONTROL) << "a command the handler leaves alone becomes EVENT_CONTROL";
    passCommands = false;

    // Property and identifier disagree: the control is not recognised.
    ControlIdSet(button, CONTROL_ID + 1);
    received.clear();
    MouseClick(CentreOnScreen(button));
    ASSERT_TRUE(EventAwait(EVENT_CONTROL)) << "an unrecognised control's click is an ordinary control event";
    EXPECT_EQ(EventMenuItem(), CONTROL_ID);
    EXPECT_EQ(EventType(), BN_CLICKED);
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, CONTROL_ID, reinterpret_cast<LPARAM>(&notify)), 0);
    EXPECT_EQ(SendMessageA(window, WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(button)), 0);
    EXPECT_NE(
        SendMessageA(window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)),
        reinterpret_cast<LRESULT>(controlBrush));
    EXPECT_EQ(SendMessageA(window, MSG_TO_CONTROL, 3, reinterpret_cast<LPARAM>(button)), 0);
    EXPECT_TRUE(received.empty());
    ReleaseDC(button, dc);
}

TEST_F(ControlTest, OnlyTheRegisteredWindowSpeaksForItsControl) {
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 300, 150, "controls"));
    HWND registered = ChildCreate(window, "BUTTON", 0);
    ControlRegister(0, registered, &RECORDING_CONTROL);
    ControlIdSet(registered, 0);
    HWND label = ChildCreate(window, "STATIC", 0); // identifier 0 and no property, like many labels
    HWND impostor = ChildCreate(window, "BUTTON", 0);
    ControlIdSet(impostor, 0);
    EventsSettle();

    received.clear();
    HDC dc = GetDC(label);
    for (HWND stranger : {label, impostor}) {
        SendMessageA(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(stranger));
        SendMessageA(window, MSG_TO_CONTROL, 0, reinterpret_cast<LPARAM>(stranger));
    }
    SendMessageA(window, MSG_TO_CONTROL, 0, 0x1234);
    EXPECT_TRUE(received.empty());
    SendMessageA(window, MSG_TO_CONTROL, 0, reinterpret_cast<LPARAM>(registered));
    EXPECT_EQ(received.size(), 1u);
    ReleaseDC(label, dc);

    // A control without a handler is treated like no control.
    HWND silent = ChildCreate(window, "BUTTON", 3);
    ControlIdSet(silent, 3);
    ControlRegister(3, silent, &SILENT_CONTROL);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), reinterpret_cast<LPARAM>(silent));
    EXPECT_EQ(EventWait(), EVENT_CONTROL);
    EXPECT_EQ(EventMenuItem(), 3);
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, 0, 0), 0) << "WM_NOTIFY without its header is left alone";
}

TEST_F(ControlTest, StartPreparesCommonControlsAndAnEmptyRegistry) {
    ASSERT_NE(ControlRegistry(), nullptr);
    for (ObjectNumber n = 0; n < 100; ++n)
        EXPECT_EQ(RegistryLookup(ControlRegistry(), n), nullptr);
    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 300, 150, "common controls"));
    for (const char* name : {"SysTabControl32", "SysDateTimePick32", "ComboBoxEx32", "SysIPAddress32"}) {
        HWND made = ChildCreate(window, name, 1);
        EXPECT_NE(made, nullptr) << name << " must be available after ControlLibraryStart";
        DestroyWindow(made);
    }
}

TEST_F(ControlTest, FreeDestroysTheControlAndFreesItsNumber) {
    ControlFree(5);
    ControlFree(ANY_NUMBER);
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), nullptr);

    HWND window = reinterpret_cast<HWND>(WindowOpen(1, 50, 50, 300, 150, "free"));
    HWND first = ChildCreate(window, "BUTTON", 5);
    ControlRegister(5, first, &RECORDING_CONTROL);
    HWND second = ChildCreate(window, "BUTTON", 5);
    ControlObject* again = ControlRegister(5, second, &RECORDING_CONTROL);
    EXPECT_FALSE(IsWindow(first)) << "allocating a number in use frees the old control";
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), again);

    ControlFree(5);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(RegistryLookup(ControlRegistry(), 5), nullptr) << "a freed number names no control";

    HWND dynamicWindow = ChildCreate(window, "BUTTON", 0);
    ControlObject* dynamic = ControlRegister(ANY_NUMBER, dynamicWindow, &RECORDING_CONTROL);
    auto dynamicNumber = reinterpret_cast<ObjectNumber>(dynamic);
    ControlFree(dynamicNumber);
    EXPECT_FALSE(IsWindow(dynamicWindow));
    EXPECT_EQ(RegistryLookup(ControlRegistry(), dynamicNumber), nullptr);
}
