// Live sizing under wine: full-window dragging switched on and off for each test, real mouse drags
// of a border, real arrow keys, Enter and Escape after the Size command, the window's rectangle
// and the cursor read back from the system.
#include "window_test_support.h"

#include <algorithm>

// Comparisons and printing of the system's rectangles and points, found by argument lookup.
static bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}
static bool operator==(const POINT& a, const POINT& b) {
    return a.x == b.x && a.y == b.y;
}
static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
static std::ostream& operator<<(std::ostream& out, const POINT& p) {
    return out << "(" << p.x << ", " << p.y << ")";
}

namespace {

constexpr int TIMEOUT_MILLISECONDS = 3000;
constexpr int PUMP_MILLISECONDS = 10;
constexpr WPARAM SIZE_COMMAND = 0xF000; // the window menu's Size command
constexpr uint32_t SIZABLE = WF_DEFAULT | WS_THICKFRAME;
constexpr LONG MIN_WIDTH = 180;
constexpr LONG MAX_WIDTH = 360;

// Switches full-window dragging for one test and restores the user's setting afterwards.
class DragFullWindows {
  public:
    explicit DragFullWindows(BOOL on) {
        SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &saved, 0);
        SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, on, nullptr, 0);
    }
    ~DragFullWindows() { SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, saved, nullptr, 0); }

  private:
    BOOL saved = FALSE;
};

HWND Sizable(ObjectNumber number) {
    auto window = reinterpret_cast<HWND>(WindowOpen(number, 100, 100, 260, 160, "Groesse", SIZABLE));
    EXPECT_TRUE(WindowFocus(window));
    return window;
}

RECT RectOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

POINT CursorAt() {
    POINT p;
    GetCursorPos(&p);
    return p;
}

// Every code the waits return while the program's loop runs, as the tests' main loop.
std::vector<int32_t> delivered;

// Runs the main loop until done holds; false when it does not within the time.
template <typename Done> bool LoopUntil(Done done) {
    const DWORD deadline = GetTickCount() + TIMEOUT_MILLISECONDS;
    while (!done()) {
        if (static_cast<int32_t>(deadline - GetTickCount()) <= 0) return false;
        if (int32_t code = EventWaitTimeout(PUMP_MILLISECONDS)) delivered.push_back(code);
    }
    return true;
}

bool Arrived(int32_t code) {
    return std::find(delivered.begin(), delivered.end(), code) != delivered.end();
}

bool SizingBegun() {
    return LoopUntil([] { return Arrived(WM_ENTERSIZEMOVE); });
}
bool SizingEnded() {
    return LoopUntil([] { return Arrived(WM_EXITSIZEMOVE); });
}

void MouseInput(POINT screen, DWORD buttons) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
    ASSERT_EQ(SendInput(1, &input, sizeof(input)), 1u);
}

// Presses key and runs the loop until the key's release has come through the wait. (Under wine a
// new process may start with another key-toggle state than the system's, so the toggle bit cannot
// tell whether a press arrived.)
void Press(WORD key) {
    KeyPress(key);
    const DWORD deadline = GetTickCount() + TIMEOUT_MILLISECONDS;
    for (;;) {
        int32_t code = EventWaitTimeout(PUMP_MILLISECONDS);
        if (code) delivered.push_back(code);
        if (code == WM_KEYUP && EventWParam() == key) return;
        if (static_cast<int32_t>(deadline - GetTickCount()) <= 0) {
            ADD_FAILURE() << "key " << key << " never arrived; focus " << GetFocus() << " foreground "
                          << GetForegroundWindow() << " capture " << GetCapture();
            return;
        }
    }
}

// Limits the window offers in WM_GETMINMAXINFO.
LRESULT TrackLimits(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_GETMINMAXINFO) return NOT_HANDLED_HOOK;
    auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
    limits->ptMinTrackSize.x = MIN_WIDTH;
    limits->ptMaxTrackSize.x = MAX_WIDTH;
    return 0;
}

