// Helpers of the movie tests: windows to play into, message pumping while polling, screen pixels
// of a window, the graph's own view of a movie, and references the tests hold themselves.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <functional>
#include <string>
#include <vector>

#include "movie.h"

// A visible top-level window like the player's (WS_CAPTION | WS_SYSMENU, white background) whose
// client area has the given size.
HWND TestWindowOpen(int x, int y, int clientWidth, int clientHeight);

// Dispatches the thread's messages until ready() holds or timeoutMs pass; returns ready().
bool MessageLoopUntil(const std::function<bool()>& ready, DWORD timeoutMs);

// Dispatches messages for a while, for checks that something does not happen.
void MessageLoopFor(DWORD milliseconds);

// The screen's pixels over a window's client area, as 0xRRGGBB.
struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ClientPixels ClientCapture(HWND window);

// True when every channel of a and b differs by at most tolerance.
bool ColourNear(uint32_t a, uint32_t b, int tolerance);

// The graph's state and current position (in seconds) of a movie, read through its own interfaces.
OAFilterState GraphState(const MovieObject* movie);
double GraphPositionSeconds(const MovieObject* movie);

MovieObject* MovieRecord(ObjectNumber number);

// A reference of the test's own, so that the test can see when the library lets go of an object.
template <typename Interface> struct Held {
    Interface* object = nullptr;
    explicit Held(Interface* o) : object(o) {
        if (object) object->AddRef();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (object) object->Release();
    }
    // Gives the test's reference back and returns the count left, 0 once nobody else holds one.
    ULONG Drop() {
        ULONG left = object->Release();
        object = nullptr;
        return left;
    }
    // References held by others than the test.
    ULONG Others() {
        object->AddRef();
        return object->Release() - 1;
    }
};

// Busy blocks of ProgramHeap, to see that the library frees what it allocated there.
int ProgramHeapBlocks();

// Path of a file beside the running test program.
std::string SiblingPath(const char* fileName);
