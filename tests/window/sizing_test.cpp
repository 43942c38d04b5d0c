// Live sizing under wine with full-window dragging: real arrow keys and Escape after the Size command,
// mouse moves to the captured window, the window's rectangle and the cursor read back from the system.
#include "window_test_support.h"

#include <algorithm>

namespace {

constexpr WPARAM SIZE_COMMAND = 0xF000; // the window menu's Size command

// Track sizes 180 x 120 to 360 x 240.
LRESULT TrackLimits(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_GETMINMAXINFO) return NOT_HANDLED_HOOK;
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {180, 120};
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {360, 240};
    return 0;
}

bool Ended() {
    return std::count(waited.begin(), waited.end(), WM_EXITSIZEMOVE) || EventArrives(WM_EXITSIZEMOVE);
}

// Window 1 at (300, 200, 560, 400) with the track sizes and the cursor in its middle, sizing from edge
// (0: none yet); the sizing has begun unless it returns null.
HWND SizingFromPlace(WPARAM edge) {
    SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    auto window =
        reinterpret_cast<HWND>(WindowOpen(1, 300, 200, 10, 10, "Groesse", WF_DEFAULT | WS_THICKFRAME));
    static_cast<WindowObject*>(RegistryLookup(WindowRegistry(), 1))->windowHook = TrackLimits;
    MoveWindow(window, 300, 200, 260, 200, TRUE);
    SetCursorPos(430, 300);
    EventsSettle(0);
    waited.clear();
    const bool begun = ForegroundMake(window) && EventArrives(WM_ENTERSIZEMOVE, [&] {
                           PostMessageA(window, WM_SYSCOMMAND, SIZE_COMMAND + edge, 0);
                       });
    return begun ? window : nullptr;
}

// A mouse move to a screen point, as the window holding the capture receives it.
void MoveTo(HWND window, POINT screen) {
    ScreenToClient(window, &screen);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(screen.x, screen.y));
}

using SizingTest = WindowTest;

} // namespace

TEST_F(SizingTest, ArrowKeysChooseEdgesPlaceTheCursorStepTenPixelsAndEscapeEnds) {
    struct Choice {
        std::vector<WORD> keys;
        POINT cursor;
        LPCSTR image;
    };
    // clang-format off
    for (const Choice& c : std::vector<Choice>{
             {{}, {430, 300}, IDC_SIZEALL},                   {{VK_LEFT}, {300, 300}, IDC_SIZEWE},
             {{VK_RIGHT}, {558, 300}, IDC_SIZEWE},            {{VK_UP}, {430, 200}, IDC_SIZENS},
             {{VK_DOWN}, {430, 398}, IDC_SIZENS},             {{VK_UP, VK_LEFT}, {302, 202}, IDC_SIZENWSE},
             {{VK_LEFT, VK_UP}, {302, 202}, IDC_SIZENWSE},    {{VK_UP, VK_RIGHT}, {558, 200}, IDC_SIZENESW},
             {{VK_RIGHT, VK_UP}, {558, 200}, IDC_SIZENESW},   {{VK_DOWN, VK_LEFT}, {300, 398}, IDC_SIZENESW},
             {{VK_LEFT, VK_DOWN}, {300, 398}, IDC_SIZENESW},  {{VK_DOWN, VK_RIGHT}, {558, 398}, IDC_SIZENWSE},
             {{VK_RIGHT, VK_DOWN}, {558, 398}, IDC_SIZENWSE}}) {
        // clang-format on
        SCOPED_TRACE("keys " + testing::PrintToString(c.keys));
        HWND window = SizingFromPlace(0);
        ASSERT_TRUE(window);
        for (WORD key : c.keys)
            KeyThroughWait(key);
        POINT at;
        GetCursorPos(&at);
        EXPECT_EQ(RectOf(window), (RECT{300, 200, 560, 400})) << "choosing sizes nothing";
        EXPECT_EQ(std::make_pair(at.x, at.y), std::make_pair(c.cursor.x, c.cursor.y));
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, c.image));
        KeyThroughWait(VK_ESCAPE);
        ASSERT_TRUE(Ended());
    }
    HWND window = SizingFromPlace(0);
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
    // clang-format off
    for (const Clamp& c : std::vector<Clamp>{
             {"left", WMSZ_LEFT, {0, 300}, {200, 200, 560, 400}, {380, 200, 560, 400}},
             {"right", WMSZ_RIGHT, {900, 300}, {300, 200, 660, 400}, {300, 200, 480, 400}},
             {"top", WMSZ_TOP, {430, 0}, {300, 160, 560, 400}, {300, 280, 560, 400}},
             {"bottom", WMSZ_BOTTOM, {430, 760}, {300, 200, 560, 440}, {300, 200, 560, 320}},
             {"top-left", WMSZ_TOPLEFT, {0, 0}, {200, 160, 560, 400}, {380, 280, 560, 400}},
             {"top-right", WMSZ_TOPRIGHT, {900, 0}, {300, 160, 660, 400}, {300, 280, 480, 400}},
             {"bottom-left", WMSZ_BOTTOMLEFT, {0, 760}, {200, 200, 560, 440}, {380, 200, 560, 320}},
             {"bottom-right", WMSZ_BOTTOMRIGHT, {900, 760}, {300, 200, 660, 440}, {300, 200, 480, 320}}}) {
        // clang-format on
        SCOPED_TRACE(c.name);
        HWND window = SizingFromPlace(c.edge);
        ASSERT_TRUE(window);
        MoveTo(window, c.out);
        EXPECT_EQ(RectOf(window), c.outward) << "maximum";
        MoveTo(window, {430, 300});
        EXPECT_EQ(RectOf(window), c.inward) << "minimum";
        ReleaseCapture();
        ASSERT_TRUE(Ended()) << "taking the capture away ends the sizing";
    }
}