// Sends SC_SIZE with an Escape already queued: the system's own sizing loop, should it run, takes
// the Escape and ends at once. True when the system's loop ran (it sends WM_ENTERSIZEMOVE; the
// library only posts it).
bool SystemSizingRan(HWND window, WPARAM command) {
    Recorder recorder;
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(window, WM_SYSCOMMAND, command, 0);
    return recorder.Sent(window, WM_ENTERSIZEMOVE, 0) > 0;
}

class SizingTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        delivered.clear();
    }
};

// Puts the window at (300, 200, 560, 400), the cursor at its middle, and begins sizing from edge.
void SizingFromPlace(HWND window, WPARAM edge) {
    delivered.clear();
    MoveWindow(window, 300, 200, 260, 200, TRUE);
    SetCursorPos(430, 300);
    EventsSettle(0);
    PostMessageA(window, WM_SYSCOMMAND, SIZE_COMMAND + edge, 0);
    ASSERT_TRUE(SizingBegun());
}

bool RectIs(HWND window, RECT wanted) {
    RECT r = RectOf(window);
    return EqualRect(&r, &wanted) != 0;
}

// A mouse move to a screen point, as the window holding the capture receives it.
void MoveTo(HWND window, POINT screen) {
    ScreenToClient(window, &screen);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(screen.x, screen.y));
}

} // namespace

TEST_F(SizingTest, WithFullWindowDraggingOffTheSystemSizes) {
    DragFullWindows off(FALSE);
    HWND window = Sizable(1);
    const RECT before = RectOf(window);
    EXPECT_TRUE(SystemSizingRan(window, SC_SIZE + WMSZ_RIGHT));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(RectOf(window), before);
    EXPECT_EQ(WindowsOf(EventsSettle(), WM_ENTERSIZEMOVE).size(), 0u);
    MouseInput(CentreOf(window), 0);
    EXPECT_EQ(RectOf(window), before) << "mouse moves are the window's own again";
}

