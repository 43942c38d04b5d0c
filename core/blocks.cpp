// The record of library blocks: every block a library keeps for itself in ProgramHeap, so that a
// block a message names can be told from them. The movie thread allocates and frees library blocks
// as well, so the record, and the heap walk that looks at it, are under one lock.
#include "core_internal.h"

#include <stdint.h>

namespace {

struct LibraryBlockRecord {
    SRWLOCK lock;         // all zeros is SRWLOCK_INIT
    const void** entries; // in ProgramHeap, in no order; null until the first library block
    size_t count;
    size_t capacity;
};
LibraryBlockRecord record;

// Takes the record's lock for a RecordLocked holder, which gives it back on every exit.
PSRWLOCK RecordLock() {
    AcquireSRWLockExclusive(&record.lock);
    return &record.lock;
}
typedef Scoped<PSRWLOCK, ReleaseSRWLockExclusive> RecordLocked;

// The record doubles when full; false (record unchanged) when the heap cannot give the room.
bool RecordRoomForOne() {
    if (record.count < record.capacity) return true;
    size_t wanted = record.capacity ? record.capacity * 2 : LIBRARY_BLOCK_RECORD_INITIAL;
    if (wanted > SIZE_MAX / sizeof(*record.entries)) return false;
    SIZE_T bytes = wanted * sizeof(*record.entries);
    void* grown = record.entries ? HeapReAlloc(ProgramHeap, 0, record.entries, bytes)
                                 : HeapAlloc(ProgramHeap, 0, bytes);
    if (!grown) return false;
    record.entries = static_cast<const void**>(grown);
    record.capacity = wanted;
    return true;
}

// Searched from the newest: short-lived blocks (queued events) are freed soon after they are made.
const void** RecordEntry(const void* block) {
    for (size_t index = record.count; index > 0; --index)
        if (record.entries[index - 1] == block) return &record.entries[index - 1];
    return nullptr;
}

// HeapSize, like HeapValidate, is defined only for a block of the heap: an address is looked at
// only once the heap's own walk has reported a busy block starting there. The heap stays locked
// meanwhile, so that no other thread frees it in between.
bool LiveBlockAtLeast(const void* block, size_t minimumSize) {
    if (!HeapLock(ProgramHeap)) return false;
    bool found = false;
    PROCESS_HEAP_ENTRY entry = {};
    while (!found && HeapWalk(ProgramHeap, &entry))
        found = (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) && entry.lpData == block;
    SIZE_T size = found ? HeapSize(ProgramHeap, 0, block) : 0;
    HeapUnlock(ProgramHeap);
    return found && size != static_cast<SIZE_T>(-1) && size >= minimumSize;
}

} // namespace

void* LibraryBlockAllocate(size_t size, DWORD flags) {
    RecordLocked locked(RecordLock());
    // Room first: a library block the record could not hold would be one a message could free.
    if (!RecordRoomForOne()) return nullptr;
    void* block = HeapAlloc(ProgramHeap, flags, size);
    if (block) record.entries[record.count++] = block;
    return block;
}

void* LibraryBlockReAllocate(void* block, size_t size) {
    RecordLocked locked(RecordLock());
    void* grown = HeapReAlloc(ProgramHeap, HEAP_ZERO_MEMORY, block, size);
    const void** entry = grown ? RecordEntry(block) : nullptr;
    if (entry) *entry = grown;
    return grown;
}

void LibraryBlockFree(void* block) {
    if (!block) return;
    RecordLocked locked(RecordLock());
    if (const void** entry = RecordEntry(block)) {
        *entry = record.entries[--record.count];
        // With the last block (the libraries' ends) the record gives its own room back too.
        if (!record.count) {
            HeapFree(ProgramHeap, 0, record.entries);
            record.entries = nullptr;
            record.capacity = 0;
        }
    }
    HeapFree(ProgramHeap, 0, block);
}

bool ForeignHeapBlock(const void* block, size_t minimumSize) {
    if (!block) return false;
    RecordLocked locked(RecordLock());
    return block != record.entries && !RecordEntry(block) && LiveBlockAtLeast(block, minimumSize);
}
