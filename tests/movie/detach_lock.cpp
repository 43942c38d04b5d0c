// A library whose detach code takes a lock that DetachLockHold keeps while it waits, and then
// creates the file that VORNAK_DETACH_MARK names, so that a test sees whether it ran.
#include <windows.h>

namespace {
CRITICAL_SECTION lock;
}

extern "C" __declspec(dllexport) void DetachLockHold(HANDLE release) {
    EnterCriticalSection(&lock);
    WaitForSingleObject(release, INFINITE);
    LeaveCriticalSection(&lock);
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
