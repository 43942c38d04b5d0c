// Runtime core: registries (growth, replace rule, enumeration while freeing), library blocks, strings.
#include <gtest/gtest.h>

#include "core_internal.h"
#include "test_support.h"

namespace {

typedef std::vector<ObjectNumber> Numbers;
ObjectRegistry* current;
Numbers replaced;

void Fresh() {
    TestRuntimeStart();
    replaced.clear();
    current = RegistryCreate(8, 16, [](ObjectNumber number) {
        replaced.push_back(number); // frees the old object as the libraries' free operations do
        if (RegistryLookup(current, number)) RegistryRelease(current, number);
    });
}

// Allocates number with its record in use and nonzero; returns the object's number.
ObjectNumber Make(ObjectNumber number) {
    auto* record = static_cast<int32_t*>(RegistryAllocate(current, number));
    record[0] = record[1] = 1;
    return number == ANY_NUMBER ? reinterpret_cast<ObjectNumber>(record) : number;
}

// The numbers an enumeration returns (10 at most, so that a broken list ends), visit called on each.
Numbers Enumerate(void (*visit)(ObjectNumber) = nullptr) {
    Numbers numbers;
    RegistryEnumStart(current);
    for (ObjectNumber n; numbers.size() < 10 && RegistryEnumNext(current, &n); visit ? visit(n) : void())
        numbers.push_back(n);
    return numbers;
}

} // namespace

TEST(Registry, GrowsAtTheCapacityBoundaryWithNewSlotsFree) {
    // clang-format off
    struct Row { ObjectNumber number; int32_t capacity; /* after the allocation */ };
    for (const Row& row : {Row{.number = 15, .capacity = 16}, Row{.number = 16, .capacity = 32}, Row{.number = 20, .capacity = 36}}) {
        // clang-format on
        SCOPED_TRACE(testing::Message() << "number " << row.number);
        Fresh();
        Make(0);
        Make(row.number);
        EXPECT_EQ(current->capacity, row.capacity);
        EXPECT_EQ(RegistryLookup(current, row.number), current->slots + row.number * 8);
        EXPECT_EQ(Enumerate(), (Numbers{0, row.number})) << "every other slot is free";
    }
}

TEST(Registry, ReplaceRuleOrderAndNumbersThatNameNoObject) {
    Fresh();
    ObjectNumber older = Make(ANY_NUMBER), zero = Make(0), newer = Make(ANY_NUMBER);
    EXPECT_EQ(static_cast<int32_t*>(RegistryAllocate(current, zero))[1], 0) << "old object freed first";
    Make(3);
    Make(0);
    EXPECT_EQ(replaced, (Numbers{0, 0, 3, 0})) << "no callback for dynamic objects";
    ObjectNumber gone = Make(ANY_NUMBER);
    RegistryRelease(current, gone);
    int32_t stranger[2] = {1, 99}; // looks in use, but is no record of this registry
    // 5: a free slot inside the range.
    for (ObjectNumber n : {5, -2, INT32_MIN, 16, 1000000, gone, reinterpret_cast<ObjectNumber>(stranger)}) {
        EXPECT_EQ(RegistryLookup(current, n), nullptr) << n;
        RegistryRelease(current, n);
    }
    EXPECT_EQ(stranger[1], 99);
    EXPECT_EQ(RegistryAllocate(current, -2), nullptr);
    EXPECT_EQ(Enumerate(), (Numbers{0, 3, older, newer}));
}

