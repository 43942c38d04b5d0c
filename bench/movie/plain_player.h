// The yardstick of the movie benchmark: a DirectShow player in the fewest calls the platform
// allows, with nothing of the movie library.
#pragma once

#include <windows.h>
#include <dshow.h>

struct PlainPlayer {
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IVideoWindow* videoWindow = nullptr;
};

// Builds the graph by rendering the file; false when it does not render.
bool PlainLoad(PlainPlayer* player, const wchar_t* path);

// Puts the video at the window's top left with the given size and runs the graph.
void PlainPlay(PlainPlayer* player, HWND window, long width, long height);

void PlainFree(PlainPlayer* player);
