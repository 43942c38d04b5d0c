// Numbered top-level windows: one window class per window, the property that leads from a handle
// back to the number, and the Tab accelerators of every window.
#include "window_internal.h"

#include <ole2.h>

namespace {

constexpr int32_t WINDOW_GROWTH_STEP = 16;
constexpr WORD ICON_RESOURCE = 1;
constexpr size_t CLASS_NAME_SIZE = 32; // "WindowClass_" and a signed 32-bit number fit easily
constexpr uint32_t WF_CENTERING = WF_CENTER_SCREEN | WF_CENTER_ACTIVE;
// Flags holding nothing else get a caption.
constexpr uint32_t WF_PLACEMENT_ONLY = WF_CENTERING | WF_HIDDEN;
constexpr int32_t ACCELERATOR_COUNT = 2;
constexpr BYTE ACCEL_TAB_FLAGS = FVIRTKEY | FNOINVERT;
constexpr BYTE ACCEL_SHIFT_TAB_FLAGS = FVIRTKEY | FNOINVERT | FSHIFT;
constexpr const char* WINDOW_ID_PROPERTY = "QZ_WindowID";
constexpr const char* DROP_ACCEPT_PROPERTY = "QZ_DropAccept";
constexpr size_t NUMBER_CACHE_SIZE = 8;

// Window numbers recently read from "QZ_WindowID". Reading a property asks the window system
// each time, and the window procedure needs the number for every message; the library is the
// only writer of the property, so a cached answer holds until the library next sets or removes
// it somewhere (generation).
struct NumberCacheEntry {
    HWND window;
    ObjectNumber number;
    uint32_t generation; // 0: empty
};

// Class of a window destroyed by something other than WindowClose: a class cannot be unregistered
// while its window is still being destroyed, so it goes at the library's next open or at its end.
struct PendingClass {
    PendingClass* next;
    ObjectNumber number;
};

struct WindowLibrary {
    ObjectRegistry* registry;
    HINSTANCE instance;
    HICON classIcon;
    HCURSOR classCursor;
    // "QZ_WindowID" as an atom: the property is read for nearly every message, and the atom
    // spares the name lookup each time.
    ATOM windowIdAtom;
    uint32_t propertyGeneration;
    NumberCacheEntry numberCache[NUMBER_CACHE_SIZE];
    size_t numberCacheNext;
    PendingClass* pendingClasses;
};
WindowLibrary library;

// The buffer holds the longest number. wsprintfA is the system's own formatter: the C library's
// sprintf comes through MinGW's header as its own, much larger printf.
void ClassNameFormat(char (&name)[CLASS_NAME_SIZE], ObjectNumber number) {
    static_assert(CLASS_NAME_SIZE >= sizeof("WindowClass_-2147483648"), "class name buffer too small");
    wsprintfA(name, "WindowClass_%ld", static_cast<long>(number));
}

void ClassUnregister(ObjectNumber number) {
    char className[CLASS_NAME_SIZE];
    ClassNameFormat(className, number);
    UnregisterClassA(className, library.instance);
}

// Without memory for the note the class stays registered; opening the number again reuses it.
void ClassReleaseLater(ObjectNumber number) {
    auto* pending = static_cast<PendingClass*>(LibraryBlockAllocate(sizeof(PendingClass), 0));
    if (!pending) return;
    *pending = {library.pendingClasses, number};
    library.pendingClasses = pending;
}

void PendingClassesRelease() {
    while (PendingClass* pending = library.pendingClasses) {
        library.pendingClasses = pending->next;
        ClassUnregister(pending->number);
        LibraryBlockFree(pending);
    }
}

// What a window record owns besides its window and its class.
void RecordResourcesFree(const WindowObject& record) {
    if (record.acceleratorEntries) {
        LibraryBlockFree(record.acceleratorEntries);
        DestroyAcceleratorTable(record.acceleratorTable);
    }
    if (record.backgroundBrush) DeleteObject(record.backgroundBrush);
}

WindowObject* RecordLookup(ObjectNumber number) {
    return static_cast<WindowObject*>(RegistryLookup(library.registry, number));
}

struct OuterSize {
    int32_t width;
    int32_t height;
};

// Centres a length on the screen along one axis, cutting it to the screen first.
int32_t ScreenCentre(int32_t* outer, int metric) {
    int32_t screen = GetSystemMetrics(metric);
    if (*outer > screen) *outer = screen;
    return (screen - *outer) / 2;
}

void WindowPosition(int32_t* x, int32_t* y, OuterSize* outer, uint32_t style, HWND parent) {
    if ((*x == DEFAULT_POSITION || *y == DEFAULT_POSITION) && !(style & WF_CENTERING)) {
        *x = *y = CW_USEDEFAULT;
        return;
    }
    if (style & WF_CENTER_SCREEN) {
        *x = ScreenCentre(&outer->width, SM_CXSCREEN);
        *y = ScreenCentre(&outer->height, SM_CYSCREEN);
        return;
    }
    if (!(style & WF_CENTER_ACTIVE)) return;
    HWND reference = parent ? parent : GetActiveWindow();
    if (!reference) {
        // Nothing to centre on: a position left to the system stays the system's choice rather
        // than putting the window at -65535, where nobody could ever see it.
        if (*x == DEFAULT_POSITION || *y == DEFAULT_POSITION) *x = *y = CW_USEDEFAULT;
        return;
    }
    RECT r;
    GetWindowRect(reference, &r);
    *x = r.left + ((r.right - r.left) - outer->width) / 2;
    *y = r.top + ((r.bottom - r.top) - outer->height) / 2;
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
}

int ShowCommand(uint32_t style) {
    if (style & WF_MAXIMIZED) return SW_SHOWMAXIMIZED;
    if (style & WF_MINIMIZED) return SW_SHOWMINIMIZED;
    return SW_SHOWNORMAL;
}

// Tab and Shift+Tab. A window whose entries or table cannot be made keeps working without them.
void AcceleratorsCreate(WindowObject* record) {
    auto* entries = static_cast<ACCEL*>(LibraryBlockAllocate(sizeof(ACCEL) * ACCELERATOR_COUNT, 0));
    if (!entries) return;
    entries[0] = {ACCEL_TAB_FLAGS, VK_TAB, CMD_FOCUS_NEXT};
    entries[1] = {ACCEL_SHIFT_TAB_FLAGS, VK_TAB, CMD_FOCUS_PREVIOUS};
    HACCEL table = CreateAcceleratorTableA(entries, ACCELERATOR_COUNT);
    if (!table) {
        LibraryBlockFree(entries);
        return;
    }
    record->acceleratorCount = ACCELERATOR_COUNT;
    record->acceleratorEntries = entries;
    record->acceleratorTable = table;
}

// Every cached number is stale from here on; 0 stays the mark of an empty entry.
void PropertyGenerationBump() {
    if (++library.propertyGeneration == 0) library.propertyGeneration = 1;
}

void WindowPropertySet(HWND hwnd, ObjectNumber number) {
    SetPropA(hwnd, MAKEINTATOM(library.windowIdAtom),
             reinterpret_cast<HANDLE>(static_cast<uintptr_t>(static_cast<uint32_t>(number) + 1)));
    PropertyGenerationBump();
}

void WindowPropertyRemove(HWND hwnd) {
    RemovePropA(hwnd, MAKEINTATOM(library.windowIdAtom));
    PropertyGenerationBump();
}

} // namespace

