// The movie library on real files, windows and pixels, and the DirectDraw probe with DDRAW.DLL and
// (in a CTest entry of its own) without it.
#include <gtest/gtest.h>

#include <dshow.h>

#include <thread>

#include "movie_internal.h"
#include "test_support.h"

namespace {

constexpr int MOVIE_NAME_LIMIT = 259; // characters of a name, without its terminator
constexpr DWORD ABANDON_SLACK_MS = 1000;
constexpr uint32_t SOLID_COLOUR = 0x2060C0; // solid.avi, 160x120
constexpr uint32_t WINDOW_BACKGROUND = 0xFFFFFF;
constexpr int TOLERANCE = 24;           // per colour channel
constexpr double RESTART_SECONDS = 0.5; // a restarted movie is read well before this

class Movies : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        ASSERT_NE(MovieInit(), nullptr);
        window = TestWindowOpen("Player", 320, 240);
    }
    void TearDown() override {
        MovieEnd();
        DestroyWindow(window);
    }
    HWND window = nullptr;
};

intptr_t Load(ObjectNumber number, const char* media) {
    return MovieLoad(number, MediaPath(media).c_str());
}

MovieObject* MovieRecord(ObjectNumber number) {
    return static_cast<MovieObject*>(RegistryLookup(MovieRegistry(), number));
}

OAFilterState GraphState(IMediaControl* control) {
    OAFilterState state = -1;
    control->GetState(INFINITE, &state);
    return state;
}

// Seconds from the start: frames last 1/25 s in every generated film.
double GraphPositionSeconds(const MovieObject* movie) {
    LONGLONG position = -1;
    GUID format = TIME_FORMAT_MEDIA_TIME;
    movie->seeking->GetCurrentPosition(&position);
    movie->seeking->GetTimeFormat(&format);
    return double(position) / (format == TIME_FORMAT_FRAME ? 25 : 1e7);
}

int ProgramHeapBlocks() {
    int blocks = 0;
    for (PROCESS_HEAP_ENTRY entry = {}; HeapWalk(ProgramHeap, &entry);)
        blocks += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ? 1 : 0;
    return blocks;
}

// Loads movie 1000 on the window's first WM_PAINT, as a handler of the program could.
WNDPROC testProcedure;
LRESULT CALLBACK LoadingOnPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static int paints;
    if (message == WM_PAINT && paints++ == 0) Load(1000, "film.mpg");
    return CallWindowProcA(testProcedure, window, message, wParam, lParam);
}

// Loads media as movie 0, expecting the load to be refused; returns how long it took.
DWORD AbandonedLoadMs(const char* media) {
    DWORD begin = GetTickCount();
    EXPECT_EQ(Load(0, media), 0) << media;
    EXPECT_EQ(MovieRecord(0), nullptr) << media;
    return GetTickCount() - begin;
}

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
    EXPECT_EQ(MovieRegistry()->dynamicHead, nullptr) << "a failed load left a dynamic record behind";
    EXPECT_EQ(ProgramHeapBlocks(), heapBlocks) << "a failed load left a file name copy behind";
    EXPECT_NE(MovieLoad(3, fitting.c_str()), 0) << "a name of " << MOVIE_NAME_LIMIT << " characters fits";
    MovieFree(3);
    DeleteFileA(fitting.c_str());
}

// Messages dispatched while a load waits may load another movie and move the slots.
TEST_F(Movies, LoadStartedWhileALoadWaitsLeavesBothMovies) {
    testProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LoadingOnPaint)));
    uint8_t* slots = MovieRegistry()->slots;
    void* pin = HeapAlloc(ProgramHeap, 0, 16); // a block after the slots keeps them from growing in place
    InvalidateRect(window, nullptr, TRUE);
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0);
    ASSERT_NE(MovieRegistry()->slots, slots) << "the slots did not move";
    EXPECT_EQ(MovieFrameWidth(0), 176);
    EXPECT_EQ(MovieFrameWidth(1000), 352);
    HeapFree(ProgramHeap, 0, pin);
}

TEST_F(Movies, LoadOverTheLimitIsAbandonedWhileWindowsArePainted) {
    PumpFor(100);
    InvalidateRect(window, nullptr, TRUE);
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    MovieLoadLimitSet(1);
    EXPECT_LT(AbandonedLoadMs("bench-640x480.avi"), 1 + ABANDON_SLACK_MS);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the window was not painted during the load";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "input was taken";
    MovieLoadLimitSet(MOVIE_LOAD_LIMIT_MS);
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0) << "a load after an abandoned one";
}

TEST_F(Movies, FileThatHangsThePlatformIsAbandonedAtTheLimit) {
    std::thread painter([this] { // invalidates the window half way through the wait
        Sleep(MOVIE_LOAD_LIMIT_MS / 2);
        InvalidateRect(window, nullptr, TRUE);
    });
    DWORD waited = AbandonedLoadMs("hang-gsm.wav");
    painter.join();
    EXPECT_GE(waited, MOVIE_LOAD_LIMIT_MS - 100);
    EXPECT_LT(waited, MOVIE_LOAD_LIMIT_MS + ABANDON_SLACK_MS);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the window was not painted during the load";
    EXPECT_LT(AbandonedLoadMs("hang-gsm.wav"), MOVIE_LOAD_LIMIT_MS + ABANDON_SLACK_MS)
        << "second hanging file";
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0);
}

