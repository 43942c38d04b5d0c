// File requester: the system's open and save dialogs, with the caller's '|'-separated pattern as
// the file-type list and the chosen path or paths handed back through the string buffer.
#include "requester_internal.h"

#include <commdlg.h>
#include <string.h>

namespace {

constexpr int32_t SINGLE_RESULT_SIZE = MAX_PATH;
constexpr int32_t MULTI_RESULT_SIZE = 512000;
// The usual room reserved for one path in the string buffer; longer paths reserve their length.
constexpr int32_t RESULT_RESERVE = MAX_PATH;
// The dialog block without the fields later system versions added.
constexpr DWORD FILE_DIALOG_BLOCK_SIZE = 76;
static_assert(FILE_DIALOG_BLOCK_SIZE == offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR),
              "the 4.0 dialog block is 76 bytes");
// No OFN_FILEMUSTEXIST and no OFN_OVERWRITEPROMPT: the same flags serve opening and saving.
constexpr DWORD FILE_DIALOG_FLAGS = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
static_assert(FILE_DIALOG_FLAGS == 0x8080C, "dialog flags");
constexpr char PATH_SEPARATOR = '\\';
constexpr char PATTERN_SEPARATOR = '|';
// Bytes a proposed file name must not hold besides control characters.
constexpr unsigned char FIRST_PRINTABLE = 0x20;
constexpr char NAME_FORBIDDEN[] = "\"\\/:*?<>|";
// The system dialog cannot work in a folder whose path leaves no room within MAX_PATH for a '\'
// and a name, and may fail hard when handed one; such a folder is not handed to it.
constexpr size_t INITIAL_FOLDER_MAXIMUM = MAX_PATH - 3;

// The dialog library (and the shell it pulls in) is loaded on the first dialog, not at start-up.
constexpr char DIALOG_LIBRARY[] = "COMDLG32.DLL";
typedef BOOL(WINAPI* FileDialogFunction)(OPENFILENAMEA* block);

struct FileRequesterState {
    char* resultBuffer;    // what the dialog wrote; kept while a multiple selection is pending
    int32_t resultSize;    // bytes in resultBuffer
    int32_t nameCursor;    // offset of the next name of a multiple selection, 0 when none
    char* directory;       // folder of the pending multiple selection, ending in '\'
    int32_t chosenPattern; // 1-based file type at confirmation, 0 after a cancel
    HMODULE dialogLibrary; // loaded once, kept for the process
};
FileRequesterState files;

// Shows the open or save dialog; 0 (as for a cancel) when the dialog library cannot be loaded.
BOOL FileDialogShow(OPENFILENAMEA* block, int32_t save) {
    if (!files.dialogLibrary) files.dialogLibrary = LoadLibraryA(DIALOG_LIBRARY);
    if (!files.dialogLibrary) return FALSE;
    auto show = reinterpret_cast<FileDialogFunction>(reinterpret_cast<void*>(
        GetProcAddress(files.dialogLibrary, save ? "GetSaveFileNameA" : "GetOpenFileNameA")));
    return show ? show(block) : FALSE;
}

void* ZeroAlloc(size_t size) {
    return LibraryBlockAllocate(size, HEAP_ZERO_MEMORY);
}

void PendingSelectionDrop() {
    LibraryBlockFree(files.resultBuffer);
    LibraryBlockFree(files.directory);
    files.resultBuffer = nullptr;
    files.directory = nullptr;
    files.resultSize = 0;
    files.nameCursor = 0;
}

// Writes folder followed by name as the operation's string result at start. Paths longer than
// the usual reservation reserve their real length rather than being cut or overrunning it.
void ResultWrite(int32_t start, const char* folder, const char* name) {
    size_t folderLength = strlen(folder);
    size_t nameLength = strlen(name);
    size_t length = folderLength + nameLength;
    int32_t reserve =
        length < static_cast<size_t>(RESULT_RESERVE) ? RESULT_RESERVE : static_cast<int32_t>(length) + 1;
    char* out = StringBufferReserve(reserve, start);
    if (!out) return;
    memcpy(out, folder, folderLength);
    memcpy(out + folderLength, name, nameLength);
    out[length] = 0;
    StringBufferShrink(reserve - static_cast<int32_t>(length));
}

// The dialog's filter format: display text and wildcard list pairs, each NUL-terminated, ended
// by an empty text. Replacing every '|' and adding two NULs gives exactly that.
char* FilterListMake(const char* pattern) {
    if (!pattern) pattern = EmptyString;
    size_t length = strlen(pattern);
    auto* list = static_cast<char*>(ZeroAlloc(length + 2));
    if (!list) return nullptr;
    for (size_t i = 0; i < length; ++i)
        list[i] = pattern[i] == PATTERN_SEPARATOR ? 0 : pattern[i];
    return list;
}

