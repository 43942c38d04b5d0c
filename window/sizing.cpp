// Live window sizing. With full-window dragging on, the library sizes its windows itself instead of
// letting DefWindowProcA run the system's modal sizing loop: it captures the mouse and follows the
// mouse and the arrow keys through ordinary messages, so the program's main loop keeps receiving
// events while a window is sized. One sizing runs at a time; it ends only when the capture goes.
#include "window_internal.h"

namespace {

constexpr WPARAM SYSCOMMAND_MASK = 0xFFF0;
constexpr WPARAM EDGE_MASK = 0xF;
constexpr UINT CURSOR_FLAGS = LR_SHARED | LR_DEFAULTSIZE;

// The sizing in progress; zero-filled, lives until the process ends.
struct SizingState {
    int32_t active;        // from SC_SIZE until the capture is lost
    int32_t restoreCursor; // keyboard sizing, and no mouse move since
    POINT savedCursor;     // screen position when keyboard sizing began
    RECT sizingRect;       // screen coordinates, as last computed
    int32_t edge;          // WMSZ_ value; 0 until the keyboard chooses one
    MINMAXINFO limits;
};
static_assert(sizeof(POINT) == 8 && sizeof(RECT) == 16 && sizeof(MINMAXINFO) == 40, "system layouts");
static_assert(offsetof(SizingState, sizingRect) == 16 && offsetof(SizingState, limits) == 36 &&
                  sizeof(SizingState) == 76,
              "sizing state layout is fixed");

struct SizingLibrary {
    SizingState* state; // null when it could not be made: the system then sizes every window
};
SizingLibrary sizing;

// The first arrow key chooses an edge, an arrow across that edge makes a corner; what else an arrow
// does is a step of the cursor.
struct ArrowChoice {
    WPARAM key;
    int32_t edgeBefore;
    int32_t edgeAfter;
};
constexpr ArrowChoice ARROW_CHOICES[] = {
    {VK_LEFT, 0, WMSZ_LEFT},
    {VK_LEFT, WMSZ_TOP, WMSZ_TOPLEFT},
    {VK_LEFT, WMSZ_BOTTOM, WMSZ_BOTTOMLEFT},
    {VK_RIGHT, 0, WMSZ_RIGHT},
    {VK_RIGHT, WMSZ_TOP, WMSZ_TOPRIGHT},
    {VK_RIGHT, WMSZ_BOTTOM, WMSZ_BOTTOMRIGHT},
    {VK_UP, 0, WMSZ_TOP},
    {VK_UP, WMSZ_RIGHT, WMSZ_TOPRIGHT},
    {VK_UP, WMSZ_LEFT, WMSZ_TOPLEFT},
    {VK_DOWN, 0, WMSZ_BOTTOM},
    {VK_DOWN, WMSZ_RIGHT, WMSZ_BOTTOMRIGHT},
    {VK_DOWN, WMSZ_LEFT, WMSZ_BOTTOMLEFT},
};

bool IsEdgeOf(int32_t edge, int32_t a, int32_t b, int32_t c) {
    return edge == a || edge == b || edge == c;
}

HCURSOR SystemCursor(LPCSTR identifier) {
    return static_cast<HCURSOR>(LoadImageA(nullptr, identifier, IMAGE_CURSOR, 0, 0, CURSOR_FLAGS));
}

LPCSTR EdgeCursor(int32_t edge) {
    switch (edge) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT:
        return IDC_SIZEWE;
    case WMSZ_TOP:
    case WMSZ_BOTTOM:
        return IDC_SIZENS;
    case WMSZ_TOPLEFT:
    case WMSZ_BOTTOMRIGHT:
        return IDC_SIZENWSE;
    default:
        return IDC_SIZENESW;
    }
}

// The point from which SizingComputeRect gives back the current rectangle for edge, so that the
// mouse move following a placement leaves the window as it is.
POINT EdgePoint(int32_t edge, const RECT& r, POINT cursor) {
    switch (edge) {
    case WMSZ_LEFT:
        return {r.left, cursor.y};
    case WMSZ_RIGHT:
        return {r.right - SIZING_INSET, cursor.y};
    case WMSZ_TOP:
        return {cursor.x, r.top};
    case WMSZ_BOTTOM:
        return {cursor.x, r.bottom - SIZING_INSET};
    case WMSZ_TOPLEFT:
        return {r.left + SIZING_INSET, r.top + SIZING_INSET};
    case WMSZ_TOPRIGHT:
        return {r.right - SIZING_INSET, r.top};
    case WMSZ_BOTTOMLEFT:
        return {r.left, r.bottom - SIZING_INSET};
    default:
        return {r.right - SIZING_INSET, r.bottom - SIZING_INSET};
    }
}

