// The movie library on real files, windows and pixels, and the DirectDraw probe with DDRAW.DLL and
// (in a CTest entry of its own) without it. Graph pointers are used only on the movie thread, as
// COM requires: the checks that read a graph run there through MovieThreadCall.
#include <gtest/gtest.h>

#include <dshow.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <utility>
#include <thread>
#include <vector>

#include "movie_internal.h"
#include "test_support.h"

namespace {

constexpr int MOVIE_NAME_LIMIT = 259; // characters of a name, without its terminator
constexpr DWORD ABANDON_SLACK_MS = 1000;
constexpr DWORD ANSWER_AT_ONCE_MS = 1000;   // far below the request limit
constexpr uint32_t SOLID_COLOUR = 0x2060C0; // solid.avi, 160x120
constexpr int32_t SOLID_WIDTH = 160;
constexpr uint32_t WINDOW_BACKGROUND = 0xFFFFFF;
constexpr int TOLERANCE = 24;           // per colour channel
constexpr double RESTART_SECONDS = 0.5; // a restarted movie is read well before this
constexpr char PIPE_NAME[] = "\\\\.\\pipe\\vornak-movie-test";
constexpr DWORD EARLY_MS = 80; // into a wait, before the wait cursor of a request that is not a load
constexpr DWORD LATE_MS = 700; // into a wait, after every wait cursor

intptr_t Load(ObjectNumber number, const char* media) {
    return MovieLoad(number, MediaPath(media).c_str());
}

// Runs body on the movie thread; false when it was not answered within the request limit.
template <typename Body> bool OnMovieThread(Body body) {
    return MovieThreadCall([](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

// Runs body in the multithreaded apartment on a thread of its own, for references that outlive the
// movie thread. Messages are dispatched meanwhile: releasing a graph may send some to this thread.
template <typename Body> void InMultithreadedApartment(Body body) {
    std::atomic<bool> done = false;
    std::thread helper([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        body();
        CoUninitialize();
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    helper.join();
}

// The graph of number; only for code that runs on the movie thread.
MovieGraph& Graph(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(MovieRegistry(), number))->graph;
}

OAFilterState GraphState(ObjectNumber number) {
    OAFilterState state = -1;
    OnMovieThread([&] { Graph(number).control->GetState(INFINITE, &state); });
    return state;
}

// Seconds from the start: frames last 1/25 s in every generated film.
double GraphPositionSeconds(ObjectNumber number) {
    LONGLONG position = -1;
    GUID format = TIME_FORMAT_MEDIA_TIME;
    OnMovieThread([&] {
        Graph(number).seeking->GetCurrentPosition(&position);
        Graph(number).seeking->GetTimeFormat(&format);
    });
    return double(position) / (format == TIME_FORMAT_FRAME ? 25 : 1e7);
}

// Holds one more reference to the movie's graph, to see whether the library gives its own back.
IGraphBuilder* GraphHold(ObjectNumber number) {
    IGraphBuilder* builder = nullptr;
    OnMovieThread([&] {
        builder = Graph(number).builder;
        builder->AddRef();
    });
    return builder;
}

// Gives the held reference back in the multithreaded apartment (the position read first when asked).
ULONG GraphLetGo(IGraphBuilder* builder, LONGLONG* position = nullptr) {
    ULONG left = ~0u;
    InMultithreadedApartment([&] {
        if (ScopedCom<IMediaSeeking> seeking;
            position &&
            builder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking.Out())) == S_OK)
            seeking.Get()->GetCurrentPosition(position);
        left = builder->Release();
    });
    return left;
}

BOOL CALLBACK WindowCount(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// A named pipe that the test never writes to: opening it to read the media never completes.
ScopedHandle PipeWithoutWriter() {
    return ScopedHandle(CreateNamedPipeA(PIPE_NAME, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                                         PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr));
}

// Records the keys and clicks the window acts on, and runs paintAction on its next WM_PAINT.
WNDPROC testProcedure;
std::function<void()> paintAction;
std::vector<UINT> inputActedOn;
LRESULT CALLBACK Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_LBUTTONDOWN) inputActedOn.push_back(message);
    if (message == WM_PAINT && paintAction) std::exchange(paintAction, nullptr)();
    return CallWindowProcA(testProcedure, window, message, wParam, lParam);
}

void PaintActionSet(HWND window, std::function<void()> action) {
    paintAction = std::move(action);
    InvalidateRect(window, nullptr, TRUE);
}

DWORD MovieThreadId() {
    DWORD id = 0;
    OnMovieThread([&] { id = GetCurrentThreadId(); });
    return id;
}

HCURSOR CursorShown() {
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    GetCursorInfo(&info);
    return info.hCursor;
}

void Click() {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    EXPECT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
}

// Makes one method of a graph interface wait for release first, by giving the object a copy of its
// method table: nothing in the platform hangs on demand in a graph that was built. Args are the
// method's arguments after the object.
enum HangingMethod { // places in the method tables, after IUnknown's 3 and IDispatch's 4
    CONTROL_RUN = 7,
    CONTROL_PAUSE = 8,
    CONTROL_METHODS = 16,
    VIDEO_WIDTH = 10,
    VIDEO_METHODS = 39,
    METHODS_MOST = VIDEO_METHODS
};
template <typename... Args> struct Hanging {
    static inline void* table[METHODS_MOST];
    static inline HRESULT(STDMETHODCALLTYPE* original)(void* self, Args...);
    static inline HANDLE release;
    static HRESULT STDMETHODCALLTYPE Call(void* self, Args... args) {
        WaitForSingleObject(release, INFINITE);
        return original(self, args...);
    }
};
template <typename... Args> void MethodHang(void* object, HangingMethod method, int methods, HANDLE release) {
    using Hang = Hanging<Args...>;
    void**& table = *static_cast<void***>(object);
    std::copy(table, table + methods, Hang::table);
    Hang::original = reinterpret_cast<decltype(Hang::original)>(table[method]);
    Hang::table[method] = reinterpret_cast<void*>(Hang::Call);
    Hang::release = release;
    table = Hang::table;
}

// An object of the program's apartment, called from the movie thread through COM's marshalling.
class ApartmentObject final : public IPersist {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IPersist ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        answeredOn = GetCurrentThreadId();
        *id = CLSID_FilterGraph;
        return S_OK;
    }
    DWORD answeredOn = 0;
};

class Movies : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        ASSERT_NE(MovieInit(), nullptr);
        window = TestWindowOpen("Player", 320, 240);
        testProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recording)));
    }
    void TearDown() override {
        MovieLoadLimitSet(MOVIE_LOAD_LIMIT_MS);
        MovieEnd();
        DestroyWindow(window);
    }
    HWND window = nullptr;
};

} // namespace

