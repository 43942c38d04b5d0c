// The DirectDraw probe: one DirectDraw 7 object for the process, counted by uses. DDRAW.DLL is
// loaded by name when the object is made, so the program starts where the DLL is missing.
#include "movie.h"
#include "movie_internal.h"

#include <ddraw.h>

namespace {

typedef HRESULT(WINAPI* DirectDrawCreateExFunction)(GUID* device, void** object, REFIID iid, IUnknown* outer);

struct DirectDrawProbe {
    IDirectDraw7* object;
    HMODULE module; // valid only while object is set
    int32_t uses;
};
DirectDrawProbe probe;

IDirectDraw7* ProbeObjectCreate(HMODULE module) {
    auto create = reinterpret_cast<DirectDrawCreateExFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "DirectDrawCreateEx")));
    if (!create) return nullptr;
    void* object = nullptr;
    // A failed creation may leave anything behind; only a reference from a successful one is used.
    if (FAILED(create(nullptr, &object, IID_IDirectDraw7, nullptr))) return nullptr;
    return static_cast<IDirectDraw7*>(object);
}

} // namespace

void* DirectDrawAcquire() {
    if (!probe.object) {
        if (HMODULE module = LoadLibraryA("DDRAW.DLL")) {
            probe.object = ProbeObjectCreate(module);
            if (probe.object)
                probe.module = module;
            else
                FreeLibrary(module);
        }
    }
    ++probe.uses;
    return probe.object;
}

void DirectDrawRelease() {
    // A release without an acquire would otherwise let a later acquire and release pair keep the
    // object forever.
    if (probe.uses > 0) --probe.uses;
    if (probe.object && probe.uses == 0) {
        probe.object->Release();
        probe.object = nullptr;
        FreeLibrary(probe.module);
        probe.module = nullptr;
    }
}

int32_t DirectDrawUseCount() {
    return probe.uses;
}
