// The cost of one message through EventWait against a plain GetMessageA / TranslateMessage /
// DispatchMessageA loop over a window with a trivial window procedure, measured in the same run.
#include "bench.h"
#include "window.h"

#include <vector>

namespace {

constexpr int WARM_UP_RUNS = 3;
constexpr int RUNS = 21;
constexpr int MESSAGES_PER_KIND = 2000; // well below the system's limit of posted messages
constexpr UINT PLAIN_MESSAGE = WM_USER + 77;
constexpr const char* PLAIN_CLASS = "BenchPlainWindow";

LRESULT CALLBACK TrivialProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND PlainWindowCreate() {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TrivialProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    wc.lpszClassName = PLAIN_CLASS;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, PLAIN_CLASS, "plain", WS_CAPTION | WS_SYSMENU, 400, 100, 246, 129,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

// Half the messages make an immediate event, half make none.
void MessagesPost(HWND window, UINT eventMessage) {
    for (int i = 0; i < MESSAGES_PER_KIND; ++i) {
        PostMessageA(window, eventMessage, i, 0);
        PostMessageA(window, PLAIN_MESSAGE, i, 0);
    }
}

// Takes everything else (painting, activation) out of the queue before a timed drain.
void QueueSettle() {
    while (EventWaitTimeout(0)) {
    }
}

double Seconds(LARGE_INTEGER begin, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart);
}

double EventWaitDrainSeconds(HWND window) {
    QueueSettle();
    MessagesPost(window, MSG_CONTROL_EVENT);
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    int events = 0, plain = 0;
    while (events < MESSAGES_PER_KIND || plain < MESSAGES_PER_KIND) {
        int32_t code = EventWait();
        events += code == EVENT_CONTROL;
        plain += code == static_cast<int32_t>(PLAIN_MESSAGE);
    }
    QueryPerformanceCounter(&end);
    return Seconds(begin, end);
}

double PlainLoopDrainSeconds(HWND window) {
    QueueSettle();
    MessagesPost(window, PLAIN_MESSAGE + 1);
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    int ours = 0;
    MSG message;
    while (ours < 2 * MESSAGES_PER_KIND) {
        GetMessageA(&message, nullptr, 0, 0);
        TranslateMessage(&message);
        DispatchMessageA(&message);
        ours += message.message == PLAIN_MESSAGE || message.message == PLAIN_MESSAGE + 1;
    }
    QueryPerformanceCounter(&end);
    return Seconds(begin, end);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    ProgramHeap = HeapCreate(0, 4096, 0);
    StringBufferStart();
    ObjectHeapStart();
    ControlLibraryStart();
    WindowLibraryStart();

    HWND plainWindow = PlainWindowCreate();
    HWND libraryWindow =
        reinterpret_cast<HWND>(WindowOpen(0, 0, 0, 230, 90, "Vornak Media Player 1.1", 0xC80001));
    SetForegroundWindow(libraryWindow);

    for (int run = 0; run < WARM_UP_RUNS; ++run) {
        EventWaitDrainSeconds(libraryWindow);
        PlainLoopDrainSeconds(plainWindow);
    }
    // Alternating, so that both loops see the same machine.
    std::vector<double> library, plain;
    for (int run = 0; run < RUNS; ++run) {
        library.push_back(EventWaitDrainSeconds(libraryWindow));
        plain.push_back(PlainLoopDrainSeconds(plainWindow));
    }
    const double messages = 2.0 * MESSAGES_PER_KIND;
    const double libraryNs = Median(library) * 1e9 / messages;
    const double plainNs = Median(plain) * 1e9 / messages;
    BenchReport("EventWait, library window (half immediate events)", libraryNs, "ns/message");
    BenchReport("GetMessageA/TranslateMessage/DispatchMessageA, trivial procedure", plainNs, "ns/message");
    BenchReport("ratio EventWait / plain loop (target <= 1.15)", libraryNs / plainNs, "x");

    WindowLibraryEnd();
    DestroyWindow(plainWindow);
    return 0;
}
