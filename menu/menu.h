// Menu bars for windows: a numbered bar, drop-down titles on it and commands in them. A bar is
// filled by calls that always act on the bar created last; a chosen command reaches its window
// as WM_COMMAND with the item number.
#pragma once

#include "core.h"

// Record of one menu in the menu registry.
struct MenuObject {
    HMENU bar;   // nonzero exactly while the menu exists
    HWND window; // window the bar belongs to, or 0
};
static_assert(sizeof(MenuObject) == 8, "a menu record is two 32-bit handles");
static_assert(offsetof(MenuObject, bar) == 0, "the bar is the registry's in-use marker");

void MenuLibraryStart();

// Makes a new, empty bar for window (0: no window) under number, freeing any menu that number
// names. The bar is attached at its first title or item. Returns the bar's handle, for
// ANY_NUMBER the new menu's number, and 0 on failure.
intptr_t MenuCreate(ObjectNumber number, HWND window);

// Opens a drop-down menu with this title at the right end of the current bar; later items go
// into it. Does nothing while there is no current bar.
void MenuAddTitle(const char* text);

// Appends a command to the drop-down opened last, or to the bar itself before any title. Does
// nothing while there is no current bar.
void MenuAddItem(int32_t item, const char* text);

// Greys the item (state nonzero) or enables it (0). Returns the item's previous state, -1 when
// the system finds no such item or bar, and 0 when number names no menu.
int32_t MenuItemDisable(ObjectNumber number, int32_t item, int32_t state);

// Detaches the bar from its window and destroys it. Also the registry's replace callback.
void MenuFree(ObjectNumber number);

// Frees every menu that belongs to no window; a window destroys its own bar.
void MenuLibraryEnd();
