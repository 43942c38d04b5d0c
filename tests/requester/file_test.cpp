// File requester on the system's real open and save dialogs, answered from a helper thread, with
// real files in folders made for each test (umlauts and paths beyond 260 characters included).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "core_internal.h"
#include "requester.h"
#include "test_support.h"

namespace {

constexpr char FILM_PATTERN[] = "Film Dateien|*.avi;*.mpg;*.asf;*.wmv;*.mp4||*.*";
constexpr char AUDIO_PATTERN[] = "Audio Dateien|;*.wma;*.mp3;*.wave||*.*";
constexpr size_t LONG_FOLDER_LENGTH = 257; // the longest folder the system dialog can work in

std::string Ansi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &ansi[0], size, nullptr, nullptr);
    ansi.resize(static_cast<size_t>(size) - 1);
    return ansi;
}

void TreeRemove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                TreeRemove(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// A fresh folder in the temporary folder, with real (empty) files, removed at the end.
class TestFolder {
  public:
    TestFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"vornak-requester-" + std::to_wstring(GetCurrentProcessId());
        TreeRemove(root_); // left behind by an earlier process that had the same id
        CreateDirectoryW(root_.c_str(), nullptr);
        path_ = root_;
    }
    ~TestFolder() { TreeRemove(root_); }

    // Descends into new sub-folders until the folder's path is exactly length characters long.
    void Lengthen(size_t length) {
        while (Ansi(path_).size() < length) {
            size_t missing = length - Ansi(path_).size() - 1;
            path_ += L"\\" + std::wstring(std::min<size_t>(missing, 200), L'v');
            CreateDirectoryW(path_.c_str(), nullptr);
        }
    }

    void FilesCreate(const std::vector<std::wstring>& names) const {
        for (const std::wstring& name : names) {
            HANDLE file = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      0, nullptr);
            EXPECT_NE(file, INVALID_HANDLE_VALUE);
            CloseHandle(file);
        }
    }

    std::string Path() const { return Ansi(path_); }
    std::string Path(const std::wstring& name) const { return Ansi(path_ + L"\\" + name); }

  private:
    std::wstring root_;
    std::wstring path_;
};

// A string result as the application receives it, and how far the operation moved the buffer.
struct Result {
    std::string text;
    int32_t advance;
};

Result ResultOf(const std::function<void(int32_t start)>& operation) {
    int32_t start = StringBufferPosition();
    operation(start);
    int32_t advance = StringBufferPosition() - start;
    StringVariable variable = nullptr;
    StringAssign(&variable, start);
    EXPECT_EQ(StringBufferPosition(), start);
    return {variable, advance};
}

// What a test saw in a file dialog before answering it.
struct FileDialogSeen {
    std::string caption;
    std::vector<std::string> types;
    int typeSelected = -1;
    std::string folder;
    std::string name;
    HWND owner = nullptr;
};

FileDialogSeen FileDialogInspect(HWND dialog) {
    FileDialogSeen seen;
    seen.caption = WindowText(dialog);
    seen.types = ComboEntries(GetDlgItem(dialog, FILE_TYPE_COMBO));
    seen.typeSelected = ComboSelection(GetDlgItem(dialog, FILE_TYPE_COMBO));
    seen.folder = DialogFolder(dialog);
    seen.name = FileNameShown(dialog);
    seen.owner = GetWindow(dialog, GW_OWNER);
    return seen;
}

// The file list once it shows the named file, sorted.
std::vector<std::string> FilesListedWith(HWND dialog, const std::string& name) {
    std::vector<std::string> files;
    PumpUntil([&] {
        files = FileListNames(dialog);
        return std::find(files.begin(), files.end(), name) != files.end();
    });
    std::sort(files.begin(), files.end());
    return files;
}

// Opens the dialog with initialFile, notes what it shows and cancels it.
FileDialogSeen InitialShown(const char* initialFile) {
    FileDialogSeen seen;
    Result result = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            seen = FileDialogInspect(dialog);
            ButtonPress(dialog, IDCANCEL);
        });
        RequestOpenFile("", initialFile, FILM_PATTERN, 0, start);
    });
    EXPECT_EQ(result.text, "");
    return seen;
}