TEST(Registry, ReleasingDuringEnumerationAndAtEitherEndOfTheList) {
    Fresh();
    static Numbers made, counts;
    made = {Make(2), Make(ANY_NUMBER), Make(ANY_NUMBER), Make(ANY_NUMBER), Make(ANY_NUMBER)};
    EXPECT_EQ(Enumerate([](ObjectNumber n) {
                  counts.push_back(RegistryCount(current)); // must not disturb the enumeration
                  if (n == made[1]) RegistryRelease(current, made[2]);
                  RegistryRelease(current, n);
              }),
              (Numbers{made[0], made[1], made[3], made[4]}));
    EXPECT_EQ(counts, (Numbers{5, 4, 2, 1}));
    made = {Make(ANY_NUMBER), Make(ANY_NUMBER), Make(ANY_NUMBER), Make(ANY_NUMBER), Make(ANY_NUMBER)};
    for (int i : {4, 0, 2})
        RegistryRelease(current, made[i]);
    EXPECT_EQ(Enumerate(), (Numbers{made[1], made[3]}));
}

TEST(Registry, NumbersOfNewObjectsRecordsFoundAgainFreeingAllAndDestroying) {
    TestRuntimeStart();
    int blocksBefore = ProgramHeapBlocks();
    Fresh();
    ObjectNumber numbered = 3, dynamic = ANY_NUMBER;
    static_cast<int32_t*>(RegistryAllocateNumber(current, &numbered))[0] = 1;
    void* record = RegistryAllocateNumber(current, &dynamic);
    EXPECT_EQ(numbered, 3) << "a numbered object keeps its number";
    EXPECT_EQ(dynamic, reinterpret_cast<ObjectNumber>(record)) << "ANY_NUMBER gives the record's address";
    replaced.clear();
    EXPECT_EQ(RegistryRecord(current, 7), current->slots + 7 * 8) << "a free slot";
    EXPECT_EQ(RegistryRecord(current, dynamic), record) << "a dynamic record not yet in use";
    EXPECT_EQ(RegistryRecord(current, 16), nullptr) << "past the slots: no growth";
    EXPECT_EQ(replaced, Numbers{}) << "finding a record again replaces nothing";

    static Numbers freed;
    RegistryFreeEach(current, [](ObjectNumber n) { freed.push_back(n), RegistryRelease(current, n); });
    EXPECT_EQ(freed, (Numbers{3, dynamic})) << "slots first, then dynamic objects, each released";
    const HANDLE objectHeap = HeapOf(reinterpret_cast<DynamicObjectNode*>(Make(ANY_NUMBER)) - 1);
    const int nodesBefore = ProgramHeapBlocks(objectHeap) - 1;
    RegistryDestroy(current);
    EXPECT_EQ(ProgramHeapBlocks(), blocksBefore);
    EXPECT_EQ(ProgramHeapBlocks(objectHeap), nodesBefore) << "a node left on the list goes with the registry";
}

TEST(Scoped, ClosesWhatItHoldsExactlyOnceOnResetOutAndTheScopesEnd) {
    static std::vector<int> closed;
    {
        Scoped<int, [](int handle) { closed.push_back(handle); }> held(1);
        held.Reset(2), *held.Out() = 3, held.Reset(), *held.Out() = 4; // the last Out finds nothing to close
    }
    EXPECT_EQ(closed, (std::vector<int>{1, 2, 3, 4})) << "by Reset(2), Out, Reset(), the scope's end";
}

// Every block a library holds, the record's own included, is none to take over; a full record that the heap
// cannot grow hands out no block that it would not hold.
TEST(LibraryBlocks, EveryBlockIsHeldAndAFullRecordThatCannotGrowHandsOutNone) {
    ProgramHeap = HeapCreate(0, 0, 64 * 1024); // of fixed size
    void* oldest = LibraryBlockAllocate(16, 0);
    for (size_t i = 1; i < LIBRARY_BLOCK_RECORD_INITIAL; ++i)
        LibraryBlockAllocate(16, 0);
    LibraryBlockFree(oldest), LibraryBlockAllocate(16, 0); // the newest takes the oldest's place; full again
    for (void* block : HeapBusyBlocks())
        EXPECT_FALSE(ForeignHeapBlock(block, 0)) << "held";
    void* last = nullptr;
    while (void* filler = HeapAlloc(ProgramHeap, 0, 16))
        last = filler;
    HeapFree(ProgramHeap, 0, last); // room for one small block, none for a larger record
    EXPECT_EQ(LibraryBlockAllocate(16, 0), nullptr);
    EXPECT_NE(HeapAlloc(ProgramHeap, 0, 16), nullptr) << "the block would have fitted, and was not kept";
}

