#include "plain_player.h"

namespace {

template <typename Interface> bool Query(IGraphBuilder* graph, REFIID iid, Interface** out) {
    return graph->QueryInterface(iid, reinterpret_cast<void**>(out)) == S_OK;
}

} // namespace

bool PlainLoad(PlainPlayer* player, const wchar_t* path) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(player->graph.Out()))))
        return false;
    IGraphBuilder* graph = player->graph;
    if (graph->RenderFile(path, nullptr) != S_OK) return false;
    bool complete = Query(graph, IID_IMediaControl, player->control.Out());
    complete &= Query(graph, IID_IMediaEventEx, player->events.Out());
    complete &= Query(graph, IID_IMediaSeeking, player->seeking.Out());
    complete &= Query(graph, IID_IVideoWindow, player->videoWindow.Out());
    complete &= Query(graph, IID_IBasicVideo, player->video.Out());
    Query(graph, IID_IBasicAudio, player->audio.Out());
    if (!complete) return false;
    player->seeking.Get()->SetTimeFormat(&TIME_FORMAT_FRAME);
    long width = -1, height = -1;
    player->video.Get()->get_VideoWidth(&width);
    player->video.Get()->get_VideoHeight(&height);
    player->videoWindow.Get()->SetWindowPosition(0, 0, width, height);
    return true;
}

void PlainPlay(PlainPlayer* player, HWND window) {
    player->control.Get()->Stop();
    LONGLONG start = 0;
    player->seeking.Get()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning);
    OAHWND owner = 0;
    if (player->videoWindow.Get()->get_Owner(&owner) != S_OK || owner != reinterpret_cast<OAHWND>(window)) {
        player->videoWindow.Get()->put_Owner(reinterpret_cast<OAHWND>(window));
        player->videoWindow.Get()->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    }
    player->videoWindow.Get()->put_Visible(OATRUE);
    player->control.Get()->Run();
}

void PlainFree(PlainPlayer* player) {
    if (player->control) player->control.Get()->Stop();
    if (player->videoWindow) player->videoWindow.Get()->put_Owner(0);
    player->audio.Reset();
    player->video.Reset();
    player->videoWindow.Reset();
    player->seeking.Reset();
    player->events.Reset();
    player->control.Reset();
    player->graph.Reset();
}
