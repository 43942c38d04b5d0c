// Movies: a filter graph per numbered object, built by rendering a file and kept with the graph
// interfaces playback needs, and the start and halt of playback in a window.
//
// Threads and apartments. COM's rule: an interface pointer belongs to the apartment in which it
// was obtained, and only threads of that apartment may call it. The library therefore keeps one
// movie thread, which joins the multithreaded apartment (MTA) for its whole life and alone creates,
// renders, calls and releases every graph; it also alone reads and writes the movie registry and
// its records. The program's thread, a single-threaded apartment (STA), only posts requests and
// waits for their answers; it never touches a graph pointer. Some movie thread stays in the MTA
// while graphs are held, so the apartment lives as long as they do (thread.cpp); and since any MTA
// thread may call an MTA pointer, a movie thread started after one was given up takes over the
// other movies. CLSID_FilterGraph runs a worker thread of its own that dispatches the
// messages its filters send and owns every window they create, so the movie thread needs no
// message loop. Filters that must live in an STA are reached through COM's marshalling; those
// registered without a threading model live in the program's thread, which is why its waits serve
// COM (RequestAwait in thread.cpp).
#include "movie.h"
#include "movie_internal.h"
#include "thread.h"

#include <dshow.h>
#include <mmstream.h>
#include <string.h>

namespace {

constexpr int32_t MOVIE_GROWTH_STEP = 16;
constexpr int32_t FRAME_SIZE_UNKNOWN = -1;
constexpr int32_t WINDOWLESS_ON = 1;
constexpr int32_t WINDOWLESS_OFF = 0;
constexpr long VIDEO_WINDOW_STYLE = WS_CHILD | WS_CLIPSIBLINGS;
constexpr int WINDOWLESS_SHARED_COUNT = 4;
// The shared windowless references are given back fourth first, then first, third and second.
constexpr int WINDOWLESS_SHARED_RELEASE_ORDER[WINDOWLESS_SHARED_COUNT] = {3, 0, 2, 1};
constexpr int WINDOWLESS_BLOCK_RELEASE_ORDER[] = {0, 2, 1};
struct MovieLibrary {
    int32_t started = 0;
    ObjectRegistry* registry = nullptr;
    IUnknown* windowlessShared[WINDOWLESS_SHARED_COUNT] = {};
    STREAM_TIME windowlessStart = 0;
    // Every start acquires one DirectDraw use, also a failed one; the end gives all of them back.
    int32_t directDrawUses = 0;
    bool comInitialised = false;
    DWORD loadLimitMs = MOVIE_LOAD_LIMIT_MS;
    // The records the end takes out of the registry, to be released by the movie thread.
    MovieObject* ending = nullptr;
    int32_t endingCount = 0;
};
constinit MovieLibrary library;

// ---- Graphs (movie thread) ------------------------------------------------------------------------

// The one place where graph interfaces are given back.
void MovieGraphRelease(MovieGraph* graph) {
    IUnknown* references[] = {graph->builder, graph->control, graph->events, graph->videoWindow,
                              graph->audio,   graph->video,   graph->seeking};
    for (IUnknown* reference : references)
        if (reference) reference->Release();
    *graph = MovieGraph();
}

template <typename Interface> bool GraphQuery(IGraphBuilder* builder, REFIID iid, Interface** out) {
    return builder->QueryInterface(iid, reinterpret_cast<void**>(out)) == S_OK;
}

// Creates the graph, renders the file and queries the interfaces; on failure the caller releases
// what was obtained.
bool GraphRender(const WCHAR* name, MovieGraph* out) {
    if (CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&out->builder)) != S_OK)
        return false;
    // Success codes such as VFW_S_PARTIAL_RENDER mean a stream could not be rendered.
    if (out->builder->RenderFile(name, nullptr) != S_OK) return false;
    IGraphBuilder* builder = out->builder;
    bool complete = GraphQuery(builder, IID_IMediaControl, &out->control);
    complete &= GraphQuery(builder, IID_IMediaEventEx, &out->events);
    complete &= GraphQuery(builder, IID_IMediaSeeking, &out->seeking);
    complete &= GraphQuery(builder, IID_IVideoWindow, &out->videoWindow);
    complete &= GraphQuery(builder, IID_IBasicVideo, &out->video);
    GraphQuery(builder, IID_IBasicAudio, &out->audio);
    return complete;
}