TEST(StringBuffer, GrowsWhenTheReserveReachesFourBytesBeforeTheCapacity) {
    // Ending one before, at and one past capacity - 4 on a fresh buffer, then further out.
    // clang-format off
    struct Row { int32_t start, length, capacity; /* capacity: after the reserve */ };
    for (const Row& row : {Row{.start = 0, .length = 11, .capacity = 16}, Row{.start = 0, .length = 12, .capacity = 16396},
                           Row{.start = 0, .length = 13, .capacity = 16397}, Row{.start = 100000, .length = 260, .capacity = 116644}}) {
        // clang-format on
        SCOPED_TRACE(testing::Message() << "start " << row.start << ", length " << row.length);
        StringBufferStart();
        memset(StringBufferReserve(row.length, row.start), 'x', static_cast<size_t>(row.length));
        EXPECT_EQ(StringBufferCapacity(), row.capacity);
        EXPECT_EQ(StringBufferPosition(), row.start + row.length);
    }
}

// Results made as string-returning operations do (reserve 260, write, shrink), nested and empty.
TEST(StringBuffer, ResultsAreCopiedOutAndThePositionRewound) {
    StringBufferStart();
    auto produce = [](const char* text, int32_t start) {
        strcpy(StringBufferReserve(260, start), text);
        StringBufferShrink(260 - static_cast<int32_t>(strlen(text)));
    };
    StringVariable outer = nullptr, inner = nullptr;
    produce("", 0);
    StringAssign(&outer, 0);
    EXPECT_EQ(StringsEqual(nullptr, outer), 1) << "an empty result";
    produce("aussen", 0);
    produce("innen", 6);
    StringAssign(&inner, 6);
    StringAssign(&outer, 0); // longer than its first text: the block is reallocated
    EXPECT_EQ(std::string(outer) + "/" + inner, "aussen/innen");
    const StringVariable held = outer;
    produce(std::string(200, 'l').c_str(), 0);
    StringAssign(&outer, 0); // inner lies behind it: the block cannot grow where it is
    EXPECT_NE(outer, held) << "the variable follows its moved block";
    EXPECT_EQ(std::string(outer) + "/" + inner, std::string(200, 'l') + "/innen");
    // clang-format off
    struct Row { const char *a, *b; int32_t equal; };
    for (const Row& row : {Row{.a = nullptr, .b = nullptr, .equal = 1}, Row{.a = nullptr, .b = "", .equal = 1},
                           Row{.a = "a", .b = nullptr, .equal = 0}, Row{.a = "a", .b = "ab", .equal = 0},
                           Row{.a = "ab", .b = "a", .equal = 0}, Row{.a = "\xDC", .b = "\xFC", .equal = 0}})
        // clang-format on
        EXPECT_EQ(StringsEqual(row.a, row.b), row.equal)
            << (row.a ? row.a : "null") << " / " << (row.b ? row.b : "null");
}

// Whatever the count, the position stays inside the buffer (a fresh one: capacity 16, position 10).
TEST(StringBuffer, ShrinkingKeepsThePositionInsideTheBuffer) {
    // clang-format off
    struct Row { const char* name; int32_t count, position; };
    for (const Row& row : {Row{.name = "back", .count = 4, .position = 6}, Row{.name = "below 0", .count = 1000, .position = 0},
                           Row{.name = "the most", .count = INT32_MAX, .position = 0}, Row{.name = "forward", .count = -3, .position = 13},
                           Row{.name = "past the end", .count = -1000, .position = 16}, Row{.name = "the least", .count = INT32_MIN, .position = 16}}) {
        // clang-format on
        StringBufferStart();
        StringBufferReserve(10, 0);
        StringBufferShrink(row.count);
        EXPECT_EQ(StringBufferPosition(), row.position) << row.name;
    }
}
