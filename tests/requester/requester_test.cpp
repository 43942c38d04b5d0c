// Requesters on the system's real message boxes and open and save dialogs, answered from a helper
// thread, with the program's other windows and real files in a folder made for each test.
#include <gtest/gtest.h>

#include <atomic>

#include "requester.h"
#include "test_support.h"

#include <commdlg.h>

namespace {

constexpr int MESSAGE_ICON = 0x440; // the icon of the system's message box
constexpr int CLOSE_BOX = 0;        // answer with the close box instead of a button

struct Box {
    std::string caption, text;
    std::vector<std::string> buttons;
    bool icon = false;
    HWND owner = nullptr;
};

// Shows a box (flags -1: the form without flags) and answers it; what it showed goes to seen.
int32_t BoxAnswer(const char* title, const char* text, int32_t flags, int answer, Box* seen,
                  const std::function<void()>& whileOpen = nullptr) {
    TestRuntimeStart();
    RequesterLibraryStart();
    DialogDriver driver([&](HWND dialog) {
        HWND icon = GetDlgItem(dialog, MESSAGE_ICON);
        *seen = {WindowText(dialog), ItemText(dialog, MESSAGE_TEXT), ButtonTexts(dialog),
                 icon && SendMessageA(icon, STM_GETICON, 0, 0) != 0, GetWindow(dialog, GW_OWNER)};
        if (whileOpen) whileOpen();
        PostMessageA(dialog, answer == CLOSE_BOX ? WM_CLOSE : WM_COMMAND, answer, 0);
    });
    return flags < 0 ? RequestMessage(title, text)
                     : RequestMessage(title, text, static_cast<uint32_t>(flags));
}

constexpr char FILM[] = "Film Dateien|*.avi;*.mpg;*.asf;*.wmv;*.mp4||*.*";
constexpr char AUDIO[] = "Audio Dateien|;*.wma;*.mp3;*.wave||*.*";
constexpr char THREE[] = "Filme|*.avi|Musik|*.mp3|Alles|*.*";
constexpr int FILE_TYPE_COMBO = 0x470, FILE_NAME_BOX = 0x47c; // cmb1, cmb13
typedef std::vector<std::string> Texts;

// A fresh folder in the temporary folder (or at a given one) with real empty files, removed at the end.
// Files are made and removed through "\\?\" paths, which may be longer than MAX_PATH.
struct TestFolder {
    std::string path;
    Texts files;
    TestFolder(const Texts& names, const char* at = nullptr) {
        path = at ? at
                  : std::string(getenv("TEMP")) + "\\vornak-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path.c_str(), nullptr);
        for (const std::string& name : names)
            Add(name);
    }
    // A folder inside whose path is length characters long.
    std::string Folder(size_t length) {
        Add(std::string(length - path.size(), 'o'), true);
        return path + files.back();
    }
    void Add(const std::string& name, bool folder = false) {
        files.push_back(name);
        const std::wstring wide = Wide(path + name);
        folder ? CreateDirectoryW(wide.c_str(), nullptr)
               : CloseHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    static std::wstring Wide(const std::string& path) {
        wchar_t wide[2 * MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, ("\\\\?\\" + path).c_str(), -1, wide, 2 * MAX_PATH);
        return wide;
    }
    ~TestFolder() {
        for (const std::string& name : files)
            DeleteFileW(Wide(path + name).c_str()) || RemoveDirectoryW(Wide(path + name).c_str());
        RemoveDirectoryA(path.c_str());
    }
};

// What a dialog showed before it was answered.
struct Seen {
    std::string caption, okButton, folder, name;
    Texts types;
    int type = -1;
    HWND owner = nullptr;
};

Texts ComboEntries(HWND combo) {
    Texts entries;
    char text[MAX_PATH];
    for (LRESULT i = 0; SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) >= 0; ++i)
        entries.push_back(text);
    return entries;
}

// The result of a string-returning operation; it must move the position by exactly its length.
std::string ResultOf(const std::function<void(int32_t start)>& operation) {
    TestRuntimeStart();
    RequesterLibraryStart();
    int32_t start = StringBufferPosition();
    operation(start);
    int32_t advance = StringBufferPosition() - start;
    StringVariable result = nullptr;
    StringAssign(&result, start);
    EXPECT_EQ(advance, static_cast<int32_t>(strlen(result)));
    return result;
}

std::string Next() {
    return ResultOf([](int32_t start) { RequestNextFile(start); });
}

// Opens a dialog through operation, notes what it shows and enters answer, or cancels when that is "".
std::string Dialog(const std::function<void(int32_t start)>& operation, const std::string& answer,
                   Seen* seen = nullptr) {
    return ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            HWND types = GetDlgItem(dialog, FILE_TYPE_COMBO);
            char folder[2 * MAX_PATH] = {};
            SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof(folder), reinterpret_cast<LPARAM>(folder));
            if (seen)
                *seen = {WindowText(dialog),
                         ItemText(dialog, IDOK),
                         folder,
                         ItemText(dialog, FILE_NAME_BOX),
                         ComboEntries(types),
                         static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0)),
                         GetWindow(dialog, GW_OWNER)};
            SetDlgItemTextA(dialog, FILE_NAME_BOX, answer.c_str());
            ButtonPress(dialog, answer.empty() ? IDCANCEL : IDOK);
        });
        operation(start);
    });
}

} // namespace

