#include "dialog_driver.h"

#include <commdlg.h>
#include <commctrl.h>

#include <string.h>

namespace {

constexpr DWORD POLL_MS = 20;
constexpr size_t TEXT_MAXIMUM = 2048;
constexpr char DIALOG_CLASS[] = "#32770";

struct DialogSearch {
    HWND except;
    HWND found;
};

BOOL CALLBACK DialogMatch(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    char name[64];
    GetClassNameA(window, name, sizeof(name));
    if (window == search->except || strcmp(name, DIALOG_CLASS) != 0 || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND DialogFind(DWORD threadId, HWND except) {
    DialogSearch search = {except, nullptr};
    EnumThreadWindows(threadId, DialogMatch, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FileList(HWND dialog) {
    HWND view = GetDlgItem(dialog, FILE_VIEW);
    return view ? FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
}

} // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(POLL_MS);
    }
    return true;
}

HWND DialogWait(DWORD threadId, HWND except) {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = DialogFind(threadId, except)) != nullptr; });
    return dialog;
}

DialogDriver::DialogDriver(std::function<void(HWND dialog)> answer) {
    DWORD threadId = GetCurrentThreadId();
    helper_ = std::thread([this, threadId, answer] {
        HWND dialog = DialogWait(threadId);
        if (!dialog) return;
        answer(dialog);
        answered_ = true;
        if (WaitUntil([&] { return !DialogFind(threadId, nullptr); })) return;
        // The dialog (or one it opened) was not answered: cancel everything so the test ends.
        WaitUntil([&] {
            HWND open = DialogFind(threadId, nullptr);
            if (open) PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
            return open == nullptr;
        });
    });
}

DialogDriver::~DialogDriver() {
    helper_.join();
}

HWND TestWindowOpen(const char* title, DWORD style) {
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "RequesterTestWindow";
        atom = RegisterClassA(&windowClass);
    }
    return CreateWindowExA(0, "RequesterTestWindow", title, WS_OVERLAPPEDWINDOW | style, 50, 50, 200, 120,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

bool ForegroundMake(HWND window) {
    SetForegroundWindow(window);
    return WaitUntil([&] { return GetForegroundWindow() == window; });
}

std::string WindowText(HWND window) {
    char text[TEXT_MAXIMUM] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

bool ItemVisible(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowVisible(item);
}

void ButtonPress(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
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
    return WaitUntil([&] { return DialogFolder(dialog) == folder; });
}
