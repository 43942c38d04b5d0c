// Platform smoke test: the Windows-on-Linux stack shows a window, renders a clip and a sound through
// DirectShow and makes a DirectDraw 7 object. Each failure names the missing piece.
#include <gtest/gtest.h>

#include <dshow.h>
#include <ddraw.h>

#include "test_support.h"

TEST(Platform, WindowFilterGraphAndDirectDraw7Work) {
    EXPECT_TRUE(DestroyWindow(TestWindowOpen("smoke"))) << "no window: is Xvfb running and DISPLAY set?";
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (const wchar_t* file : {L"" VORNAK_MEDIA_DIR "\\smoke.avi", L"" VORNAK_MEDIA_DIR "\\smoke.wav"}) {
        IGraphBuilder* graph = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   (void**)&graph),
                  S_OK);
        EXPECT_EQ(graph->RenderFile(file, nullptr), S_OK)
            << "GStreamer i386 plugins, PulseAudio: scripts/setup.sh";
        graph->Release();
    }
    typedef HRESULT(WINAPI * CreateEx)(GUID*, void**, REFIID, IUnknown*);
    auto create = reinterpret_cast<CreateEx>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("DDRAW.DLL"), "DirectDrawCreateEx")));
    IUnknown* object = nullptr;
    ASSERT_TRUE(create && create(nullptr, (void**)&object, IID_IDirectDraw7, nullptr) == DD_OK && object)
        << "no IDirectDraw7: is Mesa GL for i386 installed?";
    object->Release();
}
