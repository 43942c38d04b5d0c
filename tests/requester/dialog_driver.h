// Drives the modal dialogs of the requesters the way a user would: a helper thread waits for the
// dialog of the test's thread, looks at it and answers it, while the test's thread sits in the
// requester call. Observations are stored by the answering function and checked afterwards.
#pragma once

#include "test_support.h"

#include <string>
#include <vector>

// Control ids of the system's explorer-style file dialog.
constexpr int FILE_TYPE_COMBO = 0x470; // cmb1
constexpr int FILE_NAME_BOX = 0x47c;   // cmb13
constexpr int FILE_VIEW = 0x461;       // lst2, the shell view holding the file list

bool ItemVisible(HWND dialog, int id);

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
