// Movie library internals for its tests and benchmarks: the registry, the probe's use count, the
// limits of the waits, and a way to run code on the movie thread.
#pragma once

#include "movie.h"

// The longest MovieLoad waits for a graph to be built.
constexpr DWORD MOVIE_LOAD_LIMIT_MS = 10000;
// The longest any other request waits for the movie thread.
constexpr DWORD MOVIE_REQUEST_LIMIT_MS = 5000;

// The library's registry, null while the library is not started. Its records belong to the movie
// thread: read them only from a function that MovieThreadCall runs.
ObjectRegistry* MovieRegistry();

// Acquires not yet given back (never below 0).
int32_t DirectDrawUseCount();

// Sets the limit of later loads; MOVIE_LOAD_LIMIT_MS restores the usual one.
void MovieLoadLimitSet(DWORD milliseconds);

// Runs function(context) on the movie thread as a request of its own and waits for it as every
// request waits, at most limitMs. False when it was not answered in time: a call still queued then
// is dropped, a call the thread was running gives the thread up (a new one takes over).
typedef void (*MovieThreadFunction)(void* context);
bool MovieThreadCall(MovieThreadFunction function, void* context, DWORD limitMs = MOVIE_REQUEST_LIMIT_MS);

// True while a movie thread that was given up has not ended.
bool MovieThreadStuck();

// The movie thread that MovieInit starts runs the steps of the preparation one at a time while no
// request is queued (prepare.cpp); these are the library's own.
typedef void (*MoviePrepareStep)();
constexpr int32_t MOVIE_PREPARE_STEP_COUNT = 8;
extern const MoviePrepareStep MOVIE_PREPARE_STEPS[MOVIE_PREPARE_STEP_COUNT];
// Sets the steps of later starts (count 0: none). Only while the library is not started.
void MoviePreparationSet(const MoviePrepareStep* steps, int32_t count);
