// File requester on the system's real open and save dialogs, answered from a helper thread, with
// real files in a folder made for each test.
#include <gtest/gtest.h>

#include "requester.h"
#include "test_support.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

namespace {

constexpr char FILM[] = "Film Dateien|*.avi;*.mpg;*.asf;*.wmv;*.mp4||*.*";
constexpr char AUDIO[] = "Audio Dateien|;*.wma;*.mp3;*.wave||*.*";
constexpr int FILE_TYPE_COMBO = 0x470, FILE_VIEW = 0x461, FILE_NAME_BOX = 0x47c; // cmb1, lst2, cmb13
typedef std::vector<std::string> Texts;

// A fresh folder in the temporary folder (or at a given one) with real empty files, removed at the end.
struct TestFolder {
    std::string path;
    Texts files;
    TestFolder(const Texts& names, const char* at = nullptr) : files(names) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = at ? at : std::string(temp) + "vornak-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path.c_str(), nullptr);
        for (const std::string& name : files)
            CloseHandle(
                CreateFileA((path + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    ~TestFolder() {
        for (const std::string& name : files)
            DeleteFileA((path + name).c_str());
        RemoveDirectoryA(path.c_str());
    }
};

// What a dialog showed before it was answered; listed: its file list once that holds a wanted name.
struct Seen {
    std::string caption, okButton, folder, name;
    Texts types, listed;
    int type = -1;
    HWND owner = nullptr;
};

Texts ComboEntries(HWND combo) {
    Texts entries;
    char text[MAX_PATH];
    for (LRESULT i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i)
        entries.push_back(SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) >= 0 ? text
                                                                                                    : "");
    return entries;
}

Texts FilesListed(HWND dialog, const std::string& wanted) {
    Texts names;
    PumpUntil([&] {
        names.clear();
        HWND list = FindWindowExA(GetDlgItem(dialog, FILE_VIEW), nullptr, WC_LISTVIEWA, nullptr);
        char text[MAX_PATH];
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        for (LRESULT i = 0; list && i < SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++i)
            names.push_back(SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item)) ? text
                                                                                                     : "");
        return wanted.empty() || std::find(names.begin(), names.end(), wanted) != names.end();
    });
    std::sort(names.begin(), names.end());
    return wanted.empty() ? Texts{} : names;
}

// Runs a string-returning operation as the application does and returns its result, checking
// that the operation moved the buffer's position by exactly the result's length.
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
                   Seen* seen = nullptr, const std::string& wanted = "") {
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
                         FilesListed(dialog, wanted),
                         static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0)),
                         GetWindow(dialog, GW_OWNER)};
            SetDlgItemTextA(dialog, FILE_NAME_BOX, answer.c_str());
            ButtonPress(dialog, answer.empty() ? IDCANCEL : IDOK);
        });
        operation(start);
    });
}

} // namespace

TEST(FileRequester, FilmAndAudioDialogsTypesTitlesAndResults) {
    TestFolder folder({"a.avi", "b.txt", "c.mp4", "d.mpg", "e.mp3", "f.wma"});
    std::string in = folder.path;
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    char directory[MAX_PATH], after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    // title, pattern, pattern index, save, the name entered ("": cancel), the types shown, the files
    // listed; the title is the caption, the type shown is the given one, the result a path in the folder
    struct Row {
        const char *name, *title, *pattern;
        int index, save;
        std::string answer;
        Texts types, listed;
    } rows[] = {
        {"film", "", FILM, 0, 0, "a.avi", {"Film Dateien"}, {"a.avi", "c.mp4", "d.mpg"}},
        {"audio", "", AUDIO, 0, 0, "f.wma", {"Audio Dateien"}, {"e.mp3", "f.wma"}},
        {"audio cancelled", "", AUDIO, 0, 0, "", {"Audio Dateien"}, {}},
        {"third type",
         "Typ",
         "Filme|*.avi|Musik|*.mp3|Alles|*.*",
         2,
         0,
         "b.txt",
         {"Filme", "Musik", "Alles"},
         {}},
        {"missing file opened", "", FILM, 0, 0, "neu.avi", {"Film Dateien"}, {}},
        {"saved over a file", "Speichern", FILM, 0, 1, "a.avi", {"Film Dateien"}, {}},
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
            row.answer, &seen, row.listed.empty() ? "" : row.listed[0]);
        EXPECT_EQ(seen.caption, row.title);
        EXPECT_EQ(seen.okButton, row.save ? "&Save" : "&Open");
        EXPECT_EQ(seen.types, row.types);
        EXPECT_EQ(seen.type, row.index);
        EXPECT_EQ(seen.listed, row.listed);
        EXPECT_EQ(seen.owner, main);
        EXPECT_EQ(result, row.answer.empty() ? "" : in + row.answer);
        EXPECT_EQ(RequestSelectedPattern(), row.answer.empty() ? -1 : row.index);
        EXPECT_EQ(Next(), "") << "no multiple selection pending";
        GetCurrentDirectoryA(MAX_PATH, after);
        EXPECT_STREQ(after, directory) << "the working directory stays";
    }
}

