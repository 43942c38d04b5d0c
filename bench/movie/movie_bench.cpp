// The movie library against a plain DirectShow player, in one run and on one 640x480 25 fps clip:
// the time to load, the time from the start to the first frame on the screen, the frames lost over
// 10 s of playback and the CPU time of that playback. Frames are counted on the screen: the clip
// shows its frame number in a strip of Gray-coded blocks. Where the renderer reports dropped frames
// (IQualProp) that figure is printed too. The first load of a process, the one a user of the player
// waits for, and the opening of the file dialog, during which the library prepares, are measured in
// processes of their own ("bench_movie processes" measures only these).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "bench.h"
#include "movie.h"
#include "movie_internal.h"
#include "plain_player.h"
#include "requester.h"

namespace {

constexpr int LOAD_RUNS = 25;
constexpr int PROCESS_RUNS = 15; // fresh processes of each side for a first load or a first dialog
constexpr double MICROSECONDS = 1e6;
constexpr DWORD USER_CHOOSING_MS = 1500; // between the start and the first load: the user choosing a file
constexpr DWORD DIALOG_POLL_MS = 1;
constexpr char FIRST_LOAD_ARGUMENT[] = "first-load";
constexpr char DIALOG_ARGUMENT[] = "dialog";
constexpr char PROCESSES_ARGUMENT[] = "processes"; // only the figures of fresh processes
constexpr int FIRST_FRAME_RUNS = 15;
constexpr int PLAYBACK_RUNS = 3;
constexpr DWORD PLAYBACK_MS = 10000;
constexpr DWORD FIRST_FRAME_TIMEOUT_MS = 10000;
constexpr DWORD BACKGROUND_TIMEOUT_MS = 2000;
constexpr DWORD SETTLE_MS = 300;
constexpr DWORD SAMPLE_INTERVAL_MS = 4; // well inside the 40 ms a frame is shown
constexpr int CLIP_WIDTH = 640;
constexpr int CLIP_HEIGHT = 480;
constexpr int STRIP_BITS = 10;
constexpr int STRIP_BLOCK_WIDTH = 64;
constexpr int STRIP_ROW = 16;
constexpr int DARK = 64;    // below: a 0 block
constexpr int BRIGHT = 192; // above: a 1 block
constexpr int FRAME_NUMBERS = 1 << STRIP_BITS;
constexpr int WINDOW_X = 20;
constexpr int WINDOW_Y = 20;
constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
constexpr char WINDOW_CLASS[] = "MovieBenchWindow";
constexpr char CLIP[] = VORNAK_BENCH_MEDIA_DIR "\\bench-640x480.avi";
constexpr wchar_t CLIP_WIDE[] = L"" VORNAK_BENCH_MEDIA_DIR "\\bench-640x480.avi";
constexpr double HUNDRED_NANOSECONDS = 1e-7;
constexpr double MILLISECONDS = 1000;

// Frames the renderer says it dropped, or -1 when it does not say.
int RendererDroppedFrames(IGraphBuilder* graph) {
    int dropped = -1;
    ScopedCom<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(filters.Out()))) return dropped;
    ScopedCom<IBaseFilter> filter;
    while (dropped < 0 && filters.Get()->Next(1, filter.Out(), nullptr) == S_OK) {
        ScopedCom<IQualProp> quality;
        int frames = 0;
        if (filter.Get()->QueryInterface(IID_IQualProp, reinterpret_cast<void**>(quality.Out())) == S_OK &&
            quality.Get()->get_FramesDroppedInRenderer(&frames) == S_OK)
            dropped = frames;
    }
    return dropped;
}

struct Contender {
    bool (*load)();
    void (*play)(HWND window);
    int (*dropped)();
    void (*free)();
};

PlainPlayer plain;

// The library's graph is called on its movie thread only, as COM requires.
int LibraryDroppedFrames() {
    int dropped = -1;
    MovieThreadCall(
        [](void* result) {
            auto* movie = static_cast<MovieObject*>(RegistryLookup(MovieRegistry(), 0));
            *static_cast<int*>(result) = RendererDroppedFrames(movie->graph.builder);
        },
        &dropped);
    return dropped;
}

const Contender LIBRARY = {[] { return MovieLoad(0, CLIP) != 0; }, [](HWND window) { MoviePlay(0, window); },
                           LibraryDroppedFrames, [] { MovieFree(0); }};
