// Platform smoke test: before anything else is believed, the Windows-on-Linux stack must show a
// window, decode a generated clip through DirectShow and render a sound file. Each failure names
// the missing piece.
#include <windows.h>
#include <dshow.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct ComApartment {
    ComApartment() { CoInitialize(nullptr); }
    ~ComApartment() { CoUninitialize(); }
};

HRESULT RenderThroughFilterGraph(const std::string& path) {
    IGraphBuilder* graph = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&graph));
    if (hr != S_OK) return hr;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    hr = graph->RenderFile(wide, nullptr);
    graph->Release();
    return hr;
}

} // namespace

TEST(Platform, DisplayShowsAWindow) {
    HWND window = CreateWindowExA(0, "STATIC", "smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr) << "no window: is an X display (Xvfb) running and DISPLAY set?";
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    DestroyWindow(window);
}

TEST(Platform, FilterGraphRendersGeneratedAvi) {
    ComApartment com;
    HRESULT hr = RenderThroughFilterGraph(MediaPath("smoke.avi"));
    EXPECT_EQ(hr, S_OK) << "RenderFile of an MJPEG AVI failed (0x" << std::hex << hr
                        << "): are the i386 GStreamer plugins (base, good, libav) and libgl1-mesa-dri:i386 "
                           "installed? scripts/setup.sh installs them";
}

TEST(Platform, FilterGraphRendersSoundThroughTheSoundServer) {
    ComApartment com;
    HRESULT hr = RenderThroughFilterGraph(MediaPath("smoke.wav"));
    EXPECT_EQ(hr, S_OK) << "RenderFile of a WAV failed (0x" << std::hex << hr
                        << "): is a PulseAudio daemon running with a sink? scripts/test.sh starts one";
}

TEST(Platform, DirectDraw7CanBeCreated) {
    HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
    ASSERT_NE(ddraw, nullptr) << "DDRAW.DLL cannot be loaded";
    typedef HRESULT(WINAPI * CreateEx)(GUID*, void**, REFIID, IUnknown*);
    auto create =
        reinterpret_cast<CreateEx>(reinterpret_cast<void*>(GetProcAddress(ddraw, "DirectDrawCreateEx")));
    ASSERT_NE(create, nullptr);
    void* object = nullptr;
    create(nullptr, &object, IID_IDirectDraw7, nullptr);
    EXPECT_NE(object, nullptr) << "DirectDrawCreateEx gave no IDirectDraw7: is Mesa GL for i386 installed?";
    if (object) static_cast<IUnknown*>(object)->Release();
    FreeLibrary(ddraw);
}