TEST(MessageRequester, ButtonsTitleIconAndResultOfEachAnswer) {
    const std::vector<std::string> OK = {"OK"}, OK_CANCEL = {"OK", "Cancel"};
    // clang-format off
    struct Row { const char *name, *title, *text; int32_t flags, answer, result; std::vector<std::string> buttons; bool icon = false; };
    for (const Row& row : std::vector<Row>{
             {.name = "OK", .title = "Fehler", .text = "", .flags = 1, .answer = IDOK, .result = IDOK, .buttons = OK_CANCEL},
             {.name = "Cancel", .title = "Fehler", .text = "Ich kanns nicht \366ffnen sry^^", .flags = 1, .answer = IDCANCEL, .result = IDCANCEL, .buttons = OK_CANCEL},
             {.name = "close box", .title = "Fehler", .text = "x", .flags = 1, .answer = CLOSE_BOX, .result = IDCANCEL, .buttons = OK_CANCEL},
             {.name = "Copyright, no flags", .title = "Copyright", .text = "Vornak Media Player", .flags = -1, .answer = IDOK, .result = IDOK, .buttons = OK},
             {.name = "flags handed on", .title = "Achtung", .text = "y", .flags = MB_OK | MB_ICONERROR, .answer = IDOK, .result = IDOK, .buttons = OK, .icon = true}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        Box seen;
        EXPECT_EQ(BoxAnswer(row.title, row.text, row.flags, row.answer, &seen), row.result);
        EXPECT_EQ(seen.caption, row.title);
        EXPECT_EQ(seen.text, row.text);
        EXPECT_EQ(seen.buttons, row.buttons);
        EXPECT_EQ(seen.icon, row.icon);
    }
}

void ProcessEnd(HANDLE process) {
    TerminateProcess(process, 0);
    CloseHandle(process);
}

// The foreground window owns the box when it is the program's (and the system disables an owner itself);
// the library disables the other visible windows, all of them when another program is in the foreground,
// and leaves hidden and already disabled ones as they are.
TEST(MessageRequester, OtherVisibleWindowsAreDisabledWhileTheBoxIsOpen) {
    HWND hidden = TestWindowOpen("Versteckt", 200, 120, WS_OVERLAPPEDWINDOW);
    HWND disabled = TestWindowOpen("Gesperrt", 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_DISABLED);
    HWND other = TestWindowOpen("Anderes Fenster"), main = TestWindowOpen("Vornak Media Player 1.1");
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    char command[] = "notepad.exe";
    ASSERT_TRUE(
        CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    Scoped<HANDLE, ProcessEnd> program(started.hProcess);
    ScopedHandle thread(started.hThread);
    HWND foreign = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (foreign = FindWindowA("Notepad", nullptr)) != nullptr; }));
    const auto states = [&] {
        return std::vector<BOOL>{IsWindowEnabled(main), IsWindowEnabled(other), IsWindowEnabled(hidden),
                                 IsWindowEnabled(disabled)};
    };
    for (HWND foreground : {main, foreign}) {
        SCOPED_TRACE(foreground == main ? "the main window in the foreground" : "another program");
        ASSERT_TRUE(ForegroundMake(foreground));
        Box seen;
        std::vector<BOOL> open;
        BoxAnswer("Fehler", "", MB_OKCANCEL, IDOK, &seen, [&] { open = states(); });
        EXPECT_EQ(seen.owner, foreground == main ? main : nullptr);
        EXPECT_EQ(open, (std::vector<BOOL>{FALSE, FALSE, TRUE, FALSE})) << "main, other, hidden, disabled";
        EXPECT_EQ(states(), (std::vector<BOOL>{TRUE, TRUE, TRUE, FALSE})) << "afterwards";
        EXPECT_FALSE(IsWindowVisible(hidden));
    }
    // A window disabled by the program between two boxes stays disabled after the second one.
    EnableWindow(other, FALSE);
    Box seen;
    BoxAnswer("Fehler", "", MB_OKCANCEL, IDOK, &seen);
    EXPECT_FALSE(IsWindowEnabled(other));
}

