// Starting and halting movies in real windows: where the video window goes and what the screen
// then shows, restarts from the beginning read from the graph itself, halting, the end of a film,
// sound-only movies and windowless playback of an attached stream.
#include <gtest/gtest.h>

#include <amstream.h>

#include "movie_test_util.h"
#include "test_support.h"

namespace {

constexpr DWORD PLAY_TIMEOUT_MS = 10000;
constexpr uint32_t SOLID_COLOUR = 0x2060C0; // solid.avi
constexpr uint32_t WINDOW_BACKGROUND = 0xFFFFFF;
constexpr int COLOUR_TOLERANCE = 24;
constexpr int SOLID_WIDTH = 160;
constexpr int SOLID_HEIGHT = 120;
constexpr int EDGE = 2; // pixels at the picture's border that scaling may blend
constexpr double PLAYED_SECONDS = 1.0;
constexpr double RESTART_SECONDS = 0.5; // a restarted movie is read well before this

class MoviePlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        ASSERT_NE(MovieInit(), nullptr);
        window = PlayerWindowOpen(320, 240);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        MovieEnd();
        DestroyWindow(window);
    }
    MovieObject* Load(const char* media) {
        if (!MovieLoad(0, MediaPath(media).c_str())) return nullptr;
        return MovieRecord(0);
    }
    static bool PlayedFor(MovieObject* movie, double seconds) {
        return PumpUntil([&] { return GraphPositionSeconds(movie) >= seconds; }, PLAY_TIMEOUT_MS);
    }
    HWND window = nullptr;
};

// The screen shows the solid clip over exactly the frame's rectangle at the client's top left.
void ExpectSolidPictureAtTopLeft(HWND window) {
    ASSERT_TRUE(PumpUntil(
        [&] {
            return ColourNear(ClientCapture(window).At(SOLID_WIDTH / 2, SOLID_HEIGHT / 2), SOLID_COLOUR,
                              COLOUR_TOLERANCE);
        },
        PLAY_TIMEOUT_MS))
        << "the clip's colour never appeared in the window";
    ClientPixels screen = ClientCapture(window);
    int wrong = 0;
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            bool inside = x < SOLID_WIDTH - EDGE && y < SOLID_HEIGHT - EDGE;
            bool outside = x >= SOLID_WIDTH + EDGE || y >= SOLID_HEIGHT + EDGE;
            if (inside && !ColourNear(screen.At(x, y), SOLID_COLOUR, COLOUR_TOLERANCE)) ++wrong;
            if (outside && !ColourNear(screen.At(x, y), WINDOW_BACKGROUND, COLOUR_TOLERANCE)) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels differ from a " << SOLID_WIDTH << "x" << SOLID_HEIGHT << " picture at 0,0";
}

HWND VideoWindowOf(HWND owner) {
    return GetWindow(owner, GW_CHILD);
}

// The next graph event of the given code, polled while messages are pumped.
bool GraphEventArrives(MovieObject* movie, long wanted) {
    return PumpUntil(
        [&] {
            long code;
            LONG_PTR first, second;
            while (movie->events->GetEvent(&code, &first, &second, 0) == S_OK) {
                movie->events->FreeEventParams(code, first, second);
                if (code == wanted) return true;
            }
            return false;
        },
        PLAY_TIMEOUT_MS);
}

} // namespace

TEST_F(MoviePlayback, VideoShowsInTheWindowAtItsTopLeftWithTheFrameSize) {
    MovieObject* movie = Load("solid.avi");
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_EQ(movie->state, MOVIE_PLAYING);
    EXPECT_EQ(movie->windowless, 0);

    HWND video = VideoWindowOf(window);
    ASSERT_NE(video, nullptr) << "the video window did not become a child of the window";
    RECT placed;
    GetWindowRect(video, &placed);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.top, 0);
    EXPECT_EQ(placed.right, SOLID_WIDTH);
    EXPECT_EQ(placed.bottom, SOLID_HEIGHT);
    LONG style = GetWindowLongA(video, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION), WS_CHILD | WS_CLIPSIBLINGS);
    EXPECT_TRUE(IsWindowVisible(video));
    ExpectSolidPictureAtTopLeft(window);
}

