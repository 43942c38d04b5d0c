#include "window_test_support.h"

#include <algorithm>
#include <string>

namespace {

constexpr int32_t QUIET_MS = 200; // what one action causes arrives within this

Recorder* recorder;
HHOOK cbtHook, sentHook;

LRESULT CALLBACK CbtRecord(int code, WPARAM wParam, LPARAM lParam) {
    const auto hwnd = reinterpret_cast<HWND>(wParam);
    char name[sizeof("WindowClass_")] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    if (std::string(name) != "WindowClass_") return CallNextHookEx(cbtHook, code, wParam, lParam);
    if (code == HCBT_CREATEWND)
        recorder->windows.push_back({hwnd, reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->style});
    if (code == HCBT_DESTROYWND) recorder->windows.push_back({hwnd, 0});
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

LRESULT CALLBACK SentRecord(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION) recorder->sent.push_back({m->hwnd, m->message, m->wParam, m->lParam, 0, {}});
    return CallNextHookEx(sentHook, code, wParam, lParam);
}

std::string Describe(const std::vector<Delivered>& events, const std::vector<Delivered>& actual) {
    std::string out;
    for (size_t i = 0; i < events.size(); ++i) {
        Delivered e = events[i];
        for (int32_t Delivered::*field : {&Delivered::window, &Delivered::item, &Delivered::type})
            if (e.*field == ANY && i < actual.size()) e.*field = actual[i].*field; // unchecked: as it came
        out += "[" + std::to_string(e.code) + " window " + std::to_string(e.window) + " item " +
               std::to_string(e.item) + " type " + std::to_string(e.type) + "] ";
    }
    return out;
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

std::vector<ObjectNumber> WindowsOf(const std::vector<Delivered>& delivered, int32_t code) {
    std::vector<ObjectNumber> windows;
    for (const Delivered& d : delivered)
        if (d.code == code) windows.push_back(d.window);
    return windows;
}

std::vector<int32_t> waited;

bool WaitsUntil(const std::function<bool()>& done, const std::function<void()>& act) {
    bool acted = false;
    auto waits = [&] {
        if (!acted && act) act();
        acted = true;
        while (!done()) {
            const int32_t code = EventWaitTimeout(QUIET_MS);
            if (!code) return false;
            waited.push_back(code);
        }
        return true;
    };
    return waits() || PumpUntil(waits); // the waits first: what is pending is the library's
}

bool EventArrives(int32_t code, const std::function<void()>& act, WPARAM wParam) {
    const size_t from = waited.size();
    return WaitsUntil(
        [&] {
            return waited.size() > from && waited.back() == code &&
                   (wParam == WPARAM(ANY) || EventWParam() == wParam);
        },
        act);
}

bool KeyThroughWait(WORD key, std::initializer_list<WORD> modifiers) {
    return EventArrives(
        WM_KEYUP, [&] { KeyPress(key, modifiers); }, key);
}

void StepsCheck(const std::vector<HWND>& windows, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const LPARAM lParam = step.lParamWindow < 0 ? step.lParam : LPARAM(windows[step.lParamWindow]);
        if (step.post) {
            PostMessageA(windows[step.target], step.message, step.wParam, lParam);
        } else {
            const LRESULT result = SendMessageA(windows[step.target], step.message, step.wParam, lParam);
            if (step.result != ANY) {
                EXPECT_EQ(result, step.result);
            }
        }
        const std::vector<Delivered> actual = EventsSettle(0);
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
}

int Recorder::Sent(HWND window, UINT message, WPARAM wParam) const {
    return static_cast<int>(std::count_if(sent.begin(), sent.end(), [&](const MSG& m) {
        return m.hwnd == window && m.message == message && m.wParam == wParam;
    }));
}
