// Movie library: numbered movies, each a DirectShow filter graph built by rendering a media file,
// their playback inside a window, and the shared DirectDraw object without which the library does
// not start.
#pragma once

#include "core.h"

struct IUnknown;
struct IGraphBuilder;
struct IMediaControl;
struct IMediaEventEx;
struct IVideoWindow;
struct IBasicAudio;
struct IBasicVideo;
struct IMediaSeeking;
struct IMultiMediaStream;

// ---- DirectDraw probe ----------------------------------------------------------------------------

// The process's one DirectDraw 7 object (IDirectDraw7*), created on first demand from DDRAW.DLL
// loaded at run time, or null when none can be created. Every call counts one use, also a failed one.
void* DirectDrawAcquire();

// Gives one use back; the last one releases the object and unloads DDRAW.DLL.
void DirectDrawRelease();

// ---- Movies ------------------------------------------------------------------------------------

constexpr int32_t MOVIE_HALTED = 1;
constexpr int32_t MOVIE_PLAYING = 2;
constexpr int32_t MOVIE_READY = 3;

// The window value of MoviePlay that selects windowless playback.
inline const HWND MOVIE_WINDOWLESS = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

// State of windowless playback. Nothing in the program attaches a stream, so it stays zero; the
// library only drives and releases what is found here.
struct MovieWindowless {
    uint32_t unused0;
    IMultiMediaStream* stream;
    IUnknown* references[3]; // released in the order 0, 2, 1
    uint32_t unused[4];
};
static_assert(sizeof(MovieWindowless) == 9 * 4, "the windowless block is nine 32-bit words");

// The graph interfaces of a movie, released together by one function of the library.
struct MovieGraph {
    IGraphBuilder* builder; // nonzero exactly while the movie exists
    IMediaControl* control;
    IMediaEventEx* events; // held only: the library asks for no notification
    IVideoWindow* videoWindow;
    IBasicAudio* audio; // may be null
    IBasicVideo* video;
    IMediaSeeking* seeking;
};

// A movie's record. The movie thread alone reads and writes it (see movie.cpp).
struct MovieObject {
    MovieGraph graph;
    int32_t state; // MOVIE_READY, MOVIE_PLAYING or MOVIE_HALTED
    char* fileName;
    int32_t windowless; // 1 when last started with MOVIE_WINDOWLESS
    MovieWindowless windowlessBlock;
};
static_assert(offsetof(MovieObject, graph.builder) == 0, "movie record layout is fixed");
static_assert(offsetof(MovieObject, graph.seeking) == 24, "movie record layout is fixed");
static_assert(offsetof(MovieObject, state) == 28, "movie record layout is fixed");
static_assert(offsetof(MovieObject, windowlessBlock) == 40, "movie record layout is fixed");
static_assert(sizeof(MovieObject) == 76, "movie record layout is fixed");

// Starts the library (again) and its movie thread: returns the DirectDraw object, or null when there
// is none. A repeated start keeps the registry and its movies.
void* MovieInit();

// Frees every movie, ends the movie thread and gives back what the starts made: the registry, the
// DirectDraw uses and the COM initialisation. While a movie thread that was given up is still
// stuck, the DirectDraw object and its library are kept: the process is about to end (see
// MovieProcessExit), and unloading a library may wait for a lock that thread holds.
void MovieEnd();

// Ends the process with exitCode, after MovieEnd. While a given-up movie thread is still stuck, no
// library's detach code is run (TerminateProcess), since that thread may hold a lock such code
// takes; otherwise ExitProcess.
[[noreturn]] void MovieProcessExit(UINT exitCode);

// Renders fileName (ANSI code page) into a new movie under number, freeing any movie that had it.
// Returns the record's address (for ANY_NUMBER also the new number), or 0 when the file does not
// render completely, its name does not fit 259 wide characters or the graph is not built within
// the load limit.
//
// Every operation below and MovieLoad run on the movie thread while the calling thread waits, at
// most MOVIE_LOAD_LIMIT_MS for a load and a few seconds for the others (movie_internal.h). While it
// waits, the caller's windows are painted, messages sent or posted to them and calls that COM
// delivers into its apartment are served, keyboard and mouse input stays queued for its own
// message loop, and the wait cursor shows over its windows (for a load at once, else after a
// moment).
intptr_t MovieLoad(ObjectNumber number, const char* fileName);

// Frame size in pixels; 0 when no movie has the number, -1 when the graph has no video size.
int32_t MovieFrameWidth(ObjectNumber number);
int32_t MovieFrameHeight(ObjectNumber number);

// Stops the movie and sets it back to its start (MOVIE_READY).
void MovieRewind(ObjectNumber number);

// Stops and releases the movie; does nothing for a number without a movie.
void MovieFree(ObjectNumber number);

// Plays the movie from its start inside window (its video at 0,0 with the frame size), or
// windowless for MOVIE_WINDOWLESS. Returns 1 when a movie has the number and its graph started,
// else 0; a graph that fails to run leaves the movie ready at its start.
int32_t MoviePlay(ObjectNumber number, HWND window);

// Pauses a playing movie (MOVIE_HALTED); a ready or halted movie is left alone.
void MovieStop(ObjectNumber number);
