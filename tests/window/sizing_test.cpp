// Live sizing under wine: full-window dragging switched on for each test, real mouse drags of a
// border, real arrow keys, Enter and Escape after the Size command, the window's rectangle and the
// cursor read back from the system.
#include "window_test_support.h"

#include <algorithm>

// Comparisons and printing of the system's rectangles and points, found by argument lookup.
static bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}
static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
static bool operator==(const POINT& a, const POINT& b) {
    return a.x == b.x && a.y == b.y;
}
static std::ostream& operator<<(std::ostream& out, const POINT& p) {
    return out << "(" << p.x << ", " << p.y << ")";
}

namespace {

constexpr WPARAM SIZE_COMMAND = 0xF000; // the window menu's Size command
constexpr uint32_t SIZABLE = WF_DEFAULT | WS_THICKFRAME;

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

// Track sizes 180 x 120 to 360 x 240.
LRESULT TrackLimits(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_GETMINMAXINFO) return NOT_HANDLED_HOOK;
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {180, 120};
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {360, 240};
    return 0;
}

bool Ended() {
    return WaitsUntil([] { return std::count(waited.begin(), waited.end(), WM_EXITSIZEMOVE) > 0; });
}

// Puts the window at (300, 200, 560, 400) with the track sizes, the cursor in its middle, and
// begins sizing from edge (0: none yet).
bool SizingFromPlace(HWND window, WPARAM edge) {
    static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1))->windowHook = TrackLimits;
    MoveWindow(window, 300, 200, 260, 200, TRUE);
    SetCursorPos(430, 300);
    EventsSettle(0);
    waited.clear();
    return EventArrives(WM_ENTERSIZEMOVE,
                        [&] { PostMessageA(window, WM_SYSCOMMAND, SIZE_COMMAND + edge, 0); });
}

// A mouse move to a screen point, as the window holding the capture receives it.
void MoveTo(HWND window, POINT screen) {
    ScreenToClient(window, &screen);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(screen.x, screen.y));
}

class SizingTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &saved, 0);
        SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
        window = reinterpret_cast<HWND>(WindowOpen(1, 100, 100, 260, 160, "Groesse", SIZABLE));
        ASSERT_TRUE(ForegroundMake(window));
    }
    void TearDown() override {
        SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, saved, nullptr, 0);
        WindowTest::TearDown();
    }
    BOOL saved = FALSE;
    HWND window = nullptr;
};

} // namespace

TEST_F(SizingTest, WithoutFullWindowDraggingAndForMaximisedMinimisedOrHiddenWindowsTheSystemSizes) {
    for (uint32_t state : {0u, WF_MAXIMIZED, WF_MINIMIZED, WF_HIDDEN}) {
        SCOPED_TRACE(testing::Message() << "flags " << std::hex << state);
        SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, state != 0, nullptr, 0);
        window = reinterpret_cast<HWND>(WindowOpen(1, 100, 100, 200, 100, "", SIZABLE | state));
        EventsSettle(0);
        const RECT before = RectOf(window);
        Recorder recorder;
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0); // ends the system's own loop, should it run
        SendMessageA(window, WM_SYSCOMMAND, SC_SIZE + (state ? 0 : WMSZ_RIGHT), 0);
        EXPECT_TRUE(recorder.Sent(window, WM_ENTERSIZEMOVE) || state) << "the system's loop ran";
        EXPECT_TRUE(GetCapture() == nullptr && RectOf(window) == before);
        EXPECT_EQ(WindowsOf(EventsSettle(), WM_ENTERSIZEMOVE).size(), 0u);
    }
}