TEST_F(SizingTest, DraggingTheRightBorderFollowsTheCursorWithinTheTrackSizes) {
    DragFullWindows on(TRUE);
    HWND window = Sizable(1);
    static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1))->windowHook = TrackLimits;
    const RECT start = RectOf(window);
    const POINT border = HitTestPoint(window, HTRIGHT);
    MouseInput(border, 0);
    MouseInput(border, MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(SizingBegun());
    EXPECT_EQ(GetCapture(), window);
    const size_t begun = delivered.size();

    for (LONG x : {border.x + 40, border.x - 30, start.left + MIN_WIDTH + 200, start.left + 20}) {
        SCOPED_TRACE(testing::Message() << "cursor at x " << x);
        MouseInput({x, border.y}, 0);
        const LONG width = std::clamp(x + SIZING_INSET - start.left, MIN_WIDTH, MAX_WIDTH);
        EXPECT_TRUE(LoopUntil([&] { return RectOf(window).right - start.left == width; }))
            << "window " << RectOf(window) << ", width wanted " << width;
        EXPECT_EQ(RectOf(window).left, start.left);
        EXPECT_EQ(RectOf(window).top, start.top);
        EXPECT_EQ(RectOf(window).bottom, start.bottom);
    }
    MouseInput({start.left + 200, border.y}, 0);
    MouseInput({start.left + 200, border.y}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(SizingEnded());
    EXPECT_EQ(RectOf(window).right, start.left + 200 + SIZING_INSET);
    EXPECT_EQ(GetCapture(), nullptr);

    // The main loop ran all along: sizes between the start and the end, the window's own.
    const std::vector<int32_t> during(delivered.begin() + begun, delivered.end() - 1);
    EXPECT_GE(std::count(during.begin(), during.end(), EVENT_WINDOW_SIZED), 2);
    EXPECT_EQ(std::count(during.begin(), during.end(), WM_ENTERSIZEMOVE), 0);
    EXPECT_EQ(delivered.back(), WM_EXITSIZEMOVE);

    delivered.clear();
    MouseInput({start.left + 100, border.y}, 0);
    EventsSettle();
    EXPECT_EQ(RectOf(window).right, start.left + 200 + SIZING_INSET) << "moves after the end size nothing";
}

TEST_F(SizingTest, SizeCommandThenEnterKeepsTheSizeAndPutsTheCursorBack) {
    DragFullWindows on(TRUE);
    HWND window = Sizable(1);
    const RECT start = RectOf(window);
    const POINT cursor = CentreOf(window);
    MouseInput(cursor, 0);
    ASSERT_TRUE(LoopUntil([&] { return CursorAt() == cursor; }));
    EventsSettle();

    PostMessageA(window, WM_SYSCOMMAND, SIZE_COMMAND, 0);
    ASSERT_TRUE(SizingBegun());
    EXPECT_EQ(GetCapture(), window);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEALL)) << "no edge chosen yet: the four-way arrow";
    Press(VK_RETURN);
    ASSERT_TRUE(SizingEnded());
    EXPECT_EQ(RectOf(window), start);
    EXPECT_EQ(CursorAt(), cursor);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SizingTest, ArrowKeysChooseEdgesAndCornersAndPlaceTheCursorOnThem) {
    DragFullWindows on(TRUE);
    HWND window = Sizable(1);
    struct Choice {
        const char* name;
        std::vector<WORD> keys;
        POINT cursor;
        LPCSTR image;
    };
    for (const Choice& c : std::vector<Choice>{
             {"left", {VK_LEFT}, {300, 300}, IDC_SIZEWE},
             {"right", {VK_RIGHT}, {558, 300}, IDC_SIZEWE},
             {"top", {VK_UP}, {430, 200}, IDC_SIZENS},
             {"bottom", {VK_DOWN}, {430, 398}, IDC_SIZENS},
             {"up, left", {VK_UP, VK_LEFT}, {302, 202}, IDC_SIZENWSE},
             {"left, up", {VK_LEFT, VK_UP}, {302, 202}, IDC_SIZENWSE},
             {"up, right", {VK_UP, VK_RIGHT}, {558, 200}, IDC_SIZENESW},
             {"right, up", {VK_RIGHT, VK_UP}, {558, 200}, IDC_SIZENESW},
             {"down, left", {VK_DOWN, VK_LEFT}, {300, 398}, IDC_SIZENESW},
             {"left, down", {VK_LEFT, VK_DOWN}, {300, 398}, IDC_SIZENESW},
             {"down, right", {VK_DOWN, VK_RIGHT}, {558, 398}, IDC_SIZENWSE},
             {"right, down", {VK_RIGHT, VK_DOWN}, {558, 398}, IDC_SIZENWSE},
         }) {
        SCOPED_TRACE(c.name);
        SizingFromPlace(window, 0);
        for (WORD key : c.keys)
            Press(key);
        EventsSettle(0);
        EXPECT_TRUE(RectIs(window, {300, 200, 560, 400}))
            << "choosing an edge sizes nothing " << RectOf(window);
        EXPECT_EQ(CursorAt(), c.cursor);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, c.image));
        Press(VK_ESCAPE);
        ASSERT_TRUE(SizingEnded());
    }
}

TEST_F(SizingTest, ArrowKeysMoveTheChosenEdgeTenPixelsAndEscapeKeepsTheSizeReached) {
    DragFullWindows on(TRUE);
    HWND window = Sizable(1);
    SizingFromPlace(window, 0);
    Press(VK_LEFT);
    Press(VK_LEFT);
    EXPECT_TRUE(RectIs(window, {290, 200, 560, 400}))
        << "the second Left moves the left edge out " << RectOf(window);
    Press(VK_RIGHT);
    Press(VK_RIGHT);
    EXPECT_TRUE(RectIs(window, {310, 200, 560, 400})) << "Right moves it in " << RectOf(window);
    Press(VK_DOWN);
    Press(VK_DOWN);
    EXPECT_TRUE(RectIs(window, {310, 200, 560, 410}))
        << "Down adds the corner, then steps " << RectOf(window);
    Press(VK_ESCAPE);
    ASSERT_TRUE(SizingEnded());
    EXPECT_TRUE(RectIs(window, {310, 200, 560, 410})) << "Escape keeps the size reached";
    Press(VK_LEFT);
    EXPECT_TRUE(RectIs(window, {310, 200, 560, 410})) << "after the end, arrows size nothing";
}