const Contender PLAIN = {[] { return PlainLoad(&plain, CLIP_WIDE); },
                         [](HWND window) { PlainPlay(&plain, window); },
                         [] { return RendererDroppedFrames(plain.graph); }, [] { PlainFree(&plain); }};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double FileTimeSeconds(FILETIME time) {
    return double((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime) * HUNDRED_NANOSECONDS;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void MessagesDispatch() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

HWND BenchWindowOpen() {
    RECT frame = {0, 0, CLIP_WIDTH, CLIP_HEIGHT};
    AdjustWindowRect(&frame, WINDOW_STYLE, FALSE);
    HWND window = CreateWindowExA(0, WINDOW_CLASS, "Film Player", WINDOW_STYLE, WINDOW_X, WINDOW_Y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(window);
    UpdateWindow(window);
    return window;
}

// Reads the frame-number strip of the clip from the screen over a window's client area.
class StripReader {
  public:
    explicit StripReader(HWND window) : window(window) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = CLIP_WIDTH;
        info.bmiHeader.biHeight = 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        screen = GetDC(nullptr);
        memory = CreateCompatibleDC(screen);
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&row), nullptr, 0);
        previous = SelectObject(memory, bitmap);
    }
    ~StripReader() {
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    StripReader(const StripReader&) = delete;
    StripReader& operator=(const StripReader&) = delete;

    // The frame number shown, or -1 when the strip is not on the screen.
    int Frame() {
        POINT origin = {0, STRIP_ROW};
        ClientToScreen(window, &origin);
        BitBlt(memory, 0, 0, CLIP_WIDTH, 1, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        int gray = 0;
        for (int bit = 0; bit < STRIP_BITS; ++bit) {
            uint32_t pixel = row[bit * STRIP_BLOCK_WIDTH + STRIP_BLOCK_WIDTH / 2];
            int level = int(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)) / 3;
            if (level > DARK && level < BRIGHT) return -1;
            if (level >= BRIGHT) gray |= 1 << bit;
        }
        // The clip is shorter than half the numbers, so its top block is always dark; the white
        // background is not a frame.
        if (gray & (1 << (STRIP_BITS - 1))) return -1;
        int frame = gray;
        for (int shift = gray >> 1; shift; shift >>= 1)
            frame ^= shift;
        return frame;
    }

  private:
    HWND window;
    HDC screen;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ previous;
    uint32_t* row = nullptr;
};

bool BackgroundShown(HWND window) {
    StripReader strip(window);
    LARGE_INTEGER start = Now();
    while (Seconds(start, Now()) * 1000 < BACKGROUND_TIMEOUT_MS) {
        MessagesDispatch();
        if (strip.Frame() < 0) return true;
    }
    return false;
}

// Lets the threads of the previous graph finish before the next measurement.
void MachineSettle() {
    LARGE_INTEGER start = Now();
    while (Seconds(start, Now()) * 1000 < SETTLE_MS) {
        MessagesDispatch();
        Sleep(SAMPLE_INTERVAL_MS);
    }
}

double LoadSeconds(const Contender& contender) {
    MachineSettle();
    LARGE_INTEGER start = Now();
    bool loaded = contender.load();
    double seconds = Seconds(start, Now());
    contender.free();
    return loaded ? seconds : -1;
}

double FirstFrameSeconds(const Contender& contender) {
    MachineSettle();
    HWND window = BenchWindowOpen();
    double seconds = -1;
    if (BackgroundShown(window) && contender.load()) {
        StripReader strip(window);
        LARGE_INTEGER start = Now();
        contender.play(window);
        while (Seconds(start, Now()) * 1000 < FIRST_FRAME_TIMEOUT_MS) {
            MessagesDispatch();
            if (strip.Frame() >= 0) {
                seconds = Seconds(start, Now());
                break;
            }
        }
    }
    contender.free();
    DestroyWindow(window);
    return seconds;
}

struct Sampler {
    HWND window;
    volatile LONG stop;
    std::vector<bool> seen;
    double cpuSeconds;
};

DWORD WINAPI SamplerRun(void* parameter) {
    auto* sampler = static_cast<Sampler*>(parameter);
    {
        StripReader strip(sampler->window);
        while (!sampler->stop) {
            int frame = strip.Frame();
            if (frame >= 0) sampler->seen[frame] = true;
            Sleep(SAMPLE_INTERVAL_MS);
        }
    }
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    sampler->cpuSeconds = FileTimeSeconds(kernel) + FileTimeSeconds(user);
    return 0;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

struct Playback {
    double shown = 0;
    double lost = 0;
    double rendererDropped = -1;
    double cpuSeconds = 0;
};

Playback PlaybackMeasure(const Contender& contender) {
    Playback result;
    MachineSettle();
    HWND window = BenchWindowOpen();
    if (!BackgroundShown(window) || !contender.load()) {
        contender.free();
        DestroyWindow(window);
        return result;
    }
    Sampler sampler = {window, 0, std::vector<bool>(FRAME_NUMBERS), 0};
    double cpuBefore = ProcessCpuSeconds();
    ScopedHandle thread(CreateThread(nullptr, 0, SamplerRun, &sampler, 0, nullptr));
    LARGE_INTEGER start = Now();
    contender.play(window);
    while (Seconds(start, Now()) * 1000 < PLAYBACK_MS) {
        MessagesDispatch();
        Sleep(SAMPLE_INTERVAL_MS);
    }
    InterlockedExchange(&sampler.stop, 1);
    WaitForSingleObject(thread, INFINITE);
    result.cpuSeconds = ProcessCpuSeconds() - cpuBefore - sampler.cpuSeconds;
    result.rendererDropped = contender.dropped();
    contender.free();
    DestroyWindow(window);

    int first = -1, last = -1, shown = 0;
    for (int frame = 0; frame < FRAME_NUMBERS; ++frame) {
        if (!sampler.seen[frame]) continue;
        if (first < 0) first = frame;
        last = frame;
        ++shown;
    }
    result.shown = shown;
    result.lost = first < 0 ? 0 : (last - first + 1) - shown;
    return result;
}

// One figure of both contenders, measured in pairs whose order alternates. Ratios are taken per
// pair, so that a busy moment of the machine weighs on both sides of a ratio.
struct Paired {
    std::vector<double> library;
    std::vector<double> plain;
    std::vector<double> ratio;
    void Add(double libraryValue, double plainValue) {
        library.push_back(libraryValue);
        plain.push_back(plainValue);
        ratio.push_back(plainValue > 0 ? libraryValue / plainValue : 0);
    }
};

const Contender* const ORDER[2][2] = {{&LIBRARY, &PLAIN}, {&PLAIN, &LIBRARY}};

// Measures both contenders runs times, alternating which goes first; {library, plain} per run.
template <typename Measure> auto PairsRun(int runs, Measure measure) {
    using Value = decltype(measure(LIBRARY));
    std::vector<std::pair<Value, Value>> pairs;
    for (int run = 0; run < runs; ++run) {
        Value value[2] = {};
        for (const Contender* contender : ORDER[run % 2])
            value[contender == &PLAIN] = measure(*contender);
        pairs.emplace_back(value[0], value[1]);
    }
    return pairs;
}

template <typename Value, typename Field>
Paired PairedFigure(const std::vector<std::pair<Value, Value>>& pairs, Field field) {
    Paired paired;
    for (const auto& [library, plain] : pairs)
        paired.Add(field(library), field(plain));
    return paired;
}

double Quantile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * double(values.size() - 1) + 0.5)];
}