TEST_F(Movies, FilmTypesLoadWithTheirFrameSize) {
    const struct {
        const char* file;
        long width, height;
    } films[] = {{"film-mjpeg.avi", 176, 144}, {"film-raw.avi", 160, 120},    {"film.mpg", 352, 288},
                 {"film.wmv", 320, 176},       {"film.asf", 240, 160},        {"film.mp4", 256, 192},
                 {"film-sound.avi", 192, 144}, {"Gr\366\337e.avi", 176, 144}, // umlauts in the ANSI code page
                 {"smoke.wav", -1, -1},        {"tone.mp3", -1, -1},          {"tone.wma", -1, -1}};
    for (const auto& film : films) {
        SCOPED_TRACE(film.file);
        ASSERT_NE(Load(0, film.file), 0);
        EXPECT_EQ(MovieFrameWidth(0), film.width);
        EXPECT_EQ(MovieFrameHeight(0), film.height);
    }
}

TEST_F(Movies, FailedLoadsLeaveTheNumberFreeAndNothingBehind) {
    std::string directory = MediaPath("");
    std::string fitting = directory + std::string(MOVIE_NAME_LIMIT - directory.size() - 4, 'n') + ".avi";
    ASSERT_TRUE(CopyFileA(MediaPath("film-mjpeg.avi").c_str(), fitting.c_str(), FALSE));
    std::vector<std::string> names = {fitting + "x"}; // cut to the buffer, it would name the file above
    for (const char* file :
         {"partial.mp4", "empty.avi", "truncated.wav", "text.avi", "noise.avi", "missing.avi"})
        names.push_back(MediaPath(file));
    int heapBlocks = ProgramHeapBlocks();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(MovieLoad(3, name.c_str()), 0);
        EXPECT_EQ(MovieFrameWidth(3), 0);
        EXPECT_EQ(MovieLoad(ANY_NUMBER, name.c_str()), 0);
    }
    EXPECT_EQ(MovieLoad(ANY_NUMBER, nullptr) + MovieLoad(3, nullptr), 0);
    DynamicObjectNode* dynamic = nullptr;
    OnMovieThread([&] { dynamic = MovieRegistry()->dynamicHead; });
    EXPECT_EQ(dynamic, nullptr) << "a failed load left a dynamic record behind";
    EXPECT_EQ(ProgramHeapBlocks(), heapBlocks) << "a failed load left a file name copy behind";
    EXPECT_NE(MovieLoad(3, fitting.c_str()), 0) << "a name of " << MOVIE_NAME_LIMIT << " characters fits";
    MovieFree(3);
    DeleteFileA(fitting.c_str());
}

