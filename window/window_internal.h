// Inside the window library: the window record and registry, the event state, the window
// procedure's pieces, the live-sizing stage (sizing.cpp) and Tab navigation (focus.cpp).
#pragma once

#include "window.h"

// ---- Window records --------------------------------------------------------------------------

// Offered every message of its window first; returns NOT_HANDLED_HOOK to leave it to the library.
typedef LRESULT (*WindowHook)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Erases a window's background when it has no background brush.
typedef LRESULT (*EraseHandler)(HDC dc, HWND window);

static_assert(sizeof(ACCEL) == 6, "accelerator entries are a flag byte, a key and a command");

struct WindowObject {
    HWND hwnd;                // nonzero exactly while the window is open
    int32_t acceleratorCount; // entries in acceleratorEntries; 0 when they could not be made
    ACCEL* acceleratorEntries;
    HACCEL acceleratorTable; // Tab navigation; null when it could not be made
    WindowHook windowHook;
    HBRUSH backgroundBrush; // deleted by WindowClose
    HWND mdiClient;         // MDI client hosting the window, or null for a top-level window
    EraseHandler eraseHandler;
};
static_assert(sizeof(WindowObject) == 32, "window records are eight 32-bit fields");
static_assert(offsetof(WindowObject, acceleratorTable) == 12 && offsetof(WindowObject, eraseHandler) == 28,
              "window record layout is fixed");

// Registry of WindowObject records, keyed by window number.
ObjectRegistry* WindowRegistry();

// The number a window carries in its property "QZ_WindowID" (that window only, not its parents),
// or NO_WINDOW when it carries none.
ObjectNumber WindowPropertyNumber(HWND window);

// The worker of both WindowOpen forms; parent, when given, owns the new window and is the window
// that WF_CENTER_ACTIVE centres on.
intptr_t WindowOpenWithParent(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
                              const char* title, uint32_t flags, HWND parent);

// WM_NCDESTROY of a window: a library window destroyed by anything other than WindowClose (its
// owner's destruction, DestroyWindow by others) gives back its number, property and class.
void WindowDestroyed(HWND window);

// The control library's lock, initialised by ControlLibraryStart and deleted by ControlLibraryEnd.
CRITICAL_SECTION* ControlLock();

// ---- Event state -----------------------------------------------------------------------------

// One queued event, in ProgramHeap.
struct Event {
    Event* next; // next newer event
    int32_t code;
    ObjectNumber window;
};
static_assert(sizeof(Event) == 12, "queued events are three 32-bit fields");

struct EventState {
    int32_t eventItem;
    ObjectNumber eventWindow;
    int32_t eventType;
    int32_t pendingEvent; // immediate event set by the current dispatch, or 0
    WPARAM lastWParam;
    LPARAM lastLParam;
    Event* queueHead; // oldest
    Event* queueTail; // newest
    WindowHook messageHook;
    EventDataBlock* eventData;
};
static_assert(offsetof(EventState, lastWParam) == 16 && offsetof(EventState, eventData) == 36,
              "event state layout is fixed");

// Creates the zero-filled event state; part of WindowLibraryStart.
void EventStateCreate();
// The event state, to read. The event library alone writes it, through the calls below.
const EventState* EventStateBlock();

// Queues an event unless it repeats the newest queued one. Returns the event at the tail, or
// null when no memory was left (the event is dropped).
Event* EventPush(int32_t code, ObjectNumber window);

// The window the message being translated belongs to (NO_WINDOW for none).
void EventWindowSet(ObjectNumber window);
// The immediate event of the current dispatch (0: none), which the wait returns after it; the
// forms with fewer arguments keep the event's other details as they are.
void EventPendingSet(int32_t code);
void EventPendingSet(int32_t code, int32_t item);
void EventPendingSet(int32_t code, int32_t item, int32_t type);
// The program-wide message hook, offered the messages of windows without a window hook.
WindowHook EventMessageHook();
void EventMessageHookSet(WindowHook hook);

// Takes over a data block of MSG_WINDOW_DATA / MSG_ITEM_DATA as the current event's data; a
// block still held from earlier in the same dispatch cycle is freed. A block that is not a live
// ProgramHeap block large enough to be one, or that a library holds itself (ForeignHeapBlock), is
// refused, as is one whose owned buffer fails the same test: the event then carries no data and
// nothing of the refused block is freed.
void EventDataReceive(LPARAM block);
// Frees the current event's data block, if any.
void EventDataFree();

// Whether [address, address + size) is committed, readable memory of this process: a pointer
// that came in a message is read only after this check.
bool MemoryReadable(const void* address, size_t size);

// ---- Window procedure ------------------------------------------------------------------------

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Returns the message's result, or NOT_HANDLED for DefWindowProcA.
LRESULT MessageTranslate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Hands a message to the registered control whose window is controlWindow; NOT_HANDLED when there
// is none, it has no handler, or its "QZ_ID" and GWL_ID disagree.
LRESULT ControlDispatch(HWND controlWindow, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CALLBACK ChildSysColorChange(HWND child, LPARAM lParam);

// The number a control carries in its property "QZ_ID"; 0 when it carries none.
ObjectNumber ControlPropertyNumber(HWND control);

// ---- Live sizing (sizing.cpp) and Tab navigation (focus.cpp) --------------------------------

// Pixels an arrow key moves the cursor while a window is sized from the keyboard.
constexpr LONG SIZING_KEY_STEP = 10;
// Pixels between the cursor and the right or bottom edge it drags (and, for the top-left corner,
// its left and top edges).
constexpr LONG SIZING_INSET = 2;

// Last step of WindowLibraryStart.
void SizingStateCreate();
// First stage of the window procedure: sees every message; NOT_HANDLED for those it leaves alone.
// With full-window dragging on it takes over SC_SIZE and sizes the window itself.
LRESULT SizingHandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the window to rect, given in screen coordinates also for a child window.
void WindowMoveToRect(HWND hwnd, RECT rect);

// The accelerator table the wait applies to a keyboard message (WM_KEYDOWN, WM_SYSKEYDOWN,
// WM_CHAR, WM_SYSCHAR: the only ones a table can translate), or null for none: none for a window
// that is not the library's, and none while Tab alone goes to an editable rich-edit control.
HACCEL KeyboardPreTranslate(HWND activeWindow);
// Moves the keyboard focus among the tab stops of the active window, wrapping around: backward 0
// to the next one, 1 to the previous one. Inside a window of class "MDI_ChildClass" the focus
// stays among that window's controls.
void FocusMove(int32_t backward);
