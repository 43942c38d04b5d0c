// Helpers of the window library's tests: the started libraries, a conformance table of messages
// and the events they must give, thread hooks that record what the system really does, and real
// input.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "test_support.h"
#include "window_internal.h"

// Starts the libraries for one test and ends them after it.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

constexpr int32_t ANY = INT32_MIN; // a field of an expected event or result that is not checked

struct Delivered {
    int32_t code;
    ObjectNumber window = ANY;
    int32_t item = ANY;
    int32_t type = ANY;
};
// Waits until nothing arrives for quietMilliseconds; everything the waits returned, in order.
std::vector<Delivered> EventsSettle(int32_t quietMilliseconds = 100);
// Waits until the wait returns code; false when it does not within the time.
bool EventAwait(int32_t code, int32_t timeoutMilliseconds = 3000);
std::vector<ObjectNumber> WindowsOf(const std::vector<Delivered>& delivered, int32_t code);

// One step of a conformance table: a message sent or posted to windows[target] (lParam replaced by
// windows[lParamWindow] when that is not -1), the result a sent message must give, and exactly the
// codes the waits then return until the thread is idle.
struct Step {
    bool post;
    int target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int lParamWindow;
    LRESULT result;
    std::vector<Delivered> expected;
};
void StepsCheck(const std::vector<HWND>& windows, const std::vector<Step>& steps);

// Thread hooks: CreateWindowExA's style as the system received it, window destruction, and every
// message sent (not posted) to a window.
struct Recorded {
    enum { CREATED, DESTROYED, SENT } kind;
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    DWORD style, exStyle;
};
class Recorder {
  public:
    Recorder();
    ~Recorder();
    std::vector<Recorded> CreatedOrDestroyed(std::vector<HWND> windows) const; // the system makes windows too
    int Sent(HWND hwnd, UINT message, WPARAM wParam) const;
    std::vector<Recorded> records;
};

// Screen point in the middle of the part of window where WM_NCHITTEST answers hit.
POINT HitTestPoint(HWND window, LRESULT hit);
// Makes window the foreground window with the keyboard focus.
bool WindowFocus(HWND window);