void MediansReport(const char* figure, const Paired& paired, double scale, const char* unit) {
    char name[96];
    snprintf(name, sizeof(name), "%s, movie library", figure);
    BenchReport(name, Median(paired.library) * scale, unit);
    snprintf(name, sizeof(name), "%s, plain player", figure);
    BenchReport(name, Median(paired.plain) * scale, unit);
}

// One side's median with its spread: quartiles and range.
void SpreadReport(const char* figure, const char* side, const std::vector<double>& values, double scale,
                  const char* unit, const char* runs) {
    char name[96];
    snprintf(name, sizeof(name), "%s, %s", figure, side);
    printf("%-60s %12.2f %s  (quartiles %.2f to %.2f, range %.2f to %.2f; %d %s)\n", name,
           Median(values) * scale, unit, Quantile(values, 0.25) * scale, Quantile(values, 0.75) * scale,
           Quantile(values, 0) * scale, Quantile(values, 1) * scale, static_cast<int>(values.size()), runs);
    fflush(stdout);
}

// Both sides with their spread and the ratio of their medians.
void RatioReport(const char* figure, const Paired& paired, double scale, const char* unit) {
    SpreadReport(figure, "movie library", paired.library, scale, unit, "runs");
    SpreadReport(figure, "plain player", paired.plain, scale, unit, "runs");
    char name[96];
    snprintf(name, sizeof(name), "%s, ratio library/plain", figure);
    printf("%-60s %12.3f x  (of the medians; %d pairs, the order alternating)\n", name,
           Median(paired.library) / Median(paired.plain), static_cast<int>(paired.library.size()));
    fflush(stdout);
}

