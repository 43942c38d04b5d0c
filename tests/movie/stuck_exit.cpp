// Run by rundll32: ends as the player ends after its movie thread was given up inside a lock that
// this library's detach code takes, with the thread still stuck ("stuck") or come back. The detach
// code creates the file VORNAK_DETACH_MARK names, so that the test sees whether it ran.
#include <objbase.h>

#include "movie_internal.h"

static constexpr DWORD GIVE_UP_MS = 500;
static CRITICAL_SECTION lock;

extern "C" __declspec(dllexport) void CALLBACK StuckExit(HWND, HINSTANCE, LPSTR command, int) {
    ProgramHeap = HeapCreate(0, 0, 0);
    CoInitialize(nullptr);
    if (!MovieInit()) return;
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto hold = [](void* event) {
        EnterCriticalSection(&lock);
        WaitForSingleObject(event, INFINITE);
        LeaveCriticalSection(&lock);
    };
    if (MovieThreadCall(hold, release, GIVE_UP_MS)) return;
    if (lstrcmpA(command, "stuck") != 0) {
        SetEvent(release);
        while (MovieThreadStuck())
            Sleep(GIVE_UP_MS);
    }
    MovieEnd();
    MovieProcessExit(0);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&lock);
    if (reason == DLL_PROCESS_DETACH) {
        EnterCriticalSection(&lock);
        LeaveCriticalSection(&lock);
        char mark[MAX_PATH];
        if (GetEnvironmentVariableA("VORNAK_DETACH_MARK", mark, MAX_PATH))
            CloseHandle(CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}
