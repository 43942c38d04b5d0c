// The movie thread, its request queue and the program's wait for an answer.
//
// Every wait is bounded. A request not answered in time gives the movie thread up: every request
// it holds fails, the movie whose graph it was calling goes with it (the number is free; the thread
// releases that graph if its call ever returns), a build in progress stays with it, and the next
// request starts a new thread. The registry, the request queue and the records are touched only
// under the library's lock, which nobody holds across a graph call or a wait; so a thread that is
// given up never touches them again.
#include "thread.h"

#include <objbase.h>

namespace {

// Paint messages dispatched per message COM reports during a wait: a window that never validates
// itself cannot keep the wait from seeing its answer.
constexpr int PAINTS_PER_WAKE = 16;

struct MovieThreads {
    bool lockReady = false;
    CRITICAL_SECTION lock = {};
    MovieThread* thread = nullptr; // null until the next request starts one
};
constinit MovieThreads threads;

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
        WaitForSingleObject(thread->wake, INFINITE);
    }
}

DWORD WINAPI MovieThreadRun(void* parameter) {
    auto* thread = static_cast<MovieThread*>(parameter);
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    MovieRequest work;
    while (RequestNext(thread, &work))
        RequestServe(thread, &work);
    if (com) CoUninitialize();
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

// ---- The program's thread ------------------------------------------------------------------------

// The program's thread while it waits. COM hands it every window message that is not one of its
// own (its own carry the calls into this apartment, and COM dispatches them itself): paint is
// dispatched here, messages sent by other threads are dispatched by the peeking itself, and
// PENDINGMSG_WAITNOPROCESS leaves everything else in the queue. The default answer,
// PENDINGMSG_WAITDEFPROCESS, may discard keyboard and mouse input; here input stays queued and is
// acted on by the program's own loop after the wait.
class WaitMessageFilter final : public IMessageFilter {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IMessageFilter ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
        return static_cast<DWORD>(-1); // cancel, as without a filter
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        MSG message;
        for (int paint = 0;
             paint < PAINTS_PER_WAKE && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT);
             ++paint)
            DispatchMessageA(&message);
        return PENDINGMSG_WAITNOPROCESS;
    }
};
WaitMessageFilter waitMessageFilter;

// Waits at most limitMs for handle in COM's modal loop (CoWaitForMultipleHandles in a
// single-threaded apartment), with the filter above deciding what else is dispatched meanwhile.
bool RequestAwait(HANDLE handle, DWORD limitMs) {
    IMessageFilter* previous = nullptr;
    bool filtered = CoRegisterMessageFilter(&waitMessageFilter, &previous) == S_OK;
    DWORD index = 0;
    HRESULT waited = CoWaitForMultipleHandles(0, limitMs, 1, &handle, &index);
    if (filtered) {
        CoRegisterMessageFilter(previous, nullptr);
        if (previous) previous->Release();
    }
    return waited == S_OK;
}

// Gives the thread up (under the lock): every request it holds fails, the movie it was calling
// leaves the registry without being released (the thread releases it if its call returns), and
// the next request starts a new thread.
void ThreadAbandon(MovieThread* thread) {
    thread->abandoned = true;
    MovieBorrowedAbandon(thread->borrowed);
    if (thread->current) RequestAnswerLocked(thread->current, 0);
    for (MovieRequest* request = thread->first; request; request = request->next)
        RequestAnswerLocked(request, 0);
    thread->first = thread->last = thread->current = nullptr;
    SetEvent(thread->wake);
    if (threads.thread == thread) threads.thread = nullptr;
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
    SetEvent(request->answer);
}

intptr_t RequestRun(MovieRequest* request, DWORD limitMs) {
    if (!threads.lockReady) return 0;
    ScopedHandle answer(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!answer) return 0;
    request->answer = answer;
    MovieThread* thread;
    {
        Locked lock;
        if (!threads.thread) threads.thread = MovieThreadStart();
        thread = threads.thread;
        if (!thread) return 0;
        InterlockedIncrement(&thread->holders);
        request->next = nullptr;
        if (thread->last)
            thread->last->next = request;
        else
            thread->first = request;
        thread->last = request;
        SetEvent(thread->wake);
    }
    bool inTime = RequestAwait(answer, limitMs);
    bool dropLibraryHold = false;
    {
        Locked lock;
        if (!inTime && !request->answered && !thread->abandoned) {
            dropLibraryHold = threads.thread == thread;
            ThreadAbandon(thread);
        }
    }
    if (dropLibraryHold) ThreadDrop(thread);
    ThreadDrop(thread);
    return request->result;
}

void MovieLockInit() {
    if (!threads.lockReady) InitializeCriticalSection(&threads.lock);
    threads.lockReady = true;
}

void MovieThreadsStart() {
    Locked lock;
    if (!threads.thread) threads.thread = MovieThreadStart();
}

void MovieThreadsEnd() {
    MovieThread* thread = threads.thread;
    if (!thread) return;
    InterlockedIncrement(&thread->holders);
    MovieRequest request = {.kind = RequestKind::END};
    bool ended = RequestRun(&request, MOVIE_REQUEST_LIMIT_MS) != 0;
    // The thread leaves the apartment before the program's thread does.
    if (ended) RequestAwait(thread->handle, MOVIE_REQUEST_LIMIT_MS);
    bool ours;
    {
        Locked lock;
        ours = threads.thread == thread;
        threads.thread = nullptr;
    }
    if (ours) ThreadDrop(thread);
    ThreadDrop(thread);
}
