// Movies: a filter graph per numbered object, built by rendering a file and kept with the graph
// interfaces playback needs, and the start and halt of playback in a window.
#include "movie.h"
#include "movie_internal.h"

#include <dshow.h>
#include <mmstream.h>
#include <string.h>

namespace {

constexpr int32_t MOVIE_GROWTH_STEP = 16;
constexpr int32_t FRAME_SIZE_UNKNOWN = -1;
constexpr int32_t WINDOWLESS_ON = 1;
constexpr int32_t WINDOWLESS_OFF = 0;
// Wide characters of a file name, terminator included.
constexpr int MOVIE_NAME_CHARS = 260;
constexpr long VIDEO_WINDOW_STYLE = WS_CHILD | WS_CLIPSIBLINGS;
constexpr int WINDOWLESS_SHARED_COUNT = 4;
// The shared windowless references are given back fourth first, then first, third and second.
constexpr int WINDOWLESS_SHARED_RELEASE_ORDER[WINDOWLESS_SHARED_COUNT] = {3, 0, 2, 1};
constexpr int WINDOWLESS_BLOCK_RELEASE_ORDER[] = {0, 2, 1};

struct MovieLibrary {
    int32_t started;
    ObjectRegistry* registry;
    IUnknown* windowlessShared[WINDOWLESS_SHARED_COUNT];
    STREAM_TIME windowlessStart;
    // Every start acquires one DirectDraw use, also a failed one; the end gives all of them back.
    int32_t directDrawUses;
    bool comInitialised;
    void* apartmentUse; // keeps the multithreaded apartment of the load workers, see ApartmentKeep
};
MovieLibrary library;
DWORD loadLimitMs = MOVIE_LOAD_LIMIT_MS;

template <typename Interface> void ReferenceRelease(Interface*& reference) {
    if (reference) reference->Release();
    reference = nullptr;
}

template <typename Interface> bool GraphQuery(IGraphBuilder* graph, REFIID iid, Interface** out) {
    return graph->QueryInterface(iid, reinterpret_cast<void**>(out)) == S_OK;
}

MovieObject* MovieLookup(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(library.registry, number));
}

int32_t MovieFrameSize(ObjectNumber number, bool width) {
    MovieObject* movie = MovieLookup(number);
    if (!movie) return 0;
    if (!movie->video) return FRAME_SIZE_UNKNOWN;
    long value = 0;
    HRESULT result = width ? movie->video->get_VideoWidth(&value) : movie->video->get_VideoHeight(&value);
    return result == S_OK ? static_cast<int32_t>(value) : FRAME_SIZE_UNKNOWN;
}

char* FileNameCopy(const char* fileName) {
    size_t size = strlen(fileName) + 1;
    auto* copy = static_cast<char*>(HeapAlloc(ProgramHeap, 0, size));
    if (copy) memcpy(copy, fileName, size);
    return copy;
}

// The interfaces of a rendered graph, in the record's order.
struct GraphInterfaces {
    IGraphBuilder* graph;
    IMediaControl* control;
    IMediaEventEx* events;
    IVideoWindow* videoWindow;
    IBasicAudio* audio;
    IBasicVideo* video;
    IMediaSeeking* seeking;
};

// Releases the graph interfaces of a build or of a movie record; both name them alike.
template <typename Holder> void GraphInterfacesRelease(Holder* interfaces) {
    ReferenceRelease(interfaces->graph);
    ReferenceRelease(interfaces->control);
    ReferenceRelease(interfaces->events);
    ReferenceRelease(interfaces->videoWindow);
    ReferenceRelease(interfaces->audio);
    ReferenceRelease(interfaces->video);
    ReferenceRelease(interfaces->seeking);
}

// A graph built on a worker thread. Both the loading thread and the worker hold it; the last to
// let go frees it and releases whatever interfaces nobody took, so a load that was given up does
// not leak once its worker returns, if it ever does.
struct GraphBuild {
    LONG holders;
    HANDLE done; // set by the worker when interfaces holds its result
    bool complete;
    WCHAR name[MOVIE_NAME_CHARS];
    GraphInterfaces interfaces;
};

