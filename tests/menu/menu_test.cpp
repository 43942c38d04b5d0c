// Menu bars on real windows, read back from the system, and chosen with the keyboard.
#include <gtest/gtest.h>

#include "menu.h"
#include "test_support.h"

typedef std::vector<std::string> Texts;
static auto Bar = [](intptr_t created) { return reinterpret_cast<HMENU>(created); };

static HWND Start(const char* title) {
    TestRuntimeStart();
    MenuLibraryStart();
    return TestWindowOpen(title);
}

TEST(Menus, MainMenuGreyingChoosingAndTheEndOfItsWindow) {
    HWND window = Start("Vornak Media Player 1.1");
    HMENU bar = Bar(MenuCreate(0, window));
    EXPECT_EQ(GetMenu(window), nullptr) << "a bar without entries is not shown";
    MenuAddTitle("Datei");
    EXPECT_EQ(GetMenu(window), bar) << "the first entry attaches the bar";
    MenuAddItem(1, "Film Player");
    MenuAddItem(2, "Audio Player");
    MenuAddItem(3, "Beenden");
    HMENU items = GetSubMenu(bar, 0);
    EXPECT_EQ(MenuTexts(items), (Texts{"Film Player", "Audio Player", "Beenden"}));

    // The result: the item's state before (set by before), -1 without such item, 0 without menu.
    // clang-format off
    struct Call { ObjectNumber menu = 0; int32_t item, before = 0, state, result; };
    for (const Call& call : {Call{.item = 3, .state = 1, .result = MF_ENABLED}, Call{.item = 1, .state = 2, .result = MF_ENABLED},
                             Call{.item = 1, .before = 1, .state = 0, .result = MF_GRAYED}, Call{.item = 13, .state = 1, .result = -1},
                             Call{.menu = 7, .item = 3, .state = 1, .result = 0}}) {
        // clang-format on
        for (int32_t item : {1, 2, 3})
            MenuItemDisable(0, item, item == call.item ? call.before : 0);
        EXPECT_EQ(MenuItemDisable(call.menu, call.item, call.state), call.result)
            << "menu " << call.menu << ", item " << call.item << ", state " << call.state;
    }
    MenuItemDisable(0, 3, 2);
    EXPECT_EQ(GetMenuState(items, 2, MF_BYPOSITION), UINT(MF_GRAYED)) << "grey, never only disabled";

    // Enter on the greyed "Beenden" (Up from the first item) chooses nothing; then "Audio Player".
    for (WORD key : {VK_F10, VK_DOWN, VK_UP, VK_RETURN, VK_F10, VK_DOWN, VK_DOWN, VK_RETURN})
        KeyPress(key);
    EXPECT_TRUE(PumpUntil([] { return testWindowCommands == std::vector<WPARAM>{2}; }));

    DestroyWindow(window);
    EXPECT_EQ(MenuItemDisable(0, 3, 1), -1) << "the bar went with its window";
    HWND again = TestWindowOpen("Neu");
    EXPECT_NE(MenuCreate(0, again), 0);
    MenuFree(0);
    MenuAddItem(8, "Danach"); // the current menu is gone: nothing to add to
    EXPECT_EQ(GetMenu(again), nullptr);
}

TEST(Menus, TitlesStandSideBySideAndItemsFollowTheLastTitle) {
    HWND window = Start("Titel");
    MenuCreate(4, window);
    MenuAddItem(5, "Los");
    MenuAddTitle("Datei");
    MenuAddItem(1, "\326ffnen");
    MenuAddTitle("Hilfe");
    MenuAddItem(2, "Info");
    MenuAddItem(3, "\334ber");
    HMENU bar = GetMenu(window);
    EXPECT_EQ(MenuTexts(bar), (Texts{"Los", "Datei", "Hilfe"}));
    EXPECT_EQ(GetMenuItemID(bar, 0), 5u) << "an item before any title is a command on the bar itself";
    EXPECT_EQ(MenuTexts(GetSubMenu(bar, 1)), Texts{"\326ffnen"});
    EXPECT_EQ(MenuTexts(GetSubMenu(bar, 2)), (Texts{"Info", "\334ber"}));
}

TEST(Menus, ReplacingFreeingAndLibraryEndTouchOnlyTheirOwnBars) {
    HWND window = Start("Ersetzen");
    MenuCreate(0, window);
    MenuAddItem(1, "Eins");
    HMENU old = Bar(MenuCreate(3, window));
    MenuAddItem(2, "Alt");
    HMENU second = Bar(MenuCreate(3, window));
    EXPECT_FALSE(IsMenu(old)) << "the number in use is freed first";
    EXPECT_EQ(GetMenu(window), nullptr);
    MenuAddItem(2, "Zwei");
    MenuFree(0);
    EXPECT_EQ(GetMenu(window), second) << "freeing menu 0 leaves the bar of menu 3 shown";
    EXPECT_EQ(MenuItemDisable(0, 1, 1), 0) << "a freed number names no menu";

    ObjectNumber dynamic = static_cast<ObjectNumber>(MenuCreate(ANY_NUMBER, window));
    MenuAddItem(9, "Neun");
    HMENU dynamicBar = GetMenu(window);
    EXPECT_NE(Bar(dynamic), dynamicBar) << "ANY_NUMBER gives the menu's number, not its bar";
    EXPECT_EQ(MenuItemDisable(dynamic, 9, 1), MF_ENABLED);
    HMENU loose = Bar(MenuCreate(5, nullptr));
    MenuAddItem(1, "Nirgends");
    MenuLibraryEnd();
    EXPECT_FALSE(IsMenu(loose));
    EXPECT_TRUE(IsMenu(second) && IsMenu(dynamicBar)) << "a window's bars are left to the window";
}