void CountReport(const char* figure, const Paired& paired, const char* unit) {
    MediansReport(figure, paired, 1, unit);
    double most = 0;
    for (size_t run = 0; run < paired.library.size(); ++run)
        most = std::max(most, paired.library[run] - paired.plain[run]);
    char name[96];
    snprintf(name, sizeof(name), "%s, most library minus plain", figure);
    BenchReport(name, most, unit);
}

LRESULT CALLBACK BenchWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

// The sides measured in processes of their own: the movie library with its preparation, the
// library with nothing prepared, and the plain player.
enum ProcessSide { PREPARED, UNPREPARED, PLAIN_SIDE, SIDE_COUNT };
const char* const SIDE_NAMES[SIDE_COUNT] = {"movie library", "library, nothing prepared", "plain player"};

// Dispatches messages for milliseconds, as the open dialog's modal loop does while the user chooses.
void UserChoosing(DWORD milliseconds) {
    LARGE_INTEGER start = Now();
    while (Seconds(start, Now()) * MILLISECONDS < milliseconds) {
        MessagesDispatch();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, SAMPLE_INTERVAL_MS, QS_ALLINPUT);
    }
}

// The first load of a fresh process, made USER_CHOOSING_MS after the library's start or the plain
// player's: its time in microseconds as the exit code, 0 when the clip does not load.
int FirstLoadRun(ProcessSide side) {
    if (side == UNPREPARED) MoviePreparationSet(nullptr, 0);
    if (side != PLAIN_SIDE && !MovieInit()) return 0;
    if (side == PLAIN_SIDE) CoInitialize(nullptr);
    UserChoosing(USER_CHOOSING_MS);
    LARGE_INTEGER begin = Now();
    bool loaded = side != PLAIN_SIDE ? MovieLoad(0, CLIP) != 0 : PlainLoad(&plain, CLIP_WIDE);
    double seconds = Seconds(begin, Now());
    if (side != PLAIN_SIDE) MovieEnd();
    return loaded ? static_cast<int>(seconds * MICROSECONDS) : 0;
}

struct DialogWatch {
    DWORD thread;        // the thread that shows the dialog
    LARGE_INTEGER shown; // when it was first seen on the screen, painted
    volatile LONG seen;
};

BOOL CALLBACK DialogFind(HWND window, LPARAM found) {
    char name[16];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof(name)) || strcmp(name, "#32770") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Polls for the open dialog; once it is visible and painted, notes the time and cancels it.
DWORD WINAPI DialogWatchRun(void* parameter) {
    auto* watch = static_cast<DialogWatch*>(parameter);
    LARGE_INTEGER start = Now();
    while (Seconds(start, Now()) * MILLISECONDS < FIRST_FRAME_TIMEOUT_MS) {
        HWND dialog = nullptr;
        EnumThreadWindows(watch->thread, DialogFind, reinterpret_cast<LPARAM>(&dialog));
        if (dialog && !GetUpdateRect(dialog, nullptr, FALSE)) {
            watch->shown = Now();
            InterlockedExchange(&watch->seen, 1);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return 0;
        }
        Sleep(DIALOG_POLL_MS);
    }
    return 0;
}

// The player's choice of "Film Player" in a fresh process: from the start of the library to the open
// dialog on the screen, with or without the preparation. The dialog is cancelled, as a user may;
// the library then ends as the player does. Microseconds as the exit code, 0 when no dialog was seen.
int DialogRun(ProcessSide side) {
    RequesterLibraryStart();
    HWND window = BenchWindowOpen();
    UserChoosing(SETTLE_MS);
    if (side == UNPREPARED) MoviePreparationSet(nullptr, 0);
    DialogWatch watch = {GetCurrentThreadId(), {}, 0};
    LARGE_INTEGER begin = Now();
    ScopedHandle watcher(CreateThread(nullptr, 0, DialogWatchRun, &watch, 0, nullptr));
    MovieInit();
    RequestOpenFile("", "", "Film Dateien|*.avi||*.*", 0, StringBufferPosition());
    WaitForSingleObject(watcher, INFINITE);
    MovieEnd();
    DestroyWindow(window);
    return watch.seen ? static_cast<int>(Seconds(begin, watch.shown) * MICROSECONDS) : 0;
}

