// Movie library internals for its tests and benchmarks: the registry, the probe's use count and
// the limit of a load.
#pragma once

#include "movie.h"

// The longest MovieLoad waits for a graph to be built.
constexpr DWORD MOVIE_LOAD_LIMIT_MS = 10000;

// The library's registry, null while the library is not started.
ObjectRegistry* MovieRegistry();

// Acquires not yet given back (never below 0).
int32_t DirectDrawUseCount();

// Sets the limit of later loads; MOVIE_LOAD_LIMIT_MS restores the usual one.
void MovieLoadLimitSet(DWORD milliseconds);
