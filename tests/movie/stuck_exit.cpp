// Ends the way the player ends after its movie thread was given up inside a lock that a library's
// detach code takes: with the thread still stuck, or (argument "returned") after it came back.
// Exit code 0 when it ends; the test sees a hang as a time-out.
#include <objbase.h>
#include <string.h>

#include "movie_internal.h"
#include "test_support.h"

extern "C" __declspec(dllimport) void DetachLockHold(HANDLE release);

namespace {
constexpr DWORD GIVE_UP_MS = 500;
constexpr int NOT_STARTED = 2;
constexpr int NOT_GIVEN_UP = 3;
} // namespace

int main(int argc, char** argv) {
    TestRuntimeStart();
    CoInitialize(nullptr);
    if (!MovieInit()) return NOT_STARTED;
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (MovieThreadCall([](void* event) { DetachLockHold(event); }, release, GIVE_UP_MS)) return NOT_GIVEN_UP;
    if (argc > 1 && strcmp(argv[1], "returned") == 0) {
        SetEvent(release);
        PumpUntil([] { return !MovieThreadStuck(); });
    }
    MovieEnd();
    MovieProcessExit(0);
}
