// A chosen menu item reaches the application's loop as EVENT_MENU with the item's number.
#include <gtest/gtest.h>

#include "menu.h"
#include "test_support.h"
#include "window.h"

namespace {

constexpr DWORD EVENT_TIMEOUT_MS = 5000;
constexpr int32_t WAIT_STEP_MS = 100;

void KeysPress(std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
}

} // namespace

TEST(MenuEvent, ChosenItemArrivesAsEventMenuThroughEventWait) {
    TestRuntimeStart();
    MenuLibraryStart();
    WindowLibraryStart();
    ASSERT_NE(WindowOpen(0, 0, 0, 230, 90, "Vornak Media Player 1.1", 0xC80001), 0);
    HWND window = reinterpret_cast<HWND>(WindowHandle(0));
    ASSERT_NE(MenuCreate(0, window), 0);
    MenuAddTitle("Datei");
    MenuAddItem(1, "Film Player");
    MenuAddItem(2, "Audio Player");
    MenuAddItem(3, "Beenden");
    SetForegroundWindow(window);

    // F10 opens the bar, Down the drop-down at "Film Player", Up wraps round to "Beenden".
    KeysPress({VK_F10, VK_DOWN, VK_UP, VK_RETURN});
    int32_t event = 0;
    for (DWORD deadline = GetTickCount() + EVENT_TIMEOUT_MS;
         event != EVENT_MENU && static_cast<LONG>(deadline - GetTickCount()) > 0;)
        event = EventWaitTimeout(WAIT_STEP_MS);
    ASSERT_EQ(event, EVENT_MENU);
    EXPECT_EQ(EventMenuItem(), 3);
    WindowLibraryEnd();
}
