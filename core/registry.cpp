// Object registries: numbered objects live inline in one slot array, ANY_NUMBER objects in a
// doubly linked list of nodes in the object heap, numbered by their record's address.
#include "core.h"

#include <string.h>

HANDLE ProgramHeap;

namespace {

constexpr SIZE_T OBJECT_HEAP_INITIAL_SIZE = 1024;

struct ObjectHeapState {
    HANDLE heap;
};
ObjectHeapState objectHeap;

void* RecordOfNode(DynamicObjectNode* node) {
    return reinterpret_cast<uint8_t*>(node) + sizeof(*node);
}

DynamicObjectNode* NodeOfRecord(void* record) {
    return reinterpret_cast<DynamicObjectNode*>(static_cast<uint8_t*>(record) - sizeof(DynamicObjectNode));
}

bool IsSlotNumber(const ObjectRegistry* registry, ObjectNumber number) {
    return number >= 0 && number < registry->capacity;
}

uint8_t* SlotOf(const ObjectRegistry* registry, ObjectNumber number) {
    return registry->slots + static_cast<size_t>(number) * static_cast<size_t>(registry->recordSize);
}

// A number outside the slot range names an object only when it is the record address of a node
// on this registry's own list; anything else is never dereferenced.
DynamicObjectNode* FindDynamicNode(ObjectRegistry* registry, ObjectNumber number) {
    if (number == ANY_NUMBER || number == 0) return nullptr;
    for (DynamicObjectNode* node = registry->dynamicHead; node; node = node->next)
        if (reinterpret_cast<ObjectNumber>(RecordOfNode(node)) == number) return node;
    return nullptr;
}

bool RecordInUse(const void* record) {
    int32_t marker;
    memcpy(&marker, record, sizeof(marker));
    return marker != 0;
}

bool GrowSlots(ObjectRegistry* registry, ObjectNumber number) {
    int64_t wanted = static_cast<int64_t>(number) + registry->growStep;
    int64_t bytes = wanted * registry->recordSize;
    if (wanted > INT32_MAX || bytes > INT32_MAX) return false;
    void* grown = LibraryBlockReAllocate(registry->slots, static_cast<SIZE_T>(bytes));
    if (!grown) return false;
    registry->slots = static_cast<uint8_t*>(grown);
    registry->capacity = static_cast<int32_t>(wanted);
    return true;
}

} // namespace

void ObjectHeapStart() {
    objectHeap.heap = HeapCreate(0, OBJECT_HEAP_INITIAL_SIZE, 0);
}

void* LibraryStateCreate(size_t size, LibraryStateInit init) {
    void* block = LibraryBlockAllocate(size, HEAP_ZERO_MEMORY);
    if (block && init) init(block);
    return block;
}

void* DynamicObjectCreate(DynamicObjectNode** listHead, size_t recordSize) {
    if (!objectHeap.heap) return nullptr;
    auto* node = static_cast<DynamicObjectNode*>(
        HeapAlloc(objectHeap.heap, HEAP_ZERO_MEMORY, sizeof(DynamicObjectNode) + recordSize));
    if (!node) return nullptr;
    node->next = *listHead;
    if (*listHead) (*listHead)->previous = node;
    *listHead = node;
    return RecordOfNode(node);
}

void DynamicObjectFree(DynamicObjectNode** listHead, void* record) {
    if (!record) return;
    DynamicObjectNode* node = NodeOfRecord(record);
    if (node == *listHead) {
        *listHead = node->next;
        if (node->next) node->next->previous = nullptr;
    } else {
        if (node->previous) node->previous->next = node->next;
        if (node->next) node->next->previous = node->previous;
    }
    HeapFree(objectHeap.heap, 0, node);
}

