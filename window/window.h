// Window library: numbered top-level windows, the event queue with the wait that pumps the
// thread's messages, the one window procedure that turns messages into events, and the registry
// through which controls receive their own notifications.
#pragma once

#include "core.h"

// Results travel through 32-bit LRESULTs; the marker values below rely on that.
static_assert(sizeof(LRESULT) == 4, "the window library is built for 32-bit Windows only");

// ---- Window-open flags -----------------------------------------------------------------------
// The flags of WindowOpen are a platform window style (WS_... bits) in which these five values
// mean something of the library's own.

constexpr uint32_t WF_CENTER_SCREEN = 0x00000001; // centre on the screen; wins over WF_CENTER_ACTIVE
constexpr uint32_t WF_CENTER_ACTIVE = 0x00000002; // centre on the parent, else on the active window
constexpr uint32_t WF_HIDDEN = 0x10000000;        // create but do not show
constexpr uint32_t WF_MAXIMIZED = 0x01000000;     // show maximised
constexpr uint32_t WF_MINIMIZED = 0x20000000;     // show minimised, unless WF_MAXIMIZED is set too

// Flags of the WindowOpen form without flags: WS_CAPTION | WS_SYSMENU.
constexpr uint32_t WF_DEFAULT = 0x00C80000;

// As x or y of WindowOpen: let the system place the window.
constexpr int32_t DEFAULT_POSITION = -65535;

// Event window of a message that belongs to no window of the library.
constexpr ObjectNumber NO_WINDOW = -1;

// ---- Event codes -----------------------------------------------------------------------------
// Any other code that the wait returns is the number of a message that made no event; 0 means
// that nothing arrived within the time limit.

constexpr int32_t EVENT_WINDOW_MOVED = 3;
constexpr int32_t EVENT_WINDOW_SIZED = 5;
constexpr int32_t EVENT_BACKGROUND_ERASED = 15;
constexpr int32_t EVENT_CLOSE_WINDOW = 16;
constexpr int32_t EVENT_CONTROL = 13100;
constexpr int32_t EVENT_MENU = 13101;
constexpr int32_t EVENT_NOTIFY_CLICK = 13102;
constexpr int32_t EVENT_WINDOW_ACTIVATED = 13104;
constexpr int32_t EVENT_WINDOW_DATA = 13105;
constexpr int32_t EVENT_ITEM_DATA = 13106;

// ---- Results of the window procedure's stages ------------------------------------------------

// A stage, a control's message handler or the library itself did not handle the message; only
// this exact value lets the message reach DefWindowProcA.
constexpr LRESULT NOT_HANDLED = static_cast<LRESULT>(0xD0D0D0D1u);
// A window hook or message hook left the message to the library.
constexpr LRESULT NOT_HANDLED_HOOK = static_cast<LRESULT>(0xE0E0E0E1u);

// ---- Private window messages every library window accepts ------------------------------------

constexpr UINT MSG_NOTIFY_CLICK = 12501;        // wParam item, lParam the mouse message; reposted
constexpr UINT MSG_NOTIFY_CLICK_POSTED = 12502; // the reposted click, which makes the event
constexpr UINT MSG_CONTROL_EVENT = 13103;       // wParam item, lParam event type
constexpr UINT MSG_WINDOW_DATA = 13105;         // lParam an EventDataBlock
constexpr UINT MSG_ITEM_DATA = 13106;           // wParam item, lParam an EventDataBlock
constexpr UINT MSG_TO_CONTROL = 13120;          // lParam the control's window handle

// Data block of MSG_WINDOW_DATA and MSG_ITEM_DATA. The sender allocates it in ProgramHeap and
// hands it over; the library frees it, with the buffer it owns, at the start of the next wait.
// Only blocks that are live allocations of ProgramHeap of at least this size are taken over.
struct EventDataBlock {
    uint32_t senderFields[5]; // the sender's own
    void* buffer;             // owned buffer in ProgramHeap, or null
};
static_assert(offsetof(EventDataBlock, buffer) == 20, "the owned buffer is the block's sixth 32-bit field");

// Commands of every window's accelerator table (Tab and Shift+Tab).
constexpr WORD CMD_FOCUS_NEXT = 1212;
constexpr WORD CMD_FOCUS_PREVIOUS = 1213;

// A control with this window identifier reports its WM_COMMAND messages as menu events.
constexpr int32_t MENU_FORWARD_ID = -10000;

// ---- Windows ---------------------------------------------------------------------------------

// Start-up, after ControlLibraryStart; also creates the event state.
void WindowLibraryStart();
// Shut-down: closes every open window (numbered ones ascending, then dynamic ones) and gives back
// the global atom the start added.
void WindowLibraryEnd();

// Opens a top-level window whose client area is width x height. Result: for ANY_NUMBER the new
// window's number, otherwise its handle; 0 when no window was created. A window already holding
// number is closed first. title may be null.
intptr_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* title, uint32_t flags);
intptr_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* title); // flags WF_DEFAULT

// Sizes the window so that its client area below its menu bar is width x height. A window whose
// size is not positive (a player without a picture) becomes just wide enough for its bar's items
// and tall enough for its caption and one row of the bar. The position stays.
void WindowFitClient(ObjectNumber number, int32_t width, int32_t height);

// Closes the window; does nothing when number names no open window.
void WindowClose(ObjectNumber number);
// The window's handle, or 0.
HWND WindowHandle(ObjectNumber number);

// ---- Events ----------------------------------------------------------------------------------

// Waits without a time limit for the next event or message.
int32_t EventWait();
// Waits at most milliseconds (0: look once; negative: no limit); 0 when nothing arrived.
int32_t EventWaitTimeout(int32_t milliseconds);

// Details of the event the last wait returned.
int32_t EventMenuItem();     // item of EVENT_MENU and the other item events
ObjectNumber EventWindow();  // window the event concerns, or NO_WINDOW
int32_t EventType();         // sub-kind; -1 when the event has none
EventDataBlock* EventData(); // block of EVENT_WINDOW_DATA / EVENT_ITEM_DATA, valid until the next wait
WPARAM EventWParam();        // wParam of the last message returned as its own number
LPARAM EventLParam();        // lParam of that message

// ---- Controls --------------------------------------------------------------------------------
// A control is a child window carrying its number both as window identifier (GWL_ID) and as the
// window property "QZ_ID". Messages its parent receives from it reach the control's handler only
// when the two agree.

struct ControlObject;

// Returns the message's result, or NOT_HANDLED to leave it to the window library.
typedef LRESULT (*ControlMessageHandler)(ControlObject* control, HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam);

// Functions shared by the controls of one kind. The window library reads messageHandler only.
struct ControlType {
    void (*kindFunctions[2])();
    ControlMessageHandler messageHandler;
};
static_assert(offsetof(ControlType, messageHandler) == 8, "the message handler is the third entry");

struct ControlObject {
    HWND hwnd; // nonzero exactly while the control exists
    const ControlType* controlType;
};
static_assert(offsetof(ControlObject, controlType) == 4, "the type follows the handle");

// Start-up, before WindowLibraryStart: the common controls and the control registry.
void ControlLibraryStart();
// Shut-down, after WindowLibraryEnd: gives back the lock and the global atom the start made.
void ControlLibraryEnd();
// Destroys the control's window and frees its number; nothing for a number that names no control.
void ControlFree(ObjectNumber number);
// Registry of ControlObject records (growth step 50, replace callback ControlFree).
ObjectRegistry* ControlRegistry();
