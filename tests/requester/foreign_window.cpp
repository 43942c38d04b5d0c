// Another program for the requester tests: shows one window and makes it the foreground window,
// so that a requester opens while a foreign program is in front. Ends when its window is closed,
// or after a while on its own so that it never outlives a failed test.
#include <windows.h>

namespace {

constexpr UINT LIFETIME_MS = 30000;
constexpr UINT_PTR LIFETIME_TIMER = 1;

LRESULT CALLBACK ForeignProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ForeignProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "ForeignWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ForeignWindow", "Fremdes Programm", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  400, 300, 200, 100, nullptr, nullptr, instance, nullptr);
    SetForegroundWindow(window);
    SetTimer(window, LIFETIME_TIMER, LIFETIME_MS, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
