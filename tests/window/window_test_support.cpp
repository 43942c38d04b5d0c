#include "window_test_support.h"

#include "test_support.h"

#include <algorithm>

namespace {

CreationRecorder* creationRecorder;
SentRecorder* sentRecorder;
HHOOK cbtHook;
HHOOK sentHook;

LRESULT CALLBACK CbtRecord(int code, WPARAM wParam, LPARAM lParam) {
    if (creationRecorder && code == HCBT_CREATEWND) {
        const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        CreatedWindow w;
        w.className = IS_INTRESOURCE(cs->lpszClass) ? std::string() : std::string(cs->lpszClass);
        w.style = static_cast<DWORD>(cs->style);
        w.exStyle = cs->dwExStyle;
        w.x = cs->x;
        w.y = cs->y;
        w.width = cs->cx;
        w.height = cs->cy;
        w.parent = cs->hwndParent;
        w.hwnd = reinterpret_cast<HWND>(wParam);
        creationRecorder->created.push_back(w);
        creationRecorder->journal.push_back({true, w.hwnd, 0});
    } else if (creationRecorder && code == HCBT_DESTROYWND) {
        auto hwnd = reinterpret_cast<HWND>(wParam);
        auto property = reinterpret_cast<uintptr_t>(GetPropA(hwnd, "QZ_WindowID"));
        creationRecorder->journal.push_back({false, hwnd, property});
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

LRESULT CALLBACK SentRecord(int code, WPARAM wParam, LPARAM lParam) {
    if (sentRecorder && code == HC_ACTION) {
        const CWPSTRUCT* m = reinterpret_cast<CWPSTRUCT*>(lParam);
        sentRecorder->sent.push_back({m->hwnd, m->message, m->wParam, m->lParam});
    }
    return CallNextHookEx(sentHook, code, wParam, lParam);
}

void InputSend(INPUT* inputs, UINT count) {
    ASSERT_EQ(SendInput(count, inputs, sizeof(INPUT)), count);
}

} // namespace

void WindowTestStart() {
    static bool started = false;
    if (started) return;
    started = true;
    TestRuntimeStart();
    ControlLibraryStart();
    WindowLibraryStart();
}

void WindowTest::SetUp() {
    WindowTestStart();
}

void WindowTest::TearDown() {
    WindowLibraryEnd();
    EventsSettle(0);
}

std::vector<Delivered> EventsSettle(int32_t quietMilliseconds) {
    std::vector<Delivered> delivered;
    while (int32_t code = EventWaitTimeout(quietMilliseconds))
        delivered.push_back({code, EventWindow(), EventMenuItem(), EventType()});
    return delivered;
}

bool EventAwait(int32_t code, int32_t timeoutMilliseconds, std::vector<Delivered>* seen) {
    DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMilliseconds);
    for (;;) {
        auto left = static_cast<int32_t>(deadline - GetTickCount());
        if (left <= 0) return false;
        int32_t got = EventWaitTimeout(left);
        if (got == 0) continue;
        if (seen) seen->push_back({got, EventWindow(), EventMenuItem(), EventType()});
        if (got == code) return true;
    }
}

std::vector<int32_t> Codes(const std::vector<Delivered>& delivered) {
    std::vector<int32_t> codes;
    for (const Delivered& d : delivered)
        codes.push_back(d.code);
    return codes;
}

int CodeCount(const std::vector<Delivered>& delivered, int32_t code) {
    int count = 0;
    for (const Delivered& d : delivered)
        count += d.code == code;
    return count;
}

CreationRecorder::CreationRecorder() {
    creationRecorder = this;
    cbtHook = SetWindowsHookExA(WH_CBT, CbtRecord, nullptr, GetCurrentThreadId());
}

CreationRecorder::~CreationRecorder() {
    UnhookWindowsHookEx(cbtHook);
    creationRecorder = nullptr;
}

SentRecorder::SentRecorder() {
    sentRecorder = this;
    sentHook = SetWindowsHookExA(WH_CALLWNDPROC, SentRecord, nullptr, GetCurrentThreadId());
}

SentRecorder::~SentRecorder() {
    UnhookWindowsHookEx(sentHook);
    sentRecorder = nullptr;
}

int SentRecorder::Count(UINT message, HWND hwnd) const {
    int count = 0;
    for (const SentMessage& m : sent)
        count += m.message == message && (!hwnd || m.hwnd == hwnd);
    return count;
}

void KeyPress(WORD virtualKey, bool withShift) {
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (withShift) key(VK_SHIFT, false);
    key(virtualKey, false);
    key(virtualKey, true);
    if (withShift) key(VK_SHIFT, true);
    InputSend(inputs.data(), static_cast<UINT>(inputs.size()));
}

void MouseClick(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN) - 1;
    const int height = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (screen.x * 65535 + width / 2) / width;
        input.mi.dy = (screen.y * 65535 + height / 2) / height;
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    InputSend(inputs, 3);
}

bool WindowFocus(HWND window) {
    SetForegroundWindow(window);
    SetFocus(window);
    DWORD deadline = GetTickCount() + 3000;
    while (GetForegroundWindow() != window || GetFocus() != window) {
        if (static_cast<int32_t>(deadline - GetTickCount()) <= 0) return false;
        EventWaitTimeout(20);
    }
    return true;
}

POINT HitTestPoint(HWND window, LRESULT hit) {
    RECT r;
    GetWindowRect(window, &r);
    RECT found = {r.right, r.bottom, r.left - 1, r.top - 1};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == hit) {
                found.left = std::min<LONG>(found.left, x);
                found.top = std::min<LONG>(found.top, y);
                found.right = std::max<LONG>(found.right, x);
                found.bottom = std::max<LONG>(found.bottom, y);
            }
    if (found.right < found.left) return {-1, -1};
    return {(found.left + found.right) / 2, (found.top + found.bottom) / 2};
}