// Messages dispatched while a load waits may load another movie and move the slots.
TEST_F(Movies, LoadStartedWhileALoadWaitsLeavesBothMovies) {
    uint8_t* slots = MovieRegistry()->slots;
    void* pin = HeapAlloc(ProgramHeap, 0, 16); // a block after the slots keeps them from growing in place
    PaintActionSet(window, [] { Load(1000, "film.mpg"); });
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0);
    ASSERT_NE(MovieRegistry()->slots, slots) << "the slots did not move";
    EXPECT_EQ(MovieFrameWidth(0), 176);
    EXPECT_EQ(MovieFrameWidth(1000), 352);
    HeapFree(ProgramHeap, 0, pin);
}

// While a request waits, the window is painted, calls from the movie thread into the program's
// apartment are answered at once, the wait cursor shows (for a load at once, else after a moment)
// and keyboard and mouse input stays queued; afterwards the normal cursor is back and the input is
// acted on in its order. Every request has its own deadline: a frame size asked by a paint handler
// meanwhile fails alone at its own, unless the served request passes its own first, which gives the
// thread up from the nested wait and hands the queued frame size to the new thread (which answers it
// unless its movie went with the old one); a given-up thread ends once its call returns. The pipe hangs a
// load whatever the platform's decoders do (until it is closed); the GSM file hangs this platform's parser.
TEST_F(Movies, WaitServesPaintsCallsAndDeadlinesShowsTheWaitCursorAndKeepsInput) {
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW), busy = LoadCursorA(nullptr, IDC_WAIT);
    const struct {
        const char* name;
        bool pipe;
        DWORD limitMs, callMs; // callMs 0: a load
        int32_t nestedWidth;
    } rows[] = {{"call within its limit", false, MOVIE_LOAD_LIMIT_MS, 6000, 0},
                {"call past its limit", false, 1500, 3000, 176},
                {"pipe without a writer", true, 2000, 0, 0},
                {"hang-gsm.wav", false, MOVIE_LOAD_LIMIT_MS, 0, 0}};
    RECT frame;
    GetWindowRect(window, &frame);
    ASSERT_NE(Load(0, "film-mjpeg.avi"), 0); // the platform's lasting threads start
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool answered = row.callMs && row.callMs < row.limitMs;
        SetCursorPos((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
        PumpFor(200); // the move sets the window's own cursor
        ASSERT_EQ(CursorShown(), arrow);
        inputActedOn.clear();
        KeyPress(VK_SPACE);
        DWORD thread = MovieThreadId(), begin = GetTickCount(), nestedMs = 0;
        int32_t nestedWidth = -2;
        ScopedHandle givenUp(OpenThread(SYNCHRONIZE, FALSE, thread));
        HCURSOR early = nullptr, late = nullptr;
        std::thread user([&] {
            Sleep(EARLY_MS);
            early = CursorShown();
            Click();
            PaintActionSet(window, [&] {
                nestedWidth = MovieFrameWidth(0);
                nestedMs = GetTickCount() - begin;
            });
            Sleep(LATE_MS - EARLY_MS);
            late = CursorShown();
        });
        ApartmentObject object;
        IStream* stream = nullptr;
        ASSERT_TRUE(!row.callMs ||
                    CoMarshalInterThreadInterfaceInStream(IID_IPersist, &object, &stream) == S_OK);
        DWORD callMs = ~0u;
        auto call = [&] { // into the program's apartment, then on until row.callMs
            IPersist* proxy = nullptr;
            CLSID id;
            if (CoGetInterfaceAndReleaseStream(stream, IID_IPersist, reinterpret_cast<void**>(&proxy)) ==
                S_OK) {
                proxy->GetClassID(&id);
                proxy->Release();
            }
            callMs = GetTickCount() - begin;
            Sleep(row.callMs - callMs);
        };
        ScopedHandle pipe(row.pipe ? PipeWithoutWriter() : ScopedHandle());
        MovieLoadLimitSet(row.limitMs);
        intptr_t result = row.callMs
                              ? MovieThreadCall([](void* body) { (*static_cast<decltype(call)*>(body))(); },
                                                &call, row.limitMs)
                              : MovieLoad(0, row.pipe ? PIPE_NAME : MediaPath(row.name).c_str());
        DWORD waited = GetTickCount() - begin;
        user.join();
        EXPECT_TRUE(inputActedOn.empty()) << "input was taken during the wait";
        EXPECT_EQ(result != 0, answered);
        EXPECT_NEAR(waited, answered ? row.callMs : row.limitMs, ABANDON_SLACK_MS) << "answered or given up";
        EXPECT_EQ(nestedWidth, row.nestedWidth) << "the nested request was not failed, or not handed over";
        EXPECT_NEAR(nestedMs, std::min(row.limitMs, EARLY_MS + MOVIE_REQUEST_LIMIT_MS), ABANDON_SLACK_MS)
            << "the nested request was not answered at the first deadline";
        EXPECT_EQ(MovieThreadId() == thread, answered) << "the thread was given up wrongly, or kept";
        EXPECT_TRUE(!row.callMs || object.answeredOn == GetCurrentThreadId()) << "not called across";
        EXPECT_TRUE(!row.callMs || callMs < ANSWER_AT_ONCE_MS) << "the call was answered only after the wait";
        EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the window was not painted during the wait";
        EXPECT_EQ(early, row.callMs ? arrow : busy) << "the cursor early in the wait";
        EXPECT_EQ(late, busy) << "no wait cursor later in the wait";
        EXPECT_EQ(CursorShown(), arrow) << "the normal cursor is not back after the wait";
        PumpFor(200);
        EXPECT_EQ(inputActedOn, (std::vector<UINT>{WM_KEYDOWN, WM_LBUTTONDOWN}))
            << "input was lost or acted on out of order";
        pipe.Reset();
        bool comesBack = row.pipe || (row.callMs && !answered); // the GSM file keeps its thread for ever
        EXPECT_TRUE(!comesBack || PumpUntil([&] { return WaitForSingleObject(givenUp, 0) == WAIT_OBJECT_0; }))
            << "the given-up thread did not end once its call returned";
        MovieLoadLimitSet(MOVIE_LOAD_LIMIT_MS);
        EXPECT_NE(Load(0, "film-mjpeg.avi"), 0) << "a load after the wait";
    }
}

