// Movies: a filter graph per numbered object, built by rendering a file and kept with the graph
// interfaces playback needs, and the start and halt of playback in a window.
#include "movie.h"

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
};
MovieLibrary library;

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

// Fills the zeroed record of number from fileName. On failure the record keeps whatever it
// obtained, for MovieFree to release.
bool MovieBuild(MovieObject* movie, ObjectNumber number, const char* fileName) {
    if (!fileName) return false;
    // A name that does not fit is refused: cut short, it could name another file.
    WCHAR wideName[MOVIE_NAME_CHARS];
    if (!MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, MOVIE_NAME_CHARS)) return false;
    if (CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&movie->graph)) != S_OK)
        return false;
    // Success codes such as VFW_S_PARTIAL_RENDER mean a stream could not be rendered.
    if (movie->graph->RenderFile(wideName, nullptr) != S_OK) return false;

    IGraphBuilder* graph = movie->graph;
    bool complete = GraphQuery(graph, IID_IMediaControl, &movie->control);
    complete &= GraphQuery(graph, IID_IMediaEventEx, &movie->events);
    complete &= GraphQuery(graph, IID_IMediaSeeking, &movie->seeking);
    complete &= GraphQuery(graph, IID_IVideoWindow, &movie->videoWindow);
    complete &= GraphQuery(graph, IID_IBasicVideo, &movie->video);
    GraphQuery(graph, IID_IBasicAudio, &movie->audio);
    if (!complete) return false;

    // Refused for files without video; the only position ever set is 0, the start in any format.
    movie->seeking->SetTimeFormat(&TIME_FORMAT_FRAME);
    movie->state = MOVIE_READY;
    movie->fileName = FileNameCopy(fileName);
    int32_t width = MovieFrameWidth(number);
    int32_t height = MovieFrameHeight(number);
    movie->videoWindow->SetWindowPosition(0, 0, width, height);
    return true;
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
    return directDraw;
}

void MovieEnd() {
    if (!library.started) return;
    if (library.registry) {
        RegistryEnumStart(library.registry);
        ObjectNumber number;
        while (RegistryEnumNext(library.registry, &number))
            MovieFree(number);
    }
    for (int index : WINDOWLESS_SHARED_RELEASE_ORDER)
        ReferenceRelease(library.windowlessShared[index]);
    for (; library.directDrawUses > 0; --library.directDrawUses)
        DirectDrawRelease();
    if (library.comInitialised) CoUninitialize();
    library.comInitialised = false;
}

intptr_t MovieLoad(ObjectNumber number, const char* fileName) {
    auto* movie = static_cast<MovieObject*>(RegistryAllocate(library.registry, number));
    if (!movie) return 0;
    if (number == ANY_NUMBER) number = reinterpret_cast<ObjectNumber>(movie);
    if (MovieBuild(movie, number, fileName)) return reinterpret_cast<intptr_t>(movie);
    if (movie->graph)
        MovieFree(number);
    else
        RegistryRelease(library.registry, number);
    return 0;
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
    ReferenceRelease(movie->graph);
    ReferenceRelease(movie->control);
    ReferenceRelease(movie->events);
    ReferenceRelease(movie->videoWindow);
    ReferenceRelease(movie->audio);
    ReferenceRelease(movie->video);
    ReferenceRelease(movie->seeking);
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
        movie->control->Run();
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
