// Ends the way the player ends while its movie thread, given up, is stuck inside a lock that a
// library's detach code takes. Exit code 0 when it ends; the test sees a hang as a time-out.
#include <objbase.h>

#include "movie_internal.h"
#include "test_support.h"

extern "C" __declspec(dllimport) void DetachLockHold(HANDLE release);

namespace {
constexpr DWORD GIVE_UP_MS = 500;
constexpr int NOT_STARTED = 2;
constexpr int NOT_GIVEN_UP = 3;
} // namespace

int main() {
    TestRuntimeStart();
    CoInitialize(nullptr);
    if (!MovieInit()) return NOT_STARTED;
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (MovieThreadCall([](void* release) { DetachLockHold(release); }, never, GIVE_UP_MS))
        return NOT_GIVEN_UP;
    MovieEnd();
    MovieProcessExit(0);
}
