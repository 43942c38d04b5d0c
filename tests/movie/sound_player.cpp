// Plays a ten-second 1 kHz tone through the movie library for sound_test.sh: starts it, halts it
// after a while and stays alive halted, marking each moment with a file in the given folder so that
// the recorder's position at that moment is known.
#include <stdio.h>

#include "movie_test_util.h"
#include "test_support.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 10000;
constexpr DWORD PLAYING_MS = 2500;
constexpr DWORD HALTED_MS = 2500;

void MomentMark(const std::string& folder, const char* moment) {
    FILE* file = fopen((folder + "\\" + moment).c_str(), "w");
    if (file) fclose(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: movie_sound_player MARK-FOLDER\n");
        return 2;
    }
    std::string marks = argv[1];
    TestRuntimeStart();
    if (!MovieInit()) return 3;
    HWND window = PlayerWindowOpen(160, 40);
    if (!MovieLoad(0, MediaPath("tone-long.wav").c_str())) return 4;
    MovieObject* movie = MovieRecord(0);
    MoviePlay(0, window);
    if (!PumpUntil([&] { return GraphPositionSeconds(movie) > 0; }, START_TIMEOUT_MS)) return 5;
    MomentMark(marks, "playing");
    PumpFor(PLAYING_MS);
    MovieStop(0);
    MomentMark(marks, "halted");
    PumpFor(HALTED_MS);
    int result = movie->state == MOVIE_HALTED ? 0 : 6;
    MovieEnd();
    DestroyWindow(window);
    return result;
}