void GraphBuildDrop(GraphBuild* build) {
    if (InterlockedDecrement(&build->holders) != 0) return;
    GraphInterfacesRelease(&build->interfaces);
    CloseHandle(build->done);
    HeapFree(GetProcessHeap(), 0, build);
}

// Creates the graph, renders the file and queries the interfaces; on failure the caller releases
// what was obtained.
bool GraphRender(const WCHAR* name, GraphInterfaces* out) {
    if (CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&out->graph)) != S_OK)
        return false;
    // Success codes such as VFW_S_PARTIAL_RENDER mean a stream could not be rendered.
    if (out->graph->RenderFile(name, nullptr) != S_OK) return false;

    IGraphBuilder* graph = out->graph;
    bool complete = GraphQuery(graph, IID_IMediaControl, &out->control);
    complete &= GraphQuery(graph, IID_IMediaEventEx, &out->events);
    complete &= GraphQuery(graph, IID_IMediaSeeking, &out->seeking);
    complete &= GraphQuery(graph, IID_IVideoWindow, &out->videoWindow);
    complete &= GraphQuery(graph, IID_IBasicVideo, &out->video);
    GraphQuery(graph, IID_IBasicAudio, &out->audio);
    return complete;
}

// Worker of one load. Threads: the worker only builds. The graph manager runs a thread of its own
// that dispatches its filters' messages and owns every window a filter creates, so the graph is
// used afterwards from the loading thread. The worker joins the multithreaded apartment, whose
// references that thread may use without marshalling.
DWORD WINAPI GraphBuildRun(void* parameter) {
    auto* build = static_cast<GraphBuild*>(parameter);
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    build->complete = com && GraphRender(build->name, &build->interfaces);
    if (!build->complete) GraphInterfacesRelease(&build->interfaces);
    SetEvent(build->done);
    GraphBuildDrop(build);
    if (com) CoUninitialize();
    return 0;
}

// Waits for the worker at most limitMs. Meanwhile only paint messages (and messages sent by other
// threads) are dispatched: the windows stay drawn, and no input is acted on ahead of the caller.
bool GraphBuildAwait(HANDLE done, DWORD limitMs) {
    DWORD begin = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - begin;
        DWORD left = waited < limitMs ? limitMs - waited : 0;
        DWORD woken =
            MsgWaitForMultipleObjectsEx(1, &done, left, QS_PAINT | QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageA(&message);
        // At the limit a pending paint is still dispatched, once.
        if (left == 0) return WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
    }
}

// Builds the graph of name off the calling thread. False when it fails or takes longer than the
// limit; a graph still being built then stays with its worker.
bool GraphBuildWithin(const WCHAR* name, DWORD limitMs, GraphInterfaces* out) {
    auto* build = static_cast<GraphBuild*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(GraphBuild)));
    if (!build) return false;
    build->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    memcpy(build->name, name, sizeof(build->name));
    build->holders = 2;
    HANDLE worker = build->done ? CreateThread(nullptr, 0, GraphBuildRun, build, 0, nullptr) : nullptr;
    if (!worker) {
        if (build->done) CloseHandle(build->done);
        HeapFree(GetProcessHeap(), 0, build);
        return false;
    }
    CloseHandle(worker);
    bool complete = GraphBuildAwait(build->done, limitMs) && build->complete;
    if (complete) {
        *out = build->interfaces;
        build->interfaces = GraphInterfaces();
    }
    GraphBuildDrop(build);
    return complete;
}