int32_t GraphFrameSize(const MovieGraph& graph, bool width) {
    if (!graph.video) return FRAME_SIZE_UNKNOWN;
    long value = 0;
    HRESULT result = width ? graph.video->get_VideoWidth(&value) : graph.video->get_VideoHeight(&value);
    return result == S_OK ? static_cast<int32_t>(value) : FRAME_SIZE_UNKNOWN;
}

void MovieRewindGraph(MovieObject* movie) {
    if (!movie->graph.control || !movie->graph.seeking) return;
    if (movie->windowless == WINDOWLESS_ON) {
        if (IMultiMediaStream* stream = movie->windowlessBlock.stream) {
            stream->Seek(library.windowlessStart);
            stream->SetState(STREAMSTATE_STOP);
        }
    } else {
        movie->graph.control->Stop();
        LONGLONG start = 0;
        movie->graph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                           AM_SEEKING_NoPositioning);
    }
    movie->state = MOVIE_READY;
}

// Gives back every interface a record holds.
void MovieInterfacesRelease(MovieObject* movie) {
    MovieGraphRelease(&movie->graph);
    MovieWindowless& windowless = movie->windowlessBlock;
    if (windowless.stream) windowless.stream->Release();
    for (int index : WINDOWLESS_BLOCK_RELEASE_ORDER)
        if (windowless.references[index]) windowless.references[index]->Release();
    memset(&windowless, 0, sizeof(windowless));
}

// Stops a movie taken out of the registry, sets it back to its start and releases it.
void MovieDiscard(MovieObject* movie) {
    MovieRewindGraph(movie);
    // The video window leaves its owner before the graph that made it goes.
    OAHWND owner = 0;
    if (movie->graph.videoWindow && movie->graph.videoWindow->get_Owner(&owner) == S_OK) {
        movie->graph.videoWindow->put_Visible(OAFALSE);
        movie->graph.videoWindow->put_Owner(0);
    }
    if (movie->windowlessBlock.stream) movie->windowlessBlock.stream->SetState(STREAMSTATE_STOP);
    MovieInterfacesRelease(movie);
}

// ---- Records (under the lock) -------------------------------------------------------------------

MovieObject* MovieLookup(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(library.registry, number));
}

// Takes the movie out of the registry into *movie: the number is free, the file name copy given
// back, the interfaces now the caller's. False when no movie has the number.
bool MovieTake(ObjectNumber number, MovieObject* movie) {
    MovieObject* record = MovieLookup(number);
    if (!record) return false;
    *movie = *record;
    LibraryBlockFree(movie->fileName);
    movie->fileName = nullptr;
    RegistryRelease(library.registry, number);
    return true;
}

// The registry's end: every record goes to the list that the movie thread releases.
void MovieTakeForEnd(ObjectNumber number) {
    MovieTake(number, &library.ending[library.endingCount]);
    ++library.endingCount;
}

// ---- Serving requests (movie thread) --------------------------------------------------------------

// Answers the current request and writes updated (when given) back to the borrowed record. False
// when the thread was given up meanwhile: the request is no longer its own, and a borrowed movie's
// interfaces are now the caller's to release.
bool RequestAnswer(MovieThread* thread, intptr_t result, const MovieObject* updated = nullptr) {
    Locked lock;
    if (thread->abandoned) return false;
    if (updated) *MovieLookup(thread->borrowed) = *updated;
    thread->borrowed = NO_MOVIE;
    RequestAnswerLocked(thread->current, result);
    thread->current = nullptr;
    return true;
}

// Copies the record of number for the current request; false when no movie has it.
bool MovieBorrow(MovieThread* thread, ObjectNumber number, MovieObject* movie) {
    Locked lock;
    MovieObject* record = thread->abandoned ? nullptr : MovieLookup(number);
    if (!record) return false;
    *movie = *record;
    thread->borrowed = number;
    return true;
}

// Takes the movie of number out of the registry and releases it.
void MovieReplace(MovieThread* thread, ObjectNumber number) {
    MovieObject replaced;
    bool found;
    {
        Locked lock;
        found = !thread->abandoned && MovieTake(number, &replaced);
    }
    if (found) MovieDiscard(&replaced);
}

