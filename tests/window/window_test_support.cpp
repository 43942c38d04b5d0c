#include "window_test_support.h"

#include <algorithm>
#include <sstream>
#include <string>

#include "test_support.h"

namespace {

Recorder* recorder;
HHOOK cbtHook, sentHook;

LRESULT CALLBACK CbtRecord(int code, WPARAM wParam, LPARAM lParam) {
    auto hwnd = reinterpret_cast<HWND>(wParam);
    if (recorder && code == HCBT_CREATEWND) {
        const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        recorder->records.push_back({Recorded::CREATED, hwnd, 0, 0, DWORD(cs->style), cs->dwExStyle});
    } else if (recorder && code == HCBT_DESTROYWND) {
        recorder->records.push_back({Recorded::DESTROYED, hwnd, 0, 0, 0, 0});
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

LRESULT CALLBACK SentRecord(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (recorder && code == HC_ACTION)
        recorder->records.push_back({Recorded::SENT, m->hwnd, m->message, m->wParam, 0, 0});
    return CallNextHookEx(sentHook, code, wParam, lParam);
}

std::string Describe(const std::vector<Delivered>& events, const std::vector<Delivered>& actual) {
    std::ostringstream out;
    for (size_t i = 0; i < events.size(); ++i) {
        const Delivered& e = events[i];
        const Delivered* a = i < actual.size() ? &actual[i] : nullptr;
        auto field = [&](int32_t value, int32_t Delivered::*member) {
            return value == ANY && a ? a->*member : value;
        };
        out << "[" << e.code << " window " << field(e.window, &Delivered::window) << " item "
            << field(e.item, &Delivered::item) << " type " << field(e.type, &Delivered::type) << "] ";
    }
    return out.str();
}

} // namespace

void WindowTest::SetUp() {
    TestRuntimeStart();
    ControlLibraryStart();
    WindowLibraryStart();
}

void WindowTest::TearDown() {
    WindowLibraryEnd();
    ControlLibraryEnd();
}

std::vector<Delivered> EventsSettle(int32_t quietMilliseconds) {
    std::vector<Delivered> delivered;
    while (int32_t code = EventWaitTimeout(quietMilliseconds))
        delivered.push_back({code, EventWindow(), EventMenuItem(), EventType()});
    return delivered;
}

bool EventAwait(int32_t code, int32_t timeoutMilliseconds) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMilliseconds);
    for (int32_t left; (left = static_cast<int32_t>(deadline - GetTickCount())) > 0;)
        if (EventWaitTimeout(left) == code) return true;
    return false;
}

std::vector<ObjectNumber> WindowsOf(const std::vector<Delivered>& delivered, int32_t code) {
    std::vector<ObjectNumber> windows;
    for (const Delivered& d : delivered)
        if (d.code == code) windows.push_back(d.window);
    return windows;
}

void StepsCheck(const std::vector<HWND>& windows, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i << ": message " << step.message);
        LPARAM lParam =
            step.lParamWindow < 0 ? step.lParam : reinterpret_cast<LPARAM>(windows[step.lParamWindow]);
        if (step.post) {
            PostMessageA(windows[step.target], step.message, step.wParam, lParam);
        } else {
            LRESULT result = SendMessageA(windows[step.target], step.message, step.wParam, lParam);
            if (step.result != ANY) {
                EXPECT_EQ(result, step.result);
            }
        }
        std::vector<Delivered> actual = EventsSettle(0);
        EXPECT_EQ(Describe(actual, actual), Describe(step.expected, actual));
    }
}

Recorder::Recorder() {
    recorder = this;
    cbtHook = SetWindowsHookExA(WH_CBT, CbtRecord, nullptr, GetCurrentThreadId());
    sentHook = SetWindowsHookExA(WH_CALLWNDPROC, SentRecord, nullptr, GetCurrentThreadId());
}

Recorder::~Recorder() {
    UnhookWindowsHookEx(cbtHook);
    UnhookWindowsHookEx(sentHook);
    recorder = nullptr;
}

std::vector<Recorded> Recorder::CreatedOrDestroyed(std::vector<HWND> windows) const {
    std::vector<Recorded> of;
    for (const Recorded& r : records)
        if (r.kind != Recorded::SENT && std::find(windows.begin(), windows.end(), r.hwnd) != windows.end())
            of.push_back(r);
    return of;
}

int Recorder::Sent(HWND hwnd, UINT message, WPARAM wParam) const {
    return static_cast<int>(std::count_if(records.begin(), records.end(), [&](const Recorded& r) {
        return r.kind == Recorded::SENT && r.hwnd == hwnd && r.message == message && r.wParam == wParam;
    }));
}

POINT HitTestPoint(HWND window, LRESULT hit) {
    RECT r, found = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    GetWindowRect(window, &r);
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == hit)
                found = {std::min(found.left, x), std::min(found.top, y), std::max(found.right, x),
                         std::max(found.bottom, y)};
    return {(found.left + found.right) / 2, (found.top + found.bottom) / 2};
}

bool WindowFocus(HWND window) {
    SetForegroundWindow(window);
    SetFocus(window);
    const DWORD deadline = GetTickCount() + 3000;
    while (GetForegroundWindow() != window || GetFocus() != window) {
        if (static_cast<int32_t>(deadline - GetTickCount()) <= 0) return false;
        EventWaitTimeout(20);
    }
    return true;
}