TEST_F(Movies, VideoShowsAtTheTopLeftAndLeavesTheWindowWhenReplaced) {
    ASSERT_NE(Load(0, "solid.avi"), 0);
    ASSERT_EQ(MoviePlay(0, window), 1);
    // The picture is placed with the frame size in the client's top left corner, and is not framed.
    auto is = [&](int x, int y, uint32_t c) {
        return ColourNear(ClientCapture(window).At(x, y), c, TOLERANCE);
    };
    EXPECT_TRUE(PumpUntil([&] { return is(80, 60, SOLID_COLOUR); }));
    EXPECT_TRUE(is(2, 2, SOLID_COLOUR)) << "top left corner of the picture";
    EXPECT_TRUE(is(157, 117, SOLID_COLOUR)) << "bottom right corner of the picture";
    EXPECT_TRUE(is(163, 60, WINDOW_BACKGROUND)) << "right of the picture";
    EXPECT_TRUE(is(80, 123, WINDOW_BACKGROUND)) << "below the picture";
    IGraphBuilder* held = GraphHold(0);
    EXPECT_EQ(Load(0, "text.avi"), 0) << "frees the playing movie before it fails";
    EXPECT_EQ(MovieFrameWidth(0), 0) << "number 0 must name no movie after the failed load";
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the freed movie's video window stays in its owner";
    EXPECT_EQ(GraphLetGo(held), 0u) << "the old movie's references were not all released";
}

