// Message requester and the modality of all requesters: real message boxes answered from a helper
// thread, with the program's other windows looked at while a box is open.
#include <gtest/gtest.h>

#include "requester.h"
#include "test_support.h"

namespace {

constexpr int MESSAGE_ICON = 0x440; // the icon of the system's message box
constexpr int CLOSE_BOX = 0;        // answer with the close box instead of a button

struct Box {
    std::string caption, text;
    std::vector<std::string> buttons;
    bool icon = false;
    HWND owner = nullptr;
};

// Shows a box (flags -1: the form without flags) and answers it; what it showed goes to seen.
int32_t BoxAnswer(const char* title, const char* text, int32_t flags, int answer, Box* seen,
                  const std::function<void()>& whileOpen = nullptr) {
    DialogDriver driver([&](HWND dialog) {
        HWND icon = GetDlgItem(dialog, MESSAGE_ICON);
        *seen = {WindowText(dialog), ItemText(dialog, MESSAGE_TEXT), ButtonTexts(dialog),
                 icon && SendMessageA(icon, STM_GETICON, 0, 0) != 0, GetWindow(dialog, GW_OWNER)};
        if (whileOpen) whileOpen();
        if (answer == CLOSE_BOX)
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        else
            ButtonPress(dialog, answer);
    });
    return flags < 0 ? RequestMessage(title, text)
                     : RequestMessage(title, text, static_cast<uint32_t>(flags));
}

void Start() {
    TestRuntimeStart();
    RequesterLibraryStart();
}

} // namespace

TEST(MessageRequester, ButtonsTitleIconAndResultOfEachAnswer) {
    Start();
    const std::vector<std::string> OK = {"OK"}, OK_CANCEL = {"OK", "Cancel"};
    struct Row {
        const char *name, *title, *text;
        int32_t flags;
        std::vector<std::string> buttons;
        bool icon;
        int answer;
        int32_t result;
    } rows[] = {
        {"Fehler, OK", "Fehler", "", MB_OKCANCEL, OK_CANCEL, false, IDOK, IDOK},
        {"Fehler, Cancel", "Fehler", "Ich kanns nicht \366ffnen sry^^", MB_OKCANCEL, OK_CANCEL, false,
         IDCANCEL, IDCANCEL},
        {"Fehler, close box", "Fehler", "x", MB_OKCANCEL, OK_CANCEL, false, CLOSE_BOX, IDCANCEL},
        {"Copyright without flags", "Copyright", "Vornak Media Player", -1, OK, false, IDOK, IDOK},
        {"flags handed on", "Achtung", "y", MB_OK | MB_ICONERROR, OK, true, IDOK, IDOK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Box seen;
        EXPECT_EQ(BoxAnswer(row.title, row.text, row.flags, row.answer, &seen), row.result);
        EXPECT_EQ(seen.caption, row.title);
        EXPECT_EQ(seen.text, row.text);
        EXPECT_EQ(seen.buttons, row.buttons);
        EXPECT_EQ(seen.icon, row.icon);
    }
}

// The foreground window owns the box, which the system disables itself; the library disables the
// other visible windows and leaves hidden and already disabled ones as they are.
TEST(MessageRequester, OtherVisibleWindowsAreDisabledWhileTheBoxIsOpen) {
    Start();
    HWND hidden = TestWindowOpen("Versteckt", 200, 120, WS_OVERLAPPEDWINDOW);
    HWND disabled = TestWindowOpen("Gesperrt", 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_DISABLED);
    HWND other = TestWindowOpen("Anderes Fenster");
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    Box seen;
    std::vector<BOOL> open;
    BoxAnswer("Fehler", "", MB_OKCANCEL, IDOK, &seen, [&] {
        open = {IsWindowEnabled(other), IsWindowEnabled(hidden), IsWindowEnabled(disabled)};
    });
    EXPECT_EQ(seen.owner, main);
    EXPECT_EQ(open, (std::vector<BOOL>{FALSE, TRUE, FALSE})) << "other, hidden, disabled while open";
    EXPECT_EQ((std::vector<BOOL>{IsWindowEnabled(main), IsWindowEnabled(other), IsWindowEnabled(hidden),
                                 IsWindowEnabled(disabled), IsWindowVisible(hidden)}),
              (std::vector<BOOL>{TRUE, TRUE, TRUE, FALSE, FALSE}));

    // A window disabled by the program between two boxes stays disabled after the second one.
    EnableWindow(other, FALSE);
    BoxAnswer("Fehler", "", MB_OKCANCEL, IDOK, &seen);
    EXPECT_FALSE(IsWindowEnabled(other));
}

// Each thread enables again only the windows it disabled itself.
TEST(MessageRequester, EnablingLeavesTheWindowsOfOtherThreads) {
    Start();
    HWND mine = TestWindowOpen("Eigenes Fenster");
    HWND theirs = nullptr;
    HANDLE disabledThere = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE enableThere = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL theirsAfter = FALSE;
    std::thread other([&] {
        theirs = TestWindowOpen("Fenster eines anderen Threads", 200, 120, WS_OVERLAPPEDWINDOW);
        ShowWindow(theirs, SW_SHOWNA); // shown without becoming the foreground window
        RequesterDisableOthers(1);
        SetEvent(disabledThere);
        WaitForSingleObject(enableThere, WAIT_MS);
        RequesterDisableOthers(0);
        theirsAfter = IsWindowEnabled(theirs);
        DestroyWindow(theirs);
    });
    WaitForSingleObject(disabledThere, WAIT_MS);
    EXPECT_TRUE(IsWindowEnabled(mine)) << "only windows of the disabling thread are touched";
    RequesterDisableOthers(0);
    EXPECT_FALSE(IsWindowEnabled(theirs)) << "this thread did not disable it";
    SetEvent(enableThere);
    other.join();
    EXPECT_TRUE(theirsAfter);
}
