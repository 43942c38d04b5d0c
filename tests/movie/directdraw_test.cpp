// The DirectDraw probe and the movie library's start and end around it, with the real DDRAW.DLL
// and, in the CTest entry that disables it, without.
#include <gtest/gtest.h>

#include "movie_test_util.h"

TEST(DirectDraw, SharedObjectLivesUntilItsLastUseIsGivenBack) {
    auto* first = static_cast<IUnknown*>(DirectDrawAcquire());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DirectDrawAcquire(), first) << "a second acquire shares the object";
    first->AddRef();
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 1);
    EXPECT_EQ(first->AddRef(), 3u) << "one use left keeps the probe's reference";
    first->Release();
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

TEST(MovieLibrary, EndWhilePlayingGivesBackWhatTheStartsMade) {
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK) << "the program's own initialisation, as the requester makes it";
    int heapBlocks = ProgramHeapBlocks();
    MovieEnd(); // without a start: nothing
    void* directDraw = MovieInit();
    ASSERT_NE(directDraw, nullptr);
    std::string film = MediaPath("film-sound.avi");
    HWND window = TestWindowOpen("Player");
    ASSERT_NE(MovieLoad(0, film.c_str()), 0);
    ASSERT_NE(MovieLoad(1000, film.c_str()), 0) << "grows the slots";
    EXPECT_EQ(MovieInit(), directDraw) << "the application starts the library on every player choice";
    EXPECT_EQ(MovieFrameWidth(0), 192) << "a repeated start keeps the movies";
    ASSERT_EQ(MoviePlay(0, window), 1);
    MovieObject* movie = MovieRecord(0);
    ASSERT_TRUE(PumpUntil([&] { return GraphPositionSeconds(movie) > 0.3; }));
    IMediaSeeking* seeking = movie->seeking;
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
    EXPECT_NE(MovieLoad(0, film.c_str()), 0) << "a start after the end loads again";
    MovieEnd();
    CoUninitialize();
}

// Runs only in the CTest entry that disables DDRAW.DLL.
TEST(DirectDrawDisabled, NothingStartsAndEveryUseIsGivenBack) {
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(DirectDrawAcquire(), nullptr);
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0);
    EXPECT_EQ(MovieInit(), nullptr);
    EXPECT_EQ(MovieInit(), nullptr);
    EXPECT_EQ(MovieLoad(0, MediaPath("film-mjpeg.avi").c_str()), 0);
    EXPECT_EQ(MovieLoad(ANY_NUMBER, MediaPath("film-mjpeg.avi").c_str()), 0);
    EXPECT_EQ(DirectDrawUseCount(), 2) << "every failed start counts a use";
    MovieEnd();
    EXPECT_EQ(DirectDrawUseCount(), 0);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE)
        << "the end must not undo COM that the library never initialised";
    CoUninitialize();
    CoUninitialize();
}