std::string CurrentDirectory() {
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(directory), directory);
    return directory;
}

class FileRequester : public testing::Test {
  protected:
    void SetUp() override {
        TestRuntimeStart();
        RequesterLibraryStart();
    }
    TestFolder folder_;
};

} // namespace

// The application's call: empty title and initial file, the film pattern, a file chosen by
// typing the folder and then the name.
TEST_F(FileRequester, FilmDialogShowsOneTypeAndReturnsTheChosenPath) {
    folder_.FilesCreate({L"a.avi", L"b.txt", L"c.mp4", L"d.mpg", L"e.mp3"});
    HWND main = TestWindowOpen("Vornak Media Player 1.1");
    HWND other = TestWindowOpen("Anderes Fenster");
    ASSERT_TRUE(ForegroundMake(main));
    std::string directory = CurrentDirectory();

    FileDialogSeen seen;
    std::vector<std::string> files;
    bool otherEnabled = true;
    Result result = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            seen = FileDialogInspect(dialog);
            otherEnabled = IsWindowEnabled(other);
            if (FolderEnter(dialog, folder_.Path())) files = FilesListedWith(dialog, "a.avi");
            FileNameEnter(dialog, "a.avi");
        });
        RequestOpenFile("", "", FILM_PATTERN, 0, start);
    });

    EXPECT_EQ(result.text, folder_.Path(L"a.avi"));
    EXPECT_EQ(result.advance, static_cast<int32_t>(result.text.size()));
    EXPECT_EQ(RequestSelectedPattern(), 0);
    EXPECT_EQ(seen.types, (std::vector<std::string>{"Film Dateien"}));
    EXPECT_EQ(seen.typeSelected, 0);
    EXPECT_EQ(seen.name, "");
    EXPECT_EQ(files, (std::vector<std::string>{"a.avi", "c.mp4", "d.mpg"}));
    EXPECT_EQ(seen.owner, main);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_EQ(DisabledWindowList(), nullptr);
    EXPECT_EQ(CurrentDirectory(), directory) << "the dialog leaves the working directory alone";
    EXPECT_EQ(ResultOf([](int32_t start) { RequestNextFile(start); }).text, "") << "nothing pending";
}

TEST_F(FileRequester, AudioDialogShowsOneTypeAndCancelGivesNothing) {
    folder_.FilesCreate({L"a.mp3", L"b.wma", L"c.avi", L"d.txt"});
    FileDialogSeen seen;
    std::vector<std::string> files;
    Result chosen = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            seen = FileDialogInspect(dialog);
            if (FolderEnter(dialog, folder_.Path())) files = FilesListedWith(dialog, "a.mp3");
            FileNameEnter(dialog, "b.wma");
        });
        RequestOpenFile("", "", AUDIO_PATTERN, 0, start);
    });
    EXPECT_EQ(chosen.text, folder_.Path(L"b.wma"));
    EXPECT_EQ(RequestSelectedPattern(), 0);
    EXPECT_EQ(seen.types, (std::vector<std::string>{"Audio Dateien"}));
    EXPECT_EQ(files, (std::vector<std::string>{"a.mp3", "b.wma"})) << "the leading ';' hides nothing";

    Result cancelled = ResultOf([&](int32_t start) {
        DialogDriver driver([](HWND dialog) { ButtonPress(dialog, IDCANCEL); });
        RequestOpenFile("", "", AUDIO_PATTERN, 0, start);
    });
    EXPECT_EQ(cancelled.text, "");
    EXPECT_EQ(cancelled.advance, 0);
    EXPECT_EQ(RequestSelectedPattern(), -1);
}