// Each thread enables again only the windows it disabled itself.
TEST(MessageRequester, EnablingLeavesTheWindowsOfOtherThreads) {
    TestRuntimeStart();
    BOOL whileOtherEnabled = TRUE, afterOwnEnabled = FALSE;
    std::thread([&] {
        HWND window = TestWindowOpen("Anderer Thread", 200, 120, WS_OVERLAPPEDWINDOW);
        ShowWindow(window, SW_SHOWNA); // shown without becoming the foreground window
        RequesterDisableOthers(1);
        std::atomic<bool> done(false);
        std::thread other([&] { RequesterDisableOthers(0), done = true; });
        PumpUntil([&] { return done.load(); });
        other.join();
        whileOtherEnabled = IsWindowEnabled(window);
        RequesterDisableOthers(0);
        afterOwnEnabled = IsWindowEnabled(window);
        DestroyWindow(window);
    }).join();
    EXPECT_FALSE(whileOtherEnabled) << "another thread enabled a window it did not disable";
    EXPECT_TRUE(afterOwnEnabled);
}

TEST(FileRequester, FilmAndAudioDialogsTypesTitlesAndResults) {
    TestFolder folder({"a.avi", "b.txt", "c.mp4", "d.mpg", "e.mp3", "f.wma"});
    std::string in = folder.path;
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    char directory[MAX_PATH], after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    // The title is the caption, the given type is shown, an entered name ("": cancel) is the result.
    // clang-format off
    struct Row { const char *name, *title, *pattern; int index, save; std::string answer; Texts types; } rows[] = {
        {.name = "film", .title = "", .pattern = FILM, .index = 0, .save = 0, .answer = "a.avi", .types = {"Film Dateien"}},
        {.name = "audio cancelled", .title = "", .pattern = AUDIO, .index = 0, .save = 0, .answer = "", .types = {"Audio Dateien"}},
        {.name = "third type", .title = "Typ", .pattern = THREE, .index = 2, .save = 0, .answer = "b.txt", .types = {"Filme", "Musik", "Alles"}},
        {.name = "missing file opened", .title = "", .pattern = FILM, .index = 0, .save = 0, .answer = "neu.avi", .types = {"Film Dateien"}},
        {.name = "saved over a file", .title = "Speichern", .pattern = FILM, .index = 0, .save = 1, .answer = "a.avi", .types = {"Film Dateien"}},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Seen seen;
        std::string result = Dialog(
            [&](int32_t start) {
                if (row.save)
                    RequestSaveFile(row.title, in.c_str(), row.pattern, row.index, start);
                else
                    RequestOpenFile(row.title, in.c_str(), row.pattern, row.index, start);
            },
            row.answer, &seen);
        EXPECT_EQ(seen.caption, row.title);
        EXPECT_EQ(seen.okButton, row.save ? "&Save" : "&Open");
        EXPECT_EQ(seen.types, row.types);
        EXPECT_EQ(seen.type, row.index);
        EXPECT_EQ(seen.owner, main);
        EXPECT_EQ(result, row.answer.empty() ? "" : in + row.answer);
        EXPECT_EQ(RequestSelectedPattern(), row.answer.empty() ? -1 : row.index);
        GetCurrentDirectoryA(MAX_PATH, after);
        EXPECT_STREQ(after, directory) << "the working directory stays";
    }
}