// Fills the record of number from a built graph, taking over its references.
void MovieFill(MovieObject* movie, ObjectNumber number, const GraphInterfaces& built, const char* fileName) {
    movie->graph = built.graph;
    movie->control = built.control;
    movie->events = built.events;
    movie->videoWindow = built.videoWindow;
    movie->audio = built.audio;
    movie->video = built.video;
    movie->seeking = built.seeking;
    // Refused for files without video; the only position ever set is 0, the start in any format.
    movie->seeking->SetTimeFormat(&TIME_FORMAT_FRAME);
    movie->state = MOVIE_READY;
    movie->fileName = FileNameCopy(fileName);
    int32_t width = MovieFrameWidth(number);
    int32_t height = MovieFrameHeight(number);
    movie->videoWindow->SetWindowPosition(0, 0, width, height);
}

typedef HRESULT(WINAPI* MtaUsageIncrement)(void** cookie);
typedef HRESULT(WINAPI* MtaUsageDecrement)(void* cookie);

FARPROC Ole32Function(const char* name) {
    return GetProcAddress(GetModuleHandleA("ole32.dll"), name);
}

// Keeps the multithreaded apartment for the library's life: torn down with each load's worker, it
// would take the filters' modules along, and every load would load them anew at about a fifth of
// its time. Where the system cannot keep it, loads only take longer.
void ApartmentKeep() {
    auto increment =
        reinterpret_cast<MtaUsageIncrement>(reinterpret_cast<void*>(Ole32Function("CoIncrementMTAUsage")));
    if (!library.apartmentUse && increment && FAILED(increment(&library.apartmentUse)))
        library.apartmentUse = nullptr;
}

void ApartmentRelease() {
    auto decrement =
        reinterpret_cast<MtaUsageDecrement>(reinterpret_cast<void*>(Ole32Function("CoDecrementMTAUsage")));
    if (library.apartmentUse && decrement) decrement(library.apartmentUse);
    library.apartmentUse = nullptr;
}

} // namespace

void* MovieInit() {
    library.started = 1;
    void* directDraw = DirectDrawAcquire();
    ++library.directDrawUses;
    if (!directDraw) return nullptr;
    if (!library.registry)
        library.registry = RegistryCreate(sizeof(MovieObject), MOVIE_GROWTH_STEP, MovieFree);
    if (!library.registry) return nullptr;
    if (!library.comInitialised) library.comInitialised = SUCCEEDED(CoInitialize(nullptr));
    ApartmentKeep();
    return directDraw;
}

void MovieEnd() {
    if (!library.started) return;
    if (library.registry) {
        RegistryEnumStart(library.registry);
        ObjectNumber number;
        while (RegistryEnumNext(library.registry, &number))
            MovieFree(number);
        HeapFree(ProgramHeap, 0, library.registry->slots);
        HeapFree(ProgramHeap, 0, library.registry);
        library.registry = nullptr;
    }
    for (int index : WINDOWLESS_SHARED_RELEASE_ORDER)
        ReferenceRelease(library.windowlessShared[index]);
    for (; library.directDrawUses > 0; --library.directDrawUses)
        DirectDrawRelease();
    ApartmentRelease();
    if (library.comInitialised) CoUninitialize();
    library.comInitialised = false;
}

intptr_t MovieLoad(ObjectNumber number, const char* fileName) {
    ObjectRegistry* registry = library.registry;
    auto* movie = static_cast<MovieObject*>(RegistryAllocate(registry, number));
    if (!movie) return 0;
    bool dynamic = number == ANY_NUMBER;
    if (dynamic) number = reinterpret_cast<ObjectNumber>(movie);
    // A name that does not fit is refused: cut short, it could name another file.
    WCHAR wideName[MOVIE_NAME_CHARS];
    GraphInterfaces built = {};
    bool loaded = fileName && MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, MOVIE_NAME_CHARS) &&
                  GraphBuildWithin(wideName, loadLimitMs, &built);
    // The wait dispatched messages, which may have reached the library: the slots may have moved
    // or been filled again, or the library may have ended. A dynamic record stays where it is.
    if (library.registry != registry) {
        GraphInterfacesRelease(&built);
        return 0;
    }
    if (!dynamic) movie = static_cast<MovieObject*>(RegistryAllocate(registry, number));
    if (!loaded || !movie) {
        GraphInterfacesRelease(&built);
        RegistryRelease(registry, number);
        return 0;
    }
    MovieFill(movie, number, built, fileName);
    return reinterpret_cast<intptr_t>(movie);
}

