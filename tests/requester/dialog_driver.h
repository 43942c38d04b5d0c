// Drives the modal dialogs of the requesters the way a user would: a helper thread waits for the
// dialog of the test's thread, looks at it and answers it, while the test's thread sits in the
// requester call. Observations are stored by the answering function and checked afterwards.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

constexpr DWORD DIALOG_TIMEOUT_MS = 10000;

// Control ids of the system's explorer-style file dialog.
constexpr int FILE_TYPE_COMBO = 0x470; // cmb1
constexpr int FILE_NAME_BOX = 0x47c;   // cmb13
constexpr int FILE_VIEW = 0x461;       // lst2, the shell view holding the file list
// Control id of the message text in the system's message box.
constexpr int MESSAGE_TEXT = 0xFFFF;

// Polls condition until it holds or the time runs out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = DIALOG_TIMEOUT_MS);

// The first visible dialog (class #32770) of the thread other than except, waiting for it.
HWND DialogWait(DWORD threadId, HWND except = nullptr);

class DialogDriver {
  public:
    // Starts a helper that calls answer with the first dialog the calling thread opens. Should
    // the dialog still be open once answer returns, the helper cancels it so no test hangs.
    explicit DialogDriver(std::function<void(HWND dialog)> answer);
    ~DialogDriver();
    // Whether a dialog appeared and answer ran.
    bool Answered() const { return answered_; }

  private:
    std::thread helper_;
    bool answered_ = false;
};

// A plain top-level window of the calling thread, standing for one of the program's windows.
HWND TestWindowOpen(const char* title, DWORD style = WS_VISIBLE);
// Makes window the foreground window and waits until it is.
bool ForegroundMake(HWND window);

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
bool ItemVisible(HWND dialog, int id);
void ButtonPress(HWND dialog, int id);

// File dialogs.
std::vector<std::string> ComboEntries(HWND combo);
int ComboSelection(HWND combo);
std::vector<std::string> FileListNames(HWND dialog);
std::string DialogFolder(HWND dialog);
std::string FileNameShown(HWND dialog);
// Types text into the file name box and confirms it, as pressing Enter there does.
void FileNameEnter(HWND dialog, const std::string& text);
// Makes the dialog show the folder, as typing it and pressing Enter does.
bool FolderEnter(HWND dialog, const std::string& folder);