TEST_F(MoviePlayback, OwnerAndStyleAreSetOnlyWhenTheWindowChanges) {
    MovieObject* movie = Load("solid.avi");
    ASSERT_NE(movie, nullptr);
    HWND other = PlayerWindowOpen(320, 240);
    SetWindowPos(other, nullptr, 450, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_EQ(MoviePlay(0, window), 1);
    HWND video = VideoWindowOf(window);
    ASSERT_NE(video, nullptr);
    constexpr long BORDERED = WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER;
    movie->videoWindow->put_WindowStyle(BORDERED);

    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_EQ(GetParent(video), window);
    EXPECT_TRUE(GetWindowLongA(video, GWL_STYLE) & WS_BORDER)
        << "the same window must not get the style again";

    ASSERT_EQ(MoviePlay(0, other), 1);
    EXPECT_EQ(GetParent(video), other) << "another window must become the owner";
    EXPECT_FALSE(GetWindowLongA(video, GWL_STYLE) & WS_BORDER) << "another window must get the style again";
    EXPECT_EQ(VideoWindowOf(window), nullptr);
    ExpectSolidPictureAtTopLeft(other);
    MovieFree(0);
    DestroyWindow(other);
}

TEST_F(MoviePlayback, StartingAgainPlaysFromTheBeginning) {
    MovieObject* movie = Load("film-sound.avi");
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(MoviePlay(0, window), 1);
    ASSERT_TRUE(PlayedFor(movie, PLAYED_SECONDS));
    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_LT(GraphPositionSeconds(movie), RESTART_SECONDS);
    EXPECT_EQ(GraphState(movie), State_Running);
    EXPECT_EQ(movie->state, MOVIE_PLAYING);
    EXPECT_TRUE(PlayedFor(movie, RESTART_SECONDS)) << "the restarted movie does not advance";
}

TEST_F(MoviePlayback, HaltPausesWhereItIsAndStartPlaysFromTheBeginning) {
    MovieObject* movie = Load("film-sound.avi");
    ASSERT_NE(movie, nullptr);
    MovieStop(0);
    EXPECT_EQ(movie->state, MOVIE_READY) << "halting a ready movie changes nothing";
    EXPECT_EQ(GraphState(movie), State_Stopped);

    ASSERT_EQ(MoviePlay(0, window), 1);
    ASSERT_TRUE(PlayedFor(movie, PLAYED_SECONDS));
    MovieStop(0);
    EXPECT_EQ(movie->state, MOVIE_HALTED);
    EXPECT_EQ(GraphState(movie), State_Paused);
    double halted = GraphPositionSeconds(movie);
    EXPECT_GE(halted, PLAYED_SECONDS);
    PumpFor(300);
    EXPECT_DOUBLE_EQ(GraphPositionSeconds(movie), halted) << "a halted movie must keep its position";
    MovieStop(0);
    EXPECT_EQ(movie->state, MOVIE_HALTED);
    EXPECT_EQ(GraphState(movie), State_Paused) << "halting a halted movie changes nothing";
    EXPECT_DOUBLE_EQ(GraphPositionSeconds(movie), halted);

    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_LT(GraphPositionSeconds(movie), RESTART_SECONDS) << "start after halt must not resume";
    EXPECT_EQ(GraphState(movie), State_Running);
}

TEST_F(MoviePlayback, MovieThatReachedItsEndIsStillPlaying) {
    MovieObject* movie = Load("film-mjpeg.avi");
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(MoviePlay(0, window), 1);
    ASSERT_TRUE(GraphEventArrives(movie, EC_COMPLETE));
    EXPECT_EQ(movie->state, MOVIE_PLAYING);
    EXPECT_EQ(GraphState(movie), State_Running);
    MovieStop(0);
    EXPECT_EQ(movie->state, MOVIE_HALTED);
    EXPECT_EQ(GraphState(movie), State_Paused);
    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_LT(GraphPositionSeconds(movie), RESTART_SECONDS);
    EXPECT_TRUE(GraphEventArrives(movie, EC_COMPLETE)) << "the film did not play again";
}

TEST_F(MoviePlayback, SoundOnlyMovieStartsAndHalts) {
    MovieObject* movie = Load("tone-long.wav");
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(MoviePlay(0, window), 1);
    EXPECT_EQ(VideoWindowOf(window), nullptr);
    EXPECT_EQ(GraphState(movie), State_Running);
    ASSERT_TRUE(PlayedFor(movie, RESTART_SECONDS));
    MovieStop(0);
    EXPECT_EQ(GraphState(movie), State_Paused);
    EXPECT_EQ(movie->state, MOVIE_HALTED);
}

TEST_F(MoviePlayback, WindowlessStartDrivesAnAttachedStreamAndNotTheGraph) {
    MovieObject* movie = Load("film-sound.avi");
    ASSERT_NE(movie, nullptr);
    IAMMultiMediaStream* stream = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IAMMultiMediaStream, reinterpret_cast<void**>(&stream)),
              S_OK);
    stream->Initialize(STREAMTYPE_READ, 0, nullptr);
    stream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, 0, nullptr);
    std::string path = MediaPath("smoke.wav");
    ASSERT_EQ(stream->OpenFile(std::wstring(path.begin(), path.end()).c_str(), 0), S_OK);
    // The record takes over the test's reference, as an attaching operation would hand it over.
    movie->windowlessBlock.stream = stream;
    Held<IAMMultiMediaStream> held(stream);
    auto streamState = [&] {
        STREAM_STATE state = STREAMSTATE_STOP;
        stream->GetState(&state);
        return state;
    };

    ASSERT_EQ(MoviePlay(0, MOVIE_WINDOWLESS), 1);
    EXPECT_EQ(movie->windowless, 1);
    EXPECT_EQ(movie->state, MOVIE_PLAYING);
    EXPECT_EQ(streamState(), STREAMSTATE_RUN);
    EXPECT_EQ(GraphState(movie), State_Stopped) << "windowless playback does not run the graph";
    EXPECT_EQ(VideoWindowOf(window), nullptr);
    MovieStop(0);
    EXPECT_EQ(streamState(), STREAMSTATE_STOP);
    EXPECT_EQ(movie->state, MOVIE_HALTED);
    ASSERT_EQ(MoviePlay(0, MOVIE_WINDOWLESS), 1);
    EXPECT_EQ(streamState(), STREAMSTATE_RUN);

    MovieFree(0);
    EXPECT_EQ(streamState(), STREAMSTATE_STOP);
    EXPECT_EQ(held.Drop(), 0u) << "freeing the movie must release its stream";
}