// Owner and style of the video window are set on the first start in a window and again only when
// another window is named.
TEST_F(Movies, StartInAnotherWindowMovesTheVideoThere) {
    HWND second = TestWindowOpen("Second player", 320, 240);
    ASSERT_NE(Load(0, "solid.avi"), 0);
    ASSERT_EQ(MoviePlay(0, window), 1);
    HWND video = GetWindow(window, GW_CHILD);
    ASSERT_NE(video, nullptr);
    SetWindowLongA(video, GWL_STYLE, GetWindowLongA(video, GWL_STYLE) & ~WS_CLIPSIBLINGS);
    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_FALSE(GetWindowLongA(video, GWL_STYLE) & WS_CLIPSIBLINGS) << "the same window: style set again";
    ASSERT_EQ(MoviePlay(0, second), 1);
    EXPECT_EQ(GetParent(video), second) << "the video window did not move to the second window";
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the video window stayed in the first window";
    EXPECT_TRUE(GetWindowLongA(video, GWL_STYLE) & WS_CLIPSIBLINGS) << "another window: style not set";
    MovieFree(0);
    DestroyWindow(second);
}

// Every start plays from the beginning, whatever came before it; a halt pauses where the movie is.
TEST_F(Movies, StartPlaysFromTheBeginningAfterEveryStep) {
    enum Before { PLAYING, HALTED, ENDED, READY };
    const struct {
        const char* name;
        const char* file;
        Before before;
    } rows[] = {{"while playing", "film-sound.avi", PLAYING},
                {"after a halt", "film-sound.avi", HALTED},
                {"after the end", "film-mjpeg.avi", ENDED},
                {"after a halt when ready", "film.mpg", READY},
                {"sound only, after a halt", "tone-long.wav", HALTED}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(Load(0, row.file), 0);
        auto ended = [] { // graph events, read until the end of the film is reported
            long code = 0, first, second;
            OnMovieThread([&] { Graph(0).events->GetEvent(&code, &first, &second, 0); });
            return code == EC_COMPLETE;
        };
        if (row.before != READY) {
            ASSERT_EQ(MoviePlay(0, window), 1);
            ASSERT_TRUE(row.before == ENDED ? PumpUntil(ended)
                                            : PumpUntil([] { return GraphPositionSeconds(0) >= 1.0; }));
            EXPECT_EQ(GraphState(0), State_Running) << "the end changes nothing";
        }
        if (row.before != PLAYING) {
            MovieStop(0);
            double halted = GraphPositionSeconds(0);
            PumpFor(300);
            MovieStop(0);
            EXPECT_EQ(GraphState(0), row.before == READY ? State_Stopped : State_Paused);
            EXPECT_DOUBLE_EQ(GraphPositionSeconds(0), halted) << "a halted movie keeps its position";
        }
        ASSERT_EQ(MoviePlay(0, window), 1);
        EXPECT_LT(GraphPositionSeconds(0), RESTART_SECONDS);
        EXPECT_EQ(GraphState(0), State_Running);
        EXPECT_TRUE(PumpUntil([] { return GraphPositionSeconds(0) >= RESTART_SECONDS; }))
            << "the restarted movie does not advance";
    }
}