ObjectRegistry* RegistryCreate(int32_t recordSize, int32_t growStep, ReplaceCallback replaceCallback) {
    if (recordSize < static_cast<int32_t>(sizeof(int32_t)) || growStep <= 0) return nullptr;
    auto* registry =
        static_cast<ObjectRegistry*>(LibraryBlockAllocate(sizeof(ObjectRegistry), HEAP_ZERO_MEMORY));
    if (!registry) return nullptr;
    registry->slots = static_cast<uint8_t*>(LibraryBlockAllocate(
        static_cast<size_t>(growStep) * static_cast<size_t>(recordSize), HEAP_ZERO_MEMORY));
    if (!registry->slots) {
        LibraryBlockFree(registry);
        return nullptr;
    }
    registry->recordSize = recordSize;
    registry->growStep = growStep;
    registry->capacity = growStep;
    registry->replaceCallback = replaceCallback;
    return registry;
}

void* RegistryAllocate(ObjectRegistry* registry, ObjectNumber number) {
    if (!registry || number < ANY_NUMBER) return nullptr;
    if (number == ANY_NUMBER) return DynamicObjectCreate(&registry->dynamicHead, registry->recordSize);
    if (number >= registry->capacity && !GrowSlots(registry, number)) return nullptr;
    if (registry->replaceCallback) registry->replaceCallback(number);
    return SlotOf(registry, number);
}

void* RegistryAllocateNumber(ObjectRegistry* registry, ObjectNumber* number) {
    void* record = RegistryAllocate(registry, *number);
    if (record && *number == ANY_NUMBER) *number = reinterpret_cast<ObjectNumber>(record);
    return record;
}

void* RegistryRecord(ObjectRegistry* registry, ObjectNumber number) {
    if (!registry) return nullptr;
    if (IsSlotNumber(registry, number)) return SlotOf(registry, number);
    DynamicObjectNode* node = FindDynamicNode(registry, number);
    return node ? RecordOfNode(node) : nullptr;
}

void* RegistryLookup(ObjectRegistry* registry, ObjectNumber number) {
    void* record = RegistryRecord(registry, number);
    return record && RecordInUse(record) ? record : nullptr;
}

void RegistryRelease(ObjectRegistry* registry, ObjectNumber number) {
    if (!registry) return;
    if (IsSlotNumber(registry, number)) {
        memset(SlotOf(registry, number), 0, static_cast<size_t>(registry->recordSize));
        return;
    }
    DynamicObjectNode* node = FindDynamicNode(registry, number);
    if (!node) return;
    if (registry->enumCursor == node) registry->enumCursor = node->previous;
    DynamicObjectFree(&registry->dynamicHead, RecordOfNode(node));
}

void RegistryEnumStart(ObjectRegistry* registry) {
    if (!registry) return;
    registry->enumIndex = 0;
    DynamicObjectNode* oldest = registry->dynamicHead;
    while (oldest && oldest->next)
        oldest = oldest->next;
    registry->enumCursor = oldest;
}

void* RegistryEnumNext(ObjectRegistry* registry, ObjectNumber* number) {
    if (!registry) return nullptr;
    while (registry->enumIndex >= 0 && registry->enumIndex < registry->capacity) {
        ObjectNumber index = registry->enumIndex++;
        uint8_t* slot = SlotOf(registry, index);
        if (RecordInUse(slot)) {
            if (number) *number = index;
            return slot;
        }
    }
    if (DynamicObjectNode* node = registry->enumCursor) {
        void* record = RecordOfNode(node);
        registry->enumCursor = node->previous;
        if (number) *number = reinterpret_cast<ObjectNumber>(record);
        return record;
    }
    return nullptr;
}

int32_t RegistryCount(const ObjectRegistry* registry) {
    if (!registry) return 0;
    int32_t count = 0;
    for (int32_t index = 0; index < registry->capacity; ++index)
        count += RecordInUse(SlotOf(registry, index));
    for (const DynamicObjectNode* node = registry->dynamicHead; node; node = node->next)
        ++count;
    return count;
}

void RegistryFreeEach(ObjectRegistry* registry, ReplaceCallback freeObject) {
    RegistryEnumStart(registry);
    ObjectNumber number;
    while (RegistryEnumNext(registry, &number))
        freeObject(number);
}

void RegistryDestroy(ObjectRegistry* registry) {
    if (!registry) return;
    while (DynamicObjectNode* node = registry->dynamicHead)
        DynamicObjectFree(&registry->dynamicHead, RecordOfNode(node));
    LibraryBlockFree(registry->slots);
    LibraryBlockFree(registry);
}
