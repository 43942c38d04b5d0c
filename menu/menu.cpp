// Menu bars. The library keeps only the bar and its window per menu; the system's menu objects
// hold titles, items and their numbers.
#include "menu.h"

namespace {

constexpr int32_t MENU_GROWTH_STEP = 16;
constexpr ObjectNumber NO_MENU = ANY_NUMBER; // no dynamic record ever has this address

// The bar under construction is named by its number and looked up on every call: a numbered
// record moves when the slot array grows and a dynamic one is gone once freed, so a kept
// pointer could outlive its record, while a stale number simply finds nothing.
struct MenuBuildState {
    ObjectNumber currentMenu; // NO_MENU until the first successful MenuCreate
    HMENU targetMenu;         // where MenuAddItem appends: the bar or the last drop-down
};

struct MenuLibraryState {
    ObjectRegistry* registry;
    MenuBuildState* build;
};
MenuLibraryState menus;

void MenuBuildStateInit(void* block) {
    static_cast<MenuBuildState*>(block)->currentMenu = NO_MENU;
}

MenuObject* MenuLookup(ObjectNumber number) {
    return static_cast<MenuObject*>(RegistryLookup(menus.registry, number));
}

MenuObject* MenuCurrent() {
    return menus.build ? MenuLookup(menus.build->currentMenu) : nullptr;
}

// Attaching again after every entry makes the window show the grown bar at once.
void MenuShow(const MenuObject* menu) {
    if (menu->window) SetMenu(menu->window, menu->bar);
}

} // namespace

void MenuLibraryStart() {
    menus.registry = RegistryCreate(sizeof(MenuObject), MENU_GROWTH_STEP, MenuFree);
    menus.build =
        static_cast<MenuBuildState*>(LibraryStateCreate(sizeof(MenuBuildState), MenuBuildStateInit));
}

intptr_t MenuCreate(ObjectNumber number, HWND window) {
    if (!menus.build) return 0;
    const bool dynamic = number == ANY_NUMBER;
    auto* record = static_cast<MenuObject*>(RegistryAllocateNumber(menus.registry, &number));
    if (!record) return 0;
    HMENU bar = CreateMenu();
    if (!bar) {
        // A numbered slot is simply left free; a dynamic record was made for this menu alone.
        if (dynamic) RegistryRelease(menus.registry, number);
        return 0;
    }
    record->bar = bar;
    record->window = window;
    menus.build->currentMenu = number;
    menus.build->targetMenu = bar;
    return dynamic ? number : reinterpret_cast<intptr_t>(bar);
}

void MenuAddTitle(const char* text) {
    MenuObject* menu = MenuCurrent();
    if (!menu) return;
    // A title always goes on the bar, whatever drop-down received the last items; without its
    // drop-down the items that follow have nowhere to go.
    menus.build->targetMenu = nullptr;
    HMENU popup = CreateMenu();
    if (!popup) return;
    if (!AppendMenuA(menu->bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text ? text : EmptyString)) {
        DestroyMenu(popup);
        return;
    }
    menus.build->targetMenu = popup;
    MenuShow(menu);
}

void MenuAddItem(int32_t item, const char* text) {
    MenuObject* menu = MenuCurrent();
    if (!menu || !menus.build->targetMenu) return;
    AppendMenuA(menus.build->targetMenu, MF_STRING, static_cast<UINT_PTR>(item), text ? text : EmptyString);
    MenuShow(menu);
}

int32_t MenuItemDisable(ObjectNumber number, int32_t item, int32_t state) {
    MenuObject* menu = MenuLookup(number);
    if (!menu) return 0;
    return EnableMenuItem(menu->bar, static_cast<UINT>(item),
                          MF_BYCOMMAND | (state ? MF_GRAYED : MF_ENABLED));
}

void MenuFree(ObjectNumber number) {
    MenuObject* menu = MenuLookup(number);
    if (!menu) return;
    // Only this menu's own bar is taken off the window: another menu built later for the same
    // window may be showing there now.
    if (menu->window && GetMenu(menu->window) == menu->bar) SetMenu(menu->window, nullptr);
    DestroyMenu(menu->bar);
    RegistryRelease(menus.registry, number);
}

void MenuLibraryEnd() {
    // A bar attached to a window goes with its window.
    RegistryFreeEach(menus.registry, [](ObjectNumber number) {
        if (MenuObject* menu = MenuLookup(number); menu && !menu->window) MenuFree(number);
    });
}