// Starts this program for one run of figure on side; its seconds, or -1.
double ProcessSeconds(const char* figure, ProcessSide side) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char command[MAX_PATH + 32];
    snprintf(command, sizeof(command), "\"%s\" %s %d", path, figure, side);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    ScopedHandle child(process.hProcess), thread(process.hThread);
    DWORD exitCode = 0;
    WaitForSingleObject(child, INFINITE);
    GetExitCodeProcess(child, &exitCode);
    return exitCode ? double(exitCode) / MICROSECONDS : -1;
}

// Runs figure for the given sides in PROCESS_RUNS fresh processes each, the order rotating, and
// reports each side's spread and the ratio of the first side's median to the last's.
void ProcessesReport(const char* figure, const char* title, std::initializer_list<ProcessSide> sides,
                     const char* target) {
    std::vector<ProcessSide> order(sides);
    std::vector<std::vector<double>> values(SIDE_COUNT);
    for (int run = 0; run < PROCESS_RUNS; ++run)
        for (size_t k = 0; k < order.size(); ++k) {
            ProcessSide side = order[(run + k) % order.size()];
            values[side].push_back(ProcessSeconds(figure, side));
        }
    for (ProcessSide side : order)
        SpreadReport(title, SIDE_NAMES[side], values[side], MILLISECONDS, "ms", "processes");
    char name[96];
    snprintf(name, sizeof(name), "%s, ratio %s/%s", title, SIDE_NAMES[order.front()],
             SIDE_NAMES[order.back()]);
    printf("%-60s %12.3f x  (of the medians; target at most %s)\n", name,
           Median(values[order.front()]) / Median(values[order.back()]), target);
    fflush(stdout);
}

// The figures of fresh processes: the first load while the user chooses, and the dialog's opening.
void ProcessFiguresReport() {
    ProcessesReport(FIRST_LOAD_ARGUMENT, "first load 1.5 s after the start",
                    {PREPARED, UNPREPARED, PLAIN_SIDE}, "0.75");
    ProcessesReport(DIALOG_ARGUMENT, "menu choice to open dialog on screen", {PREPARED, UNPREPARED}, "1.05");
}

int main(int argc, char** argv) {
    ProgramHeap = HeapCreate(0, 4096, 0);
    ObjectHeapStart();
    StringBufferStart();
    if (argc == 3) {
        auto side = static_cast<ProcessSide>(atoi(argv[2]) % SIDE_COUNT);
        if (strcmp(argv[1], FIRST_LOAD_ARGUMENT) == 0) return FirstLoadRun(side);
        if (strcmp(argv[1], DIALOG_ARGUMENT) == 0) return DialogRun(side);
    }
    if (argc == 2 && strcmp(argv[1], PROCESSES_ARGUMENT) == 0) {
        ProcessFiguresReport();
        return 0;
    }
    if (!MovieInit()) {
        fprintf(stderr, "movie bench: no DirectDraw 7 object, the movie library does not start\n");
        return 1;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BenchWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&windowClass);

    // The first graph of a process loads the platform's decoders; neither contender pays for it.
    if (LoadSeconds(LIBRARY) < 0 || LoadSeconds(PLAIN) < 0) {
        fprintf(stderr, "movie bench: %s does not render\n", CLIP);
        return 1;
    }
    auto seconds = [](double value) { return value; };
    RatioReport("load", PairedFigure(PairsRun(LOAD_RUNS, LoadSeconds), seconds), MILLISECONDS, "ms");
    ProcessFiguresReport();
    RatioReport("start to first frame on screen",
                PairedFigure(PairsRun(FIRST_FRAME_RUNS, FirstFrameSeconds), seconds), MILLISECONDS, "ms");

    auto playbacks = PairsRun(PLAYBACK_RUNS, PlaybackMeasure);
    auto figure = [&](double Playback::*field) {
        return PairedFigure(playbacks, [&](const Playback& playback) { return playback.*field; });
    };
    CountReport("10 s playback: frames seen on screen (median)", figure(&Playback::shown), "frames");
    CountReport("10 s playback: frames lost on screen (median)", figure(&Playback::lost), "frames");
    Paired dropped = figure(&Playback::rendererDropped);
    if (*std::min_element(dropped.library.begin(), dropped.library.end()) >= 0 &&
        *std::min_element(dropped.plain.begin(), dropped.plain.end()) >= 0)
        CountReport("10 s playback: frames dropped by the renderer (IQualProp)", dropped, "frames");
    else
        printf("%-60s %12s\n", "10 s playback: frames dropped by the renderer (IQualProp)", "n/a");
    RatioReport("10 s playback: CPU time", figure(&Playback::cpuSeconds), 1, "s");
    MovieEnd();
    return 0;
}