// A start, a halt or a size query whose graph call hangs is given up at the request limit with its
// movie alone: the number is free, the other movie stays and a new thread serves it, and the stuck
// thread ends once its call returns.
TEST_F(Movies, AHangingStartHaltOrSizeGivesUpItsMovieAlone) {
    const struct {
        const char* name;
        HangingMethod method;
        std::function<intptr_t()> request;
    } rows[] = {{"start", CONTROL_RUN, [&] { return intptr_t{MoviePlay(1, window)}; }},
                {"halt", CONTROL_PAUSE, [] { return MovieStop(1), intptr_t{0}; }},
                {"frame width", VIDEO_WIDTH, [] { return intptr_t{MovieFrameWidth(1)}; }}};
    ASSERT_NE(Load(0, "solid.avi"), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(Load(1, "film-mjpeg.avi"), 0);
        ASSERT_EQ(MoviePlay(1, window), 1);
        ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        ScopedHandle stuck(OpenThread(SYNCHRONIZE, FALSE, MovieThreadId()));
        OnMovieThread([&] {
            if (row.method == VIDEO_WIDTH)
                return MethodHang<long*>(Graph(1).video, VIDEO_WIDTH, VIDEO_METHODS, release);
            MethodHang<>(Graph(1).control, row.method, CONTROL_METHODS, release);
        });
        DWORD begin = GetTickCount();
        EXPECT_EQ(row.request(), 0) << "the request did not fail";
        EXPECT_NEAR(GetTickCount() - begin, MOVIE_REQUEST_LIMIT_MS, ABANDON_SLACK_MS)
            << "not given up at the limit";
        EXPECT_TRUE(MovieThreadStuck());
        EXPECT_EQ(MovieFrameWidth(1), 0) << "the given-up movie keeps its number";
        EXPECT_EQ(MovieFrameWidth(0), SOLID_WIDTH) << "the other movie went with it";
        SetEvent(release);
        EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(stuck, 0) == WAIT_OBJECT_0; }))
            << "the given-up thread did not end once its call returned";
    }
}

// A preparation made by the test: its first step holds the movie thread until it is released, its
// second notes that it ran. Each test case runs in a process of its own.
struct StepProbe {
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr; // the preparing thread
    std::atomic<int> priorityAtStart, priorityAtEnd;
    std::atomic<bool> laterRan = false;
} probe;
void ProbeHold() {
    probe.thread = OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId());
    probe.priorityAtStart = GetThreadPriority(GetCurrentThread());
    SetEvent(probe.started);
    WaitForSingleObject(probe.release, INFINITE);
    probe.priorityAtEnd = GetThreadPriority(GetCurrentThread());
}
const MoviePrepareStep PROBE_STEPS[] = {ProbeHold, [] { probe.laterRan = true; }};

