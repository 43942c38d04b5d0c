// Platform smoke test: the Windows-on-Linux stack shows a window, renders a clip and a sound through
// DirectShow and makes a DirectDraw 7 object. Each failure names the missing piece.
#include <windows.h>
#include <dshow.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include "test_support.h"

TEST(Platform, WindowFilterGraphAndDirectDraw7Work) {
    HWND window = TestWindowOpen("smoke");
    EXPECT_TRUE(IsWindowVisible(window)) << "no window: is an X display (Xvfb) running and DISPLAY set?";
    DestroyWindow(window);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (const char* file : {"smoke.avi", "smoke.wav"}) {
        IGraphBuilder* graph = nullptr;
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&graph));
        std::string path = MediaPath(file);
        ASSERT_NE(graph, nullptr) << "no filter graph";
        EXPECT_EQ(graph->RenderFile(std::wstring(path.begin(), path.end()).c_str(), nullptr), S_OK)
            << file
            << ": are the i386 GStreamer plugins and a PulseAudio sink there (scripts/setup.sh, test.sh)?";
        graph->Release();
    }
    CoUninitialize();
    typedef HRESULT(WINAPI * CreateEx)(GUID*, void**, REFIID, IUnknown*);
    HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
    auto create =
        reinterpret_cast<CreateEx>(reinterpret_cast<void*>(GetProcAddress(ddraw, "DirectDrawCreateEx")));
    IUnknown* object = nullptr;
    ASSERT_NE(create, nullptr) << "DDRAW.DLL cannot be loaded";
    create(nullptr, reinterpret_cast<void**>(&object), IID_IDirectDraw7, nullptr);
    ASSERT_NE(object, nullptr) << "DirectDrawCreateEx gave no IDirectDraw7: is Mesa GL for i386 installed?";
    object->Release();
    FreeLibrary(ddraw);
}