void MovieLoadServe(MovieThread* thread, MovieRequest* work) {
    MovieReplace(thread, work->number);
    MovieObject built = {};
    bool complete = work->named && GraphRender(work->wideName, &built.graph);
    if (complete) {
        // Refused for files without video; the only position ever set is 0, the start in any format.
        built.graph.seeking->SetTimeFormat(&TIME_FORMAT_FRAME);
        built.state = MOVIE_READY;
        built.graph.videoWindow->SetWindowPosition(0, 0, GraphFrameSize(built.graph, true),
                                                   GraphFrameSize(built.graph, false));
    }
    {
        Locked lock;
        if (!thread->abandoned) {
            MovieObject* record =
                complete ? static_cast<MovieObject*>(RegistryAllocateNumber(library.registry, &work->number))
                         : nullptr;
            if (record) {
                built.fileName = thread->current->fileName;
                thread->current->fileName = nullptr;
                *record = built;
                built = MovieObject();
            }
            RequestAnswerLocked(thread->current, reinterpret_cast<intptr_t>(record));
            thread->current = nullptr;
        }
    }
    MovieInterfacesRelease(&built);
}

void MovieEndServe(MovieThread* thread) {
    MovieObject* ending = nullptr;
    int32_t count = 0;
    {
        Locked lock;
        if (thread->abandoned) return;
        if (library.registry) {
            library.ending = static_cast<MovieObject*>(
                HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY,
                          sizeof(MovieObject) * (RegistryCount(library.registry) + 1)));
            if (library.ending) RegistryFreeEach(library.registry, MovieTakeForEnd);
        }
        ending = library.ending;
        count = library.endingCount;
        library.ending = nullptr;
        library.endingCount = 0;
    }
    for (int32_t index = 0; index < count; ++index)
        MovieDiscard(&ending[index]);
    HeapFree(GetProcessHeap(), 0, ending);
    for (int index : WINDOWLESS_SHARED_RELEASE_ORDER) {
        if (library.windowlessShared[index]) library.windowlessShared[index]->Release();
        library.windowlessShared[index] = nullptr;
    }
    Locked lock;
    thread->ending = true;
    if (!thread->abandoned) RequestAnswerLocked(thread->current, 1);
    thread->current = nullptr;
}

// Plays the borrowed movie from its start in window; 1 when the graph runs.
int32_t MoviePlayGraph(MovieObject* movie, HWND window) {
    MovieRewindGraph(movie);
    if (window == MOVIE_WINDOWLESS) {
        movie->windowless = WINDOWLESS_ON;
        if (IMultiMediaStream* stream = movie->windowlessBlock.stream) stream->SetState(STREAMSTATE_RUN);
    } else {
        IVideoWindow* videoWindow = movie->graph.videoWindow;
        auto owner = static_cast<OAHWND>(reinterpret_cast<intptr_t>(window));
        OAHWND current = 0;
        // Owner and style are set on the first start in a window and again only for another window.
        if (videoWindow->get_Owner(&current) != S_OK || current != owner) {
            videoWindow->put_Owner(owner);
            videoWindow->put_WindowStyle(VIDEO_WINDOW_STYLE);
        }
        videoWindow->put_Visible(OATRUE);
        // S_FALSE: the graph is still on its way to running.
        if (FAILED(movie->graph.control->Run())) return 0;
        movie->windowless = WINDOWLESS_OFF;
    }
    movie->state = MOVIE_PLAYING;
    return 1;
}

void MovieStopGraph(MovieObject* movie) {
    if (movie->state != MOVIE_PLAYING) return;
    if (movie->windowless == WINDOWLESS_ON) {
        if (IMultiMediaStream* stream = movie->windowlessBlock.stream) stream->SetState(STREAMSTATE_STOP);
    } else {
        // Pausing keeps the position and the picture in the window.
        movie->graph.control->Pause();
    }
    movie->state = MOVIE_HALTED;
}

// The requests that call a movie's graph and keep the movie.
void MovieBorrowedServe(MovieThread* thread, const MovieRequest& work) {
    MovieObject movie;
    if (!MovieBorrow(thread, work.number, &movie)) {
        RequestAnswer(thread, 0);
        return;
    }
    intptr_t result = 0;
    if (work.kind == RequestKind::PLAY)
        result = MoviePlayGraph(&movie, work.window);
    else if (work.kind == RequestKind::STOP)
        MovieStopGraph(&movie);
    else if (work.kind == RequestKind::REWIND)
        MovieRewindGraph(&movie);
    else
        result = GraphFrameSize(movie.graph, work.kind == RequestKind::WIDTH);
    if (!RequestAnswer(thread, result, &movie)) MovieInterfacesRelease(&movie);
}

