// Cases that need DDRAW.DLL disabled. movie_directdraw starts this program once per case, after
// disabling the DLL for it; a case may enable it again by deleting the override.
#include <gtest/gtest.h>

#include "movie_test_util.h"
#include "test_support.h"

namespace {

// Enables DDRAW.DLL again for this program; false when it was not disabled.
bool DdrawOverrideRemove() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    std::string key =
        "Software\\Wine\\AppDefaults\\" + self.substr(self.find_last_of('\\') + 1) + "\\DllOverrides";
    return RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), "ddraw") == ERROR_SUCCESS;
}

} // namespace

TEST(DirectDrawDisabled, FailedAcquireIsCountedAndOneReleaseGivesItBack) {
    EXPECT_EQ(DirectDrawAcquire(), nullptr);
    EXPECT_EQ(DirectDrawUseCount(), 1);
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0);
}

TEST(DirectDrawDisabled, FailedThenSuccessfulAcquireNeedsTwoReleases) {
    ASSERT_EQ(DirectDrawAcquire(), nullptr);
    ASSERT_TRUE(DdrawOverrideRemove()) << "started without the override of movie_directdraw";
    void* created = DirectDrawAcquire();
    ASSERT_NE(created, nullptr) << "every acquire without an object tries the creation again";
    EXPECT_EQ(DirectDrawUseCount(), 2);

    Held<IUnknown> object(static_cast<IUnknown*>(created));
    DirectDrawRelease();
    EXPECT_EQ(object.Others(), 1u) << "the failed acquire's use still counts";
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0);
    EXPECT_EQ(object.Drop(), 0u);
}

TEST(DirectDrawDisabled, MovieLibraryDoesNotStartAndItsEndGivesTheUseBack) {
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(MovieInit(), nullptr);
    EXPECT_EQ(MovieRegistry(), nullptr);
    EXPECT_EQ(MovieLoad(0, MediaPath("film-mjpeg.avi").c_str()), 0);
    EXPECT_EQ(MovieLoad(ANY_NUMBER, MediaPath("film-mjpeg.avi").c_str()), 0);
    EXPECT_EQ(MovieFrameWidth(0), 0);
    EXPECT_EQ(MoviePlay(0, GetDesktopWindow()), 0);
    MovieStop(0);
    MovieFree(0);
    EXPECT_EQ(DirectDrawUseCount(), 1);

    MovieEnd();
    EXPECT_EQ(DirectDrawUseCount(), 0);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE)
        << "the end must not undo COM that the library never initialised";
    CoUninitialize();
    CoUninitialize();

    ASSERT_TRUE(DdrawOverrideRemove());
    EXPECT_NE(MovieInit(), nullptr) << "a later start tries DirectDraw again";
    EXPECT_NE(MovieRegistry(), nullptr);
    MovieEnd();
    EXPECT_EQ(DirectDrawUseCount(), 0);
}
