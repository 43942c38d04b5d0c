// Message requester and the modality of all requesters: real message boxes, answered from a
// helper thread, with the program's other windows checked while the box is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "dialog_driver.h"
#include "requester.h"
#include "test_support.h"

namespace {

struct BoxSeen {
    std::string caption;
    std::string text;
    bool ok = false;
    bool cancel = false;
    HWND owner = nullptr;
};

BoxSeen BoxInspect(HWND dialog) {
    BoxSeen seen;
    seen.caption = WindowText(dialog);
    seen.text = ItemText(dialog, MESSAGE_TEXT);
    seen.ok = ItemVisible(dialog, IDOK);
    seen.cancel = ItemVisible(dialog, IDCANCEL);
    seen.owner = GetWindow(dialog, GW_OWNER);
    return seen;
}

// Shows a box and answers it with button, returning what the box looked like.
int32_t BoxAnswer(const char* title, const char* text, uint32_t flags, int button, BoxSeen* seen) {
    int32_t result;
    {
        DialogDriver driver([&](HWND dialog) {
            *seen = BoxInspect(dialog);
            ButtonPress(dialog, button);
        });
        result = RequestMessage(title, text, flags);
    }
    return result;
}

std::vector<DisabledWindow> ListedWindows() {
    std::vector<DisabledWindow> listed;
    for (DynamicObjectNode* node = DisabledWindowList(); node; node = node->next)
        listed.push_back(*reinterpret_cast<DisabledWindow*>(node + 1));
    return listed;
}

class Requesters : public testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        RequesterLibraryStart();
    }
};

} // namespace

TEST_F(Requesters, FehlerBoxOffersOkAndCancelAndReportsTheButton) {
    BoxSeen seen;
    EXPECT_EQ(BoxAnswer("Fehler", "", MB_OKCANCEL, IDOK, &seen), IDOK);
    EXPECT_EQ(seen.caption, "Fehler");
    EXPECT_EQ(seen.text, "");
    EXPECT_TRUE(seen.ok);
    EXPECT_TRUE(seen.cancel);

    EXPECT_EQ(BoxAnswer("Fehler",
                        "Ich kanns nicht \xF6"
                        "ffnen sry^^",
                        MB_OKCANCEL, IDCANCEL, &seen),
              IDCANCEL);
    EXPECT_EQ(seen.text, "Ich kanns nicht \xF6"
                         "ffnen sry^^");
}

TEST_F(Requesters, CopyrightBoxHasOnlyOk) {
    int32_t result;
    BoxSeen seen;
    {
        DialogDriver driver([&](HWND dialog) {
            seen = BoxInspect(dialog);
            ButtonPress(dialog, IDOK);
        });
        result = RequestMessage("Copyright", "Vornak Media Player");
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.caption, "Copyright");
    EXPECT_EQ(seen.text, "Vornak Media Player");
    EXPECT_TRUE(seen.ok);
    EXPECT_FALSE(seen.cancel);
}

// The foreground window owns the box, which the system disables itself; the library disables
// the other visible windows and leaves hidden and already disabled ones as they are.
TEST_F(Requesters, ForegroundWindowOwnsTheBoxAndOnlyOtherWindowsAreListed) {
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    HWND other = TestWindowOpen("Anderes Fenster");
    HWND hidden = TestWindowOpen("Versteckt", 200, 120, WS_OVERLAPPEDWINDOW | 0);
    HWND disabled = TestWindowOpen("Gesperrt", 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_DISABLED);
    ASSERT_TRUE(ForegroundMake(main));

    BoxSeen seen;
    bool otherEnabled = true, hiddenEnabled = false, hiddenVisible = true, disabledEnabled = true;
    bool mainListed = true, otherListed = false, hiddenListed = true, disabledListed = true;
    size_t listLength = 0;
    int32_t result;
    {
        DialogDriver driver([&](HWND dialog) {
            seen = BoxInspect(dialog);
            otherEnabled = IsWindowEnabled(other);
            hiddenEnabled = IsWindowEnabled(hidden);
            hiddenVisible = IsWindowVisible(hidden);
            disabledEnabled = IsWindowEnabled(disabled);
            std::vector<DisabledWindow> listed = ListedWindows();
            listLength = listed.size();
            for (const DisabledWindow& entry : listed) {
                mainListed = mainListed && entry.window == main;
                otherListed = otherListed || entry.window == other;
                hiddenListed = hiddenListed && entry.window == hidden;
                disabledListed = disabledListed && entry.window == disabled;
            }
            ButtonPress(dialog, IDOK);
        });
        result = RequestMessage("Fehler", "", MB_OKCANCEL);
    }
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.owner, main);
    EXPECT_EQ(listLength, 1u);
    EXPECT_TRUE(otherListed);
    EXPECT_FALSE(mainListed);
    EXPECT_FALSE(otherEnabled);
    EXPECT_FALSE(hiddenListed);
    EXPECT_TRUE(hiddenEnabled);
    EXPECT_FALSE(hiddenVisible);
    EXPECT_FALSE(disabledListed);
    EXPECT_FALSE(disabledEnabled);

    EXPECT_TRUE(ListedWindows().empty());
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_FALSE(IsWindowEnabled(disabled)) << "a window disabled before stays disabled";
}