TEST_F(FileRequester, InitialFileGivesTheFolderAndTheProposedName) {
    folder_.FilesCreate({L"a.avi"});
    std::string folder = folder_.Path();

    FileDialogSeen seen = InitialShown((folder + "\\a.avi").c_str());
    EXPECT_EQ(seen.folder, folder);
    EXPECT_EQ(seen.name, "a.avi");

    EXPECT_EQ(InitialShown("a.avi").name, "a.avi");

    seen = InitialShown((folder + "\\").c_str());
    EXPECT_EQ(seen.folder, folder);
    EXPECT_EQ(seen.name, "");

    seen = InitialShown((folder + "\\a?.avi").c_str());
    EXPECT_EQ(seen.folder, folder) << "an invalid name still opens its folder";
    EXPECT_EQ(seen.name, "");

    EXPECT_EQ(InitialShown("\\a.avi").name, "") << "a '\\' only at the start belongs to the name";
    EXPECT_EQ(InitialShown(nullptr).name, "");

    std::string umlauts = Ansi(L"\u00DCbung \u00E4\u00F6\u00DF.avi");
    seen = InitialShown((folder + "\\" + umlauts).c_str());
    EXPECT_EQ(seen.name, umlauts);
}

TEST_F(FileRequester, PatternIndexPicksTheTypeAndTheConfirmedTypeIsReported) {
    folder_.FilesCreate({L"a.avi", L"b.mp3", L"c.txt"});
    FileDialogSeen seen;
    std::vector<std::string> all, music;
    Result result = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            seen = FileDialogInspect(dialog);
            all = FilesListedWith(dialog, "c.txt");
            HWND types = GetDlgItem(dialog, FILE_TYPE_COMBO);
            // What the combo box tells its dialog when the user picks an entry.
            SendMessageA(types, CB_SETCURSEL, 1, 0);
            for (WORD notification : {CBN_SELCHANGE, CBN_SELENDOK})
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(FILE_TYPE_COMBO, notification),
                             reinterpret_cast<LPARAM>(types));
            PumpUntil([&] { return (music = FileListNames(dialog)).size() == 1; });
            FileNameEnter(dialog, "b.mp3");
        });
        RequestOpenFile("", (folder_.Path() + "\\").c_str(), "Filme|*.avi|Musik|*.mp3|Alles|*.*", 2, start);
    });
    EXPECT_EQ(seen.types, (std::vector<std::string>{"Filme", "Musik", "Alles"}));
    EXPECT_EQ(seen.typeSelected, 2);
    EXPECT_EQ(all, (std::vector<std::string>{"a.avi", "b.mp3", "c.txt"}));
    EXPECT_EQ(music, (std::vector<std::string>{"b.mp3"}));
    EXPECT_EQ(result.text, folder_.Path(L"b.mp3"));
    EXPECT_EQ(RequestSelectedPattern(), 1);
}

TEST_F(FileRequester, MultipleSelectionDeliversEachPathThenEmptyTwice) {
    std::wstring apples = L"\u00C4pfel.avi", oil = L"\u00D6l \u00FC.avi";
    folder_.FilesCreate({apples, oil, L"z.avi"});
    Result first = ResultOf([&](int32_t start) {
        DialogDriver driver(
            [&](HWND dialog) { FileNameEnter(dialog, "\"" + Ansi(apples) + "\" \"" + Ansi(oil) + "\""); });
        RequestOpenFile("", (folder_.Path() + "\\").c_str(), FILM_PATTERN, 0, REQUEST_MULTISELECT, start);
    });
    EXPECT_EQ(first.text, folder_.Path(apples));
    EXPECT_EQ(first.advance, static_cast<int32_t>(first.text.size()));
    EXPECT_EQ(RequestSelectedPattern(), 0);
    Result second = ResultOf([](int32_t start) { RequestNextFile(start); });
    EXPECT_EQ(second.text, folder_.Path(oil));
    EXPECT_EQ(second.advance, static_cast<int32_t>(second.text.size()));
    EXPECT_EQ(ResultOf([](int32_t start) { RequestNextFile(start); }).text, "");
    EXPECT_EQ(ResultOf([](int32_t start) { RequestNextFile(start); }).text, "");

    // Only one file chosen where several may be: its full path, then nothing more.
    Result single = ResultOf([&](int32_t start) {
        DialogDriver driver([](HWND dialog) { FileNameEnter(dialog, "z.avi"); });
        RequestOpenFile("", (folder_.Path() + "\\").c_str(), FILM_PATTERN, 0, REQUEST_MULTISELECT, start);
    });
    EXPECT_EQ(single.text, folder_.Path(L"z.avi"));
    EXPECT_EQ(ResultOf([](int32_t start) { RequestNextFile(start); }).text, "");
}