ObjectRegistry* WindowRegistry() {
    return library.registry;
}

ObjectNumber WindowPropertyNumber(HWND window) {
    for (const NumberCacheEntry& entry : library.numberCache)
        if (entry.window == window && entry.generation == library.propertyGeneration) return entry.number;
    auto value = reinterpret_cast<uintptr_t>(GetPropA(window, MAKEINTATOM(library.windowIdAtom)));
    ObjectNumber number = value ? static_cast<ObjectNumber>(value - 1) : NO_WINDOW;
    library.numberCache[library.numberCacheNext] = {window, number, library.propertyGeneration};
    library.numberCacheNext = (library.numberCacheNext + 1) % NUMBER_CACHE_SIZE;
    return number;
}

void WindowLibraryStart() {
    library.registry = RegistryCreate(sizeof(WindowObject), WINDOW_GROWTH_STEP, WindowClose);
    EventStateCreate();
    library.instance = GetModuleHandleA(nullptr);
    library.classIcon = LoadIconA(library.instance, MAKEINTRESOURCEA(ICON_RESOURCE));
    library.classCursor = LoadCursorA(nullptr, IDC_ARROW);
    library.windowIdAtom = GlobalAddAtomA(WINDOW_ID_PROPERTY);
    // Numbers cached before an earlier end are stale.
    PropertyGenerationBump();
    SizingStateCreate();
}