TEST(FileRequester, InitialFileGivesTheFolderAndTheProposedName) {
    TestFolder folder({});
    std::string in = folder.path, dir = in.substr(0, in.size() - 1);
    struct Row {
        const char* name;
        std::string initial, folder, proposed;
    } rows[] = {
        {"folder and name", in + "a.avi", dir, "a.avi"},
        {"folder only", in, dir, ""},
        {"invalid name", in + "a?.avi", dir, ""},
        {"name only", "a.avi", "", "a.avi"},
        {"leading separator", "\\a.avi", "", ""},
        {"umlauts", in + "\334bung \344\366\337.avi", dir, "\334bung \344\366\337.avi"},
        {"259 characters", in + std::string(259, 'n'), dir, std::string(259, 'n')},
        {"260 characters", in + std::string(260, 'n'), dir, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Seen seen;
        Dialog([&](int32_t start) { RequestOpenFile("", row.initial.c_str(), FILM, 0, start); }, "", &seen);
        EXPECT_TRUE(row.folder.empty() || seen.folder == row.folder) << seen.folder;
        EXPECT_EQ(seen.name, row.proposed);
    }
    Seen seen;
    Dialog([&](int32_t start) { RequestOpenFile(nullptr, nullptr, nullptr, 0, start); }, "", &seen);
    EXPECT_EQ(seen.types, Texts{}) << "null texts";
    EXPECT_EQ(seen.name, "");
}

// Each path of a multiple selection, then "" twice; a new dialog drops what is still pending.
TEST(FileRequester, MultipleSelectionAndWhatANewDialogDoesWithIt) {
    TestFolder folder({"\304pfel.avi", "\326l.avi", "langer Name.avi"});
    std::string in = folder.path;
    Seen seen;
    auto multiple = [&](const std::string& answer) {
        return Dialog(
            [&](int32_t start) { RequestOpenFile("", in.c_str(), FILM, 0, REQUEST_MULTISELECT, start); },
            answer, &seen);
    };
    EXPECT_EQ(multiple("\"\304pfel.avi\" \"\326l.avi\""), in + "\304pfel.avi");
    EXPECT_EQ((Texts{Next(), Next(), Next()}), (Texts{in + "\326l.avi", "", ""}));
    EXPECT_EQ(multiple("\"langer Name.avi\""), in + "langer Name.avi") << "one file chosen";
    EXPECT_EQ(Next(), "");

    for (const char* answer : {"langer Name.avi", ""}) {
        SCOPED_TRACE(answer);
        multiple("\"\326l.avi\" \"\304pfel.avi\"");
        Dialog([&](int32_t start) { RequestOpenFile("", in.c_str(), FILM, 0, start); }, answer, &seen);
        EXPECT_EQ(Next(), "") << "the new dialog dropped the pending selection";
    }
}

TEST(FileRequester, DriveRootPathsCarryOneSeparator) {
    std::string x = "vornak-" + std::to_string(GetCurrentProcessId()) + "x.avi", y = "vornak-y.avi";
    TestFolder root({x, y}, "C:\\");
    std::string first =
        Dialog([&](int32_t start) { RequestOpenFile("", "C:\\", FILM, 0, REQUEST_MULTISELECT, start); },
               "\"" + x + "\" \"" + y + "\"");
    EXPECT_EQ((Texts{first, Next()}), (Texts{"C:\\" + x, "C:\\" + y}));
}
