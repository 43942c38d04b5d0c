// Registry lookups, number allocation, library blocks and string results.
#include "bench.h"
#include "core.h"

#include <string.h>

namespace {

constexpr int RUNS = 9;
constexpr int LOOKUPS = 1000000;
constexpr int BLOCKS = 100000;
constexpr int HELD_BLOCKS = 100;  // library blocks in the record besides the measured one
constexpr int HEAP_BLOCKS = 1000; // blocks in ProgramHeap when a data block is checked
constexpr SIZE_T EVENT_SIZE = 12; // a queued event, the most frequent library block
constexpr SIZE_T DATA_BLOCK_SIZE = 24;

struct Record {
    int32_t inUse;
    int32_t payload[3];
};

double NanosecondsPerLookup(ObjectRegistry* registry, ObjectNumber number) {
    double s = BenchMedianSeconds(RUNS, [&] {
        for (int i = 0; i < LOOKUPS; ++i)
            BenchKeep(RegistryLookup(registry, number));
    });
    return s * 1e9 / LOOKUPS;
}

double NanosecondsPerAllocation(int count, bool reverse) {
    return BenchMedianSeconds(RUNS,
                              [&] {
                                  ObjectRegistry* registry = RegistryCreate(sizeof(Record), 16, nullptr);
                                  for (int i = 0; i < count; ++i) {
                                      ObjectNumber n = reverse ? count - 1 - i : i;
                                      static_cast<Record*>(RegistryAllocate(registry, n))->inUse = 1;
                                  }
                                  RegistryDestroy(registry);
                              }) *
           1e9 / count;
}

// One block allocated and freed, as a queued event is: through the record or straight from the heap.
double NanosecondsPerBlock(bool library) {
    return BenchMedianSeconds(RUNS,
                              [&] {
                                  for (int i = 0; i < BLOCKS; ++i) {
                                      void* block = library ? LibraryBlockAllocate(EVENT_SIZE, 0)
                                                            : HeapAlloc(ProgramHeap, 0, EVENT_SIZE);
                                      library ? LibraryBlockFree(block)
                                              : void(HeapFree(ProgramHeap, 0, block));
                                  }
                              }) *
           1e9 / BLOCKS;
}

} // namespace

int main() {
    ProgramHeap = HeapCreate(0, 4096, 0);
    ObjectHeapStart();
    StringBufferStart();

    ObjectRegistry* registry = RegistryCreate(sizeof(Record), 16, nullptr);
    for (ObjectNumber n : {0, 15, 1000, 100000}) {
        static_cast<Record*>(RegistryAllocate(registry, n))->inUse = 1;
        char name[80];
        sprintf(name, "RegistryLookup numbered object %ld", static_cast<long>(n));
        BenchReport(name, NanosecondsPerLookup(registry, n), "ns/call");
    }
    for (int dynamics : {1, 8}) {
        ObjectRegistry* dynamic = RegistryCreate(sizeof(Record), 16, nullptr);
        ObjectNumber oldest = 0;
        for (int i = 0; i < dynamics; ++i) {
            auto* r = static_cast<Record*>(RegistryAllocate(dynamic, ANY_NUMBER));
            r->inUse = 1;
            if (i == 0) oldest = reinterpret_cast<ObjectNumber>(r);
        }
        char name[80];
        sprintf(name, "RegistryLookup dynamic object (oldest of %d)", dynamics);
        BenchReport(name, NanosecondsPerLookup(dynamic, oldest), "ns/call");
    }
    for (int count : {1000, 100000}) {
        char name[80];
        sprintf(name, "RegistryAllocate 0..%d in order", count - 1);
        BenchReport(name, NanosecondsPerAllocation(count, false), "ns/number");
        sprintf(name, "RegistryAllocate 0..%d in reverse", count - 1);
        BenchReport(name, NanosecondsPerAllocation(count, true), "ns/number");
    }

    static const char path[] = "C:\\Users\\Anwender\\Videos\\Urlaub 2026\\Strand.avi";
    StringVariable variable = nullptr;
    double s = BenchMedianSeconds(RUNS, [&] {
        for (int i = 0; i < LOOKUPS / 10; ++i) {
            int32_t start = StringBufferPosition();
            char* out = StringBufferReserve(260, start);
            strcpy(out, path);
            StringBufferShrink(260 - static_cast<int32_t>(sizeof(path) - 1));
            StringAssign(&variable, start);
        }
    });
    BenchReport("StringBufferReserve(260) + StringAssign of a path", s * 1e9 / (LOOKUPS / 10), "ns/result");

    for (int i = 0; i < HELD_BLOCKS; ++i)
        LibraryBlockAllocate(EVENT_SIZE, 0);
    BenchReport("LibraryBlockAllocate + LibraryBlockFree, 100 others held", NanosecondsPerBlock(true),
                "ns/block");
    BenchReport("HeapAlloc + HeapFree", NanosecondsPerBlock(false), "ns/block");
    for (int i = HELD_BLOCKS; i < HEAP_BLOCKS; ++i)
        HeapAlloc(ProgramHeap, 0, DATA_BLOCK_SIZE);
    void* data = HeapAlloc(ProgramHeap, 0, DATA_BLOCK_SIZE); // the newest, walked to last
    s = BenchMedianSeconds(RUNS, [&] {
        for (int i = 0; i < HEAP_BLOCKS; ++i)
            BenchKeep(ForeignHeapBlock(data, DATA_BLOCK_SIZE));
    });
    BenchReport("ForeignHeapBlock, over 1000 blocks in ProgramHeap", s * 1e9 / HEAP_BLOCKS, "ns/call");
    return 0;
}
