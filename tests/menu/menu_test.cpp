// Menu bars on real windows: the bars are read back from the system, and chosen items are
// selected with the keyboard through the system's own menu tracking.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menu.h"
#include "test_support.h"

namespace {

constexpr int32_t FILM = 1, AUDIO = 2, BEENDEN = 3;

struct MenuEntry {
    UINT id;
    std::string text;
    HMENU subMenu;
    UINT state;
};

MenuEntry EntryAt(HMENU menu, int position) {
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = sizeof(text);
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) return {0, "<none>", nullptr, 0};
    return {info.wID, text, info.hSubMenu, info.fState};
}

std::vector<std::string> Texts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        texts.push_back(EntryAt(menu, i).text);
    return texts;
}

// The main window's menu as the application builds it.
intptr_t MainMenuBuild(HWND window) {
    intptr_t bar = MenuCreate(0, window);
    MenuAddTitle("Datei");
    MenuAddItem(FILM, "Film Player");
    MenuAddItem(AUDIO, "Audio Player");
    MenuAddItem(BEENDEN, "Beenden");
    return bar;
}

class Menus : public testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        MenuLibraryStart();
        testWindowCommands.clear();
    }
};

} // namespace

TEST_F(Menus, MainMenuIsOneTitleWithThreeNumberedItems) {
    HWND window = TestWindowOpen("Vornak Media Player 1.1");
    RECT before;
    GetClientRect(window, &before);
    intptr_t bar = MenuCreate(0, window);
    ASSERT_NE(bar, 0);
    EXPECT_TRUE(IsMenu(reinterpret_cast<HMENU>(bar)));
    EXPECT_EQ(GetMenu(window), nullptr) << "a bar without entries is not shown";

    MenuAddTitle("Datei");
    EXPECT_EQ(GetMenu(window), reinterpret_cast<HMENU>(bar)) << "the first entry attaches the bar";
    MenuAddItem(FILM, "Film Player");
    MenuAddItem(AUDIO, "Audio Player");
    MenuAddItem(BEENDEN, "Beenden");

    HMENU shown = GetMenu(window);
    ASSERT_EQ(shown, reinterpret_cast<HMENU>(bar));
    ASSERT_EQ(GetMenuItemCount(shown), 1);
    MenuEntry title = EntryAt(shown, 0);
    EXPECT_EQ(title.text, "Datei");
    ASSERT_NE(title.subMenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(title.subMenu), 3);
    std::vector<std::string> expected = {"Film Player", "Audio Player", "Beenden"};
    for (int i = 0; i < 3; ++i) {
        MenuEntry item = EntryAt(title.subMenu, i);
        EXPECT_EQ(item.id, static_cast<UINT>(i + 1));
        EXPECT_EQ(item.text, expected[i]);
        EXPECT_EQ(item.subMenu, nullptr);
        EXPECT_EQ(GetMenuState(shown, item.id, MF_BYCOMMAND), static_cast<UINT>(MF_ENABLED));
    }
    // The window keeps its outer size, so the bar takes its height from the client area.
    RECT after;
    GetClientRect(window, &after);
    EXPECT_LT(after.bottom, before.bottom);
    EXPECT_EQ(after.right, before.right);
}

TEST_F(Menus, TitlesStandSideBySideAndItemsFollowTheLastTitle) {
    HWND window = TestWindowOpen("Titel");
    MenuCreate(4, window);
    MenuAddItem(5, "Los");
    MenuAddTitle("Datei");
    MenuAddItem(1, "\xD6"
                   "ffnen");
    MenuAddTitle("Hilfe");
    MenuAddItem(2, "\xDC"
                   "ber");
    MenuAddItem(3, "Info");

    HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Texts(bar), (std::vector<std::string>{"Los", "Datei", "Hilfe"}));
    MenuEntry straight = EntryAt(bar, 0);
    EXPECT_EQ(straight.id, 5u) << "an item before any title is a command on the bar itself";
    EXPECT_EQ(straight.subMenu, nullptr);
    EXPECT_EQ(Texts(EntryAt(bar, 1).subMenu), (std::vector<std::string>{"\xD6"
                                                                        "ffnen"}));
    HMENU help = EntryAt(bar, 2).subMenu;
    EXPECT_EQ(Texts(help), (std::vector<std::string>{"\xDC"
                                                     "ber",
                                                     "Info"}));
    EXPECT_EQ(EntryAt(help, 1).id, 3u);
}

