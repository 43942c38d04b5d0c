// Helpers of the movie tests: windows to play into, message pumping while polling, screen pixels
// of a window, the graph's own view of a movie, and references the tests hold themselves.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "movie.h"
#include "test_support.h"

// A visible window like the player's (WS_CAPTION | WS_SYSMENU) whose client area has the given size.
HWND PlayerWindowOpen(int clientWidth, int clientHeight);

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
