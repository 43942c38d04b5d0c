#include "movie_test_util.h"

namespace {

constexpr double MEDIA_TIME_PER_SECOND = 1e7;
constexpr double CLIP_FRAMES_PER_SECOND = 25; // every generated film

} // namespace

HWND PlayerWindowOpen(int clientWidth, int clientHeight) {
    return TestWindowOpen("Film Player", clientWidth, clientHeight, WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
}

OAFilterState GraphState(const MovieObject* movie) {
    OAFilterState state = -1;
    movie->control->GetState(INFINITE, &state);
    return state;
}

double GraphPositionSeconds(const MovieObject* movie) {
    LONGLONG position = -1;
    movie->seeking->GetCurrentPosition(&position);
    GUID format = TIME_FORMAT_MEDIA_TIME;
    movie->seeking->GetTimeFormat(&format);
    double perSecond =
        IsEqualGUID(format, TIME_FORMAT_FRAME) ? CLIP_FRAMES_PER_SECOND : MEDIA_TIME_PER_SECOND;
    return static_cast<double>(position) / perSecond;
}

MovieObject* MovieRecord(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(MovieRegistry(), number));
}

int ProgramHeapBlocks() {
    int blocks = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(ProgramHeap);
    while (HeapWalk(ProgramHeap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
    HeapUnlock(ProgramHeap);
    return blocks;
}

std::string SiblingPath(const char* fileName) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.find_last_of('\\') + 1) + fileName;
}