TEST_F(FileRequester, DriveRootPathsCarryOneSeparator) {
    std::string prefix = "C:\\vornak-requester-" + std::to_string(GetCurrentProcessId());
    std::vector<std::string> paths = {prefix + "-x.avi", prefix + "-y.avi"};
    for (const std::string& path : paths)
        CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Result first = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            FileNameEnter(dialog, "\"" + paths[0].substr(3) + "\" \"" + paths[1].substr(3) + "\"");
        });
        RequestOpenFile("", "C:\\", FILM_PATTERN, 0, REQUEST_MULTISELECT, start);
    });
    Result second = ResultOf([](int32_t start) { RequestNextFile(start); });
    for (const std::string& path : paths)
        DeleteFileA(path.c_str());
    EXPECT_EQ(first.text, paths[0]);
    EXPECT_EQ(second.text, paths[1]);
}

bool HeapsIntact() {
    HANDLE heaps[256];
    DWORD count = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) return false;
    return true;
}

// Paths of 260 characters and more come back whole, each in a reservation of its own length:
// placed where a 260-byte reservation ends at the end of the string buffer, they neither
// overrun it nor disturb a result that lies before them.
TEST_F(FileRequester, OverlongPathsAreDeliveredWhole) {
    folder_.Lengthen(LONG_FOLDER_LENGTH);
    std::wstring name(200, L'x');
    folder_.FilesCreate({name + L".avi", L"y.avi"});
    std::string folder = folder_.Path();
    ASSERT_EQ(folder.size(), LONG_FOLDER_LENGTH);

    int32_t outer = StringBufferPosition();
    StringBufferReserve(MAX_PATH, outer); // grows the buffer once
    char* before = StringBufferReserve(StringBufferCapacity() - outer - MAX_PATH - 10, outer);
    ASSERT_NE(before, nullptr);
    memset(before, 0, static_cast<size_t>(StringBufferPosition() - outer));
    strcpy(before, "davor");
    Result first = ResultOf([&](int32_t start) {
        DialogDriver driver(
            [&](HWND dialog) { FileNameEnter(dialog, "\"" + Ansi(name) + ".avi\" \"y.avi\""); });
        RequestOpenFile("", (folder + "\\").c_str(), FILM_PATTERN, 0, REQUEST_MULTISELECT, start);
    });
    Result second = ResultOf([](int32_t start) { RequestNextFile(start); });
    StringVariable kept = nullptr;
    StringAssign(&kept, outer);

    EXPECT_TRUE(HeapsIntact());
    EXPECT_EQ(first.text, folder_.Path(name + L".avi"));
    EXPECT_EQ(first.text.size(), LONG_FOLDER_LENGTH + 1 + 204);
    EXPECT_EQ(first.advance, static_cast<int32_t>(first.text.size()));
    EXPECT_EQ(second.text, folder + "\\y.avi");
    EXPECT_EQ(second.advance, static_cast<int32_t>(second.text.size()));
    EXPECT_STREQ(kept, "davor");
    EXPECT_EQ(ResultOf([](int32_t start) { RequestNextFile(start); }).text, "");

    // A single choice has the dialog's 260 bytes only: the dialog refuses the longer path.
    Result single = ResultOf([&](int32_t start) {
        DialogDriver driver([](HWND dialog) { FileNameEnter(dialog, "y.avi"); });
        RequestOpenFile("", (folder + "\\").c_str(), FILM_PATTERN, 0, start);
    });
    EXPECT_EQ(single.text, "");
    EXPECT_EQ(RequestSelectedPattern(), -1);
}

