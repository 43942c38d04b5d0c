// Object registry: growth, the replace rule, dynamic objects, enumeration order and bad numbers.
#include <gtest/gtest.h>

#include <vector>

#include "core.h"
#include "test_support.h"

namespace {

struct Record {
    int32_t inUse;
    int32_t value;
};

std::vector<ObjectNumber> replaced;
ObjectRegistry* current;
bool slotWasFreeDuringCallback;

void RecordReplace(ObjectNumber number) {
    replaced.push_back(number);
    if (RegistryLookup(current, number)) RegistryRelease(current, number);
    slotWasFreeDuringCallback = RegistryLookup(current, number) == nullptr;
}

class Registry : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        replaced.clear();
        registry = current = RegistryCreate(sizeof(Record), 16, RecordReplace);
        ASSERT_NE(registry, nullptr);
    }
    Record* Make(ObjectNumber number, int32_t value) {
        auto* record = static_cast<Record*>(RegistryAllocate(registry, number));
        EXPECT_NE(record, nullptr);
        if (record) *record = {1, value};
        return record;
    }
    std::vector<ObjectNumber> Enumerate() {
        std::vector<ObjectNumber> numbers;
        RegistryEnumStart(registry);
        ObjectNumber number;
        while (RegistryEnumNext(registry, &number))
            numbers.push_back(number);
        return numbers;
    }
    ObjectRegistry* registry = nullptr;
};

} // namespace

TEST_F(Registry, GrowsBeyondTheRequestedNumberWithNewSlotsFree) {
    EXPECT_EQ(registry->capacity, 16);
    Make(0, 7);
    EXPECT_EQ(registry->capacity, 16) << "number 0 must not grow a fresh registry";
    Make(20, 9);
    EXPECT_EQ(registry->capacity, 36);
    for (ObjectNumber n = 16; n < 36; ++n) {
        if (n == 20) continue;
        EXPECT_EQ(RegistryLookup(registry, n), nullptr) << "slot " << n << " should be free";
    }
    auto* zero = static_cast<Record*>(RegistryLookup(registry, 0));
    ASSERT_NE(zero, nullptr) << "growing must keep existing records";
    EXPECT_EQ(zero->value, 7);
}

TEST_F(Registry, ReplaceCallbackRunsBeforeTheSlotIsHandedOut) {
    Make(3, 1);
    replaced.clear();
    Record* again = Make(3, 2);
    ASSERT_EQ(replaced, std::vector<ObjectNumber>{3});
    EXPECT_TRUE(slotWasFreeDuringCallback);
    EXPECT_EQ(again->value, 2);
    replaced.clear();
    Make(4, 1);
    EXPECT_EQ(replaced, std::vector<ObjectNumber>{4}) << "a free number is offered to the callback too";
}

TEST_F(Registry, DynamicObjectsGetDistinctNumbersOutsideTheSlots) {
    auto* a = Make(ANY_NUMBER, 1);
    auto* b = Make(ANY_NUMBER, 2);
    ASSERT_NE(a, b);
    EXPECT_TRUE(replaced.empty()) << "dynamic objects never call the replace callback";
    for (auto* r : {a, b}) {
        ObjectNumber n = reinterpret_cast<ObjectNumber>(r);
        EXPECT_FALSE(n >= 0 && n < registry->capacity);
        EXPECT_EQ(RegistryLookup(registry, n), r);
    }
}

TEST_F(Registry, EnumeratesSlotsAscendingThenDynamicOldestFirst) {
    Record* older = Make(ANY_NUMBER, 1);
    Make(5, 0);
    Record* newer = Make(ANY_NUMBER, 2);
    Make(1, 0);
    std::vector<ObjectNumber> expected = {1, 5, reinterpret_cast<ObjectNumber>(older),
                                          reinterpret_cast<ObjectNumber>(newer)};
    EXPECT_EQ(Enumerate(), expected);
}