// The preparation begins only once the program's thread waits for the user (a modal box is up), runs
// below normal priority and step by step. A request made during a step ends the preparation and is
// served when the step ends, which goes on at normal priority; a step that hangs is given up at the
// limit of a request and the request is served by a new thread. The preparing thread then ends.
TEST(Preparation, BeginsWhenTheUserIsAskedAndARequestWaitsOnlyForTheStepUnderWay) {
    TestRuntimeStart();
    enum Request { LOAD, END, NONE };
    const struct {
        const char* name;
        Request request;
        bool hangs;
    } rows[] = {{"load, the step ends", LOAD, false},
                {"end, the step ends", END, false},
                {"load, the step hangs", LOAD, true},
                {"end, the step hangs", END, true},
                {"no request: every step runs", NONE, false}};
    MoviePreparationSet(PROBE_STEPS, 2);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ResetEvent(probe.started);
        ResetEvent(probe.release);
        probe.laterRan = false;
        ASSERT_NE(MovieInit(), nullptr);
        Sleep(ANSWER_AT_ONCE_MS / 2);
        EXPECT_NE(WaitForSingleObject(probe.started, 0), WAIT_OBJECT_0) << "began while the program was busy";
        bool begunDuringTheBox = false;
        {
            DialogDriver driver([&](HWND box) {
                begunDuringTheBox = WaitForSingleObject(probe.started, WAIT_MS) == WAIT_OBJECT_0;
                ButtonPress(box, IDOK);
            });
            MessageBoxA(nullptr, "Datei?", "Preparation", MB_OK);
        }
        ASSERT_TRUE(begunDuringTheBox) << "did not begin while a modal box waited for the user";
        EXPECT_LT(probe.priorityAtStart, THREAD_PRIORITY_NORMAL) << "the step does not run below normal";
        std::thread releaser([&] {
            Sleep(ANSWER_AT_ONCE_MS / 4);
            if (!row.hangs) SetEvent(probe.release);
        });
        DWORD begin = GetTickCount();
        if (row.request == LOAD) {
            EXPECT_NE(Load(0, "film-mjpeg.avi"), 0);
        } else {
            EXPECT_TRUE(row.request == END || PumpUntil([] { return probe.laterRan.load(); }));
            MovieEnd();
        }
        DWORD waited = GetTickCount() - begin;
        releaser.join();
        EXPECT_NEAR(waited, row.hangs ? MOVIE_REQUEST_LIMIT_MS : ANSWER_AT_ONCE_MS / 4, ABANDON_SLACK_MS)
            << "the request was not served when the step ended or was given up";
        SetEvent(probe.release);
        if (row.request == LOAD) {
            EXPECT_EQ(MovieFrameWidth(0), 176) << "the load was not served";
            MovieEnd();
        }
        EXPECT_TRUE(PumpUntil([] { return WaitForSingleObject(probe.thread, 0) == WAIT_OBJECT_0; }))
            << "the preparing thread was left running";
        CloseHandle(probe.thread);
        EXPECT_EQ(probe.priorityAtEnd == THREAD_PRIORITY_NORMAL, row.request != NONE)
            << "the waiting request left the step slow, or a lone step was hurried";
        EXPECT_EQ(probe.laterRan.load(), row.request == NONE)
            << "a later step ran after a request, or none ran";
    }
}

// The library's own steps give back every object they make: no window or thread of it stays.
TEST(Preparation, LibraryStepsLeaveNoObjectBehind) {
    TestRuntimeStart();
    MoviePreparationSet(nullptr, 0);
    ASSERT_NE(MovieInit(), nullptr);
    auto threadCount = [] {
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof(entry);
        ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        int count = 0;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
            count += entry.th32OwnerProcessID == GetCurrentProcessId();
        return count;
    };
    for (MoviePrepareStep step : MOVIE_PREPARE_STEPS) {
        ASSERT_TRUE(OnMovieThread(step)); // the platform's lasting threads are started
        int threads = threadCount(), windows = -1;
        ASSERT_TRUE(OnMovieThread([&] {
            step();
            windows = 0;
            EnumThreadWindows(GetCurrentThreadId(), WindowCount, reinterpret_cast<LPARAM>(&windows));
        }));
        EXPECT_EQ(windows, 0) << "a window of a step's object is left";
        EXPECT_TRUE(PumpUntil([&] { return threadCount() <= threads; }))
            << "a thread of a step's object is left";
    }
    MovieEnd();
}

