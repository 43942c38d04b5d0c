// The movie thread, its request queue and the program's wait for an answer.
//
// Every request carries its own deadline, and every wait is bounded by it. A request still queued
// when its time runs out is taken out of the queue and fails; the thread goes on with the others.
// Only when the request the thread is serving has passed its own deadline is the thread given up:
// every request it holds fails, the movie whose graph it was calling goes with it (the number is
// free; the thread releases that graph if its call ever returns), a build in progress stays with
// it, and a new thread takes over the other movies. Any waiter applies these rules, also one whose
// wait is nested inside another's (a paint handler asking for a frame size during a load): the
// deadlines of the queue, not the order of the waits, decide. The registry, the request queue and
// the records are touched only under the library's lock, which nobody holds across a graph call or
// a wait; so a thread that is given up never touches them again.
//
// The apartment. COM's rule for the multithreaded apartment (MTA) is that it exists while at least
// one thread is in it: CoInitializeEx(COINIT_MULTITHREADED) makes a thread a member, its last
// CoUninitialize takes it out, and when the last member leaves the apartment ends with every
// object obtained in it. The graphs of the registry live in the MTA, so while any is held some movie
// thread must be a member. A live thread leaves only after the end request has released every
// graph. A given-up thread, once its call returns, leaves only after the thread that replaced it
// has entered (or the library ended); the replacement starts when the thread is given up. This
// holds on every Windows version, unlike a count kept with CoIncrementMTAUsage (Windows 8 and
// later).
#include "thread.h"

#include <objbase.h>

namespace {

// The wait looks at its message queue at least this often. A window whose thread has not looked
// at its queue for 5 seconds counts as not responding (IsHungAppWindow), and the system then
// replaces it by a ghost window; a wait that looks every second keeps a 10 second load responsive.
constexpr DWORD QUEUE_LOOK_MS = 1000;
// A request that takes longer than this shows the wait cursor; a load shows it at once.
constexpr DWORD MOMENT_MS = 250;
// Messages dispatched per wake: a window that never validates itself cannot keep the wait from
// seeing its answer or its deadline.
constexpr int MESSAGES_PER_WAKE = 16;
// What the wait dispatches: messages sent by other threads, paint, and posted messages (COM's
// calls into this apartment arrive as messages posted to its window), timers included. Keyboard
// and mouse input is not among these queue types, so PeekMessage never removes it: it stays queued
// for the program's own loop after the wait, in the order it was made.
constexpr DWORD WAIT_WAKE_MASK = QS_SENDMESSAGE | QS_PAINT | QS_POSTMESSAGE | QS_TIMER;
constexpr UINT WAIT_PEEK_FLAGS = PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT | PM_QS_POSTMESSAGE;

struct MovieThreads {
    bool lockReady = false;
    CRITICAL_SECTION lock = {};
    MovieThread* thread = nullptr; // the live thread, null until one is started
    // Set while the live thread is in the MTA, or once the library holds no graph any more; a
    // given-up thread waits for it before it leaves the apartment.
    HANDLE apartmentKept = nullptr;
    int32_t abandonedRunning = 0; // given-up threads that have not ended
};
constinit MovieThreads threads;

// What a wait took out of the queue that belongs to the program's own loop.
struct WaitMessages {
    bool quit;
    WPARAM quitCode;
};

void ThreadDrop(MovieThread* thread) {
    if (InterlockedDecrement(&thread->holders) != 0) return;
    CloseHandle(thread->wake);
    CloseHandle(thread->handle);
    HeapFree(GetProcessHeap(), 0, thread);
}

// Copies the next request into *work; false when the thread is to end.
bool RequestNext(MovieThread* thread, MovieRequest* work) {
    for (;;) {
        {
            Locked lock;
            if (thread->abandoned) return false;
            if (thread->ending) {
                // Nothing is served after the end.
                for (MovieRequest* request = thread->first; request; request = request->next)
                    RequestAnswerLocked(request, 0);
                thread->first = thread->last = nullptr;
                return false;
            }
            if (MovieRequest* request = thread->first) {
                thread->first = request->next;
                if (!thread->first) thread->last = nullptr;
                thread->current = request;
                *work = *request;
                return true;
            }
        }
        if (!PreparationStepRun(thread)) WaitForSingleObject(thread->wake, INFINITE);
    }
}

DWORD WINAPI MovieThreadRun(void* parameter) {
    auto* thread = static_cast<MovieThread*>(parameter);
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    if (com) {
        Locked lock;
        if (!thread->abandoned) SetEvent(threads.apartmentKept);
    }
    MovieRequest work;
    while (RequestNext(thread, &work))
        RequestServe(thread, &work);
    bool abandoned;
    {
        Locked lock;
        abandoned = thread->abandoned;
    }
    if (abandoned) WaitForSingleObject(threads.apartmentKept, INFINITE);
    if (com) CoUninitialize();
    if (abandoned) {
        Locked lock;
        --threads.abandonedRunning;
    }
    ThreadDrop(thread);
    return 0;
}

MovieThread* MovieThreadStart() {
    auto* thread =
        static_cast<MovieThread*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(MovieThread)));
    if (!thread) return nullptr;
    thread->holders = 2;
    thread->borrowed = NO_MOVIE;
    thread->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread->handle = thread->wake ? CreateThread(nullptr, 0, MovieThreadRun, thread, 0, nullptr) : nullptr;
    if (!thread->handle) {
        if (thread->wake) CloseHandle(thread->wake);
        HeapFree(GetProcessHeap(), 0, thread);
        return nullptr;
    }
    return thread;
}