TEST_F(SizingTest, DraggingTheRightBorderFollowsTheCursorWithinTheTrackSizes) {
    SizingFromPlace(window, WMSZ_RIGHT);
    ReleaseCapture();
    ASSERT_TRUE(Ended());
    waited.clear();
    MouseSend({558, 300});
    ASSERT_TRUE(EventArrives(WM_ENTERSIZEMOVE, [] { MouseSend({558, 300}, MOUSEEVENTF_LEFTDOWN); }));
    EXPECT_EQ(GetCapture(), window);
    for (POINT at :
         {POINT{600, 602}, POINT{700, 660}, POINT{320, 480}, POINT{500, 502}}) { // cursor x, right edge
        MouseSend({at.x, 300});
        EXPECT_TRUE(WaitsUntil([&] {
            return RectOf(window) == (RECT{300, 200, at.y, 400});
        })) << RectOf(window);
    }
    MouseSend({500, 300}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(Ended());
    EXPECT_TRUE(RectOf(window).right == 502 && GetCapture() == nullptr);
    // The main loop ran all along: sizes between the start and the end, the window's own.
    EXPECT_GE(std::count(waited.begin(), waited.end(), EVENT_WINDOW_SIZED), 4);
    EXPECT_EQ(std::count(waited.begin(), waited.end(), WM_ENTERSIZEMOVE), 1);
    MouseSend({400, 300});
    EventsSettle();
    EXPECT_EQ(RectOf(window).right, 502) << "moves after the end size nothing";
}

TEST_F(SizingTest, ArrowKeysChooseEdgesPlaceTheCursorStepTenPixelsAndEnterOrEscapeEnd) {
    struct Choice {
        std::vector<WORD> keys;
        POINT cursor;
        LPCSTR image;
    };
    for (const Choice& c : std::vector<Choice>{
             {{}, {430, 300}, IDC_SIZEALL},
             {{VK_LEFT}, {300, 300}, IDC_SIZEWE},
             {{VK_RIGHT}, {558, 300}, IDC_SIZEWE},
             {{VK_UP}, {430, 200}, IDC_SIZENS},
             {{VK_DOWN}, {430, 398}, IDC_SIZENS},
             {{VK_UP, VK_LEFT}, {302, 202}, IDC_SIZENWSE},
             {{VK_LEFT, VK_UP}, {302, 202}, IDC_SIZENWSE},
             {{VK_UP, VK_RIGHT}, {558, 200}, IDC_SIZENESW},
             {{VK_RIGHT, VK_UP}, {558, 200}, IDC_SIZENESW},
             {{VK_DOWN, VK_LEFT}, {300, 398}, IDC_SIZENESW},
             {{VK_LEFT, VK_DOWN}, {300, 398}, IDC_SIZENESW},
             {{VK_DOWN, VK_RIGHT}, {558, 398}, IDC_SIZENWSE},
             {{VK_RIGHT, VK_DOWN}, {558, 398}, IDC_SIZENWSE},
         }) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys.size() << " ending at " << c.cursor);
        ASSERT_TRUE(SizingFromPlace(window, 0));
        for (WORD key : c.keys)
            KeyThroughWait(key);
        EXPECT_TRUE(RectOf(window) == (RECT{300, 200, 560, 400}))
            << "choosing sizes nothing " << RectOf(window);
        EXPECT_TRUE(CursorAt() == c.cursor && GetCursor() == LoadCursorA(nullptr, c.image)) << CursorAt();
        KeyThroughWait(VK_ESCAPE);
        ASSERT_TRUE(Ended());
    }
    SetCursorPos(400, 250);
    ASSERT_TRUE(
        EventArrives(WM_ENTERSIZEMOVE, [&] { PostMessageA(window, WM_SYSCOMMAND, SIZE_COMMAND, 0); }));
    KeyThroughWait(VK_RETURN);
    ASSERT_TRUE(Ended());
    EXPECT_TRUE(CursorAt() == (POINT{400, 250}) && GetCapture() == nullptr)
        << CursorAt() << "Enter puts the cursor back";
    ASSERT_TRUE(SizingFromPlace(window, 0));
    for (WORD key : {VK_LEFT, VK_LEFT, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_DOWN, VK_ESCAPE, VK_LEFT})
        KeyThroughWait(key);
    EXPECT_EQ(RectOf(window), (RECT{310, 200, 560, 410}))
        << "left out 10, in 20, bottom out 10; Escape keeps it";
}

TEST_F(SizingTest, EveryEdgeAndCornerStopsAtTheMinimumAndMaximumTrackSize) {
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
        ASSERT_TRUE(SizingFromPlace(window, c.edge));
        MoveTo(window, c.out);
        EXPECT_EQ(RectOf(window), c.outward) << "maximum";
        MoveTo(window, {430, 300});
        EXPECT_EQ(RectOf(window), c.inward) << "minimum";
        ReleaseCapture();
        ASSERT_TRUE(Ended()) << "taking the capture away ends the sizing";
    }
}

TEST_F(SizingTest, AChildIsSizedInItsParentsCoordinatesAndDestroyingItEndsTheSizing) {
    WNDCLASSA childClass = {};
    childClass.lpfnWndProc = WindowProcedure;
    childClass.lpszClassName = "SizedChild";
    RegisterClassA(&childClass);
    HWND child = CreateWindowExA(0, "SizedChild", "", WS_CHILD | WS_VISIBLE | WS_THICKFRAME, 20, 30, 120, 80,
                                 window, nullptr, nullptr, nullptr);
    const RECT parentStart = RectOf(window);
    waited.clear();
    ASSERT_TRUE(EventArrives(WM_ENTERSIZEMOVE, [&] { PostMessageA(child, WM_SYSCOMMAND, SIZE_COMMAND, 0); }));
    EXPECT_EQ(GetCapture(), child);
    for (WORD key : {VK_RIGHT, VK_RIGHT}) // the focus is on the parent: its keys must not size it
        KeyThroughWait(key);
    EXPECT_EQ(RectOf(window), parentStart);
    SetFocus(child);
    for (WORD key : {VK_RIGHT, VK_RIGHT})
        KeyThroughWait(key);
    RECT placed = RectOf(child);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed, (RECT{20, 30, 150, 110}));
    DestroyWindow(child);
    EXPECT_TRUE(Ended()) << "destroying the window being sized ends the sizing";
    SetCapture(window); // held before: taking it for sizing is no loss of it
    ASSERT_TRUE(SizingFromPlace(window, WMSZ_BOTTOM));
    MoveTo(window, {430, 420});
    EXPECT_EQ(RectOf(window).bottom, 422);
    HWND other = reinterpret_cast<HWND>(WindowOpen(2, 500, 100, 100, 60, "Andere", WF_DEFAULT | WF_HIDDEN));
    SetCapture(other);
    ASSERT_TRUE(Ended()) << "another window taking the capture ends the sizing";
    ReleaseCapture();
    MouseSend({430, 380});
    EventsSettle();
    EXPECT_EQ(RectOf(window).bottom, 422);
}
