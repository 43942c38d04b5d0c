# Sourced after platform.sh: drives the real player like a user, with xdotool and X tools, and
# observes it from outside (the probe program, screenshots, the sound server).
# shellcheck shell=bash

DRIVE_EXE=${DRIVE_EXE:-$BUILD_DIR/app/vornak.exe}
DRIVE_PROBE=${DRIVE_PROBE:-$BUILD_DIR/tests/e2e/probe.exe}
DRIVE_MAIN_TITLE="Vornak Media Player 1.1"
DRIVE_WINE_PID=
DRIVE_PID=

drive_fail() { echo "FAIL: $*" >&2; exit 1; }

drive_probe() { wine "$DRIVE_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# X window of the program with exactly this title, or nothing.
drive_window() {
    local id
    for id in $(xdotool search --name "^$1\$" 2>/dev/null); do
        if [ -z "$DRIVE_PID" ] || [ "$(xdotool getwindowpid "$id" 2>/dev/null)" = "$DRIVE_PID" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

drive_visible() { drive_window "$1" >/dev/null && drive_probe client "$1" >/dev/null; }

drive_await_window() {
    platform_wait_for "${2:-20}" drive_visible "$1" || drive_fail "no window titled \"$1\" appeared"
}

drive_await_gone() {
    platform_wait_for "${2:-10}" bash -c "! xdotool search --name '^$1\$' >/dev/null 2>&1" ||
        drive_fail "window \"$1\" is still there"
}

# Starts the player and waits for its main window.
drive_start() {
    wine "$DRIVE_EXE" >"$PLATFORM_DIR/player.log" 2>&1 &
    DRIVE_WINE_PID=$!
    DRIVE_PID=
    drive_await_window "$DRIVE_MAIN_TITLE" 30
    DRIVE_PID=$(xdotool getwindowpid "$(drive_window "$DRIVE_MAIN_TITLE")")
}

# Waits for the player to end and checks its exit code.
drive_await_exit() {
    local seconds=${1:-10} code
    platform_wait_for "$seconds" bash -c "! kill -0 $DRIVE_WINE_PID 2>/dev/null" ||
        drive_fail "the player did not end within $seconds s"
    wait "$DRIVE_WINE_PID" && code=0 || code=$?
    [ "$code" = 0 ] || drive_fail "the player ended with exit code $code"
    DRIVE_WINE_PID=
}

drive_kill() {
    if [ -n "$DRIVE_WINE_PID" ]; then
        kill "$DRIVE_WINE_PID" 2>/dev/null || true
        [ -n "$DRIVE_PID" ] && kill "$DRIVE_PID" 2>/dev/null || true
        wait "$DRIVE_WINE_PID" 2>/dev/null || true
    fi
}

drive_key() { xdotool key --delay 80 "$@"; }

# Makes the window the active one the way a user does, by clicking its caption, unless it has
# the keyboard already.
drive_activate() {
    local id x y
    id=$(drive_window "$1") || drive_fail "no window \"$1\" to activate"
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] && return 0
    read -r x y _ _ <<<"$(drive_probe window "$1")"
    xdotool mousemove $((x + 60)) $((y + 8)) click 1
}

# Opens the window's menu bar with F10 and chooses entry `item` (1-based) of drop-down `title`
# (1-based); our menus have no mnemonics.
drive_menu() {
    local window_title=$1 title=$2 item=$3 i
    drive_activate "$window_title"
    drive_key F10
    for ((i = 1; i < title; i++)); do drive_key Right; done
    drive_key Down
    for ((i = 1; i < item; i++)); do drive_key Down; done
    drive_key Return
}

# The open-file dialog: type the path (as Z:\...) and confirm.
drive_open_file() {
    local path=$1
    drive_await_dialog_focus
    xdotool type --delay 20 "$path"
    drive_key Return
}

drive_await_dialog_focus() {
    platform_wait_for 20 drive_probe filedialog || drive_fail "the open-file dialog did not appear"
}

drive_unix_to_wine() { echo "Z:${1//\//\\}"; }

# Presses the button of a message box titled `title` with Return (OK) or Escape (Cancel).
drive_answer_box() {
    local title=$1 key=$2
    drive_await_window "$title" 10
    drive_activate "$title"
    drive_key "$key"
    drive_await_gone "$title"
}

# Screen captures go through import, which also reads windows of other visuals (wine's menus);
# a plain read of the root window shows those black.
drive_screenshot() { import -window root "$1"; }

# drive_capture X Y W H FILE: a screen rectangle as an image.
drive_capture() {
    local x=$1 y=$2 w=$3 h=$4 file=$5
    import -window root "$file"
    /usr/bin/convert "$file" -crop "${w}x${h}+${x}+${y}" +repage "$file"
}

# Reads the text in a screen rectangle, one line per text line (menus are checked this way).
drive_read_text() {
    local x=$1 y=$2 w=$3 h=$4 image
    image=$(mktemp --suffix=.png)
    drive_capture "$x" "$y" "$w" "$h" "$image"
    /usr/bin/convert "$image" -resize 300% -colorspace Gray -threshold 60% "$image"
    # Edges of a highlighted item read as stray marks; they are trimmed off each line.
    tesseract "$image" - --psm 6 2>/dev/null |
        sed 's/^[^[:alnum:]]*//; s/[^[:alnum:]^]*$//; /^$/d'
    rm -f "$image"
}

# Mean colour "r g b" (0..255) of a screen rectangle.
drive_mean_colour() {
    local x=$1 y=$2 w=$3 h=$4
    local image
    image=$(mktemp --suffix=.png)
    drive_capture "$x" "$y" "$w" "$h" "$image"
    /usr/bin/convert "$image" -resize 1x1\! -depth 8 txt:- |
        sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | awk '{printf "%d %d %d\n", $1, $2, $3}'
    rm -f "$image"
}

# Records the program's own output stream on the sink for `seconds` into `file` (WAV).
drive_record() {
    local file=$1 seconds=$2 input
    input=$(pactl list sink-inputs | awk -v pid="$DRIVE_PID" '
        /^Sink Input #/ { index_ = substr($3, 2) }
        /application.process.id/ { gsub(/"/, "", $3); if ($3 == pid) print index_ }' | tail -n 1)
    if [ -n "$input" ]; then
        timeout "$seconds" parec --monitor-stream="$input" --file-format=wav "$file" || true
    else
        timeout "$seconds" parec -d "$VORNAK_SINK.monitor" --file-format=wav "$file" || true
    fi
}

# Level and frequency of the left channel (sox estimates frequency on one channel only).
drive_rms() { sox "$1" -n remix 1 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }'; }
drive_frequency() { sox "$1" -n remix 1 stat 2>&1 | awk '/Rough +frequency/ { print $3 }'; }
