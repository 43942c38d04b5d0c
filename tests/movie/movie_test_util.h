// Helpers of the movie tests: a movie's record, the graph's own view of it, ProgramHeap's blocks.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "movie.h"
#include "movie_internal.h"
#include "test_support.h"

inline MovieObject* MovieRecord(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(MovieRegistry(), number));
}

inline OAFilterState GraphState(IMediaControl* control) {
    OAFilterState state = -1;
    control->GetState(INFINITE, &state);
    return state;
}

// Seconds from the start: frames last 1/25 s in every generated film.
inline double GraphPositionSeconds(const MovieObject* movie) {
    LONGLONG position = -1;
    GUID format = TIME_FORMAT_MEDIA_TIME;
    movie->seeking->GetCurrentPosition(&position);
    movie->seeking->GetTimeFormat(&format);
    return double(position) / (format == TIME_FORMAT_FRAME ? 25 : 1e7);
}

inline int ProgramHeapBlocks() {
    int blocks = 0;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(ProgramHeap, &entry))
        blocks += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? 1 : 0;
    return blocks;
}