// Track sizes 180 x 120 to 360 x 240: every moving edge stops at both, the other edges stay.
LRESULT ClampLimits(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_GETMINMAXINFO) return NOT_HANDLED_HOOK;
    auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
    limits->ptMinTrackSize = {180, 120};
    limits->ptMaxTrackSize = {360, 240};
    return 0;
}

TEST_F(SizingTest, EveryEdgeAndCornerStopsAtTheMinimumAndMaximumTrackSize) {
    DragFullWindows on(TRUE);
    HWND window = Sizable(1);
    static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1))->windowHook = ClampLimits;
    struct Clamp {
        const char* name;
        WPARAM edge;
        POINT out;
        RECT outward, inward; // after a move to out, then to the window's middle (430, 300)
    };
    for (const Clamp& c : std::vector<Clamp>{
             {"left", WMSZ_LEFT, {0, 300}, {200, 200, 560, 400}, {380, 200, 560, 400}},
             {"right", WMSZ_RIGHT, {900, 300}, {300, 200, 660, 400}, {300, 200, 480, 400}},
             {"top", WMSZ_TOP, {430, 0}, {300, 160, 560, 400}, {300, 280, 560, 400}},
             {"bottom", WMSZ_BOTTOM, {430, 760}, {300, 200, 560, 440}, {300, 200, 560, 320}},
             {"top-left", WMSZ_TOPLEFT, {0, 0}, {200, 160, 560, 400}, {380, 280, 560, 400}},
             {"top-right", WMSZ_TOPRIGHT, {900, 0}, {300, 160, 660, 400}, {300, 280, 480, 400}},
             {"bottom-left", WMSZ_BOTTOMLEFT, {0, 760}, {200, 200, 560, 440}, {380, 200, 560, 320}},
             {"bottom-right", WMSZ_BOTTOMRIGHT, {900, 760}, {300, 200, 660, 440}, {300, 200, 480, 320}},
         }) {
        SCOPED_TRACE(c.name);
        SizingFromPlace(window, c.edge);
        MoveTo(window, c.out);
        EXPECT_TRUE(RectIs(window, c.outward)) << "maximum: " << RectOf(window);
        MoveTo(window, {430, 300});
        EXPECT_TRUE(RectIs(window, c.inward)) << "minimum: " << RectOf(window);
        ReleaseCapture();
        ASSERT_TRUE(SizingEnded());
    }
}

TEST_F(SizingTest, AChildIsSizedInItsParentsCoordinatesAndOnlyIt) {
    DragFullWindows on(TRUE);
    HWND parent = Sizable(1);
    WNDCLASSA childClass = {};
    childClass.lpfnWndProc = WindowProcedure;
    childClass.lpszClassName = "SizedChild";
    RegisterClassA(&childClass);
    HWND child = CreateWindowExA(0, "SizedChild", "", WS_CHILD | WS_VISIBLE | WS_THICKFRAME, 20, 30, 120, 80,
                                 parent, nullptr, nullptr, nullptr);
    const RECT parentStart = RectOf(parent);
    PostMessageA(child, WM_SYSCOMMAND, SIZE_COMMAND, 0);
    ASSERT_TRUE(SizingBegun());
    EXPECT_EQ(GetCapture(), child);

    // The focus is on the parent: its arrow keys must not move the parent to the child's rectangle.
    Press(VK_RIGHT);
    Press(VK_RIGHT);
    EXPECT_EQ(RectOf(parent), parentStart);

    SetFocus(child);
    Press(VK_RIGHT);
    Press(VK_RIGHT);
    RECT placed;
    GetWindowRect(child, &placed);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&placed), 2);
    const RECT wanted = {20, 30, 20 + 120 + SIZING_KEY_STEP, 30 + 80};
    EXPECT_EQ(placed, wanted);
    Press(VK_RETURN);
    ASSERT_TRUE(SizingEnded());
    DestroyWindow(child);
}