// Under the lock: the live thread, started when there is none, held once more for the caller.
MovieThread* ThreadHoldLocked() {
    if (!threads.thread) threads.thread = MovieThreadStart();
    if (threads.thread) InterlockedIncrement(&threads.thread->holders);
    return threads.thread;
}

// Under the lock: the library lets the live thread go.
void ThreadReleaseLocked() {
    if (MovieThread* thread = threads.thread) {
        threads.thread = nullptr;
        ThreadDrop(thread);
    }
}

// Under the lock: appends request to thread's queue. The requester holds thread.
void RequestQueueLocked(MovieThread* thread, MovieRequest* request) {
    request->thread = thread;
    request->next = nullptr;
    if (thread->last)
        thread->last->next = request;
    else
        thread->first = request;
    thread->last = request;
    PreparationEnd(thread);
    SetEvent(thread->wake);
}

// Gives the thread up (under the lock): the request it serves fails, the movie it was calling
// leaves the registry without being released (the thread releases it if its call returns), and a
// new thread takes over at once, so that a member of the apartment holds the other movies' graphs.
// The requests queued behind have not begun and keep their own deadlines: the new thread serves
// them (they fail when none could be started).
void ThreadAbandon(MovieThread* thread) {
    thread->abandoned = true;
    ++threads.abandonedRunning;
    MovieBorrowedAbandon(thread->borrowed);
    if (thread->current) RequestAnswerLocked(thread->current, 0);
    MovieRequest* queued = thread->first;
    thread->first = thread->last = thread->current = nullptr;
    SetEvent(thread->wake);
    MovieThread* successor = nullptr;
    if (threads.thread == thread) {
        ThreadReleaseLocked();
        ResetEvent(threads.apartmentKept);
        successor = threads.thread = MovieThreadStart();
    }
    while (MovieRequest* request = queued) {
        queued = request->next;
        if (!successor) {
            RequestAnswerLocked(request, 0);
            continue;
        }
        // The requester's hold moves along; the given-up thread still holds itself, so the count
        // cannot reach 0 here.
        InterlockedIncrement(&successor->holders);
        InterlockedDecrement(&thread->holders);
        RequestQueueLocked(successor, request);
    }
}