TEST_F(Registry, FreeingEachObjectRightAfterItIsEnumeratedIsSafe) {
    Make(2, 0);
    for (int i = 0; i < 3; ++i)
        Make(ANY_NUMBER, i);
    RegistryEnumStart(registry);
    ObjectNumber number;
    int count = 0;
    while (RegistryEnumNext(registry, &number)) {
        RegistryRelease(registry, number);
        ++count;
    }
    EXPECT_EQ(count, 4);
    EXPECT_EQ(registry->dynamicHead, nullptr);
    EXPECT_TRUE(Enumerate().empty());
}

TEST_F(Registry, ReleasingNewestOldestAndMiddleDynamicObjectsKeepsTheListLinked) {
    std::vector<Record*> r;
    for (int i = 0; i < 5; ++i)
        r.push_back(Make(ANY_NUMBER, i));
    auto number = [](Record* rec) { return reinterpret_cast<ObjectNumber>(rec); };
    RegistryRelease(registry, number(r[4])); // newest
    RegistryRelease(registry, number(r[0])); // oldest
    RegistryRelease(registry, number(r[2])); // middle
    EXPECT_EQ(Enumerate(), (std::vector<ObjectNumber>{number(r[1]), number(r[3])}));
    // Walk the links both ways.
    DynamicObjectNode* head = registry->dynamicHead;
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->previous, nullptr);
    ASSERT_NE(head->next, nullptr);
    EXPECT_EQ(head->next->previous, head);
    EXPECT_EQ(head->next->next, nullptr);
}

TEST_F(Registry, BadNumbersNameNoObjectAndAreNeverDereferenced) {
    Make(0, 1);
    Record stranger = {1, 99}; // looks in use, but is no record of this registry
    ObjectNumber forged = reinterpret_cast<ObjectNumber>(&stranger);
    for (ObjectNumber n :
         {-2, -1000, INT32_MIN, 16, 1000000, forged, static_cast<ObjectNumber>(0x7FFF0000)}) {
        EXPECT_EQ(RegistryLookup(registry, n), nullptr) << "number " << n;
        RegistryRelease(registry, n);
    }
    EXPECT_EQ(stranger.value, 99);
    EXPECT_NE(RegistryLookup(registry, 0), nullptr) << "bad releases must leave real objects alone";
    EXPECT_EQ(RegistryAllocate(registry, -2), nullptr) << "numbers below ANY_NUMBER are refused";
}

TEST_F(Registry, ReleasedDynamicNumberNoLongerLooksUp) {
    Record* r = Make(ANY_NUMBER, 1);
    ObjectNumber n = reinterpret_cast<ObjectNumber>(r);
    RegistryRelease(registry, n);
    EXPECT_EQ(RegistryLookup(registry, n), nullptr);
    RegistryRelease(registry, n); // a second release is harmless
}

TEST(LibraryState, IsZeroFilledAndHandedToItsInitialiserOnce) {
    TestRuntimeStart();
    static int calls;
    calls = 0;
    auto* block = static_cast<int32_t*>(LibraryStateCreate(64, [](void* b) {
        ++calls;
        static_cast<int32_t*>(b)[1] = 5;
    }));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 5);
    EXPECT_EQ(block[15], 0);
}

// Memory exhaustion provoked for real: a heap with a small fixed maximum.
TEST(RegistryWithoutMemory, FailsCleanlyInsteadOfWritingThroughNull) {
    TestRuntimeStart();
    HANDLE saved = ProgramHeap;
    ProgramHeap = HeapCreate(0, 0, 64 * 1024);
    ASSERT_NE(ProgramHeap, nullptr);
    ObjectRegistry* small = RegistryCreate(8, 16, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(RegistryAllocate(small, 1 << 20), nullptr) << "growing past the heap must fail";
    EXPECT_EQ(small->capacity, 16) << "a failed growth keeps the old array";
    auto* record = static_cast<int32_t*>(RegistryAllocate(small, 3));
    ASSERT_NE(record, nullptr) << "the registry stays usable after a failed growth";
    *record = 1;
    EXPECT_EQ(RegistryLookup(small, 3), record);
    EXPECT_EQ(RegistryCreate(8, 1 << 20, nullptr), nullptr);
    EXPECT_EQ(LibraryStateCreate(1 << 20, [](void*) { FAIL() << "init must not run without a block"; }),
              nullptr);
    HeapDestroy(ProgramHeap);
    ProgramHeap = saved;
}
