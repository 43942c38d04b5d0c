// A library whose detach code takes a lock that DetachLockHold keeps while it waits.
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
    }
    return TRUE;
}
