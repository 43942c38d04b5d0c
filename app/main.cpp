// Vornak Media Player: the main window with its "Datei" menu, the film and audio players, and the
// orderly shut-down. Everything runs on this one thread.
#include <windows.h>

#include "core.h"
#include "menu.h"
#include "movie.h"
#include "requester.h"
#include "window.h"

namespace {

constexpr SIZE_T PROGRAM_HEAP_INITIAL_SIZE = 4096;

constexpr ObjectNumber APP_WINDOW = 0; // the main window, later replaced by the player window
constexpr ObjectNumber MAIN_MENU = 0;
constexpr ObjectNumber PLAYER_MENU = 1;
constexpr ObjectNumber APP_MOVIE = 0;

constexpr int32_t MAIN_WINDOW_WIDTH = 230;
constexpr int32_t MAIN_WINDOW_HEIGHT = 90;
constexpr uint32_t MAIN_WINDOW_FLAGS = WS_CAPTION | WS_SYSMENU | WF_CENTER_SCREEN;

constexpr int32_t ITEM_FILM_PLAYER = 1;
constexpr int32_t ITEM_AUDIO_PLAYER = 2;
constexpr int32_t ITEM_QUIT = 3;
constexpr int32_t ITEM_START = 1;
constexpr int32_t ITEM_HALT = 2;
// Items the player greys on the main menu; that bar is gone with the main window by then.
constexpr int32_t ITEM_UNUSED = 13;

constexpr uint32_t BOX_OK = MB_OK;
constexpr uint32_t BOX_OK_CANCEL = MB_OKCANCEL;
constexpr int32_t FILE_PATTERN_FIRST = 0;

const char MAIN_TITLE[] = "Vornak Media Player 1.1";
const char ERROR_TITLE[] = "Fehler";
const char CANNOT_OPEN[] = "Ich kanns nicht \xF6"
                           "ffnen sry^^";
const char CREDIT_TITLE[] = "Copyright";
const char CREDIT_LINE[] = "Vornak Media Player 1.1 \x96 geschrieben vom Vornak-Team, 2026";

struct Player {
    const char* pattern;
    int32_t x;
    int32_t y;
    const char* title;
};
const Player FILM_PLAYER = {"Film Dateien|*.avi;*.mpg;*.asf;*.wmv;*.mp4||*.*", 100, 150, "Film Player"};
const Player AUDIO_PLAYER = {"Audio Dateien|;*.wma;*.mp3;*.wave||*.*", 500, 500, "Audio Player"};

struct AppState {
    HINSTANCE instance;
    int32_t mainEvent;
    StringVariable fileName;
    int32_t quit;
};
AppState app;

[[noreturn]] void ShutDown() {
    WindowLibraryEnd();
    ControlLibraryEnd();
    MovieEnd();
    HeapDestroy(ProgramHeap);
    MovieProcessExit(0);
}

void PlayerLoop() {
    while (app.quit != 1) {
        int32_t event = EventWait();
        if (event == EVENT_MENU) {
            int32_t item = EventMenuItem();
            if (item == ITEM_START)
                MoviePlay(APP_MOVIE, WindowHandle(APP_WINDOW));
            else if (item == ITEM_HALT)
                MovieStop(APP_MOVIE);
        } else if (event == EVENT_CLOSE_WINDOW) {
            app.quit = 1;
        }
    }
}

// Asks for a file and plays it in a player window. Returns when no file could be opened; every
// other path ends the program.
void PlayerRun(const Player& player) {
    if (!MovieInit()) {
        RequestMessage(ERROR_TITLE, "", BOX_OK_CANCEL);
        ShutDown();
    }
    int32_t start = StringBufferPosition();
    RequestOpenFile("", "", player.pattern, FILE_PATTERN_FIRST, start);
    StringAssign(&app.fileName, start);
    if (StringsEqual(nullptr, app.fileName) || !MovieLoad(APP_MOVIE, app.fileName)) {
        RequestMessage(ERROR_TITLE, CANNOT_OPEN, BOX_OK_CANCEL);
        return;
    }

    int32_t height = MovieFrameHeight(APP_MOVIE);
    int32_t width = MovieFrameWidth(APP_MOVIE);
    if (!WindowOpen(APP_WINDOW, player.x, player.y, width, height, player.title)) ShutDown();
    if (MenuCreate(PLAYER_MENU, WindowHandle(APP_WINDOW))) {
        MenuAddTitle(player.title);
        MenuAddItem(ITEM_START, "Start");
        MenuAddItem(ITEM_HALT, "Halt");
    }
    MenuItemDisable(MAIN_MENU, ITEM_QUIT, 1);
    MenuItemDisable(MAIN_MENU, ITEM_UNUSED, 1);
    WindowFitClient(APP_WINDOW, width, height);

    PlayerLoop();
    ShutDown();
}

void MainWindowOpen() {
    if (!WindowOpen(APP_WINDOW, 0, 0, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, MAIN_TITLE, MAIN_WINDOW_FLAGS))
        ShutDown();
    if (MenuCreate(MAIN_MENU, WindowHandle(APP_WINDOW))) {
        MenuAddTitle("Datei");
        MenuAddItem(ITEM_FILM_PLAYER, "Film Player");
        MenuAddItem(ITEM_AUDIO_PLAYER, "Audio Player");
        MenuAddItem(ITEM_QUIT, "Beenden");
    }
}

// Runs until the main window asks to close or is gone: with no window left nothing could ever
// end the wait.
void MainLoop() {
    while (app.mainEvent != EVENT_CLOSE_WINDOW && WindowHandle(APP_WINDOW)) {
        app.mainEvent = EventWait();
        if (app.mainEvent != EVENT_MENU) continue;
        switch (EventMenuItem()) {
        case ITEM_FILM_PLAYER:
            PlayerRun(FILM_PLAYER);
            break;
        case ITEM_AUDIO_PLAYER:
            PlayerRun(AUDIO_PLAYER);
            break;
        case ITEM_QUIT:
            RequestMessage(CREDIT_TITLE, CREDIT_LINE, BOX_OK);
            WindowClose(APP_WINDOW);
            break;
        default:
            break;
        }
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    app = AppState{};
    app.instance = GetModuleHandleA(nullptr);
    ProgramHeap = HeapCreate(0, PROGRAM_HEAP_INITIAL_SIZE, 0);
    StringBufferStart();
    ObjectHeapStart();
    MenuLibraryStart();
    RequesterLibraryStart();
    ControlLibraryStart();
    WindowLibraryStart();

    MainWindowOpen();
    MainLoop();
    ShutDown();
}

// The C runtime's default math error hook carries its messages into every program; nothing here
// computes in floating point, so a hook that only lets the runtime handle errors silently suffices.
extern "C" int _matherr(struct _exception*) {
    return 0;
}