intptr_t MovieRequestRun(RequestKind kind, ObjectNumber number, HWND window = nullptr) {
    MovieRequest request = {.kind = kind, .number = number, .window = window};
    return RequestRun(&request, MOVIE_REQUEST_LIMIT_MS);
}

char* FileNameCopy(const char* fileName) {
    size_t size = strlen(fileName) + 1;
    auto* copy = static_cast<char*>(LibraryBlockAllocate(size, 0));
    if (copy) memcpy(copy, fileName, size);
    return copy;
}

} // namespace

void RequestServe(MovieThread* thread, MovieRequest* work) {
    switch (work->kind) {
    case RequestKind::LOAD:
        MovieLoadServe(thread, work);
        break;
    case RequestKind::FREE:
        MovieReplace(thread, work->number);
        RequestAnswer(thread, 0);
        break;
    case RequestKind::CALL:
        work->function(work->context);
        RequestAnswer(thread, 1);
        break;
    case RequestKind::END:
        MovieEndServe(thread);
        break;
    default:
        MovieBorrowedServe(thread, *work);
        break;
    }
}

void MovieBorrowedAbandon(ObjectNumber number) {
    MovieObject* borrowed = MovieLookup(number);
    if (number != NO_MOVIE && borrowed) {
        LibraryBlockFree(borrowed->fileName);
        RegistryRelease(library.registry, number);
    }
}

void* MovieInit() {
    library.started = 1;
    void* directDraw = DirectDrawAcquire();
    ++library.directDrawUses;
    if (!directDraw) return nullptr;
    MovieLockInit();
    if (!library.registry) library.registry = RegistryCreate(sizeof(MovieObject), MOVIE_GROWTH_STEP, nullptr);
    if (!library.registry) return nullptr;
    if (!library.comInitialised) library.comInitialised = SUCCEEDED(CoInitialize(nullptr));
    // The thread starts now, while the user picks a file, rather than with the first load.
    MovieThreadsStart();
    return directDraw;
}

void MovieEnd() {
    if (!library.started) return;
    MovieThreadsEnd();
    if (library.registry) {
        // Movies still here belong to an end request that was given up.
        Locked lock;
        RegistryDestroy(library.registry);
        library.registry = nullptr;
    }
    if (!MovieThreadStuck())
        for (; library.directDrawUses > 0; --library.directDrawUses)
            DirectDrawRelease();
    if (library.comInitialised) CoUninitialize();
    library.comInitialised = false;
}

intptr_t MovieLoad(ObjectNumber number, const char* fileName) {
    MovieRequest request = {.kind = RequestKind::LOAD, .number = number};
    // A name that does not fit is refused: cut short, it could name another file. The movie that
    // has the number is freed all the same.
    request.named =
        fileName && MultiByteToWideChar(CP_ACP, 0, fileName, -1, request.wideName, MOVIE_NAME_CHARS);
    if (request.named) request.fileName = FileNameCopy(fileName);
    intptr_t result = RequestRun(&request, library.loadLimitMs);
    LibraryBlockFree(request.fileName);
    return result;
}

int32_t MovieFrameWidth(ObjectNumber number) {
    return static_cast<int32_t>(MovieRequestRun(RequestKind::WIDTH, number));
}

int32_t MovieFrameHeight(ObjectNumber number) {
    return static_cast<int32_t>(MovieRequestRun(RequestKind::HEIGHT, number));
}

void MovieRewind(ObjectNumber number) {
    MovieRequestRun(RequestKind::REWIND, number);
}

void MovieFree(ObjectNumber number) {
    MovieRequestRun(RequestKind::FREE, number);
}

int32_t MoviePlay(ObjectNumber number, HWND window) {
    return static_cast<int32_t>(MovieRequestRun(RequestKind::PLAY, number, window));
}

void MovieStop(ObjectNumber number) {
    MovieRequestRun(RequestKind::STOP, number);
}

ObjectRegistry* MovieRegistry() {
    return library.registry;
}

void MovieLoadLimitSet(DWORD milliseconds) {
    library.loadLimitMs = milliseconds;
}

bool MovieThreadCall(MovieThreadFunction function, void* context, DWORD limitMs) {
    MovieRequest request = {.kind = RequestKind::CALL, .function = function, .context = context};
    return RequestRun(&request, limitMs) != 0;
}
