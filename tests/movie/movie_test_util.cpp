#include "movie_test_util.h"

namespace {

constexpr char TEST_WINDOW_CLASS[] = "MovieTestWindow";
constexpr DWORD TEST_WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
constexpr DWORD POLL_MILLISECONDS = 10;
constexpr double MEDIA_TIME_PER_SECOND = 1e7;
constexpr double CLIP_FRAMES_PER_SECOND = 25; // every generated film

LRESULT CALLBACK TestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void MessagesDispatch() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

HWND TestWindowOpen(int x, int y, int clientWidth, int clientHeight) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TestWindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = TEST_WINDOW_CLASS;
        registered = RegisterClassA(&windowClass) != 0;
    }
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&frame, TEST_WINDOW_STYLE, FALSE);
    HWND window = CreateWindowExA(0, TEST_WINDOW_CLASS, "Film Player", TEST_WINDOW_STYLE, x, y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window) {
        SetForegroundWindow(window);
        UpdateWindow(window);
        MessageLoopFor(50);
    }
    return window;
}

bool MessageLoopUntil(const std::function<bool()>& ready, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MessagesDispatch();
        if (ready()) return true;
        if (GetTickCount() - start >= timeoutMs) return ready();
        Sleep(POLL_MILLISECONDS);
    }
}

void MessageLoopFor(DWORD milliseconds) {
    MessageLoopUntil([] { return false; }, milliseconds);
}

ClientPixels ClientCapture(HWND window) {
    ClientPixels capture;
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    capture.width = client.right;
    capture.height = client.bottom;
    if (capture.width <= 0 || capture.height <= 0) return capture;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(bits);
    capture.pixels.assign(source, source + static_cast<size_t>(capture.width) * capture.height);
    for (uint32_t& pixel : capture.pixels)
        pixel &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

bool ColourNear(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance) return false;
    }
    return true;
}

OAFilterState GraphState(const MovieObject* movie) {
    OAFilterState state = -1;
    movie->control->GetState(INFINITE, &state);
    return state;
}

double GraphPositionSeconds(const MovieObject* movie) {
    LONGLONG position = -1;
    movie->seeking->GetCurrentPosition(&position);
    GUID format = TIME_FORMAT_MEDIA_TIME;
    movie->seeking->GetTimeFormat(&format);
    double perSecond =
        IsEqualGUID(format, TIME_FORMAT_FRAME) ? CLIP_FRAMES_PER_SECOND : MEDIA_TIME_PER_SECOND;
    return static_cast<double>(position) / perSecond;
}

MovieObject* MovieRecord(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(MovieRegistry(), number));
}

int ProgramHeapBlocks() {
    int blocks = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(ProgramHeap);
    while (HeapWalk(ProgramHeap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
    HeapUnlock(ProgramHeap);
    return blocks;
}

std::string SiblingPath(const char* fileName) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.find_last_of('\\') + 1) + fileName;
}
