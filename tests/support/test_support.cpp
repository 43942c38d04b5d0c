#include "test_support.h"

#include "core.h"

void TestRuntimeStart() {
    static bool started = false;
    if (started) return;
    started = true;
    ProgramHeap = HeapCreate(0, 4096, 0);
    StringBufferStart();
    ObjectHeapStart();
}

std::string MediaPath(const char* name) {
    return std::string(VORNAK_MEDIA_DIR "\\") + name;
}

std::string MediaUnixPath(const char* name) {
    return std::string(VORNAK_MEDIA_UNIX_DIR "/") + name;
}
