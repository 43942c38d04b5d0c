#!/usr/bin/env bash
# End-to-end tests: the real player, driven like a user, inside scripts/test.sh's platform. Usage: e2e.sh CASE
set -euo pipefail
source "$(dirname "$0")/../../scripts/platform.sh"
source "$(dirname "$0")/../../scripts/drive.sh"
MEDIA=$BUILD_DIR/media/e2e
WORK=$(mktemp -d)
trap 'drive_kill; rm -rf "$WORK"' EXIT
TOLERANCE=60

expect() { [ "$2" = "$1" ] || drive_fail "$3: \"$2\", expected \"$1\""; } # EXPECTED ACTUAL WHAT

# colour_is TITLE R G B: the mean colour of the window's client area is near R G B.
colour_is() {
    local r g b
    read -r r g b <<<"$(drive_mean_colour $(drive_probe client "$1"))"
    awk -v r="$r" -v g="$g" -v b="$b" -v R="$2" -v G="$3" -v B="$4" -v t=$TOLERANCE \
        'function near(a, e) { return a - e <= t && e - a <= t } BEGIN { exit !(near(r, R) && near(g, G) && near(b, B)) }'
}
await_colour() {
    platform_wait_for 5 colour_is "Film Player" "$@" ||
        drive_fail "the picture is not $* (mean colour now: $(drive_mean_colour $(drive_probe client "Film Player")))"
}

