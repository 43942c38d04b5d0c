// The control registry and the start of the platform's common controls.
#include "window_internal.h"

#include <commctrl.h>

namespace {

constexpr int32_t CONTROL_GROWTH_STEP = 50;
constexpr int32_t CONTROL_TABLE_ENTRIES = 10;
constexpr DWORD COMMON_CONTROL_CLASSES =
    ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
constexpr const char* CONTROL_ID_PROPERTY = "QZ_ID";

// Global state of the control kinds.
struct ControlState {
    int32_t status;
    HFONT font;
    int32_t* table;
    int32_t tableEntries;
};

struct ControlLibrary {
    CRITICAL_SECTION controlLock; // for the control kinds; nothing here takes it
    HFONT defaultFont;
    ObjectRegistry* controlRegistry;
    ControlState* controlState;
    // "QZ_ID" as an atom: it is read for every message a registered control sends.
    ATOM controlIdAtom;
};
ControlLibrary controls;

void ControlStateInit(void* block) {
    auto* state = static_cast<ControlState*>(block);
    state->table = static_cast<int32_t*>(
        LibraryBlockAllocate(sizeof(int32_t) * CONTROL_TABLE_ENTRIES, HEAP_ZERO_MEMORY));
    // Without its table the state says so, rather than promising ten entries that are not there.
    state->tableEntries = state->table ? CONTROL_TABLE_ENTRIES : 0;
    state->font = controls.defaultFont;
    state->status = 0;
}

} // namespace

void ControlLibraryStart() {
    InitializeCriticalSection(&controls.controlLock);
    controls.defaultFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    controls.controlRegistry = RegistryCreate(sizeof(ControlObject), CONTROL_GROWTH_STEP, ControlFree);
    controls.controlState =
        static_cast<ControlState*>(LibraryStateCreate(sizeof(ControlState), ControlStateInit));
    controls.controlIdAtom = GlobalAddAtomA(CONTROL_ID_PROPERTY);
    INITCOMMONCONTROLSEX classes = {sizeof(classes), COMMON_CONTROL_CLASSES};
    InitCommonControlsEx(&classes);
}

void ControlLibraryEnd() {
    GlobalDeleteAtom(controls.controlIdAtom);
    controls.controlIdAtom = 0;
    DeleteCriticalSection(&controls.controlLock);
}

CRITICAL_SECTION* ControlLock() {
    return &controls.controlLock;
}

void ControlFree(ObjectNumber number) {
    auto* control = static_cast<ControlObject*>(RegistryLookup(controls.controlRegistry, number));
    if (!control) return;
    DestroyWindow(control->hwnd);
    // Freed, not kept: a number left in use would name a destroyed window.
    RegistryRelease(controls.controlRegistry, number);
}

ObjectRegistry* ControlRegistry() {
    return controls.controlRegistry;
}

ObjectNumber ControlPropertyNumber(HWND control) {
    return static_cast<ObjectNumber>(
        reinterpret_cast<intptr_t>(GetPropA(control, MAKEINTATOM(controls.controlIdAtom))));
}
