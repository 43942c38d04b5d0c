// Loading movies from real files: the film types with their frame sizes, files that do not render
// completely, the replace rule, and loads that outlast the limit while the windows keep painting.
#include <gtest/gtest.h>

#include <thread>

#include "movie_test_util.h"

namespace {

constexpr int MOVIE_NAME_LIMIT = 259; // characters of a name, without its terminator
constexpr DWORD ABANDON_SLACK_MS = 1000;

class MovieLoading : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        ASSERT_NE(MovieInit(), nullptr);
    }
    void TearDown() override {
        MovieLoadLimitSet(MOVIE_LOAD_LIMIT_MS);
        MovieEnd();
    }
};

intptr_t Load(ObjectNumber number, const char* media) {
    return MovieLoad(number, MediaPath(media).c_str());
}

// Loads movie 1000 from the window procedure, on the first WM_PAINT, as a handler of the program could.
WNDPROC testProcedure;
LRESULT CALLBACK LoadingOnPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static int paints;
    if (message == WM_PAINT && paints++ == 0) Load(1000, "film.mpg");
    return CallWindowProcA(testProcedure, window, message, wParam, lParam);
}

// A drawn test window, invalidated again: the load must paint it while it waits.
HWND InvalidWindowOpen() {
    HWND window = TestWindowOpen("Player");
    PumpFor(100);
    InvalidateRect(window, nullptr, TRUE);
    return window;
}

// Loads media as movie 0, expecting the load to be refused; returns how long it took.
DWORD AbandonedLoadMs(const char* media) {
    DWORD begin = GetTickCount();
    EXPECT_EQ(Load(0, media), 0) << media;
    EXPECT_EQ(MovieRecord(0), nullptr) << media;
    return GetTickCount() - begin;
}

} // namespace

TEST_F(MovieLoading, FilmTypesLoadStoppedWithTheirFrameSize) {
    const struct {
        const char* file;
        long width, height;
    } films[] = {{"film-mjpeg.avi", 176, 144},
                 {"film-raw.avi", 160, 120},
                 {"film.mpg", 352, 288},
                 {"film.wmv", 320, 176},
                 {"film.asf", 240, 160},
                 {"film.mp4", 256, 192},
                 {"film-sound.avi", 192, 144},
                 {"Gr\xF6\xDF"
                  "e.avi",
                  176, 144},
                 {"smoke.wav", -1, -1},
                 {"tone.mp3", -1, -1},
                 {"tone.wma", -1, -1}};
    for (const auto& film : films) {
        SCOPED_TRACE(film.file);
        intptr_t record = Load(0, film.file);
        ASSERT_EQ(reinterpret_cast<MovieObject*>(record), MovieRecord(0));
        EXPECT_EQ(GraphState(MovieRecord(0)->control), State_Stopped);
        EXPECT_EQ(MovieFrameWidth(0), film.width);
        EXPECT_EQ(MovieFrameHeight(0), film.height);
        long place[4] = {0, 0, -1, -1}; // left, top, width, height: kept where there is no video
        MovieRecord(0)->videoWindow->GetWindowPosition(&place[0], &place[1], &place[2], &place[3]);
        EXPECT_EQ(std::vector<long>(place, place + 4), std::vector<long>({0, 0, film.width, film.height}));
        auto dynamic = static_cast<ObjectNumber>(Load(ANY_NUMBER, film.file));
        EXPECT_FALSE(dynamic >= 0 && dynamic < MovieRegistry()->capacity) << dynamic;
        EXPECT_EQ(MovieFrameHeight(dynamic), film.height);
        MovieFree(dynamic);
        EXPECT_EQ(MovieRegistry()->dynamicHead, nullptr);
    }
}

TEST_F(MovieLoading, FailedLoadsLeaveTheNumberFreeAndNothingBehind) {
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

TEST_F(MovieLoading, LoadingOverAPlayingMovieStopsAndReleasesItFirst) {
    HWND window = TestWindowOpen("Player", 192, 144);
    ASSERT_NE(Load(0, "film-sound.avi"), 0);
    ASSERT_EQ(MoviePlay(0, window), 1);
    IMediaControl* control = MovieRecord(0)->control;
    control->AddRef();
    EXPECT_EQ(Load(0, "text.avi"), 0);
    EXPECT_EQ(MovieRecord(0), nullptr) << "number 0 must name no movie after the failed load";
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the old video window stays in its owner";
    EXPECT_EQ(GraphState(control), State_Stopped);
    EXPECT_EQ(control->Release(), 0u) << "the old movie's references were not all released";
    DestroyWindow(window);
}

// Messages dispatched while a load waits may load another movie and move the slots.
TEST_F(MovieLoading, LoadStartedWhileALoadWaitsLeavesBothMovies) {
    HWND window = InvalidWindowOpen();
    testProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LoadingOnPaint)));
    uint8_t* slots = MovieRegistry()->slots;
    void* pin = HeapAlloc(ProgramHeap, 0, 16); // a block after the slots keeps them from growing in place
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0);
    ASSERT_NE(MovieRegistry()->slots, slots) << "the slots did not move";
    EXPECT_EQ(MovieFrameWidth(0), 176);
    EXPECT_EQ(MovieFrameWidth(1000), 352);
    HeapFree(ProgramHeap, 0, pin);
    DestroyWindow(window);
}

TEST_F(MovieLoading, LoadOverTheLimitIsAbandonedWhileWindowsArePainted) {
    HWND window = InvalidWindowOpen();
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    MovieLoadLimitSet(1);
    EXPECT_LT(AbandonedLoadMs("bench-640x480.avi"), 1 + ABANDON_SLACK_MS);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the window was not painted during the load";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "input was taken";
    MovieLoadLimitSet(MOVIE_LOAD_LIMIT_MS);
    EXPECT_NE(Load(0, "film-mjpeg.avi"), 0) << "a load after an abandoned one";
    DestroyWindow(window);
}

TEST_F(MovieLoading, FileThatHangsThePlatformIsAbandonedAtTheLimit) {
    HWND window = TestWindowOpen("Player");
    std::thread painter([window] { // invalidates the window half way through the wait
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
    DestroyWindow(window);
}