constexpr LONG EDGE_LEADING = -1; // a left or top edge
constexpr LONG EDGE_TRAILING = 1; // a right or bottom edge

// Where a dragged edge may go: the window's length between it and the opposite, fixed edge stays
// within the minimum and maximum track size. A minimum above the maximum wins, as in the system's
// own sizing, so that dragging outward never makes the window smaller than its minimum.
LONG EdgeWithin(LONG edge, LONG fixed, LONG minimum, LONG maximum, LONG direction) {
    LONG length = (edge - fixed) * direction;
    if (length > maximum) length = maximum;
    if (length < minimum) length = minimum;
    return fixed + direction * length;
}

void SizingComputeRect(int32_t x, int32_t y) {
    SizingState* s = sizing.state;
    RECT& r = s->sizingRect;
    const LONG minW = s->limits.ptMinTrackSize.x, minH = s->limits.ptMinTrackSize.y;
    const LONG maxW = s->limits.ptMaxTrackSize.x, maxH = s->limits.ptMaxTrackSize.y;
    // The top-left corner is held by the cursor's inset on both axes.
    const LONG cornerInset = s->edge == WMSZ_TOPLEFT ? SIZING_INSET : 0;
    if (IsEdgeOf(s->edge, WMSZ_LEFT, WMSZ_TOPLEFT, WMSZ_BOTTOMLEFT))
        r.left = EdgeWithin(x - cornerInset, r.right, minW, maxW, EDGE_LEADING);
    if (IsEdgeOf(s->edge, WMSZ_RIGHT, WMSZ_TOPRIGHT, WMSZ_BOTTOMRIGHT))
        r.right = EdgeWithin(x + SIZING_INSET, r.left, minW, maxW, EDGE_TRAILING);
    if (IsEdgeOf(s->edge, WMSZ_TOP, WMSZ_TOPLEFT, WMSZ_TOPRIGHT))
        r.top = EdgeWithin(y - cornerInset, r.bottom, minH, maxH, EDGE_LEADING);
    if (IsEdgeOf(s->edge, WMSZ_BOTTOM, WMSZ_BOTTOMLEFT, WMSZ_BOTTOMRIGHT))
        r.bottom = EdgeWithin(y + SIZING_INSET, r.top, minH, maxH, EDGE_TRAILING);
}

void SizingPlaceCursor(LPCSTR cursorIdentifier, int32_t x, int32_t y) {
    SetCursorPos(x, y);
    SetCursor(SystemCursor(cursorIdentifier));
}

// The window may change the rectangle in WM_SIZING; what it leaves there is applied and is where
// the next step starts from.
void SizingApply(HWND hwnd) {
    SizingState* s = sizing.state;
    SendMessageA(hwnd, WM_SIZING, static_cast<WPARAM>(s->edge), reinterpret_cast<LPARAM>(&s->sizingRect));
    WindowMoveToRect(hwnd, s->sizingRect);
}

void SizingStep(HWND hwnd, int32_t x, int32_t y) {
    SetCursorPos(x, y);
    SizingComputeRect(x, y);
    SizingApply(hwnd);
}

void ArrowKey(HWND hwnd, WPARAM key) {
    SizingState* s = sizing.state;
    POINT cursor;
    GetCursorPos(&cursor);
    for (const ArrowChoice& choice : ARROW_CHOICES) {
        if (choice.key != key || choice.edgeBefore != s->edge) continue;
        s->edge = choice.edgeAfter;
        const POINT place = EdgePoint(s->edge, s->sizingRect, cursor);
        SizingPlaceCursor(EdgeCursor(s->edge), place.x, place.y);
        return;
    }
    const LONG dx = key == VK_LEFT ? -SIZING_KEY_STEP : key == VK_RIGHT ? SIZING_KEY_STEP : 0;
    const LONG dy = key == VK_UP ? -SIZING_KEY_STEP : key == VK_DOWN ? SIZING_KEY_STEP : 0;
    SizingStep(hwnd, cursor.x + dx, cursor.y + dy);
}