TEST(FileRequester, InitialFileGivesTheFolderAndTheProposedName) {
    TestFolder folder({});
    std::string in = folder.path, dir = in.substr(0, in.size() - 1);
    // clang-format off
    struct Row { const char* name; std::string initial, folder, proposed; } rows[] = {
        {.name = "folder only", .initial = in, .folder = dir, .proposed = ""},
        {.name = "invalid name", .initial = in + "a?.avi", .folder = dir, .proposed = ""},
        {.name = "name only", .initial = "a.avi", .folder = "", .proposed = "a.avi"},
        {.name = "leading separator", .initial = "\\a.avi", .folder = "", .proposed = ""},
        {.name = "umlauts", .initial = in + "\334bung \344\366\337.avi", .folder = dir, .proposed = "\334bung \344\366\337.avi"},
        {.name = "259 characters", .initial = in + std::string(259, 'n'), .folder = dir, .proposed = std::string(259, 'n')},
        {.name = "260 characters", .initial = in + std::string(260, 'n'), .folder = dir, .proposed = ""},
        {.name = "folder of 257 characters", .initial = folder.Folder(257) + "\\a.avi", .folder = in + std::string(257 - in.size(), 'o'), .proposed = "a.avi"},
        {.name = "folder of 258 characters: no room in the dialog", .initial = folder.Folder(258) + "\\a.avi", .folder = "", .proposed = "a.avi"},
        // clang-format on
    };
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Seen seen;
        Dialog([&](int32_t start) { RequestOpenFile("", row.initial.c_str(), FILM, 0, start); }, "", &seen);
        EXPECT_EQ(seen.folder, row.folder.empty() ? current : row.folder)
            << "an empty folder: the current one";
        EXPECT_EQ(seen.name, row.proposed);
    }
    Seen seen;
    Dialog([&](int32_t start) { RequestOpenFile(nullptr, nullptr, nullptr, 0, start); }, "", &seen);
    EXPECT_EQ(seen.types, Texts{}) << "null texts";
}

// Each path of a multiple selection, then "" twice; a new dialog drops one still pending.
TEST(FileRequester, MultipleSelectionNewDialogAndDriveRoot) {
    TestFolder folder({"\304pfel.avi", "\326l.avi", "langer Name.avi"});
    std::string in = folder.path;
    auto multiple = [&](const std::string& answer) {
        return Dialog(
            [&](int32_t start) { RequestOpenFile("", in.c_str(), FILM, 0, REQUEST_MULTISELECT, start); },
            answer);
    };
    EXPECT_EQ(multiple("\"\304pfel.avi\" \"\326l.avi\""), in + "\304pfel.avi");
    EXPECT_EQ((Texts{Next(), Next(), Next()}), (Texts{in + "\326l.avi", "", ""}));
    EXPECT_EQ(multiple("\"langer Name.avi\""), in + "langer Name.avi") << "one file chosen";
    EXPECT_EQ(Next(), "");

    for (const char* answer : {"langer Name.avi", ""}) {
        SCOPED_TRACE(answer);
        multiple("\"\326l.avi\" \"\304pfel.avi\"");
        Dialog([&](int32_t start) { RequestOpenFile("", in.c_str(), FILM, 0, start); }, answer);
        EXPECT_EQ(Next(), "") << "the new dialog dropped the pending selection";
    }

    std::string x = "vornak-" + std::to_string(GetCurrentProcessId()) + "x.avi", y = "vornak-y.avi";
    TestFolder root({x, y}, "C:\\");
    std::string first =
        Dialog([&](int32_t start) { RequestOpenFile("", "C:\\", FILM, 0, REQUEST_MULTISELECT, start); },
               "\"" + x + "\" \"" + y + "\"");
    EXPECT_EQ((Texts{first, Next()}), (Texts{"C:\\" + x, "C:\\" + y}))
        << "a drive's root ends in '\\' already";
}

// The longest paths that fit the result area come back whole, through the real dialog; a longer single
// path is refused by the dialog itself, and a longer one of a multiple selection is delivered whole.
TEST(FileRequester, PathsOfTheLongestLengthComeBackWhole) {
    // clang-format off
    struct Row { const char* name; size_t length; bool multiple = false, delivered = true; };
    for (const Row& row : {Row{.name = "259", .length = 259}, Row{.name = "260", .length = 260, .delivered = false},
                           Row{.name = "259, multiple", .length = 259, .multiple = true}, Row{.name = "260, multiple", .length = 260, .multiple = true}}) {
        // clang-format on
        SCOPED_TRACE(row.name);
        TestFolder folder({"b.avi"});
        const std::string in = folder.path, name(row.length - in.size(), 'n');
        folder.Add(name);
        const std::string result = Dialog(
            [&](int32_t start) {
                RequestOpenFile("", in.c_str(), FILM, 0, row.multiple ? REQUEST_MULTISELECT : 0, start);
            },
            row.multiple ? "\"" + name + "\" \"b.avi\"" : name);
        EXPECT_EQ(result, row.delivered ? in + name : "");
        EXPECT_EQ(Next(), row.multiple ? in + "b.avi" : "");
    }
}
