// Helpers of the window library's tests: the started libraries, the wait driven until a code
// comes, recorders of real window creation and of sent messages (thread hooks), and real input.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window_internal.h"

// Starts the runtime, the control library and the window library once per process.
void WindowTestStart();

// Every test starts the libraries and leaves no window and no queued event behind.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

struct Delivered {
    int32_t code;
    ObjectNumber window;
    int32_t item;
    int32_t type;
};

// Waits until nothing more arrives for quietMilliseconds; every code the waits returned, in order.
std::vector<Delivered> EventsSettle(int32_t quietMilliseconds = 100);

// Waits until the wait returns code (or timeoutMilliseconds pass); true when it came. Everything
// returned on the way, the code included, is appended to seen when given.
bool EventAwait(int32_t code, int32_t timeoutMilliseconds = 3000, std::vector<Delivered>* seen = nullptr);

// The codes of a sequence, for readable comparisons.
std::vector<int32_t> Codes(const std::vector<Delivered>& delivered);
// How often code appears in a sequence.
int CodeCount(const std::vector<Delivered>& delivered, int32_t code);

// Records the windows the thread creates and destroys, as the system's CBT hook reports them:
// creation with the arguments CreateWindowExA was given, destruction with the window's
// "QZ_WindowID" at that moment.
struct CreatedWindow {
    std::string className;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    HWND parent;
    HWND hwnd;
};
struct WindowLifeStep {
    bool created; // false: destroyed
    HWND hwnd;
    uintptr_t windowIdProperty;
};
class CreationRecorder {
  public:
    CreationRecorder();
    ~CreationRecorder();
    std::vector<CreatedWindow> created;
    std::vector<WindowLifeStep> journal;
};

// Records the messages sent (not posted) to windows of the thread.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
class SentRecorder {
  public:
    SentRecorder();
    ~SentRecorder();
    std::vector<SentMessage> sent;
    int Count(UINT message, HWND hwnd = nullptr) const;
};

// Real keyboard and mouse input through the system's input queue.
void KeyPress(WORD virtualKey, bool withShift = false);
void MouseClick(POINT screen);

// Makes window the foreground window with the keyboard focus, and waits until it is.
bool WindowFocus(HWND window);

// Screen point of window where WM_NCHITTEST reports hit, or {-1, -1}.
POINT HitTestPoint(HWND window, LRESULT hit);