TEST_F(Menus, GreyingAndEnablingByItemNumber) {
    HWND window = TestWindowOpen("Grau");
    HMENU bar = reinterpret_cast<HMENU>(MainMenuBuild(window));

    EXPECT_EQ(MenuItemDisable(0, BEENDEN, 1), static_cast<int32_t>(MF_ENABLED)) << "previous state";
    EXPECT_EQ(GetMenuState(bar, BEENDEN, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(MenuItemDisable(0, FILM, 2), static_cast<int32_t>(MF_ENABLED)) << "any nonzero state greys";
    EXPECT_EQ(GetMenuState(bar, FILM, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(MenuItemDisable(0, BEENDEN, 0), static_cast<int32_t>(MF_GRAYED));
    EXPECT_EQ(GetMenuState(bar, BEENDEN, MF_BYCOMMAND), static_cast<UINT>(MF_ENABLED));
    EXPECT_EQ(GetMenuState(bar, AUDIO, MF_BYCOMMAND), static_cast<UINT>(MF_ENABLED));

    EXPECT_EQ(MenuItemDisable(0, 13, 1), -1) << "an item the menu does not hold";
    EXPECT_EQ(MenuItemDisable(7, BEENDEN, 1), 0) << "a number that names no menu";
    MenuFree(7);
    EXPECT_EQ(GetMenu(window), bar);
}

TEST_F(Menus, ChosenItemArrivesAsCommandAndGreyedItemCannotBeChosen) {
    HWND window = TestWindowOpen("Wahl");
    MainMenuBuild(window);
    MenuItemDisable(0, BEENDEN, 1);
    ASSERT_TRUE(ForegroundMake(window));

    // F10 opens the bar, Down the drop-down at its first item, Up wraps to the greyed "Beenden",
    // whose Enter chooses nothing; then "Audio Player" is chosen.
    for (WORD key : {VK_F10, VK_DOWN, VK_UP, VK_RETURN, VK_F10, VK_DOWN, VK_DOWN, VK_RETURN})
        KeyPress(key);
    ASSERT_TRUE(PumpUntil([] { return !testWindowCommands.empty(); })) << "no WM_COMMAND arrived";
    ASSERT_EQ(testWindowCommands.size(), 1u);
    EXPECT_EQ(LOWORD(testWindowCommands[0]), AUDIO);
    EXPECT_EQ(HIWORD(testWindowCommands[0]), 0) << "a menu command, not an accelerator";
}

TEST_F(Menus, MenuOfADestroyedWindowRejectsGreyingUntilItsNumberIsReused) {
    HWND window = TestWindowOpen("Alt");
    HMENU bar = reinterpret_cast<HMENU>(MainMenuBuild(window));
    DestroyWindow(window);
    EXPECT_FALSE(IsMenu(bar)) << "the system destroys a window's bar with it";
    EXPECT_EQ(MenuItemDisable(0, BEENDEN, 1), -1);
    EXPECT_EQ(MenuItemDisable(0, 13, 1), -1);

    HWND player = TestWindowOpen("Film Player");
    intptr_t playerBar = MenuCreate(1, player);
    MenuAddTitle("Film Player");
    MenuAddItem(1, "Start");
    MenuAddItem(2, "Halt");
    EXPECT_EQ(MenuItemDisable(0, BEENDEN, 1), -1);
    EXPECT_EQ(GetMenuState(reinterpret_cast<HMENU>(playerBar), 1, MF_BYCOMMAND),
              static_cast<UINT>(MF_ENABLED))
        << "menu 1 is not touched through menu 0";

    HWND again = TestWindowOpen("Neu");
    intptr_t fresh = MenuCreate(0, again);
    ASSERT_NE(fresh, 0);
    MenuAddItem(BEENDEN, "Beenden");
    EXPECT_EQ(GetMenu(again), reinterpret_cast<HMENU>(fresh));
    EXPECT_EQ(MenuItemDisable(0, BEENDEN, 1), static_cast<int32_t>(MF_ENABLED));
    EXPECT_EQ(GetMenu(player), reinterpret_cast<HMENU>(playerBar));
}

TEST_F(Menus, NumberInUseIsReplacedAndTheOldBarDestroyed) {
    HWND window = TestWindowOpen("Ersetzen");
    HMENU old = reinterpret_cast<HMENU>(MainMenuBuild(window));
    HMENU bar = reinterpret_cast<HMENU>(MenuCreate(0, window));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(IsMenu(old));
    EXPECT_EQ(GetMenu(window), nullptr) << "no menu until the new bar's first entry";
    MenuAddTitle("Neu");
    EXPECT_EQ(GetMenu(window), bar);
    EXPECT_EQ(Texts(bar), (std::vector<std::string>{"Neu"}));
}

TEST_F(Menus, FreeingDetachesOnlyItsOwnBar) {
    HWND window = TestWindowOpen("Zwei");
    HMENU first = reinterpret_cast<HMENU>(MenuCreate(2, window));
    MenuAddItem(1, "Eins");
    HMENU second = reinterpret_cast<HMENU>(MenuCreate(3, window));
    MenuAddItem(2, "Zwei");
    ASSERT_EQ(GetMenu(window), second);
    MenuFree(2);
    EXPECT_FALSE(IsMenu(first));
    EXPECT_EQ(GetMenu(window), second) << "the bar shown belongs to menu 3";
    MenuFree(3);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_FALSE(IsMenu(second));
    EXPECT_EQ(MenuItemDisable(3, 2, 1), 0);
}

TEST_F(Menus, AnyNumberNamesTheMenuByItsRecord) {
    HWND window = TestWindowOpen("Dynamisch");
    intptr_t number = MenuCreate(ANY_NUMBER, window);
    ASSERT_NE(number, 0);
    MenuAddTitle("Datei");
    MenuAddItem(9, "Neun");
    HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(number, reinterpret_cast<intptr_t>(bar)) << "the result is the number, not the bar";
    auto* record =
        static_cast<MenuObject*>(RegistryLookup(MenuRegistry(), static_cast<ObjectNumber>(number)));
    ASSERT_EQ(reinterpret_cast<intptr_t>(record), number);
    EXPECT_EQ(record->bar, bar);
    EXPECT_EQ(record->window, window);
    EXPECT_EQ(MenuItemDisable(static_cast<ObjectNumber>(number), 9, 1), static_cast<int32_t>(MF_ENABLED));
    MenuFree(static_cast<ObjectNumber>(number));
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_EQ(MenuRegistry()->dynamicHead, nullptr);
}

TEST_F(Menus, LibraryEndDestroysOnlyBarsWithoutWindow) {
    HWND window = TestWindowOpen("Ende");
    HMENU shown = reinterpret_cast<HMENU>(MainMenuBuild(window));
    HMENU loose = reinterpret_cast<HMENU>(MenuCreate(5, nullptr));
    MenuAddTitle("Nirgends");
    MenuAddItem(1, "Nichts");
    intptr_t looseDynamic = MenuCreate(ANY_NUMBER, nullptr);
    ASSERT_NE(looseDynamic, 0);
    EXPECT_EQ(GetMenu(window), shown) << "a bar without window is never set on one";
    EXPECT_EQ(GetMenuItemCount(loose), 1);

    MenuLibraryEnd();
    EXPECT_FALSE(IsMenu(loose));
    EXPECT_EQ(MenuItemDisable(5, 1, 1), 0);
    EXPECT_EQ(MenuItemDisable(static_cast<ObjectNumber>(looseDynamic), 1, 1), 0);
    EXPECT_EQ(GetMenu(window), shown);
    EXPECT_TRUE(IsMenu(shown));
    EXPECT_EQ(MenuItemDisable(0, BEENDEN, 1), static_cast<int32_t>(MF_ENABLED));
}

TEST_F(Menus, EntriesWithoutCurrentMenuDoNothing) {
    MenuAddTitle("Vorher");
    MenuAddItem(1, "Vorher");

    HWND window = TestWindowOpen("Frei");
    HMENU bar = reinterpret_cast<HMENU>(MainMenuBuild(window));
    HWND other = TestWindowOpen("Andere");
    HMENU otherBar = reinterpret_cast<HMENU>(MenuCreate(1, other));
    MenuAddItem(7, "Sieben");
    MenuFree(1); // the current menu
    MenuAddTitle("Danach");
    MenuAddItem(8, "Danach");
    EXPECT_EQ(GetMenu(other), nullptr);
    EXPECT_FALSE(IsMenu(otherBar));
    EXPECT_EQ(Texts(bar), (std::vector<std::string>{"Datei"}));
    EXPECT_EQ(GetMenuItemCount(EntryAt(bar, 0).subMenu), 3);
    EXPECT_EQ(GetMenuState(bar, 8, MF_BYCOMMAND), static_cast<UINT>(-1));
}

// The system refuses new menus once its handle table is full.
TEST_F(Menus, RefusedBarLeavesNoRecordAndTheBuildStateAlone) {
    HWND window = TestWindowOpen("Voll");
    HMENU bar = reinterpret_cast<HMENU>(MainMenuBuild(window));
    std::vector<HMENU> filler;
    while (HMENU menu = CreateMenu())
        filler.push_back(menu);
    ASSERT_FALSE(filler.empty());

    EXPECT_EQ(MenuCreate(ANY_NUMBER, window), 0);
    EXPECT_EQ(MenuRegistry()->dynamicHead, nullptr) << "the record made for ANY_NUMBER is released";
    EXPECT_EQ(MenuCreate(6, window), 0);
    EXPECT_EQ(MenuItemDisable(6, 1, 1), 0) << "the number stays free";

    // The build state still names menu 0: an item lands in "Datei"; a title whose drop-down
    // cannot be made adds nothing, and the items after it go nowhere.
    MenuAddItem(4, "Vier");
    MenuAddTitle("Ohne");
    MenuAddItem(5, "F\xFC"
                   "nf");
    EXPECT_EQ(Texts(bar), (std::vector<std::string>{"Datei"}));
    EXPECT_EQ(Texts(EntryAt(bar, 0).subMenu),
              (std::vector<std::string>{"Film Player", "Audio Player", "Beenden", "Vier"}));
    EXPECT_EQ(GetMenuState(bar, 5, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenu(window), bar);

    for (HMENU menu : filler)
        DestroyMenu(menu);
    EXPECT_NE(MenuCreate(6, window), 0);
}
