# Sourced after scripts/platform.sh by the run command and the end-to-end tests: drives the real player
# like a user, with xdotool and X tools, and observes it from outside (the probe program built with the
# tests, screenshots, the sound server).

DRIVE_EXE=${DRIVE_EXE:-$BUILD_DIR/app/vornak.exe}
DRIVE_PROBE=${DRIVE_PROBE:-$BUILD_DIR/tests/e2e/probe.exe}
DRIVE_MAIN_TITLE="Vornak Media Player 1.1"
DRIVE_WINE_PID=
DRIVE_PID=
# The process ids of the running player, kept for the next run should this one be killed before it ends it.
DRIVE_PID_FILE=$PLATFORM_DIR/player.pids

drive_fail() { echo "FAIL: $*" >&2; exit 1; }

drive_probe() { wine "$DRIVE_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# X window with exactly this title, or nothing (drive_start ends any player left behind).
drive_window() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }

drive_visible() { drive_window "$1" >/dev/null && drive_probe client "$1" >/dev/null; }

drive_await_window() {
    platform_wait_for "${2:-20}" drive_visible "$1" || drive_fail "no window titled \"$1\" appeared"
}

# Ends, by the ids it wrote down, a player that an earlier run left behind: only a process that still
# runs the player, since an id may have gone to another process meanwhile.
drive_end_left_behind() {
    local pid
    [ -f "$DRIVE_PID_FILE" ] || return 0
    for pid in $(cat "$DRIVE_PID_FILE"); do
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "$(basename "$DRIVE_EXE")" && kill "$pid" && sleep 1
    done
    rm -f "$DRIVE_PID_FILE"
}

# Starts the player and waits for its main window, after ending a player another run left behind.
drive_start() {
    drive_end_left_behind
    wine "$DRIVE_EXE" >"$PLATFORM_DIR/player.log" 2>&1 &
    DRIVE_WINE_PID=$!
    echo "$DRIVE_WINE_PID" >"$DRIVE_PID_FILE"
    drive_await_window "$DRIVE_MAIN_TITLE" 30
    DRIVE_PID=$(xdotool getwindowpid "$(drive_window "$DRIVE_MAIN_TITLE")")
    echo "$DRIVE_WINE_PID $DRIVE_PID" >"$DRIVE_PID_FILE"
}

# Waits for the player to end and checks its exit code.
drive_await_exit() {
    local seconds=${1:-10} code
    platform_wait_for "$seconds" bash -c "! kill -0 $DRIVE_WINE_PID 2>/dev/null" ||
        drive_fail "the player did not end within $seconds s"
    wait "$DRIVE_WINE_PID" && code=0 || code=$?
    [ "$code" = 0 ] || drive_fail "the player ended with exit code $code"
    DRIVE_WINE_PID=
    rm -f "$DRIVE_PID_FILE"
}

drive_kill() {
    [ -n "$DRIVE_WINE_PID" ] || return 0
    kill "$DRIVE_WINE_PID" ${DRIVE_PID:+"$DRIVE_PID"} 2>/dev/null || true
    wait "$DRIVE_WINE_PID" 2>/dev/null || true
    rm -f "$DRIVE_PID_FILE"
}

drive_key() { xdotool key --delay 80 "$@"; }

# Makes the window the active one by clicking its caption, unless it has the keyboard already.
drive_activate() {
    local id x y
    id=$(drive_window "$1") || drive_fail "no window \"$1\" to activate"
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] && return 0
    read -r x y _ _ <<<"$(drive_probe window "$1")"
    xdotool mousemove $((x + 30)) $((y + 8)) click 1
}

# Chooses entry ITEM (1-based) of the window's first drop-down with F10 (no mnemonics in the menus).
drive_menu() {
    local i
    drive_activate "$1"
    drive_key F10 Down
    for ((i = 1; i < $2; i++)); do drive_key Down; done
    drive_key Return
}

# Types the Unix path as a wine path into the open-file dialog (found by its file name box) and confirms.
drive_open_file() {
    platform_wait_for 20 drive_probe filedialog || drive_fail "the open-file dialog did not appear"
    xdotool type --delay 20 "Z:${1//\//\\}"
    drive_key Return
}

# Presses the key (Return = OK, Escape = Cancel) in the message box titled TITLE.
drive_answer_box() {
    drive_await_window "$1" 10
    drive_activate "$1"
    drive_key "$2"
    platform_wait_for 10 bash -c "! xdotool search --name '^$1\$' >/dev/null 2>&1" ||
        drive_fail "the box \"$1\" is still there"
}

# drive_capture X Y W H FILE: a screen rectangle as an image. Captures go through import, which also
# reads windows of other visuals (wine's menus).
drive_capture() { import -window root -crop "${3}x${4}+${1}+${2}" +repage "$5"; }

# Reads the text in a screen rectangle, one line per text line. Edges of a highlighted item read as
# stray marks; they are trimmed off each line.
drive_read_text() {
    drive_capture "$@" "$PLATFORM_DIR/text.png"
    /usr/bin/convert "$PLATFORM_DIR/text.png" -resize 300% -colorspace Gray -threshold 60% "$PLATFORM_DIR/text.png"
    tesseract "$PLATFORM_DIR/text.png" - --psm 6 2>/dev/null | sed 's/^[^[:alnum:]]*//; s/[^[:alnum:]^]*$//; /^$/d'
}

# Mean colour "r g b" (0..255) of a screen rectangle.
drive_mean_colour() {
    drive_capture "$@" "$PLATFORM_DIR/colour.png"
    /usr/bin/convert "$PLATFORM_DIR/colour.png" -format '%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]\n' info:
}

# Records the sink (only the player plays there) for SECONDS into FILE (WAV).
drive_record() { timeout "$2" parec -d "$VORNAK_SINK.monitor" --file-format=wav "$1" || true; }

# "RMS frequency" of the left channel (sox estimates frequency on one channel only).
drive_sound() {
    sox "$1" -n remix 1 stat 2>&1 | awk '/RMS +amplitude/ { r = $3 } /Rough +frequency/ { f = $3 } END { print r + 0, f + 0 }'
}