void WindowLibraryEnd() {
    RegistryFreeEach(library.registry, WindowClose);
    EventDataFree();
    PendingClassesRelease();
    GlobalDeleteAtom(library.windowIdAtom);
    library.windowIdAtom = 0;
    PropertyGenerationBump();
}

intptr_t WindowOpenWithParent(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
                              const char* title, uint32_t flags, HWND parent) {
    PendingClassesRelease();
    const bool dynamic = number == ANY_NUMBER;
    auto* record = static_cast<WindowObject*>(RegistryAllocateNumber(library.registry, &number));
    if (!record) return 0;

    char className[CLASS_NAME_SIZE];
    ClassNameFormat(className, number);
    if (!title) title = EmptyString;

    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = library.instance;
    windowClass.hIcon = library.classIcon;
    windowClass.hCursor = library.classCursor;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);

    uint32_t style = flags;
    if (!(flags & ~WF_PLACEMENT_ONLY)) style |= WS_CAPTION;
    const bool show = !(style & WF_HIDDEN);
    style &= ~WF_HIDDEN;

    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, style & ~WF_CENTERING, FALSE);
    OuterSize outer = {frame.right - frame.left, frame.bottom - frame.top};
    WindowPosition(&x, &y, &outer, style, parent);
    style &= ~WF_CENTERING;

    HWND hwnd = CreateWindowExA(0, className, title, style, x, y, outer.width, outer.height, parent, nullptr,
                                library.instance, nullptr);
    if (!hwnd) {
        UnregisterClassA(className, library.instance);
        RegistryRelease(library.registry, number);
        return 0;
    }
    // CreateWindowExA and ShowWindow re-enter the library (hooks, the window's messages); a window
    // opened meanwhile with a higher number moves the slot array, so the record is found again
    // after each. A window that took this number meanwhile keeps it, and this one goes.
    record = static_cast<WindowObject*>(RegistryRecord(library.registry, number));
    if (!record || record->hwnd) {
        DestroyWindow(hwnd);
        return 0;
    }
    record->hwnd = hwnd;
    WindowPropertySet(hwnd, number);
    if (show) {
        ShowWindow(hwnd, ShowCommand(style));
        record = RecordLookup(number);
        // Closed or destroyed while it was being shown.
        if (!record || record->hwnd != hwnd) return 0;
    }
    AcceleratorsCreate(record);
    record->mdiClient = nullptr;
    return dynamic ? static_cast<intptr_t>(number) : reinterpret_cast<intptr_t>(hwnd);
}

intptr_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* title, uint32_t flags) {
    return WindowOpenWithParent(number, x, y, width, height, title, flags, nullptr);
}

intptr_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height,
                    const char* title) {
    return WindowOpenWithParent(number, x, y, width, height, title, WF_DEFAULT, nullptr);
}

