// Starting and halting movies in real windows: the video window and what the screen shows,
// restarts from the beginning read from the graph itself, the end of a film, sound-only movies,
// windowless playback of an attached stream, and the video window's teardown.
#include <gtest/gtest.h>

#include <amstream.h>

#include "movie_test_util.h"

namespace {

constexpr uint32_t SOLID_COLOUR = 0x2060C0; // solid.avi, 160x120
constexpr uint32_t WINDOW_BACKGROUND = 0xFFFFFF;
constexpr int COLOUR_TOLERANCE = 24;
constexpr double PLAYED_SECONDS = 1.0;
constexpr double RESTART_SECONDS = 0.5; // a restarted movie is read well before this

class MoviePlayback : public ::testing::Test {
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
    MovieObject* Load(const char* media) {
        return MovieLoad(0, MediaPath(media).c_str()) ? MovieRecord(0) : nullptr;
    }
    HWND window = nullptr;
};

bool PlayedFor(MovieObject* movie, double seconds) {
    return PumpUntil([&] { return GraphPositionSeconds(movie) >= seconds; });
}

bool GraphCompletes(MovieObject* movie) {
    return PumpUntil([&] {
        long code, first, second;
        bool complete = false;
        while (movie->events->GetEvent(&code, &first, &second, 0) == S_OK)
            complete |= code == EC_COMPLETE && movie->events->FreeEventParams(code, first, second) == S_OK;
        return complete;
    });
}

// The solid clip covers the 160x120 rectangle at the client's top left, and only that.
void ExpectSolidPictureAtTopLeft(HWND window) {
    auto at = [window](int x, int y) { return ClientCapture(window).At(x, y); };
    EXPECT_TRUE(PumpUntil([&] { return ColourNear(at(80, 60), SOLID_COLOUR, COLOUR_TOLERANCE); }));
    const POINT solid[] = {{2, 2}, {157, 117}}, background[] = {{163, 60}, {80, 123}, {300, 220}};
    for (POINT p : solid)
        EXPECT_TRUE(ColourNear(at(p.x, p.y), SOLID_COLOUR, COLOUR_TOLERANCE)) << p.x << "," << p.y;
    for (POINT p : background)
        EXPECT_TRUE(ColourNear(at(p.x, p.y), WINDOW_BACKGROUND, COLOUR_TOLERANCE)) << p.x << "," << p.y;
}

} // namespace

TEST_F(MoviePlayback, VideoShowsInItsWindowAndLeavesItWhenFreed) {
    ASSERT_NE(Load("solid.avi"), nullptr);
    ASSERT_EQ(MoviePlay(0, window), 1);
    HWND video = GetWindow(window, GW_CHILD);
    ASSERT_NE(video, nullptr) << "the video window did not become a child of the window";
    EXPECT_EQ(GetWindowLongA(video, GWL_STYLE) & (WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_VISIBLE),
              WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE);
    ExpectSolidPictureAtTopLeft(window);
    MovieFree(0);
    EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the freed movie's video window stays in its owner";
}

TEST_F(MoviePlayback, OwnerAndStyleAreSetOnlyWhenTheWindowChanges) {
    MovieObject* movie = Load("solid.avi");
    ASSERT_NE(movie, nullptr);
    HWND other = TestWindowOpen("Other", 320, 240);
    SetWindowPos(other, nullptr, 450, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_EQ(MoviePlay(0, window), 1);
    HWND video = GetWindow(window, GW_CHILD);
    movie->videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER);
    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_TRUE(GetWindowLongA(video, GWL_STYLE) & WS_BORDER)
        << "the same window must not get the style again";
    ASSERT_EQ(MoviePlay(0, other), 1);
    EXPECT_EQ(GetParent(video), other) << "another window must become the owner";
    EXPECT_FALSE(GetWindowLongA(video, GWL_STYLE) & WS_BORDER) << "another window must get the style again";
    ExpectSolidPictureAtTopLeft(other);
    MovieFree(0);
    DestroyWindow(other);
}

// Every start plays from the beginning, whatever came before it; a halt pauses where the movie is.
TEST_F(MoviePlayback, StartPlaysFromTheBeginningAfterEveryStep) {
    enum Before { PLAYING, HALTED, ENDED, READY };
    const struct {
        const char* name;
        const char* file;
        Before before;
        bool video;
    } rows[] = {{"while playing", "film-sound.avi", PLAYING, true},
                {"after a halt", "film-sound.avi", HALTED, true},
                {"after the end", "film-mjpeg.avi", ENDED, true},
                {"after a halt when ready", "film.mpg", READY, true},
                {"sound only, after a halt", "tone-long.wav", HALTED, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MovieObject* movie = Load(row.file);
        ASSERT_NE(movie, nullptr);
        if (row.before != READY) {
            ASSERT_EQ(MoviePlay(0, window), 1);
            EXPECT_EQ(GetWindow(window, GW_CHILD) != nullptr, row.video);
            ASSERT_TRUE(row.before == ENDED ? GraphCompletes(movie) : PlayedFor(movie, PLAYED_SECONDS));
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
        EXPECT_TRUE(PlayedFor(movie, RESTART_SECONDS)) << "the restarted movie does not advance";
        MovieFree(0);
    }
}

TEST_F(MoviePlayback, WindowlessStartDrivesAnAttachedStreamAndNotTheGraph) {
    MovieObject* movie = Load("film-sound.avi");
    IAMMultiMediaStream* stream = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IAMMultiMediaStream, reinterpret_cast<void**>(&stream)),
              S_OK);
    stream->Initialize(STREAMTYPE_READ, 0, nullptr);
    stream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, 0, nullptr);
    ASSERT_EQ(stream->OpenFile(L"" VORNAK_MEDIA_DIR "\\smoke.wav", 0), S_OK);
    movie->windowlessBlock.stream = stream; // handed over with a reference, as an attaching operation would
    stream->AddRef();
    std::vector<STREAM_STATE> states;
    auto record = [&] {
        states.push_back(STREAMSTATE_STOP);
        stream->GetState(&states.back());
    };
    ASSERT_EQ(MoviePlay(0, MOVIE_WINDOWLESS), 1);
    record();
    EXPECT_EQ(GraphState(movie->control), State_Stopped) << "windowless playback does not run the graph";
    MovieStop(0);
    record();
    MoviePlay(0, MOVIE_WINDOWLESS);
    record();
    MovieFree(0);
    record();
    EXPECT_EQ(states, std::vector<STREAM_STATE>(
                          {STREAMSTATE_RUN, STREAMSTATE_STOP, STREAMSTATE_RUN, STREAMSTATE_STOP}));
    EXPECT_EQ(stream->Release(), 0u) << "freeing the movie must release its stream";
}
