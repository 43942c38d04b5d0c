#include "plain_player.h"

bool PlainLoad(PlainPlayer* player, const wchar_t* path) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&player->graph))))
        return false;
    if (FAILED(player->graph->RenderFile(path, nullptr))) return false;
    player->graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&player->control));
    player->graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&player->videoWindow));
    return true;
}

void PlainPlay(PlainPlayer* player, HWND window, long width, long height) {
    player->videoWindow->put_Owner(reinterpret_cast<OAHWND>(window));
    player->videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    player->videoWindow->SetWindowPosition(0, 0, width, height);
    player->control->Run();
}

void PlainFree(PlainPlayer* player) {
    if (player->control) {
        player->control->Stop();
        player->control->Release();
    }
    if (player->videoWindow) player->videoWindow->Release();
    if (player->graph) player->graph->Release();
    *player = PlainPlayer();
}
