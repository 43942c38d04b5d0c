// Loading movies from real files: every film type with its frame size, sound-only files, files
// that do not render completely, the replace rule, dynamic numbers, file names, and the end of the
// library while a movie plays.
#include <gtest/gtest.h>

#include "movie_test_util.h"
#include "test_support.h"

namespace {

constexpr int MOVIE_NAME_LIMIT = 259; // characters of a name, without its terminator
constexpr DWORD PLAY_TIMEOUT_MS = 10000;

class MovieLoading : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        ASSERT_NE(MovieInit(), nullptr);
    }
    void TearDown() override { MovieEnd(); }
    static intptr_t Load(ObjectNumber number, const char* media) {
        return MovieLoad(number, MediaPath(media).c_str());
    }
};

struct FilmType {
    const char* file;
    int32_t width;
    int32_t height;
};

// The platform's own verdict on a file, to show that a fixture really is what its test needs.
HRESULT PlatformRender(const std::string& path) {
    IGraphBuilder* graph = nullptr;
    if (CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&graph)) != S_OK)
        return E_FAIL;
    std::wstring wide(path.begin(), path.end());
    HRESULT result = graph->RenderFile(wide.c_str(), nullptr);
    graph->Release();
    return result;
}

} // namespace

TEST_F(MovieLoading, EveryFilmTypeLoadsReadyWithItsFrameSize) {
    const FilmType films[] = {{"film-mjpeg.avi", 176, 144}, {"film-raw.avi", 160, 120},
                              {"film.mpg", 352, 288},       {"film.wmv", 320, 176},
                              {"film.asf", 240, 160},       {"film.mp4", 256, 192},
                              {"film-sound.avi", 192, 144}};
    for (const FilmType& film : films) {
        SCOPED_TRACE(film.file);
        intptr_t record = Load(0, film.file);
        ASSERT_NE(record, 0);
        MovieObject* movie = MovieRecord(0);
        EXPECT_EQ(record, reinterpret_cast<intptr_t>(movie));
        ASSERT_TRUE(movie->control && movie->events && movie->videoWindow && movie->video && movie->seeking);
        EXPECT_EQ(movie->state, MOVIE_READY);
        EXPECT_STREQ(movie->fileName, MediaPath(film.file).c_str());
        EXPECT_EQ(MovieFrameWidth(0), film.width);
        EXPECT_EQ(MovieFrameHeight(0), film.height);
        long left = -1, top = -1, width = 0, height = 0;
        movie->videoWindow->GetWindowPosition(&left, &top, &width, &height);
        EXPECT_EQ(left, 0);
        EXPECT_EQ(top, 0);
        EXPECT_EQ(width, film.width);
        EXPECT_EQ(height, film.height);
    }
}

TEST_F(MovieLoading, SoundOnlyFilesLoadWithoutAFrameSize) {
    for (const char* file : {"smoke.wav", "tone.mp3", "tone.wma"}) {
        SCOPED_TRACE(file);
        ASSERT_NE(Load(1, file), 0);
        EXPECT_EQ(MovieFrameWidth(1), -1);
        EXPECT_EQ(MovieFrameHeight(1), -1);
    }
}