// The end stops, rewinds and releases every movie, also while a thread given up with another movie
// (its start hung) is still stuck; that one is released once its call returns.
TEST(MovieLibrary, EndWhilePlayingGivesBackWhatTheStartsMade) {
    const struct {
        const char* name;
        ObjectNumber requested;
        bool stuck; // a given-up thread is still stuck at the end
    } rows[] = {{"numbered", 0, false}, {"dynamic", ANY_NUMBER, false}, {"after a give-up", 0, true}};
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK) << "the program's own initialisation, as the requester makes it";
    int heapBlocks = ProgramHeapBlocks();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        void* directDraw = MovieInit();
        HWND window = TestWindowOpen("Player");
        intptr_t loaded = Load(row.requested, "film-sound.avi");
        ASSERT_NE(loaded, 0);
        ObjectNumber number = row.requested == ANY_NUMBER ? static_cast<ObjectNumber>(loaded) : row.requested;
        EXPECT_EQ(MovieInit(), directDraw) << "the application starts the library on every player choice";
        ASSERT_EQ(MoviePlay(number, window), 1);
        ASSERT_TRUE(PumpUntil([&] { return GraphPositionSeconds(number) > 0.3; }));
        IGraphBuilder* held = GraphHold(number);
        ScopedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        IGraphBuilder* stuck = row.stuck && Load(1, "film-mjpeg.avi") ? GraphHold(1) : nullptr;
        if (stuck) { // a second movie whose start hangs is given up
            OnMovieThread([&] { MethodHang<>(Graph(1).control, CONTROL_RUN, CONTROL_METHODS, release); });
            EXPECT_EQ(MoviePlay(1, window), 0);
        }
        DestroyWindow(window); // the window library ends first
        MovieEnd();
        EXPECT_EQ(MovieThreadStuck(), row.stuck);
        SetEvent(release);
        if (stuck) {
            EXPECT_TRUE(PumpUntil([] { return !MovieThreadStuck(); })) << "the given-up thread did not end";
            EXPECT_EQ(GraphLetGo(stuck), 0u) << "the given-up movie was not released when its call returned";
        }
        LONGLONG position = -1;
        EXPECT_EQ(GraphLetGo(held, &position), 0u) << "the movie's graph was not released";
        EXPECT_EQ(position, 0) << "the movie is set back to its start before it is released";
        EXPECT_EQ(DirectDrawUseCount() == 0, !row.stuck)
            << "the end gives back every start's use, unless a stuck thread keeps DDRAW.DLL loaded";
        EXPECT_EQ(ProgramHeapBlocks(), heapBlocks) << "the registry or a file name is left in ProgramHeap";
    }
    ASSERT_TRUE(PumpUntil([] { return !MovieThreadStuck(); }));
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "the library left COM initialised once more than it found it";
    CoUninitialize();
}

// The player's end after a give-up inside a lock that a library's detach code takes: while the thread
// is stuck no detach code runs; once it has come back the end is the usual one. Exit code 0 either way.
TEST(MovieLibrary, EndWithAThreadStillStuckRunsNoDetachCode) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, strrchr(path, '\\') + 1), mark = directory + "detached.mark";
    SetEnvironmentVariableA("VORNAK_DETACH_MARK", mark.c_str());
    for (bool stuck : {true, false}) {
        SCOPED_TRACE(stuck ? "still stuck" : "come back");
        DeleteFileA(mark.c_str());
        std::string command =
            "rundll32.exe " + directory + "stuck_exit.dll,StuckExit " + (stuck ? "stuck" : "back");
        EXPECT_EQ(system(command.c_str()), 0) << "the exit code"; // a hang runs into the test's time limit
        EXPECT_EQ(GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES, stuck)
            << "detach code ran, or not";
    }
    DeleteFileA(mark.c_str());
}

TEST(DirectDraw, SharedObjectLivesUntilItsLastUseIsGivenBack) {
    auto* first = static_cast<IUnknown*>(DirectDrawAcquire());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DirectDrawAcquire(), first) << "a second acquire shares the object";
    DirectDrawRelease();
    EXPECT_EQ(first->AddRef(), 2u) << "one use left keeps the probe's reference";
    DirectDrawRelease();
    EXPECT_EQ(first->Release(), 0u) << "the last use gives the probe's reference back";
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0) << "a release without an acquire leaves the count at 0";
    EXPECT_NE(DirectDrawAcquire(), nullptr) << "after the last release the object is made anew";
}

// Runs only in the CTest entry that disables DDRAW.DLL.
TEST(DirectDrawDisabled, NothingStartsAndEveryUseIsGivenBack) {
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(MovieInit(), nullptr);
    EXPECT_EQ(MovieInit(), nullptr);
    EXPECT_EQ(Load(0, "film-mjpeg.avi") + Load(ANY_NUMBER, "film-mjpeg.avi"), 0);
    EXPECT_EQ(DirectDrawUseCount(), 2) << "every failed start counts a use";
    MovieEnd();
    EXPECT_EQ(DirectDrawUseCount(), 0);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE)
        << "the end must not undo COM that the library never initialised";
    CoUninitialize();
    CoUninitialize();
}
