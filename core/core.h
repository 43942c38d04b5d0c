// Runtime core: private heaps, numbered-object registries, library state blocks and the shared
// string buffer with its string variables. Every other library stands on these.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <stddef.h>
#include <stdint.h>

// A dynamic object's number is its record's address, so numbers and pointers must have one size.
static_assert(sizeof(void*) == 4, "the runtime is built for 32-bit Windows only");

// ---- Heaps -----------------------------------------------------------------------------------

// The process-wide private heap. The application creates it first and destroys it last; the
// libraries allocate their registries, slot arrays and state blocks in it.
extern HANDLE ProgramHeap;

// Every block a library keeps for itself in ProgramHeap is allocated and freed through these, which
// note it in one record of library blocks: a block that a message names is never taken over while
// a library still holds it. Safe from any thread. flags: HEAP_ZERO_MEMORY or 0, as for HeapAlloc.
// Null when the block or the record's room for it cannot be allocated.
void* LibraryBlockAllocate(size_t size, DWORD flags);
// HeapReAlloc with zero fill of the grown part; null (block unchanged and still held) on failure.
void* LibraryBlockReAllocate(void* block, size_t size);
// Gives a library block back; null is ignored.
void LibraryBlockFree(void* block);

// Whether block is the start of a live block of ProgramHeap, of at least minimumSize bytes, that
// no library holds: only such a block may be taken over from a message and freed.
bool ForeignHeapBlock(const void* block, size_t minimumSize);

// Creates the heap that holds dynamic-object nodes. Called once during start-up.
void ObjectHeapStart();

// ---- Object registry -------------------------------------------------------------------------

typedef int32_t ObjectNumber;
constexpr ObjectNumber ANY_NUMBER = -1;

typedef void (*ReplaceCallback)(ObjectNumber number);
typedef void (*LibraryStateInit)(void* block);

// Node of a dynamic-object list; the object record follows the two links directly.
struct DynamicObjectNode {
    DynamicObjectNode* next;     // next older node
    DynamicObjectNode* previous; // next newer node
};
static_assert(sizeof(DynamicObjectNode) == 8, "a dynamic record starts 8 bytes into its node");

struct ObjectRegistry {
    int32_t recordSize;
    int32_t growStep;
    int32_t capacity;
    DynamicObjectNode* dynamicHead; // newest node
    ReplaceCallback replaceCallback;
    int32_t enumIndex;
    DynamicObjectNode* enumCursor;
    uint8_t* slots; // capacity * recordSize bytes
};
static_assert(offsetof(ObjectRegistry, slots) == 28, "registry layout is fixed");

// Returns null when the registry or its slot array cannot be allocated.
ObjectRegistry* RegistryCreate(int32_t recordSize, int32_t growStep, ReplaceCallback replaceCallback);

// Returns the record to fill for number (ANY_NUMBER makes a dynamic object whose number is the
// returned address). Returns null when memory runs out, or for a number below ANY_NUMBER.
void* RegistryAllocate(ObjectRegistry* registry, ObjectNumber number);

// RegistryAllocate that also gives the object's number: for ANY_NUMBER *number becomes the new
// record's address, otherwise it stays as it is.
void* RegistryAllocateNumber(ObjectRegistry* registry, ObjectNumber* number);

// The record of number whether in use or not, without growing the slots and without the replace
// callback: finds a record again after a call that may have moved the slot array. Null for a
// number outside the slots that is no live dynamic object of this registry.
void* RegistryRecord(ObjectRegistry* registry, ObjectNumber number);

// The record of an object in use, or null. Numbers outside the slot range count only when they
// are the address of a live dynamic object of this registry.
void* RegistryLookup(ObjectRegistry* registry, ObjectNumber number);

// Frees the number; does nothing for a number that names no slot and no live dynamic object.
void RegistryRelease(ObjectRegistry* registry, ObjectNumber number);

// Enumerates objects in use: slots in ascending number, then dynamic objects oldest first.
void RegistryEnumStart(ObjectRegistry* registry);
void* RegistryEnumNext(ObjectRegistry* registry, ObjectNumber* number);

// The objects an enumeration would return, counted without disturbing one under way.
int32_t RegistryCount(const ObjectRegistry* registry);

// Calls freeObject with the number of every object in use, in enumeration order; freeObject may
// release that object and any other.
void RegistryFreeEach(ObjectRegistry* registry, ReplaceCallback freeObject);

// Gives back the registry's memory: its dynamic nodes, its slot array and the registry itself.
// Free the objects first; what their records hold is not looked at.
void RegistryDestroy(ObjectRegistry* registry);

// A zero-filled block for a library's global state; init (when given) is called with it once.
// Returns null without calling init when the block cannot be allocated.
void* LibraryStateCreate(size_t size, LibraryStateInit init);

// Dynamic-object lists outside a registry (the requester library keeps one).
void* DynamicObjectCreate(DynamicObjectNode** listHead, size_t recordSize);
void DynamicObjectFree(DynamicObjectNode** listHead, void* record);

// ---- String buffer and string variables --------------------------------------------------------

// A string variable owns a NUL-terminated block in the string heap; null reads as "".
typedef char* StringVariable;

extern const char EmptyString[1];

void StringBufferStart();

// Current position of the buffer: read it before a string-returning call and pass it in.
int32_t StringBufferPosition();

// Makes room for length bytes at start and moves the position to start + length. Returns the
// place to write, valid until the next reserve, or null (position unchanged) without memory.
char* StringBufferReserve(int32_t length, int32_t start);

// Moves the position back by count (forward for a negative count), never out of the buffer.
void StringBufferShrink(int32_t count);

// Copies the text between start and the position into *variable and rewinds to start.
void StringAssign(StringVariable* variable, int32_t start);

// 1 when both texts are equal, 0 otherwise; null reads as "".
int32_t StringsEqual(const char* a, const char* b);

// ---- Scoped holders ----------------------------------------------------------------------------

// Owns one handle and gives it back with Close when it goes out of scope, so that every exit of a
// function releases it. Null means empty.
template <typename Handle, auto Close> class Scoped {
  public:
    Scoped() = default;
    explicit Scoped(Handle handle) : handle_(handle) {}
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { Reset(); }

    Handle Get() const { return handle_; }
    operator Handle() const { return handle_; }
    Handle* Out() {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = Handle()) {
        if (handle_) Close(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = Handle();
};

inline void ComRelease(IUnknown* reference) {
    reference->Release();
}

typedef Scoped<HANDLE, CloseHandle> ScopedHandle;
typedef Scoped<HGDIOBJ, DeleteObject> ScopedGdiObject;
typedef Scoped<HDC, DeleteDC> ScopedMemoryDC;
typedef Scoped<HHOOK, UnhookWindowsHookEx> ScopedHook;
// A COM reference released through IUnknown.
template <typename Interface> using ScopedCom = Scoped<Interface*, ComRelease>;
