// The helpers the test programs share: runtime, media, a test window, waiting while messages are
// dispatched, real input, menus, modal dialogs answered from a helper thread, screen pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

constexpr DWORD WAIT_MS = 10000; // the longest any helper waits for the system

// Creates ProgramHeap, the object heap and the string buffer once per process, as start-up does.
void TestRuntimeStart();
// Busy blocks of ProgramHeap (or of heap), walked under its lock, and their number; the heap that holds
// block.
std::vector<void*> HeapBusyBlocks(HANDLE heap = nullptr);
int ProgramHeapBlocks(HANDLE heap = nullptr);
HANDLE HeapOf(const void* block);
// Wine path of a file generated into the build's media folder, for example "smoke.avi".
std::string MediaPath(const char* name);

// A white top-level window at (50, 50) of the given client size, standing for one of the program's windows;
// every WM_COMMAND it receives is appended to testWindowCommands.
HWND TestWindowOpen(const char* title, int clientWidth = 200, int clientHeight = 120,
                    DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE);
extern std::vector<WPARAM> testWindowCommands;
// Makes window the foreground window with the keyboard focus; false when the system refuses.
bool ForegroundMake(HWND window);
std::string WindowText(HWND window);

// Dispatches the calling thread's messages until done() holds or timeoutMs pass; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS);
void PumpFor(DWORD milliseconds);

void KeyPress(WORD virtualKey, std::initializer_list<WORD> modifiers = {});

// The texts of a menu's items in order ("" for a separator).
std::vector<std::string> MenuTexts(HMENU menu);

// Modal dialogs (class #32770): a helper thread waits for the first visible dialog of the creating
// thread, calls answer with it and, should it still be open afterwards, cancels it so no test hangs.
class DialogDriver {
  public:
    explicit DialogDriver(std::function<void(HWND dialog)> answer);
    ~DialogDriver() { helper_.join(); }

  private:
    std::thread helper_;
};
std::string ItemText(HWND dialog, int id);
// The texts of the dialog's push buttons, in the order of their ids.
std::vector<std::string> ButtonTexts(HWND dialog);
void ButtonPress(HWND dialog, int id);
constexpr int MESSAGE_TEXT = 0xFFFF; // id of the text in the system's message box

// The screen's pixels over a window's client area, as 0xRRGGBB.
struct ClientPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ClientPixels ClientCapture(HWND window);
bool ColourNear(uint32_t a, uint32_t b, int tolerance);