TEST_F(FileRequester, OverlongInitialNamesAndFoldersAreNotHandedOn) {
    std::string folder = folder_.Path();
    std::string longest(MAX_PATH - 1, 'n');
    FileDialogSeen seen = InitialShown((folder + "\\" + longest).c_str());
    EXPECT_EQ(seen.folder, folder);
    EXPECT_EQ(seen.name, longest) << "259 characters fit the dialog's buffer";

    seen = InitialShown((folder + "\\" + std::string(MAX_PATH, 'n')).c_str());
    EXPECT_EQ(seen.folder, folder);
    EXPECT_EQ(seen.name, "") << "a name of 260 characters is not proposed";

    seen = InitialShown((folder + "\\" + std::string(5000, 'n')).c_str());
    EXPECT_EQ(seen.name, "");

    folder_.Lengthen(LONG_FOLDER_LENGTH + 1);
    seen = InitialShown((folder_.Path() + "\\a.avi").c_str());
    EXPECT_NE(seen.folder, folder_.Path()) << "a folder the dialog cannot work in is not handed to it";
    EXPECT_EQ(seen.name, "a.avi");
}

// Opening does not demand an existing file and saving does not ask before overwriting.
TEST_F(FileRequester, SaveAndOpenAcceptNewAndExistingNames) {
    folder_.FilesCreate({L"da.avi"});
    std::string folder = folder_.Path();
    FileDialogSeen seen;
    Result saved = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            seen = FileDialogInspect(dialog);
            ButtonPress(dialog, IDOK);
        });
        RequestSaveFile("Speichern", (folder + "\\neu.avi").c_str(), FILM_PATTERN, 0, start);
    });
    EXPECT_EQ(seen.caption, "Speichern");
    EXPECT_EQ(seen.name, "neu.avi");
    EXPECT_EQ(saved.text, folder + "\\neu.avi");

    Result overwritten = ResultOf([&](int32_t start) {
        DialogDriver driver([](HWND dialog) { ButtonPress(dialog, IDOK); });
        RequestSaveFile("", (folder + "\\da.avi").c_str(), FILM_PATTERN, 0, start);
    });
    EXPECT_EQ(overwritten.text, folder + "\\da.avi");

    Result missing = ResultOf([&](int32_t start) {
        DialogDriver driver([](HWND dialog) { FileNameEnter(dialog, "fehlt.avi"); });
        RequestOpenFile("", (folder + "\\").c_str(), FILM_PATTERN, 0, start);
    });
    EXPECT_EQ(missing.text, folder + "\\fehlt.avi");
}

TEST_F(FileRequester, NullTextsOpenADialogWithoutTypes) {
    FileDialogSeen seen;
    Result result = ResultOf([&](int32_t start) {
        DialogDriver driver([&](HWND dialog) {
            seen = FileDialogInspect(dialog);
            ButtonPress(dialog, IDCANCEL);
        });
        RequestOpenFile(nullptr, nullptr, nullptr, 0, start);
    });
    EXPECT_TRUE(seen.types.empty());
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(RequestSelectedPattern(), -1);
}

TEST(FileNameValidity, ControlCharactersAndPathCharactersAreRejected) {
    EXPECT_EQ(RequesterFileNameValid(nullptr), 0);
    EXPECT_EQ(RequesterFileNameValid(""), 0);
    EXPECT_EQ(RequesterFileNameValid("a.avi"), 1);
    EXPECT_EQ(RequesterFileNameValid(" .avi~!#$%&'()+,;=@[]^`{}"), 1);
    EXPECT_EQ(RequesterFileNameValid("\x80\xE4\xFF"), 1);
    EXPECT_EQ(RequesterFileNameValid("a\x1F"), 0);
    EXPECT_EQ(RequesterFileNameValid("\t"), 0);
    for (char c : std::string("\"\\/:*?<>|"))
        EXPECT_EQ(RequesterFileNameValid((std::string("a") + c + "b").c_str()), 0) << c;
}