TEST_F(MovieLoading, FilesThatDoNotRenderCompletelyLeaveTheNumberFree) {
    ASSERT_EQ(PlatformRender(MediaPath("partial.mp4")), VFW_S_PARTIAL_RENDER) << "fixture renders completely";
    int heapBlocks = ProgramHeapBlocks();
    for (const char* file :
         {"partial.mp4", "empty.avi", "truncated.wav", "text.avi", "noise.avi", "missing.avi"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(Load(3, file), 0);
        EXPECT_EQ(MovieRecord(3), nullptr);
        EXPECT_EQ(MovieFrameWidth(3), 0);
    }
    EXPECT_EQ(MovieLoad(3, nullptr), 0);
    EXPECT_EQ(MovieRecord(3), nullptr);
    EXPECT_EQ(ProgramHeapBlocks(), heapBlocks) << "a failed load left a file name copy behind";
}

TEST_F(MovieLoading, NumbersWithoutAMovieAreHarmless) {
    ASSERT_NE(Load(0, "film-mjpeg.avi"), 0);
    MovieObject stranger = {};
    stranger.graph = reinterpret_cast<IGraphBuilder*>(1);
    for (ObjectNumber number : {1, 15, 16, 5000, -2, reinterpret_cast<ObjectNumber>(&stranger)}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(MovieFrameWidth(number), 0);
        EXPECT_EQ(MovieFrameHeight(number), 0);
        EXPECT_EQ(MoviePlay(number, GetDesktopWindow()), 0);
        MovieStop(number);
        MovieRewind(number);
        MovieFree(number);
    }
    EXPECT_EQ(MovieRecord(0)->state, MOVIE_READY) << "operations on other numbers touched movie 0";
}

TEST_F(MovieLoading, LoadingOverALiveMovieStopsAndReleasesItFirst) {
    HWND window = PlayerWindowOpen(192, 144);
    ASSERT_NE(Load(0, "film-sound.avi"), 0);
    ASSERT_EQ(MoviePlay(0, window), 1);
    MovieObject* movie = MovieRecord(0);
    ASSERT_TRUE(PumpUntil([&] { return GraphPositionSeconds(movie) > 0.3; }, PLAY_TIMEOUT_MS));
    Held<IGraphBuilder> oldGraph(movie->graph);
    IMediaControl* oldControl = movie->control;
    oldControl->AddRef();

    EXPECT_EQ(Load(0, "text.avi"), 0);
    EXPECT_EQ(MovieRecord(0), nullptr) << "number 0 must name no movie after the failed load";
    OAFilterState state = -1;
    oldControl->GetState(INFINITE, &state);
    EXPECT_EQ(state, State_Stopped) << "the old movie must be stopped before it is released";
    oldControl->Release();
    EXPECT_EQ(oldGraph.Drop(), 0u) << "the old movie's references were not all released";

    ASSERT_NE(Load(0, "film-mjpeg.avi"), 0);
    Held<IGraphBuilder> replaced(MovieRecord(0)->graph);
    ASSERT_NE(Load(0, "film.mpg"), 0);
    EXPECT_NE(MovieRecord(0)->graph, replaced.object);
    EXPECT_EQ(MovieFrameWidth(0), 352);
    EXPECT_EQ(replaced.Drop(), 0u) << "a successful load over a movie must release the old one too";
    DestroyWindow(window);
}

TEST_F(MovieLoading, AnyNumberMoviesWorkWithEveryOperation) {
    HWND window = PlayerWindowOpen(176, 144);
    intptr_t record = Load(ANY_NUMBER, "film-mjpeg.avi");
    ASSERT_NE(record, 0);
    auto number = static_cast<ObjectNumber>(record);
    EXPECT_FALSE(number >= 0 && number < MovieRegistry()->capacity);
    EXPECT_EQ(MovieRecord(number), reinterpret_cast<MovieObject*>(record));
    EXPECT_EQ(MovieFrameWidth(number), 176);
    EXPECT_EQ(MovieFrameHeight(number), 144);
    EXPECT_EQ(MoviePlay(number, window), 1);
    EXPECT_EQ(MovieRecord(number)->state, MOVIE_PLAYING);
    MovieStop(number);
    EXPECT_EQ(MovieRecord(number)->state, MOVIE_HALTED);
    MovieRewind(number);
    EXPECT_EQ(MovieRecord(number)->state, MOVIE_READY);
    Held<IGraphBuilder> graph(MovieRecord(number)->graph);
    MovieFree(number);
    EXPECT_EQ(MovieRegistry()->dynamicHead, nullptr);
    EXPECT_EQ(graph.Drop(), 0u);

    std::string text = MediaPath("text.avi");
    std::string overlong = MediaPath("") + std::string(MOVIE_NAME_LIMIT, 'x') + ".avi";
    for (const char* name : {text.c_str(), static_cast<const char*>(nullptr), overlong.c_str()}) {
        EXPECT_EQ(MovieLoad(ANY_NUMBER, name), 0);
        EXPECT_EQ(MovieRegistry()->dynamicHead, nullptr) << "a failed load left a dynamic record behind";
    }
    DestroyWindow(window);
}

TEST_F(MovieLoading, NameThatDoesNotFitIsRefusedNotCutShort) {
    std::string directory = MediaPath("");
    std::string fitting = directory + std::string(MOVIE_NAME_LIMIT - directory.size() - 4, 'n') + ".avi";
    ASSERT_EQ(fitting.size(), size_t(MOVIE_NAME_LIMIT));
    ASSERT_TRUE(CopyFileA(MediaPath("film-mjpeg.avi").c_str(), fitting.c_str(), FALSE));
    EXPECT_NE(MovieLoad(0, fitting.c_str()), 0) << "a name of " << MOVIE_NAME_LIMIT << " characters fits";
    EXPECT_EQ(MovieFrameWidth(0), 176);
    // Cut to the buffer, this name would be the loadable one above.
    EXPECT_EQ(MovieLoad(1, (fitting + "x").c_str()), 0);
    EXPECT_EQ(MovieRecord(1), nullptr);
    MovieFree(0);
    DeleteFileA(fitting.c_str());
}

TEST_F(MovieLoading, UmlautNameInTheAnsiCodePageLoads) {
    char ansi[MAX_PATH];
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(CP_ACP, 0, L"Gr\u00f6\u00dfe.avi", -1, ansi, MAX_PATH, nullptr, &lossy);
    ASSERT_TRUE(length > 0 && !lossy) << "the ANSI code page " << GetACP() << " has no umlauts";
    ASSERT_NE(Load(2, ansi), 0);
    EXPECT_EQ(MovieFrameWidth(2), 176);
    EXPECT_EQ(MovieFrameHeight(2), 144);
}

TEST_F(MovieLoading, RepeatedStartKeepsTheMovies) {
    ASSERT_NE(Load(0, "film-mjpeg.avi"), 0);
    MovieObject* movie = MovieRecord(0);
    ObjectRegistry* registry = MovieRegistry();
    EXPECT_NE(MovieInit(), nullptr);
    EXPECT_EQ(MovieRegistry(), registry);
    EXPECT_EQ(MovieRecord(0), movie);
    EXPECT_EQ(MovieFrameWidth(0), 176);
}

TEST_F(MovieLoading, EndWhilePlayingStopsReleasesAndClosesEverything) {
    std::string copy = MediaPath("end-while-playing.avi");
    ASSERT_TRUE(CopyFileA(MediaPath("film-sound.avi").c_str(), copy.c_str(), FALSE));
    int heapBlocks = ProgramHeapBlocks();
    HWND window = PlayerWindowOpen(192, 144);
    ASSERT_NE(MovieLoad(0, copy.c_str()), 0);
    ASSERT_EQ(MoviePlay(0, window), 1);
    MovieObject* movie = MovieRecord(0);
    ASSERT_TRUE(PumpUntil([&] { return GraphPositionSeconds(movie) > 0.3; }, PLAY_TIMEOUT_MS));
    HANDLE exclusive = CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(exclusive, INVALID_HANDLE_VALUE) << "the playing movie must hold the file open";

    Held<IGraphBuilder> graph(movie->graph);
    IMediaSeeking* seeking = movie->seeking;
    IMediaControl* control = movie->control;
    seeking->AddRef();
    control->AddRef();
    // The application ends the window library first, so the video window's owner is gone already.
    DestroyWindow(window);
    MovieEnd();

    OAFilterState state = -1;
    control->GetState(INFINITE, &state);
    LONGLONG position = -1;
    seeking->GetCurrentPosition(&position);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(position, 0) << "the movie is set back to its start before it is released";
    seeking->Release();
    control->Release();
    EXPECT_EQ(graph.Drop(), 0u);
    EXPECT_EQ(MovieRecord(0), nullptr);
    EXPECT_EQ(ProgramHeapBlocks(), heapBlocks) << "the file name copy was not freed";
    exclusive = CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "a handle on the media file is still open";
    CloseHandle(exclusive);
    EXPECT_TRUE(DeleteFileA(copy.c_str()));
}