// Splits the initial file at its last '\' into the folder to open (returned as a copy the
// caller frees) and the name proposed in resultBuffer. A '\' at the very start splits nothing,
// so the whole text is then the name, which the '\' makes invalid.
char* InitialFileSplit(const char* initialFile) {
    size_t length = strlen(initialFile);
    auto* folder = static_cast<char*>(ZeroAlloc(length + 2));
    if (!folder) return nullptr;
    memcpy(folder, initialFile, length);
    const char* name = initialFile;
    char* separator = strrchr(folder, PATH_SEPARATOR);
    if (separator && separator > folder) {
        *separator = 0;
        name = separator + 1;
    } else {
        folder[0] = 0;
    }
    // A name the result buffer cannot hold whole is not proposed at all.
    size_t nameLength = strlen(name);
    if (nameLength < static_cast<size_t>(files.resultSize) && RequesterFileNameValid(name))
        memcpy(files.resultBuffer, name, nameLength + 1);
    return folder;
}

int32_t NameLengthAt(int32_t offset) {
    if (offset >= files.resultSize) return 0;
    return static_cast<int32_t>(
        strnlen(files.resultBuffer + offset, static_cast<size_t>(files.resultSize - offset)));
}

// With several files the dialog writes the folder, then each name, each ended by NUL, then an
// empty name; with one file only its full path. Delivers the first path.
void MultipleSelectionStart(int32_t start) {
    int32_t folderLength = NameLengthAt(0);
    files.nameCursor = folderLength + 1;
    if (NameLengthAt(files.nameCursor) == 0) {
        ResultWrite(start, EmptyString, files.resultBuffer);
        files.nameCursor = 0;
        return;
    }
    bool separated = folderLength > 0 && files.resultBuffer[folderLength - 1] == PATH_SEPARATOR;
    files.directory = static_cast<char*>(ZeroAlloc(static_cast<size_t>(folderLength) + 2));
    if (!files.directory) {
        ResultWrite(start, EmptyString, EmptyString);
        files.nameCursor = 0;
        return;
    }
    memcpy(files.directory, files.resultBuffer, static_cast<size_t>(folderLength));
    if (!separated) files.directory[folderLength] = PATH_SEPARATOR;
    RequestNextFile(start);
}

} // namespace

int32_t RequesterFileNameValid(const char* text) {
    if (!text || !*text) return 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c)
        if (*c < FIRST_PRINTABLE || strchr(NAME_FORBIDDEN, *c)) return 0;
    return 1;
}

void FileRequesterRun(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                      int32_t save, uint32_t flags, int32_t start) {
    files.chosenPattern = 0;
    bool multiple = (flags & REQUEST_MULTISELECT) != 0;
    BOOL confirmed = FALSE;
    PendingSelectionDrop();
    files.resultSize = multiple ? MULTI_RESULT_SIZE : SINGLE_RESULT_SIZE;
    files.resultBuffer = static_cast<char*>(ZeroAlloc(static_cast<size_t>(files.resultSize)));
    char* filter = files.resultBuffer ? FilterListMake(pattern) : nullptr;
    if (filter) {
        char* folder = initialFile ? InitialFileSplit(initialFile) : nullptr;
        OPENFILENAMEA block;
        memset(&block, 0, sizeof(block));
        block.lStructSize = FILE_DIALOG_BLOCK_SIZE;
        block.hwndOwner = RequesterOwnerWindow();
        block.lpstrFilter = filter;
        block.nFilterIndex = static_cast<DWORD>(patternIndex + 1);
        block.lpstrFile = files.resultBuffer;
        block.nMaxFile = static_cast<DWORD>(files.resultSize);
        block.lpstrInitialDir = folder && strlen(folder) <= INITIAL_FOLDER_MAXIMUM ? folder : nullptr;
        block.lpstrTitle = title;
        block.Flags = FILE_DIALOG_FLAGS | (multiple ? OFN_ALLOWMULTISELECT : 0);

        RequesterDisableOthers(1);
        confirmed = FileDialogShow(&block, save);
        RequesterDisableOthers(0);

        LibraryBlockFree(filter);
        LibraryBlockFree(folder);
        if (confirmed) files.chosenPattern = static_cast<int32_t>(block.nFilterIndex);
        // Every scan of the names then ends inside the buffer, whatever the dialog wrote. Only the
        // last byte: the one before it ends the longest path that fits (259 characters).
        files.resultBuffer[files.resultSize - 1] = 0;
    }

    if (!confirmed)
        ResultWrite(start, EmptyString, EmptyString);
    else if (!multiple)
        ResultWrite(start, EmptyString, files.resultBuffer);
    else
        MultipleSelectionStart(start);
    if (!files.nameCursor) PendingSelectionDrop();
}

void RequestOpenFile(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                     int32_t start) {
    FileRequesterRun(title, initialFile, pattern, patternIndex, 0, 0, start);
}

void RequestOpenFile(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                     uint32_t flags, int32_t start) {
    FileRequesterRun(title, initialFile, pattern, patternIndex, 0, flags, start);
}

void RequestSaveFile(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                     int32_t start) {
    FileRequesterRun(title, initialFile, pattern, patternIndex, 1, 0, start);
}

void RequestNextFile(int32_t start) {
    if (!files.nameCursor || !files.resultBuffer) {
        ResultWrite(start, EmptyString, EmptyString);
        return;
    }
    int32_t length = NameLengthAt(files.nameCursor);
    if (length == 0) {
        PendingSelectionDrop();
        ResultWrite(start, EmptyString, EmptyString);
        return;
    }
    ResultWrite(start, files.directory, files.resultBuffer + files.nameCursor);
    files.nameCursor += length + 1;
}

int32_t RequestSelectedPattern() {
    return files.chosenPattern - 1;
}
