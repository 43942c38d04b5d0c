#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string.h>

#include "core.h"

std::vector<WPARAM> testWindowCommands;

namespace {

constexpr DWORD POLL_MS = 10;
constexpr int TEST_WINDOW_X = 50, TEST_WINDOW_Y = 50;
constexpr char TEST_WINDOW_CLASS[] = "VornakTestWindow";
constexpr char DIALOG_CLASS[] = "#32770";
constexpr size_t TEXT_MAXIMUM = 2048;

LRESULT CALLBACK TestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) testWindowCommands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK DialogMatch(HWND window, LPARAM lParam) {
    char name[64];
    GetClassNameA(window, name, sizeof(name));
    if (strcmp(name, DIALOG_CLASS) != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

// The first visible dialog of the thread, or null.
HWND DialogFind(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(threadId, DialogMatch, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK ButtonCollect(HWND child, LPARAM lParam) {
    char name[64];
    GetClassNameA(child, name, sizeof(name));
    LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
    if (_stricmp(name, "Button") == 0 && IsWindowVisible(child) &&
        (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
        (*reinterpret_cast<std::map<int, std::string>*>(lParam))[GetDlgCtrlID(child)] = WindowText(child);
    return TRUE;
}

} // namespace

void TestRuntimeStart() {
    static bool started = false;
    if (started) return;
    started = true;
    ProgramHeap = HeapCreate(0, 4096, 0);
    StringBufferStart();
    ObjectHeapStart();
}

std::vector<void*> HeapBusyBlocks(HANDLE heap) {
    heap = heap ? heap : ProgramHeap;
    std::vector<void*> blocks;
    HeapLock(heap);
    for (PROCESS_HEAP_ENTRY entry = {}; HeapWalk(heap, &entry);)
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) blocks.push_back(entry.lpData);
    HeapUnlock(heap);
    return blocks;
}

int ProgramHeapBlocks(HANDLE heap) {
    return static_cast<int>(HeapBusyBlocks(heap).size());
}

HANDLE HeapOf(const void* block) {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i)
        if (HeapValidate(heaps[i], 0, block)) return heaps[i];
    return nullptr;
}

std::string MediaPath(const char* name) {
    return std::string(VORNAK_MEDIA_DIR "\\") + name;
}

HWND TestWindowOpen(const char* title, int clientWidth, int clientHeight, DWORD style) {
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TestWindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = TEST_WINDOW_CLASS;
        atom = RegisterClassA(&windowClass);
    }
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowExA(0, TEST_WINDOW_CLASS, title, style, TEST_WINDOW_X, TEST_WINDOW_Y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window && (style & WS_VISIBLE)) UpdateWindow(window), ForegroundMake(window);
    return window;
}

bool ForegroundMake(HWND window) {
    SetForegroundWindow(window);
    SetFocus(window);
    return PumpUntil([&] { return GetForegroundWindow() == window; }, WAIT_MS);
}

std::string WindowText(HWND window) {
    char text[TEXT_MAXIMUM] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, POLL_MS, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

void KeyPress(WORD virtualKey, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, DWORD flags) {
        inputs.push_back({INPUT_KEYBOARD, {}});
        inputs.back().ki = {vk, static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)), flags, 0, 0};
    };
    for (WORD modifier : modifiers)
        key(modifier, 0);
    key(virtualKey, 0);
    key(virtualKey, KEYEVENTF_KEYUP);
    for (WORD modifier : modifiers)
        key(modifier, KEYEVENTF_KEYUP);
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
}

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[TEXT_MAXIMUM] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        texts.push_back(text);
    }
    return texts;
}

DialogDriver::DialogDriver(std::function<void(HWND dialog)> answer) {
    DWORD threadId = GetCurrentThreadId();
    helper_ = std::thread([this, threadId, answer] {
        HWND dialog = nullptr;
        if (!PumpUntil([&] { return (dialog = DialogFind(threadId)) != nullptr; })) return;
        answer(dialog);
        if (PumpUntil([&] { return !DialogFind(threadId); })) return;
        // The dialog (or one it opened) was not answered: cancel everything so the test ends.
        PumpUntil([&] {
            HWND open = DialogFind(threadId);
            if (open) PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
            return open == nullptr;
        });
    });
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

std::vector<std::string> ButtonTexts(HWND dialog) {
    std::map<int, std::string> byId;
    EnumChildWindows(dialog, ButtonCollect, reinterpret_cast<LPARAM>(&byId));
    std::vector<std::string> texts;
    for (const auto& entry : byId)
        texts.push_back(entry.second);
    return texts;
}

void ButtonPress(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

ClientPixels ClientCapture(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    ClientPixels capture = {client.right, client.bottom, {}};
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    if (capture.width <= 0 || capture.height <= 0) return capture;
    HDC screen = GetDC(nullptr);
    ScopedMemoryDC memory(CreateCompatibleDC(screen));
    ScopedGdiObject bitmap(CreateCompatibleBitmap(screen, capture.width, capture.height));
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, previous);
    ReleaseDC(nullptr, screen);
    // Top-down rows of 32-bit pixels, read as 0xRRGGBB.
    BITMAPINFO info = {
        {sizeof(BITMAPINFOHEADER), capture.width, -capture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    capture.pixels.resize(static_cast<size_t>(capture.width) * capture.height);
    GetDIBits(memory, static_cast<HBITMAP>(bitmap.Get()), 0, static_cast<UINT>(capture.height),
              capture.pixels.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& pixel : capture.pixels)
        pixel &= 0xFFFFFF;
    return capture;
}

bool ColourNear(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance) return false;
    }
    return true;
}
