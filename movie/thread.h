// The movie thread, its request queue and the program's wait for an answer (thread.cpp), and what
// the graph code (movie.cpp) gives them. The thread machinery knows nothing of graphs: it hands
// every request to RequestServe and tells the graph code which movie a given-up thread borrowed.
#pragma once

#include "movie_internal.h"

constexpr ObjectNumber NO_MOVIE = ANY_NUMBER;
// Wide characters of a file name, terminator included.
constexpr int MOVIE_NAME_CHARS = 260;

enum class RequestKind { LOAD, FREE, REWIND, PLAY, STOP, WIDTH, HEIGHT, CALL, END };

struct MovieThread;

// One request of the program's thread. It lives on the requester's stack; the movie thread works
// on its own copy and touches the original only under the lock while the requester still waits.
struct MovieRequest {
    RequestKind kind = RequestKind::CALL;
    ObjectNumber number = NO_MOVIE;
    HWND window = nullptr;
    MovieThreadFunction function = nullptr;
    void* context = nullptr;
    char* fileName = nullptr; // the requester's until the thread hands it to the new record
    bool named = false;       // the name fitted the wide buffer
    WCHAR wideName[MOVIE_NAME_CHARS] = {};
    DWORD deadline = 0;            // tick count at which the request fails unanswered
    MovieThread* thread = nullptr; // the thread it is queued on; its requester holds it
    intptr_t result = 0;
    bool answered = false;
    HANDLE answer = nullptr; // set when answered
    MovieRequest* next = nullptr;
};

// A movie thread. Both the library and the thread hold it; the last to let go frees it. It lives in
// the process heap: a thread given up may return after the program heap is gone.
struct MovieThread {
    LONG holders;
    HANDLE handle;
    HANDLE wake; // a request was queued, or the thread was given up
    MovieRequest* first;
    MovieRequest* last;
    MovieRequest* current;
    ObjectNumber borrowed; // the movie whose interfaces the current request calls, or NO_MOVIE
    bool abandoned;
    bool ending;
};

// The library's lock: the registry, the request queue and the records are touched only under it,
// and nobody holds it across a graph call or a wait.
void LockEnter();
void LockLeave();
class Locked {
  public:
    Locked() { LockEnter(); }
    ~Locked() { LockLeave(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// ---- thread.cpp ----------------------------------------------------------------------------------

// Makes the lock, once.
void MovieLockInit();
// Starts the movie thread unless one runs.
void MovieThreadsStart();
// Ends the movie thread with an end request, which releases every movie, and waits for it to leave
// the apartment; after a give-up a new thread serves the end.
void MovieThreadsEnd();
void RequestAnswerLocked(MovieRequest* request, intptr_t result);
// Runs request on the movie thread and waits at most limitMs; its result, or 0. With served, the
// thread that served it (or null) is handed to the caller still held.
intptr_t RequestRun(MovieRequest* request, DWORD limitMs, MovieThread** served = nullptr);

// ---- prepare.cpp ---------------------------------------------------------------------------------
// All under the lock but PreparationStepRun.

// On the program's thread. The thread that MovieInit starts prepares from the first step once the
// program's thread waits for the user; a stop keeps it from beginning or going on.
void PreparationBegin(MovieThread* thread);
void PreparationStop();
// A request was queued on thread: its preparation ends, and the step under way goes on at normal
// priority.
void PreparationEnd(MovieThread* thread);
// On the movie thread: runs its next step, served as a request with the deadline of one, when it
// prepares and no request is queued; false when it ran none.
bool PreparationStepRun(MovieThread* thread);

// ---- movie.cpp -----------------------------------------------------------------------------------

// Serves one request on the movie thread and answers it.
void RequestServe(MovieThread* thread, MovieRequest* work);
// Under the lock, when a thread is given up: the movie it borrowed leaves the registry unreleased.
void MovieBorrowedAbandon(ObjectNumber number);