void WindowClose(ObjectNumber number) {
    WindowObject* record = RecordLookup(number);
    if (!record) return;
    const HWND hwnd = record->hwnd;
    // Activation passes to the owner before the window goes, not to whichever window is next.
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner && !record->mdiClient) {
        SetActiveWindow(owner);
        // Activation re-enters the library, which may have closed the window meanwhile.
        record = RecordLookup(number);
        if (!record || record->hwnd != hwnd) return;
    }
    // A copy: destroying the window re-enters the library, which may move the slot array.
    const WindowObject closing = *record;
    // Removed first, so that the dying window's own messages map to no window.
    WindowPropertyRemove(hwnd);
    if (RemovePropA(hwnd, DROP_ACCEPT_PROPERTY)) RevokeDragDrop(hwnd);
    if (closing.mdiClient) {
        SendMessageA(closing.mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
    } else {
        DestroyWindow(hwnd);
        ClassUnregister(number);
    }
    RecordResourcesFree(closing);
    // A window that took the number during the destruction keeps it.
    record = RecordLookup(number);
    if (record && record->hwnd == hwnd) RegistryRelease(library.registry, number);
}

void WindowDestroyed(HWND hwnd) {
    const ObjectNumber number = WindowPropertyNumber(hwnd);
    if (number == NO_WINDOW) return;
    WindowPropertyRemove(hwnd);
    WindowObject* record = RecordLookup(number);
    if (!record || record->hwnd != hwnd) return;
    const WindowObject gone = *record;
    RegistryRelease(library.registry, number);
    if (RemovePropA(hwnd, DROP_ACCEPT_PROPERTY)) RevokeDragDrop(hwnd);
    RecordResourcesFree(gone);
    if (!gone.mdiClient) ClassReleaseLater(number);
}

HWND WindowHandle(ObjectNumber number) {
    const WindowObject* record = RecordLookup(number);
    return record ? record->hwnd : nullptr;
}

namespace {

constexpr UINT FIT_FLAGS = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
// A bar that wraps while the window grows needs a second step.
constexpr int FIT_ATTEMPTS = 2;

void WindowResize(HWND hwnd, int32_t width, int32_t height) {
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, FIT_FLAGS);
}

// The menu bar takes its height from a window sized for its client area alone: grow the window
// until the client area below the bar is the asked size again.
void WindowFitFrame(HWND hwnd, int32_t width, int32_t height) {
    for (int attempt = 0; attempt < FIT_ATTEMPTS; ++attempt) {
        RECT client, outer;
        GetClientRect(hwnd, &client);
        int32_t missingWidth = width - (client.right - client.left);
        int32_t missingHeight = height - (client.bottom - client.top);
        if (missingWidth == 0 && missingHeight == 0) return;
        GetWindowRect(hwnd, &outer);
        WindowResize(hwnd, outer.right - outer.left + missingWidth, outer.bottom - outer.top + missingHeight);
    }
}

// Without a size the window would keep the smallest one the system allows, its bar wrapped out of
// sight.
void WindowFitMenu(HWND hwnd) {
    HMENU bar = GetMenu(hwnd);
    int32_t barWidth = 0;
    for (int item = 0; item < GetMenuItemCount(bar); ++item) {
        RECT itemRect;
        if (GetMenuItemRect(hwnd, bar, static_cast<UINT>(item), &itemRect))
            barWidth += itemRect.right - itemRect.left;
    }
    if (barWidth <= 0) return;
    RECT frame = {0, 0, barWidth, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)));
    WindowResize(hwnd, frame.right - frame.left, frame.bottom - frame.top);
}

} // namespace

void WindowFitClient(ObjectNumber number, int32_t width, int32_t height) {
    HWND hwnd = WindowHandle(number);
    if (!hwnd) return;
    if (width > 0 && height > 0)
        WindowFitFrame(hwnd, width, height);
    else
        WindowFitMenu(hwnd);
}