TEST_F(Requesters, ForeignForegroundLeavesTheBoxWithoutOwnerAndDisablesEveryWindow) {
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    HWND other = TestWindowOpen("Anderes Fenster");

    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string foreign = std::string(path, strrchr(path, '\\') + 1) + "requester_foreign_window.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(foreign.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    ASSERT_TRUE(PumpUntil([] {
        DWORD owner = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &owner);
        return owner != 0 && owner != GetCurrentProcessId();
    })) << "the other program did not come to the foreground";
    HWND foreground = GetForegroundWindow();
    EXPECT_EQ(RequesterOwnerWindow(), nullptr);

    BoxSeen seen;
    bool mainEnabled = true, otherEnabled = true;
    bool mainListed = false, otherListed = false;
    {
        DialogDriver driver([&](HWND dialog) {
            seen = BoxInspect(dialog);
            mainEnabled = IsWindowEnabled(main);
            otherEnabled = IsWindowEnabled(other);
            for (const DisabledWindow& entry : ListedWindows()) {
                mainListed = mainListed || entry.window == main;
                otherListed = otherListed || entry.window == other;
            }
            ButtonPress(dialog, IDCANCEL);
        });
        EXPECT_EQ(RequestMessage("Fehler", "", MB_OKCANCEL), IDCANCEL);
    }
    PostMessageA(foreground, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, WAIT_MS);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_FALSE(mainEnabled);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(mainListed);
    EXPECT_TRUE(otherListed);
    EXPECT_TRUE(ListedWindows().empty());
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(other));
}

TEST_F(Requesters, WindowDestroyedWhileDisabledLeavesTheListClean) {
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    HWND doomed = TestWindowOpen("Geschlossen");
    ASSERT_TRUE(ForegroundMake(main));
    bool wasListed = false, destroyed = false;
    {
        DialogDriver driver([&](HWND dialog) {
            std::vector<DisabledWindow> listed = ListedWindows();
            wasListed = listed.size() == 1 && listed[0].window == doomed;
            // Closing goes through the requester's own message loop on the test's thread.
            PostMessageA(doomed, WM_CLOSE, 0, 0);
            destroyed = PumpUntil([&] { return !IsWindow(doomed); });
            ButtonPress(dialog, IDOK);
        });
        EXPECT_EQ(RequestMessage("Fehler", "", MB_OKCANCEL), IDOK);
    }
    EXPECT_TRUE(wasListed);
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(ListedWindows().empty());
    EXPECT_TRUE(IsWindowEnabled(main));
}

// Each thread enables again only the windows it disabled itself.
TEST_F(Requesters, EnablingLeavesTheWindowsOfOtherThreads) {
    HWND mine = TestWindowOpen("Eigenes Fenster");
    HWND theirs = nullptr;
    HANDLE disabledThere = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE enableThere = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool theirsEnabledAfter = false;
    std::thread other([&] {
        // Shown without activation, so that it is not the foreground window.
        theirs = TestWindowOpen("Fenster eines anderen Threads", 200, 120, WS_OVERLAPPEDWINDOW | 0);
        ShowWindow(theirs, SW_SHOWNA);
        RequesterDisableOthers(1);
        SetEvent(disabledThere);
        WaitForSingleObject(enableThere, WAIT_MS);
        RequesterDisableOthers(0);
        theirsEnabledAfter = IsWindowEnabled(theirs);
        DestroyWindow(theirs);
    });
    WaitForSingleObject(disabledThere, WAIT_MS);
    std::vector<DisabledWindow> listed = ListedWindows();
    EXPECT_EQ(listed.size(), 1u) << "only windows of the disabling thread are touched";
    EXPECT_TRUE(!listed.empty() && listed[0].window == theirs);
    EXPECT_TRUE(IsWindowEnabled(mine));

    RequesterDisableOthers(0);
    EXPECT_EQ(ListedWindows().size(), 1u);
    EXPECT_FALSE(IsWindowEnabled(theirs));

    SetEvent(enableThere);
    other.join();
    EXPECT_TRUE(theirsEnabledAfter);
    EXPECT_TRUE(ListedWindows().empty());
    CloseHandle(disabledThere);
    CloseHandle(enableThere);
}
