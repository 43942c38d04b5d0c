// An outside observer for the end-to-end tests, like xwininfo but with the platform's own view:
// it finds a top-level window by its exact title and prints what the tests check.
//   probe client TITLE    client area in screen coordinates: x y width height
//   probe window TITLE    outer rectangle: x y width height
//   probe closebox TITLE  a screen point on the close box: x y
//   probe filedialog     exit 0 while an open-file dialog is shown
//   probe text TITLE      the texts of the window's static children (a message box's message)
//   probe buttons TITLE   the texts of the window's buttons, one per line
// Texts are printed in UTF-8. Menus are read from the screen instead: under wine a menu handle
// means nothing outside its own process.
// Exit code 0 when the window exists, 1 when not, 2 on bad arguments.
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr int EXIT_FOUND = 0;
constexpr int EXIT_MISSING = 1;
constexpr int EXIT_USAGE = 2;
constexpr int FILE_NAME_BOX = 0x47C; // the file name combo box of the open-file dialog

void PrintText(HWND window) {
    wchar_t wide[1024] = L"";
    char utf8[4096] = "";
    GetWindowTextW(window, wide, 1024);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof(utf8), nullptr, nullptr);
    printf("%s\n", utf8);
}

// Prints the text of every child window whose class is `wanted`.
void PrintChildren(HWND window, const char* wanted) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = "";
        GetClassNameA(child, name, sizeof(name));
        if (!lstrcmpiA(name, wanted) && IsWindowVisible(child) && GetWindowTextLengthW(child) > 0)
            PrintText(child);
    }
}

bool PrintCloseBox(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    // Scan the caption row from the right for the point the window itself calls its close box.
    int y = outer.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = outer.right - 1; x > outer.left; --x) {
        LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit == HTCLOSE) {
            printf("%d %d\n", x - GetSystemMetrics(SM_CXSIZE) / 3, y);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && !strcmp(argv[1], "filedialog")) {
        // The program opens it with an empty title, so it is known by its file name box.
        for (HWND d = FindWindowExA(nullptr, nullptr, "#32770", nullptr); d;
             d = FindWindowExA(nullptr, d, "#32770", nullptr))
            if (IsWindowVisible(d) && GetDlgItem(d, FILE_NAME_BOX)) return EXIT_FOUND;
        return EXIT_MISSING;
    }
    if (argc != 3) return EXIT_USAGE;
    const char* what = argv[1];
    HWND window = FindWindowA(nullptr, argv[2]);
    if (!window || !IsWindowVisible(window)) return EXIT_MISSING;
    RECT r;
    if (!strcmp(what, "client")) {
        GetClientRect(window, &r);
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        printf("%ld %ld %ld %ld\n", origin.x, origin.y, r.right, r.bottom);
    } else if (!strcmp(what, "window")) {
        GetWindowRect(window, &r);
        printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else if (!strcmp(what, "closebox")) {
        if (!PrintCloseBox(window)) return EXIT_MISSING;
    } else if (!strcmp(what, "text")) {
        PrintChildren(window, "Static");
    } else if (!strcmp(what, "buttons")) {
        PrintChildren(window, "Button");
    } else {
        return EXIT_USAGE;
    }
    return EXIT_FOUND;
}