// Milliseconds left until deadline, 0 when it has passed.
DWORD TimeLeft(DWORD deadline, DWORD now) {
    auto left = static_cast<LONG>(deadline - now);
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// Under the lock: fails every queued request whose time has run out and gives the thread up when
// the request it serves has run out of its own. The milliseconds until the next deadline.
DWORD DeadlinesApply(MovieThread* thread) {
    if (thread->abandoned) return 0;
    DWORD now = GetTickCount();
    DWORD next = QUEUE_LOOK_MS;
    if (MovieRequest* current = thread->current) {
        DWORD left = TimeLeft(current->deadline, now);
        if (left == 0) {
            ThreadAbandon(thread);
            return 0;
        }
        next = left < next ? left : next;
    }
    MovieRequest* previous = nullptr;
    for (MovieRequest* request = thread->first; request;) {
        MovieRequest* following = request->next;
        DWORD left = TimeLeft(request->deadline, now);
        if (left > 0) {
            next = left < next ? left : next;
            previous = request;
        } else {
            (previous ? previous->next : thread->first) = following;
            if (thread->last == request) thread->last = previous;
            RequestAnswerLocked(request, 0);
        }
        request = following;
    }
    return next;
}

// Dispatches what WAIT_PEEK_FLAGS takes, then waits at most milliseconds for handle or another
// such message; true when handle is signalled. A quit message is kept for the program's loop.
bool MessagesServe(HANDLE handle, DWORD milliseconds, WaitMessages* kept) {
    MSG message;
    for (int count = 0; count < MESSAGES_PER_WAKE && PeekMessageA(&message, nullptr, 0, 0, WAIT_PEEK_FLAGS);
         ++count) {
        if (message.message == WM_QUIT) {
            kept->quit = true;
            kept->quitCode = message.wParam;
        } else {
            DispatchMessageA(&message);
        }
    }
    return MsgWaitForMultipleObjectsEx(1, &handle, milliseconds, WAIT_WAKE_MASK, 0) == WAIT_OBJECT_0;
}

void MessagesGiveBack(const WaitMessages& kept) {
    if (kept.quit) PostQuitMessage(static_cast<int>(kept.quitCode));
}

// Waits at most limitMs for handle, serving messages as a request's wait does.
bool HandleAwait(HANDLE handle, DWORD limitMs) {
    WaitMessages kept = {};
    DWORD deadline = GetTickCount() + limitMs;
    bool signalled = false;
    for (DWORD left = limitMs; !signalled && left > 0; left = TimeLeft(deadline, GetTickCount()))
        signalled = MessagesServe(handle, left < QUEUE_LOOK_MS ? left : QUEUE_LOOK_MS, &kept);
    MessagesGiveBack(kept);
    return signalled;
}

// The wait cursor over the program's windows. Nothing during the wait takes mouse input, so no
// WM_SETCURSOR replaces it before the wait ends and gives back the cursor it found.
struct WaitCursor {
    bool shown;
    HCURSOR previous;
};

void WaitCursorShow(WaitCursor* cursor) {
    cursor->previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    cursor->shown = true;
}

void WaitCursorHide(const WaitCursor& cursor) {
    if (cursor.shown) SetCursor(cursor.previous ? cursor.previous : LoadCursorA(nullptr, IDC_ARROW));
}

// Waits until request is answered, applying the deadlines of the requests of the thread it is
// queued on meanwhile (a give-up moves it to the new thread).
void RequestAwait(MovieRequest* request) {
    WaitCursor cursor = {};
    if (request->kind == RequestKind::LOAD) WaitCursorShow(&cursor);
    WaitMessages kept = {};
    DWORD begin = GetTickCount();
    for (;;) {
        DWORD sliceMs;
        {
            Locked lock;
            sliceMs = DeadlinesApply(request->thread);
            if (request->answered) break;
        }
        DWORD waited = GetTickCount() - begin;
        if (!cursor.shown && waited >= MOMENT_MS) WaitCursorShow(&cursor);
        if (!cursor.shown && MOMENT_MS - waited < sliceMs) sliceMs = MOMENT_MS - waited;
        MessagesServe(request->answer, sliceMs, &kept);
    }
    WaitCursorHide(cursor);
    MessagesGiveBack(kept);
}

} // namespace

void LockEnter() {
    EnterCriticalSection(&threads.lock);
}

void LockLeave() {
    LeaveCriticalSection(&threads.lock);
}

void RequestAnswerLocked(MovieRequest* request, intptr_t result) {
    request->result = result;
    request->answered = true;
    if (request->answer) SetEvent(request->answer); // a preparation step has no requester
}

intptr_t RequestRun(MovieRequest* request, DWORD limitMs, MovieThread** served) {
    if (!threads.lockReady) return 0;
    ScopedHandle answer(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!answer) return 0;
    request->answer = answer;
    {
        Locked lock;
        MovieThread* thread = ThreadHoldLocked();
        if (!thread) return 0;
        request->deadline = GetTickCount() + limitMs;
        RequestQueueLocked(thread, request);
    }
    RequestAwait(request);
    if (served)
        *served = request->thread;
    else
        ThreadDrop(request->thread);
    return request->result;
}

void MovieLockInit() {
    if (threads.lockReady) return;
    InitializeCriticalSection(&threads.lock);
    threads.apartmentKept = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    threads.lockReady = true;
}

void MovieThreadsStart() {
    Locked lock;
    if (threads.thread) return;
    threads.thread = MovieThreadStart();
    if (threads.thread) PreparationBegin(threads.thread);
}

void MovieThreadsEnd() {
    if (!threads.lockReady) return;
    {
        Locked lock;
        PreparationStop();
    }
    // Also after a give-up: the thread that took over stops, rewinds and releases every movie.
    MovieRequest request = {.kind = RequestKind::END};
    MovieThread* thread = nullptr; // the thread that served the end
    // It leaves the apartment before the program's thread does.
    if (RequestRun(&request, MOVIE_REQUEST_LIMIT_MS, &thread) != 0)
        HandleAwait(thread->handle, MOVIE_REQUEST_LIMIT_MS);
    Locked lock;
    // A thread that took over from one given up during the end has nothing left to serve.
    if (threads.thread && threads.thread != thread) {
        threads.thread->ending = true;
        SetEvent(threads.thread->wake);
    }
    ThreadReleaseLocked();
    SetEvent(threads.apartmentKept); // no graph is held any more
    if (thread) ThreadDrop(thread);
}

bool MovieThreadStuck() {
    if (!threads.lockReady) return false;
    Locked lock;
    return threads.abandonedRunning > 0;
}

void MovieProcessExit(UINT exitCode) {
    // ExitProcess ends the other threads wherever they are and then runs every library's detach
    // code, which deadlocks when an ended thread held a lock that code takes. A given-up thread may
    // hold any lock, so while one has not ended the process ends without it.
    if (MovieThreadStuck()) TerminateProcess(GetCurrentProcess(), exitCode);
    ExitProcess(exitCode);
}