int32_t MovieFrameWidth(ObjectNumber number) {
    return MovieFrameSize(number, true);
}

int32_t MovieFrameHeight(ObjectNumber number) {
    return MovieFrameSize(number, false);
}

void MovieRewind(ObjectNumber number) {
    MovieObject* movie = MovieLookup(number);
    if (!movie || !movie->control || !movie->seeking) return;
    if (movie->windowless == WINDOWLESS_ON) {
        if (IMultiMediaStream* stream = movie->windowlessBlock.stream) {
            stream->Seek(library.windowlessStart);
            stream->SetState(STREAMSTATE_STOP);
        }
    } else {
        movie->control->Stop();
        LONGLONG start = 0;
        movie->seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                     AM_SEEKING_NoPositioning);
    }
    movie->state = MOVIE_READY;
}

// The one place where a movie's references are given back.
void MovieFree(ObjectNumber number) {
    MovieObject* movie = MovieLookup(number);
    if (!movie) return;
    MovieRewind(number);
    // The video window leaves its owner before the graph that made it goes.
    OAHWND owner = 0;
    if (movie->videoWindow && movie->videoWindow->get_Owner(&owner) == S_OK) {
        movie->videoWindow->put_Visible(OAFALSE);
        movie->videoWindow->put_Owner(0);
    }
    GraphInterfacesRelease(movie);
    if (movie->fileName) HeapFree(ProgramHeap, 0, movie->fileName);
    movie->fileName = nullptr;

    MovieWindowless& windowless = movie->windowlessBlock;
    if (windowless.stream) windowless.stream->SetState(STREAMSTATE_STOP);
    ReferenceRelease(windowless.stream);
    for (int index : WINDOWLESS_BLOCK_RELEASE_ORDER)
        ReferenceRelease(windowless.references[index]);
    memset(&windowless, 0, sizeof(windowless));

    RegistryRelease(library.registry, number);
}

int32_t MoviePlay(ObjectNumber number, HWND window) {
    MovieObject* movie = MovieLookup(number);
    if (!movie) return 0;
    MovieRewind(number);
    if (window == MOVIE_WINDOWLESS) {
        movie->windowless = WINDOWLESS_ON;
        if (IMultiMediaStream* stream = movie->windowlessBlock.stream) stream->SetState(STREAMSTATE_RUN);
    } else {
        auto owner = static_cast<OAHWND>(reinterpret_cast<intptr_t>(window));
        OAHWND current = 0;
        // Owner and style are set on the first start in a window and again only for another window.
        if (movie->videoWindow->get_Owner(&current) != S_OK || current != owner) {
            movie->videoWindow->put_Owner(owner);
            movie->videoWindow->put_WindowStyle(VIDEO_WINDOW_STYLE);
        }
        movie->videoWindow->put_Visible(OATRUE);
        // S_FALSE: the graph is still on its way to running.
        if (FAILED(movie->control->Run())) return 0;
        movie->windowless = WINDOWLESS_OFF;
    }
    movie->state = MOVIE_PLAYING;
    return 1;
}

void MovieStop(ObjectNumber number) {
    MovieObject* movie = MovieLookup(number);
    if (!movie || movie->state != MOVIE_PLAYING) return;
    if (movie->windowless == WINDOWLESS_ON) {
        if (IMultiMediaStream* stream = movie->windowlessBlock.stream) stream->SetState(STREAMSTATE_STOP);
    } else {
        // Pausing keeps the position and the picture in the window.
        movie->control->Pause();
    }
    movie->state = MOVIE_HALTED;
}

ObjectRegistry* MovieRegistry() {
    return library.registry;
}

void MovieLoadLimitSet(DWORD milliseconds) {
    loadLimitMs = milliseconds;
}