void LimitsFill(HWND hwnd, MINMAXINFO* limits) {
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    limits->ptReserved = {0, 0};
    limits->ptMaxSize = {GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    if (style & WS_BORDER) {
        limits->ptMaxPosition = {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    } else if (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_WINDOWEDGE) {
        limits->ptMaxPosition = {GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE)};
    } else {
        limits->ptMaxPosition = {0, 0};
    }
    limits->ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    limits->ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
}

bool IsFullWindowDragging() {
    BOOL on = FALSE;
    SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &on, 0);
    return on != FALSE;
}

// SC_SIZE while idle. Returns false when the system is to size the window.
bool SizingBegin(HWND hwnd, WPARAM command) {
    if (!IsFullWindowDragging()) return false;
    // The system does not size these either; a maximised window sized here would keep its
    // maximised state at a size that is not, and a hidden one would hold the mouse unseen.
    if (IsZoomed(hwnd) || IsIconic(hwnd) || !IsWindowVisible(hwnd)) return false;
    SizingState* s = sizing.state;
    s->edge = static_cast<int32_t>(command & EDGE_MASK);
    GetWindowRect(hwnd, &s->sizingRect);
    LimitsFill(hwnd, &s->limits);
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&s->limits));
    if (GetKeyState(VK_LBUTTON) == 0) SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    // Sizing counts as begun only once the capture is held: taking it away from a window,
    // this one included, sends that window WM_CAPTURECHANGED, which must not end this sizing.
    SetCapture(hwnd);
    s->active = 1;
    PostMessageA(hwnd, WM_ENTERSIZEMOVE, 0, 0);
    s->restoreCursor = s->edge == 0;
    if (s->restoreCursor) {
        GetCursorPos(&s->savedCursor);
        SetCursor(SystemCursor(IDC_SIZEALL));
    }
    return true;
}

void SizingEnd(HWND hwnd) {
    SizingState* s = sizing.state;
    PostMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
    s->active = 0;
    if (s->restoreCursor) SetCursorPos(s->savedCursor.x, s->savedCursor.y);
}

// Mouse moves and arrow keys size the window that holds the capture; the same messages addressed
// to any other window (a parent with the focus while its child is sized) must not move that one.
bool IsSizedWindow(HWND hwnd) {
    return GetCapture() == hwnd;
}

LRESULT SizingMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SizingState* s = sizing.state;
    switch (message) {
    case WM_MOUSEMOVE: {
        if (!IsSizedWindow(hwnd)) return NOT_HANDLED;
        s->restoreCursor = 0;
        POINT point = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
        MapWindowPoints(hwnd, HWND_DESKTOP, &point, 1);
        SizingComputeRect(point.x, point.y);
        SizingApply(hwnd);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            ReleaseCapture();
            return 0;
        }
        if ((wParam == VK_LEFT || wParam == VK_UP || wParam == VK_RIGHT || wParam == VK_DOWN) &&
            IsSizedWindow(hwnd))
            ArrowKey(hwnd, wParam);
        return NOT_HANDLED;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        SizingEnd(hwnd);
        return 0;
    default:
        return NOT_HANDLED;
    }
}

} // namespace

void SizingStateCreate() {
    sizing.state = static_cast<SizingState*>(LibraryStateCreate(sizeof(SizingState), nullptr));
}

LRESULT SizingHandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SizingState* s = sizing.state;
    if (!s) return NOT_HANDLED;
    // A capture that went without WM_CAPTURECHANGED (its window was destroyed) ends the sizing
    // too; otherwise the stage would keep taking keys and leave SC_SIZE to the system for good.
    if (s->active && !GetCapture()) SizingEnd(hwnd);
    if (s->active) return SizingMessage(hwnd, message, wParam, lParam);
    if (message != WM_SYSCOMMAND || (wParam & SYSCOMMAND_MASK) != SC_SIZE) return NOT_HANDLED;
    return SizingBegin(hwnd, wParam) ? 0 : NOT_HANDLED;
}

void WindowMoveToRect(HWND hwnd, RECT rect) {
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}