TEST_F(Movies, VideoShowsAtTheTopLeftAndLeavesTheWindowWhenReplaced) {
    ASSERT_NE(Load(0, "solid.avi"), 0);
    ASSERT_EQ(MoviePlay(0, window), 1);
    // The picture is placed with the frame size in the client's top left corner, and is not framed.
    auto is = [&](int x, int y, uint32_t c) {
        return ColourNear(ClientCapture(window).At(x, y), c, TOLERANCE);
    };
    EXPECT_TRUE(PumpUntil([&] { return is(80, 60, SOLID_COLOUR); }));
    EXPECT_TRUE(is(2, 2, SOLID_COLOUR) && is(157, 117, SOLID_COLOUR)) << "the picture's corners";
    EXPECT_TRUE(is(163, 60, WINDOW_BACKGROUND) && is(80, 123, WINDOW_BACKGROUND)) << "right of and below it";
    IMediaControl* control = MovieRecord(0)->control;
    control->AddRef();
    EXPECT_EQ(Load(0, "text.avi"), 0) << "frees the playing movie before it fails";
    EXPECT_EQ(MovieRecord(0), nullptr) << "number 0 must name no movie after the failed load";
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the freed movie's video window stays in its owner";
    EXPECT_EQ(GraphState(control), State_Stopped);
    EXPECT_EQ(control->Release(), 0u) << "the old movie's references were not all released";
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
        MovieObject* movie = MovieRecord(0);
        long code, first, second; // graph events, read until the end of the film is reported
        auto ended = [&] {
            return movie->events->GetEvent(&code, &first, &second, 0) == S_OK && code == EC_COMPLETE;
        };
        if (row.before != READY) {
            ASSERT_EQ(MoviePlay(0, window), 1);
            ASSERT_TRUE(row.before == ENDED ? PumpUntil(ended)
                                            : PumpUntil([&] { return GraphPositionSeconds(movie) >= 1.0; }));
            EXPECT_EQ(GraphState(movie->control), State_Running) << "the end changes nothing";
        }
        if (row.before != PLAYING) {
            MovieStop(0);
            double halted = GraphPositionSeconds(movie);
            PumpFor(300);
            MovieStop(0);
            EXPECT_EQ(GraphState(movie->control), row.before == READY ? State_Stopped : State_Paused);
            EXPECT_DOUBLE_EQ(GraphPositionSeconds(movie), halted) << "a halted movie keeps its position";
        }
        ASSERT_EQ(MoviePlay(0, window), 1);
        EXPECT_LT(GraphPositionSeconds(movie), RESTART_SECONDS);
        EXPECT_EQ(GraphState(movie->control), State_Running);
        EXPECT_TRUE(PumpUntil([&] { return GraphPositionSeconds(movie) >= RESTART_SECONDS; }))
            << "the restarted movie does not advance";
    }
}

TEST(MovieLibrary, EndWhilePlayingGivesBackWhatTheStartsMade) {
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK) << "the program's own initialisation, as the requester makes it";
    int heapBlocks = ProgramHeapBlocks();
    void* directDraw = MovieInit();
    EXPECT_EQ(MovieRegistry()->capacity, 16) << "a fresh registry holds the numbers 0 to 15";
    HWND window = TestWindowOpen("Player");
    ASSERT_NE(Load(0, "film-sound.avi"), 0);
    EXPECT_EQ(MovieInit(), directDraw) << "the application starts the library on every player choice";
    ASSERT_EQ(MoviePlay(0, window), 1);
    ASSERT_TRUE(PumpUntil([] { return GraphPositionSeconds(MovieRecord(0)) > 0.3; }));
    IMediaSeeking* seeking = MovieRecord(0)->seeking;
    seeking->AddRef();
    DestroyWindow(window); // the window library ends first
    MovieEnd();
    LONGLONG position = -1;
    seeking->GetCurrentPosition(&position);
    EXPECT_EQ(position, 0) << "the movie is set back to its start before it is released";
    EXPECT_EQ(seeking->Release(), 0u) << "the movie's graph was not released";
    EXPECT_EQ(DirectDrawUseCount(), 0) << "the end gives back the use of every start";
    EXPECT_EQ(ProgramHeapBlocks(), heapBlocks) << "the registry or a file name is left in ProgramHeap";
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "the library left COM initialised once more than it found it";
    ASSERT_NE(MovieInit(), nullptr);
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0) << "a start after the end loads again";
    MovieEnd();
    CoUninitialize();
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

TEST(DirectDraw, PlayerDoesNotImportTheDll) { // else the player would not start without it
    auto* base = reinterpret_cast<const uint8_t*>(
        LoadLibraryExA(PLAYER_DIR "\\vornak.exe", nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ASSERT_NE(base, nullptr);
    auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::string names;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); entry->Name; ++entry)
        names += std::string(reinterpret_cast<const char*>(base + entry->Name)) + " ";
    CharLowerA(&names[0]);
    EXPECT_NE(names.find("ole32.dll"), std::string::npos) << "import table misread: " << names;
    EXPECT_EQ(names.find("ddraw.dll"), std::string::npos);
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
