#include "dialog_driver.h"

#include <commdlg.h>
#include <commctrl.h>

#include <string.h>

namespace {

constexpr size_t TEXT_MAXIMUM = 2048;

HWND FileList(HWND dialog) {
    HWND view = GetDlgItem(dialog, FILE_VIEW);
    return view ? FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
}

} // namespace

bool ItemVisible(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowVisible(item);
}

std::vector<std::string> ComboEntries(HWND combo) {
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[TEXT_MAXIMUM] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof(text)))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

int ComboSelection(HWND combo) {
    return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

std::vector<std::string> FileListNames(HWND dialog) {
    std::vector<std::string> names;
    HWND list = FileList(dialog);
    if (!list) return names;
    LRESULT count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[TEXT_MAXIMUM] = {};
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

std::string DialogFolder(HWND dialog) {
    char folder[TEXT_MAXIMUM] = {};
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof(folder), reinterpret_cast<LPARAM>(folder));
    return folder;
}

std::string FileNameShown(HWND dialog) {
    return ItemText(dialog, FILE_NAME_BOX);
}

void FileNameEnter(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, FILE_NAME_BOX, text.c_str());
    ButtonPress(dialog, IDOK);
}

bool FolderEnter(HWND dialog, const std::string& folder) {
    FileNameEnter(dialog, folder);
    return PumpUntil([&] { return DialogFolder(dialog) == folder; });
}
