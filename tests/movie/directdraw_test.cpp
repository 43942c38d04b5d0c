// The DirectDraw probe and the movie library's start and end around it, with the real DDRAW.DLL.
// The cases without DirectDraw run in movie_directdraw_disabled.exe, for which this program
// disables the DLL through Wine's per-program DLL overrides before starting it.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctype.h>

#include "movie_test_util.h"
#include "test_support.h"

namespace {

constexpr char DISABLED_PROGRAM[] = "movie_directdraw_disabled.exe";
constexpr char APP_DEFAULTS_KEY[] = "Software\\Wine\\AppDefaults\\";
constexpr DWORD CHILD_TIMEOUT_MS = 30000;
constexpr DWORD CHILD_POLL_MS = 20;
constexpr DWORD CHILD_FAILED = ~0u;

std::vector<std::string> ImportedModules() {
    auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    if (!imports.VirtualAddress) return names;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(tolower(c)); });
        names.push_back(name);
    }
    return names;
}

// Disables DDRAW.DLL for the child program while it exists. Wine reads the override at every load,
// but only from a program key that existed when the program started.
struct DdrawDisabledForChild {
    std::string programKey = std::string(APP_DEFAULTS_KEY) + DISABLED_PROGRAM;
    DdrawDisabledForChild() {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (programKey + "\\DllOverrides").c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "ddraw", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
        RegCloseKey(key);
    }
    ~DdrawDisabledForChild() { RegDeleteTreeA(HKEY_CURRENT_USER, programKey.c_str()); }
};

// Appends what the child has written so far to output.
void PipeDrain(HANDLE pipe, std::string* output) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
        char chunk[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, chunk, std::min<DWORD>(available, sizeof(chunk)), &got, nullptr) || !got) return;
        output->append(chunk, got);
    }
}

// Runs one case of the child program and returns its exit code and output. The pipe is read only
// while the child runs: a process the child starts may keep the pipe open after the child ended.
std::pair<DWORD, std::string> ChildCaseRun(const char* testName) {
    DdrawDisabledForChild disabled;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {CHILD_FAILED, "no pipe"};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = "\"" + SiblingPath(DISABLED_PROGRAM) + "\" --gtest_filter=" + testName;
    PROCESS_INFORMATION process = {};
    BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return {CHILD_FAILED, "the child program did not start: " + command};
    }
    std::string output;
    DWORD code = CHILD_FAILED;
    DWORD begin = GetTickCount();
    for (;;) {
        PipeDrain(readEnd, &output);
        if (WaitForSingleObject(process.hProcess, CHILD_POLL_MS) == WAIT_OBJECT_0) {
            PipeDrain(readEnd, &output);
            GetExitCodeProcess(process.hProcess, &code);
            break;
        }
        if (GetTickCount() - begin > CHILD_TIMEOUT_MS) {
            TerminateProcess(process.hProcess, CHILD_FAILED);
            output += "\n(the child program hung and was ended)";
            break;
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return {code, output};
}

void ExpectChildCasePasses(const char* testName) {
    auto [code, output] = ChildCaseRun(testName);
    EXPECT_EQ(code, 0u) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

} // namespace

TEST(DirectDraw, SharedObjectLivesUntilItsLastUseIsGivenBack) {
    void* first = DirectDrawAcquire();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DirectDrawAcquire(), first) << "a second acquire shares the object";
    EXPECT_EQ(DirectDrawUseCount(), 2);

    Held<IUnknown> object(static_cast<IUnknown*>(first));
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 1);
    EXPECT_EQ(object.Others(), 1u) << "one use left keeps the probe's reference";
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0);
    EXPECT_EQ(object.Drop(), 0u) << "the last use gives the probe's reference back";

    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0) << "a release without an acquire leaves the count at 0";
    void* renewed = DirectDrawAcquire();
    EXPECT_NE(renewed, nullptr) << "after the last release the object is made anew";
    DirectDrawRelease();
    EXPECT_EQ(DirectDrawUseCount(), 0);
}

TEST(DirectDraw, ProgramDoesNotImportTheDll) {
    std::vector<std::string> modules = ImportedModules();
    ASSERT_NE(std::find(modules.begin(), modules.end(), "ole32.dll"), modules.end())
        << "import table misread";
    EXPECT_EQ(std::find(modules.begin(), modules.end(), "ddraw.dll"), modules.end())
        << "DDRAW.DLL must be loaded at run time, or the program would not start without it";
}

TEST(MovieLibrary, StartsOnDirectDrawAndEndsLeavingComAndDirectDrawAsItFoundThem) {
    TestRuntimeStart();
    ASSERT_EQ(CoInitialize(nullptr), S_OK)
        << "the program's own initialisation, as the requester library makes it";
    MovieEnd();
    EXPECT_EQ(DirectDrawUseCount(), 0) << "an end without a start does nothing";

    void* directDraw = MovieInit();
    ASSERT_NE(directDraw, nullptr);
    ObjectRegistry* registry = MovieRegistry();
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->capacity, 16);
    EXPECT_EQ(MovieInit(), directDraw) << "the application starts the library on every player choice";
    EXPECT_EQ(MovieRegistry(), registry);
    EXPECT_EQ(DirectDrawUseCount(), 2);

    MovieEnd();
    EXPECT_EQ(DirectDrawUseCount(), 0) << "the end gives back the use of every start";
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "the library left COM initialised once more than it found it";
    CoUninitialize();
}

TEST(DirectDrawDisabled, FailedAcquireIsCountedAndOneReleaseGivesItBack) {
    ExpectChildCasePasses("DirectDrawDisabled.FailedAcquireIsCountedAndOneReleaseGivesItBack");
}

TEST(DirectDrawDisabled, FailedThenSuccessfulAcquireNeedsTwoReleases) {
    ExpectChildCasePasses("DirectDrawDisabled.FailedThenSuccessfulAcquireNeedsTwoReleases");
}

TEST(DirectDrawDisabled, MovieLibraryDoesNotStartAndItsEndGivesTheUseBack) {
    ExpectChildCasePasses("DirectDrawDisabled.MovieLibraryDoesNotStartAndItsEndGivesTheUseBack");
}
