#include "window_test_support.h"

#include <string>

namespace {

constexpr int32_t QUIET_MS = 200; // what one action causes arrives within this

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

bool EventArrives(int32_t code, const std::function<void()>& act, WPARAM wParam) {
    bool acted = false;
    auto waits = [&] {
        if (!acted && act) act();
        acted = true;
        while (int32_t got = EventWaitTimeout(QUIET_MS)) {
            waited.push_back(got);
            if (got == code && (wParam == WPARAM(ANY) || EventWParam() == wParam)) return true;
        }
        return false;
    };
    return waits() || PumpUntil(waits); // the waits first: what is pending is the library's
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

RECT RectOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}

std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
