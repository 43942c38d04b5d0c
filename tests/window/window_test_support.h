// Helpers of the window library's tests: the started libraries, the events the waits return and a
// conformance table of messages and their events.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
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
// Everything the waits return until nothing arrives for quietMilliseconds.
std::vector<Delivered> EventsSettle(int32_t quietMilliseconds = 100);
std::vector<ObjectNumber> WindowsOf(const std::vector<Delivered>& delivered, int32_t code);
extern std::vector<int32_t> waited; // every code the waits returned inside EventArrives
// Does act from inside the pumping (so that no plain dispatch takes what it causes), then runs the
// library's waits, as the program's loop, until one returns code (with wParam, unless ANY).
bool EventArrives(int32_t code, const std::function<void()>& act = nullptr, WPARAM wParam = WPARAM(ANY));
// Real key input until the key's release has come through the library's wait.
bool KeyThroughWait(WORD key, std::initializer_list<WORD> modifiers = {});

// One named row of a conformance table: a message sent or posted to windows[target] (lParam
// replaced by windows[lParamWindow] unless that is -1), the result a sent message must give
// (ANY: unchecked) and exactly what the waits then return until the thread is idle.
struct Step {
    const char* name;
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

RECT RectOf(HWND window);
bool operator==(const RECT& a, const RECT& b);
std::ostream& operator<<(std::ostream& out, const RECT& r);
