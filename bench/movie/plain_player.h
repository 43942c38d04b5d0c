// The yardstick of the movie benchmark: a DirectShow player on the calling thread that makes the
// platform calls the movie library makes (the same queries, time format, sizes, window position),
// with nothing of the library around them.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "core.h"

struct PlainPlayer {
    ScopedCom<IGraphBuilder> graph;
    ScopedCom<IMediaControl> control;
    ScopedCom<IMediaEventEx> events;
    ScopedCom<IMediaSeeking> seeking;
    ScopedCom<IVideoWindow> videoWindow;
    ScopedCom<IBasicVideo> video;
    ScopedCom<IBasicAudio> audio;
};

// Builds the graph by rendering the file and sets it up as the library does; false when it does
// not render completely.
bool PlainLoad(PlainPlayer* player, const wchar_t* path);

// Plays from the start with the video at the window's top left.
void PlainPlay(PlainPlayer* player, HWND window);

void PlainFree(PlainPlayer* player);