# expect_menu WINDOW TITLE ITEM...: the bar of WINDOW reads TITLE and its drop-down the ITEMs.
expect_menu() {
    local window=$1 title=$2 x y items=
    shift 2
    read -r x y _ _ <<<"$(drive_probe client "$window")"
    expect "$title" "$(drive_read_text "$x" $((y - 19)) 120 19)" "the menu bar of \"$window\""
    drive_activate "$window"
    drive_key F10 Down
    read_drop_down() { items=$(drive_read_text "$x" "$y" 150 $((20 * $# + 10))) && [ "$items" = "$(printf '%s\n' "$@")" ]; }
    platform_wait_for 5 read_drop_down "$@" || true
    drive_key Escape Escape
    expect "$(printf '%s\n' "$@")" "$items" "the drop-down of \"$window\""
}

# expect_box TITLE TEXT BUTTONS KEY: the message box shows TEXT with BUTTONS (one per line); KEY answers it.
expect_box() {
    drive_await_window "$1" 20
    expect "$2" "$(drive_probe text "$1")" "the text of the box \"$1\""
    expect "$3" "$(drive_probe buttons "$1")" "the buttons of the box \"$1\""
    drive_answer_box "$1" "$4"
}

# Chooses player ITEM of the main menu, opens FILE in it, and expects the "Fehler" box and then
# the main window back, usable.
expect_refused() {
    drive_menu "$DRIVE_MAIN_TITLE" "$1"
    drive_open_file "$2"
    expect_box Fehler "Ich kanns nicht öffnen sry^^" $'OK\nCancel' Return
    drive_await_window "$DRIVE_MAIN_TITLE" 10
    expect_menu "$DRIVE_MAIN_TITLE" Datei "Film Player" "Audio Player" Beenden
}

case_start() {
    drive_start
    local x y
    read -r x y w h <<<"$(drive_probe window "$DRIVE_MAIN_TITLE")"
    # A 230x90 client area without a bar, centred on the 1024x768 screen; the bar then takes its
    # height from the client area.
    expect "394 326 236 115" "$x $y $w $h" "the main window's rectangle"
    read -r _ _ w h <<<"$(drive_probe client "$DRIVE_MAIN_TITLE")"
    expect "230 71" "$w $h" "the main window's client area"
    expect_menu "$DRIVE_MAIN_TITLE" Datei "Film Player" "Audio Player" Beenden
    drive_menu "$DRIVE_MAIN_TITLE" 3
    expect_box Copyright "Vornak Media Player 1.1 – geschrieben vom Vornak-Team, 2026" OK Return
    drive_await_exit 2
}

case_film() {
    drive_start
    drive_menu "$DRIVE_MAIN_TITLE" 1
    drive_open_file "$MEDIA/Größe Test/Film mit Leerzeichen.avi" # a path with umlauts and spaces
    drive_await_window "Film Player" 20
    local x y w h
    read -r x y _ _ <<<"$(drive_probe window "Film Player")"
    read -r _ _ w h <<<"$(drive_probe client "Film Player")"
    expect "100 150 320 240" "$x $y $w $h" "the player window's position and client size"
    drive_visible "$DRIVE_MAIN_TITLE" && drive_fail "the main window was not replaced"
    expect_menu "Film Player" "Film Player" Start Halt

    drive_menu "Film Player" 1 # Start
    await_colour 255 0 0
    await_colour 0 255 0 # the picture moves on
    drive_menu "Film Player" 2 # Halt
    sleep 3 # playing on would have reached blue by now
    colour_is "Film Player" 0 255 0 || drive_fail "the picture moved on after Halt"
    drive_menu "Film Player" 1 # Start again: from the beginning
    await_colour 255 0 0

    read -r x y <<<"$(drive_probe closebox "Film Player")"
    xdotool mousemove "$x" "$y" click 1
    drive_await_exit 10
}

case_audio() {
    drive_start
    drive_menu "$DRIVE_MAIN_TITLE" 2
    drive_open_file "$MEDIA/tone.mp3"
    drive_await_window "Audio Player" 20
    local x y w h cx cy
    read -r x y w h <<<"$(drive_probe window "Audio Player")"
    read -r cx cy _ _ <<<"$(drive_probe client "Audio Player")"
    expect "500 500" "$x $y" "the audio window's position"
    # The bar lies inside the window, between the caption and the client area, and reads whole.
    [ "$cy" -gt $((y + 20)) ] && [ "$cy" -le $((y + h)) ] || drive_fail "no menu bar inside the window ($x $y $w $h, client at $cy)"
    expect "Audio Player" "$(drive_read_text "$x" $((cy - 19)) "$w" 19)" "the audio window's menu bar"
    xdotool mousemove $((cx + 20)) $((cy - 9)) click 1
    local items=
    read_items() { items=$(drive_read_text "$cx" "$cy" 150 50) && [ "$items" = $'Start\nHalt' ]; }
    platform_wait_for 5 read_items || drive_fail "a click on the bar opened no drop-down: \"$items\""
    xdotool mousemove $((cx + 20)) $((cy + 10)) click 1 # Start
    sleep 0.5
    drive_record "$WORK/playing.wav" 2
    read -r rms freq <<<"$(drive_sound "$WORK/playing.wav")"
    awk -v r="$rms" -v f="$freq" 'BEGIN { exit !(r > 0.05 && f > 900 && f < 1100) }' ||
        drive_fail "no 1 kHz tone on the sink (RMS $rms, $freq Hz)"
    drive_menu "Audio Player" 2 # Halt
    sleep 0.5
    drive_record "$WORK/halted.wav" 1
    read -r rms _ <<<"$(drive_sound "$WORK/halted.wav")"
    awk -v r="$rms" 'BEGIN { exit !(r < 0.005) }' || drive_fail "still sound after Halt (RMS $rms)"
    drive_key alt+F4
    drive_await_exit 10
}

case_bad_files() {
    drive_start
    local file round
    for round in 1 2; do # a cancelled dialog, for each player
        drive_menu "$DRIVE_MAIN_TITLE" "$round"
        platform_wait_for 20 drive_probe filedialog || drive_fail "the open-file dialog did not appear"
        drive_key Escape
        expect_box Fehler "Ich kanns nicht öffnen sry^^" $'OK\nCancel' Escape
    done
    for file in empty.avi truncated.wav text.avi; do expect_refused 1 "$BUILD_DIR/media/$file"; done
    # The platform's decoder never finishes opening this one: the player gives it up after 10 s.
    local asked=$SECONDS
    expect_refused 2 "$BUILD_DIR/media/hang-gsm.wav"
    [ $((SECONDS - asked)) -le 20 ] || drive_fail "the hanging file took $((SECONDS - asked)) s to be refused"
    drive_menu "$DRIVE_MAIN_TITLE" 1 # and a player chosen again plays
    drive_open_file "$MEDIA/phases.avi"
    drive_await_window "Film Player" 20
    drive_menu "Film Player" 1
    await_colour 255 0 0
    drive_key alt+F4
    drive_await_exit 10
}

# Without DirectDraw the movie library cannot start: a "Fehler" box without text, then the program ends.
case_no_directdraw() {
    WINEDLLOVERRIDES="mscoree,mshtml,ddraw=" drive_start
    drive_menu "$DRIVE_MAIN_TITLE" 1
    expect_box Fehler "" $'OK\nCancel' Return
    drive_await_exit 10
}

"case_$1"
echo "PASS: $1"
