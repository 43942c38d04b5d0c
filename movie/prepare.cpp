// The preparation: while the user picks a file, the movie thread that MovieInit starts creates and
// releases, one step at a time, the objects every load needs, so that the one-time work of the
// process (loading the filter graph manager's libraries, starting the renderers and the decoder
// framework) is done before the first load asks for it. Nothing is rendered and nothing is kept:
// each step releases what it created before the next begins.
//
// The first step waits until the program's thread has nothing else to do, so that the open dialog
// is on the screen before anything is prepared; the steps then run below normal priority, so that
// the dialog answers the user first. A step runs only while no request is queued and is served as
// a request of the thread's own, with the deadline of a request: a request queued meanwhile ends
// the preparation, gives the step under way the normal priority back and is served when that step
// ends (a load does whatever work was left itself). A step that passes its deadline gives the
// thread up like any request, and the requests queued behind it go to the new thread.
#include "thread.h"

#include <dshow.h>

namespace {

constexpr int PREPARING_PRIORITY = THREAD_PRIORITY_BELOW_NORMAL;

// Creates an object of the class in the movie thread's apartment and releases it at once.
template <const CLSID* Class> void ClassPrepare() {
    IUnknown* object = nullptr;
    if (CoCreateInstance(*Class, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                         reinterpret_cast<void**>(&object)) == S_OK)
        object->Release();
}

// The search a build makes first, for a filter that reads the file source's byte stream: it reads
// every registered filter's entry. Each candidate is read and released, none is created.
void MapperSearch() {
    ScopedCom<IFilterMapper2> mapper;
    ScopedCom<IEnumMoniker> candidates;
    const GUID streamType[2] = {MEDIATYPE_Stream, GUID_NULL};
    if (CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                         reinterpret_cast<void**>(mapper.Out())) != S_OK ||
        mapper.Get()->EnumMatchingFilters(candidates.Out(), 0, TRUE, MERIT_DO_NOT_USE + 1, TRUE, 1,
                                          streamType, nullptr, nullptr, FALSE, FALSE, 0, nullptr, nullptr,
                                          nullptr) != S_OK)
        return;
    for (IMoniker* candidate; candidates.Get()->Next(1, &candidate, nullptr) == S_OK;)
        candidate->Release();
}

} // namespace

// What every load creates, the most costly first: the filter graph manager, the file source, the
// renderers, the filter mapper's search for the file source's reader, the parsers that a file
// meets first and the clock of a graph without sound.
const MoviePrepareStep MOVIE_PREPARE_STEPS[MOVIE_PREPARE_STEP_COUNT] = {
    ClassPrepare<&CLSID_FilterGraph>,
    ClassPrepare<&CLSID_AsyncReader>,
    ClassPrepare<&CLSID_VideoRenderer>,
    ClassPrepare<&CLSID_DSoundRender>,
    MapperSearch,
    ClassPrepare<&CLSID_AviSplitter>,
    ClassPrepare<&CLSID_AVIDec>,
    ClassPrepare<&CLSID_SystemClock>,
};

namespace {

struct MoviePreparation {
    const MoviePrepareStep* steps = MOVIE_PREPARE_STEPS;
    int32_t count = MOVIE_PREPARE_STEP_COUNT;
    MovieThread* thread = nullptr; // the thread that prepares, null when none does
    UINT_PTR timer = 0;            // the program's thread's timer that lets it begin, 0 once fired
    int32_t next = 0;              // index of its next step
};
constinit MoviePreparation preparation;

// The program's thread retrieves a timer message only when nothing is sent, posted, input or to
// be painted (the order in which GetMessage and PeekMessage hand messages out): so this runs once
// the open dialog is on the screen and waits for the user, and the preparation never competes
// with the dialog's own start.
void CALLBACK PreparationAllow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Locked lock;
    if (preparation.timer != timer) return;
    preparation.timer = 0;
    if (preparation.thread) SetEvent(preparation.thread->wake);
}

} // namespace

void MoviePreparationSet(const MoviePrepareStep* steps, int32_t count) {
    preparation.steps = steps;
    preparation.count = count;
}

void PreparationBegin(MovieThread* thread) {
    preparation.next = 0;
    preparation.timer = preparation.count ? SetTimer(nullptr, 0, USER_TIMER_MINIMUM, PreparationAllow) : 0;
    preparation.thread = preparation.timer ? thread : nullptr;
}

void PreparationStop() {
    if (preparation.timer) KillTimer(nullptr, preparation.timer);
    preparation.timer = 0;
    if (preparation.thread) PreparationEnd(preparation.thread);
}

void PreparationEnd(MovieThread* thread) {
    if (preparation.thread != thread) return;
    preparation.thread = nullptr;
    // The step under way, if any, goes on at the requester's priority.
    SetThreadPriority(thread->handle, THREAD_PRIORITY_NORMAL);
}

bool PreparationStepRun(MovieThread* thread) {
    MovieRequest step = {};
    MoviePrepareStep run;
    {
        Locked lock;
        if (preparation.thread != thread || preparation.timer || thread->abandoned || thread->ending ||
            thread->first)
            return false;
        if (preparation.next >= preparation.count) {
            preparation.thread = nullptr;
            return false;
        }
        run = preparation.steps[preparation.next++];
        step.deadline = GetTickCount() + MOVIE_REQUEST_LIMIT_MS;
        thread->current = &step;
        // Lowered under the lock, so that a requester's raise cannot come before it.
        SetThreadPriority(GetCurrentThread(), PREPARING_PRIORITY);
    }
    run();
    Locked lock;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    if (thread->current == &step) thread->current = nullptr;
    return true;
}
