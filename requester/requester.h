// Requesters: the system's message box and its open and save file dialogs, each modal to the
// whole program. Chosen paths come back through the string buffer.
#pragma once

#include "core.h"

// Flag of RequestOpenFile: several files may be chosen; further paths come from RequestNextFile.
constexpr uint32_t REQUEST_MULTISELECT = 1;

// Initialises the common controls and COM for the calling thread. Call once at start-up.
void RequesterLibraryStart();

// Shows a message box (flags: the system's MB_ style word, unchanged) and returns the button
// that closed it (IDOK 1, IDCANCEL 2, ...), or 0 when it could not be shown.
int32_t RequestMessage(const char* title, const char* text, uint32_t flags);
int32_t RequestMessage(const char* title, const char* text);

// disable nonzero: disables every visible, enabled top-level window of the calling thread except
// the foreground window and remembers it; 0: enables again the windows this thread remembered.
void RequesterDisableOthers(int32_t disable);

// The foreground window when it belongs to this process, else null: the owner of a requester.
HWND RequesterOwnerWindow();

// Open and save dialogs. pattern: display names and wildcard lists separated by '|' (a doubled
// "||" ends the list); patternIndex: 0-based type shown first; initialFile: a folder and a name
// to propose, or null. The chosen path, or "" when none was chosen, is written to the string
// buffer at start; paths longer than 259 characters are delivered whole.
void RequestOpenFile(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                     int32_t start);
void RequestOpenFile(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                     uint32_t flags, int32_t start);
void RequestSaveFile(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                     int32_t start);

// Next path of a multiple selection, then "" once the names are exhausted and on every later call.
void RequestNextFile(int32_t start);

// 0-based file type selected when the last dialog was confirmed; -1 after a cancel.
int32_t RequestSelectedPattern();

// 1 when text can be proposed as a file name: not empty, no control characters and none of
// " \ / : * ? < > |. Bytes from 0x80 up are allowed.
int32_t RequesterFileNameValid(const char* text);
