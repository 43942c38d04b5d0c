// The yardsticks for the player's start-up: a bare Win32 program that opens one window with one
// menu and runs a plain message loop; built with BARE_STARTUP_CALLS it first makes the start-up
// calls the player cannot do without (the common controls, COM, the default GUI font), which is
// the limit the player can reach.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {

constexpr int BARE_WIDTH = 230;
constexpr int BARE_HEIGHT = 90;
constexpr DWORD COMMON_CONTROL_CLASSES =
    ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;

LRESULT CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef BARE_STARTUP_CALLS
    InitCommonControls();
    CoInitialize(nullptr);
    GetStockObject(DEFAULT_GUI_FONT);
    INITCOMMONCONTROLSEX classes = {sizeof(classes), COMMON_CONTROL_CLASSES};
    InitCommonControlsEx(&classes);
    const char title[] = "Bare Start";
#else
    const char title[] = "Bare Window";
#endif
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BareProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "Bare";
    RegisterClassA(&windowClass);
    HMENU bar = CreateMenu();
    HMENU popup = CreateMenu();
    AppendMenuA(popup, MF_STRING, 1, "Beenden");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Datei");
    HWND window = CreateWindowExA(0, "Bare", title, WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                  BARE_WIDTH, BARE_HEIGHT, nullptr, bar, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