TEST_F(SizingTest, CaptureTakenAwayOrDestroyedEndsTheSizingAndCaptureHeldBeforeDoesNot) {
    DragFullWindows on(TRUE);
    HWND window = Sizable(1);
    // Hidden, so that the window being sized stays the foreground window with the focus.
    HWND other = reinterpret_cast<HWND>(WindowOpen(2, 500, 100, 100, 60, "Andere", WF_DEFAULT | WF_HIDDEN));

    // The window held the capture before: taking it for sizing is no loss of it.
    SetCapture(window);
    const RECT start = RectOf(window);
    PostMessageA(window, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOM, 0);
    ASSERT_TRUE(SizingBegun());
    const POINT below = {(start.left + start.right) / 2, start.bottom + 30};
    MouseInput(below, 0);
    EXPECT_TRUE(LoopUntil([&] { return RectOf(window).bottom == below.y + SIZING_INSET; })) << RectOf(window);

    const RECT reached = RectOf(window);
    SetCapture(other);
    ASSERT_TRUE(SizingEnded()) << "another window taking the capture ends the sizing";
    ReleaseCapture();
    MouseInput({below.x, below.y + 40}, 0);
    EventsSettle();
    EXPECT_EQ(RectOf(window), reached);

    // Another window held it: sizing still starts and follows the mouse.
    delivered.clear();
    SetCapture(other);
    PostMessageA(window, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOM, 0);
    ASSERT_TRUE(SizingBegun());
    EXPECT_EQ(GetCapture(), window);
    MouseInput(below, 0);
    EXPECT_TRUE(LoopUntil([&] { return RectOf(window).bottom == below.y + SIZING_INSET; }));
    ReleaseCapture();
    ASSERT_TRUE(SizingEnded());

    // Destroying the window being sized takes its capture with it; the next sizing works as usual.
    delivered.clear();
    WNDCLASSA childClass = {};
    childClass.lpfnWndProc = WindowProcedure;
    childClass.lpszClassName = "SizedChild";
    RegisterClassA(&childClass);
    HWND child = CreateWindowExA(0, "SizedChild", "", WS_CHILD | WS_VISIBLE | WS_THICKFRAME, 20, 30, 120, 80,
                                 window, nullptr, nullptr, nullptr);
    PostMessageA(child, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOM, 0);
    ASSERT_TRUE(SizingBegun());
    DestroyWindow(child);
    EventsSettle();
    delivered.clear();
    PostMessageA(window, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOM, 0);
    ASSERT_TRUE(SizingBegun());
    EXPECT_EQ(GetCapture(), window);
    MouseInput({below.x, below.y + 20}, 0);
    EXPECT_TRUE(LoopUntil([&] { return RectOf(window).bottom == below.y + 20 + SIZING_INSET; }));
    ReleaseCapture();
    ASSERT_TRUE(SizingEnded());
}

TEST_F(SizingTest, MaximisedMinimisedAndHiddenWindowsAreLeftToTheSystem) {
    DragFullWindows on(TRUE);
    for (uint32_t state : {WF_MAXIMIZED, WF_MINIMIZED, WF_HIDDEN}) {
        SCOPED_TRACE(testing::Message() << "flags " << std::hex << state);
        auto window = reinterpret_cast<HWND>(WindowOpen(1, 100, 100, 200, 100, "", SIZABLE | state));
        EventsSettle(0);
        const RECT before = RectOf(window);
        SystemSizingRan(window, SIZE_COMMAND);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(WindowsOf(EventsSettle(), WM_ENTERSIZEMOVE).size(), 0u);
        EXPECT_EQ(RectOf(window), before);
        WindowClose(1);
    }
}
