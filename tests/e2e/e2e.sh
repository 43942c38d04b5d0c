#!/usr/bin/env bash
# End-to-end tests: the real player, driven like a user. Usage: e2e.sh CASE
# Runs inside the platform that scripts/test.sh started (display, sound server, wine prefix).
set -euo pipefail
source "$(dirname "$0")/../../scripts/platform.sh"
source "$PROJECT_ROOT/scripts/drive.sh"
MEDIA=$BUILD_DIR/media/e2e
WORK=$(mktemp -d)
trap 'drive_kill; rm -rf "$WORK"' EXIT

FRAME_W=320
FRAME_H=240
TOLERANCE=60

# expect_near ACTUAL EXPECTED TOLERANCE MESSAGE
expect_near() {
    local d=$(($1 - $2))
    [ ${d#-} -le "$3" ] || drive_fail "$4: $1, expected $2 (±$3)"
}

# expect_colour TITLE r g b: the mean colour of the window's client area.
expect_colour() {
    local title=$1 geometry colour
    geometry=$(drive_probe client "$title")
    colour=$(drive_mean_colour $geometry)
    read -r r g b <<<"$colour"
    [ $((${r} - $2)) -le $TOLERANCE ] && [ $(($2 - r)) -le $TOLERANCE ] &&
        [ $((g - $3)) -le $TOLERANCE ] && [ $(($3 - g)) -le $TOLERANCE ] &&
        [ $((b - $4)) -le $TOLERANCE ] && [ $(($4 - b)) -le $TOLERANCE ]
}

await_colour() {
    local title=$1 name=$2 seconds=$3; shift 3
    platform_wait_for "$seconds" expect_colour "$title" "$@" ||
        drive_fail "the picture did not turn $name (mean colour now: $(drive_mean_colour $(drive_probe client "$title")))"
}

# expect_menu WINDOW TITLE ITEM...: the bar shows TITLE, and its drop-down the ITEMs in order.
expect_menu() {
    local window=$1 title=$2 x y w h bar items expected
    shift 2
    read -r x y w h <<<"$(drive_probe client "$window")"
    bar=$(drive_read_text "$x" $((y - 19)) 120 19)
    [ "$bar" = "$title" ] || drive_fail "the menu bar of \"$window\" reads \"$bar\", expected \"$title\""
    drive_activate "$window"
    drive_key F10 Down
    expected=$(printf '%s\n' "$@")
    read_drop_down() { items=$(drive_read_text "$x" "$y" 150 $((20 * $# + 10))) && [ "$items" = "$expected" ]; }
    platform_wait_for 5 read_drop_down "$@" || true
    drive_key Escape Escape
    [ "$items" = "$expected" ] || drive_fail "the drop-down of \"$window\" reads:"$'\n'"$items"
}

expect_main_window_usable() {
    drive_await_window "$DRIVE_MAIN_TITLE" 10
    expect_menu "$DRIVE_MAIN_TITLE" Datei "Film Player" "Audio Player" Beenden
}

# Chooses a player and opens `file` (Unix path) in it.
open_in_player() {
    local item=$1 file=$2
    drive_menu "$DRIVE_MAIN_TITLE" 1 "$item"
    drive_open_file "$(drive_unix_to_wine "$file")"
}

expect_cannot_open_box() {
    drive_await_window "Fehler" 20
    [ "$(drive_probe text Fehler)" = "Ich kanns nicht öffnen sry^^" ] ||
        drive_fail "the Fehler box says \"$(drive_probe text Fehler)\""
    drive_answer_box Fehler Return
}

case_start() {
    drive_start
    local x y w h cw ch aw ah
    read -r x y w h <<<"$(drive_probe window "$DRIVE_MAIN_TITLE")"
    read -r _ _ cw ch <<<"$(drive_probe client "$DRIVE_MAIN_TITLE")"
    read -r aw ah <<<"$(drive_probe adjust 230 90)"
    # The window is sized for a 230x90 client area; the menu bar then takes its height from it.
    [ "$w $h" = "$aw $ah" ] || drive_fail "outer size ${w}x$h, expected ${aw}x$ah (230x90 client area)"
    [ "$cw" = 230 ] || drive_fail "client width $cw, expected 230"
    [ "$ch" -lt 90 ] || drive_fail "client height $ch: no menu bar"
    expect_near "$x" $(((1024 - w) / 2)) 1 "window not centred horizontally"
    expect_near "$y" $(((768 - h) / 2)) 1 "window not centred vertically"
    expect_menu "$DRIVE_MAIN_TITLE" Datei "Film Player" "Audio Player" Beenden
    [ "$(drive_probe class "$DRIVE_MAIN_TITLE")" = "WindowClass_0" ] || drive_fail "wrong window class"
    drive_key alt+F4
    drive_await_exit 10
}

case_close_box() {
    drive_start
    local x y
    read -r x y <<<"$(drive_probe closebox "$DRIVE_MAIN_TITLE")"
    xdotool mousemove "$x" "$y" click 1
    drive_await_exit 10
}

case_quit() {
    drive_start
    drive_menu "$DRIVE_MAIN_TITLE" 1 3
    drive_await_window Copyright 10
    [ "$(drive_probe buttons Copyright)" = "OK" ] || drive_fail "the Copyright box has buttons: $(drive_probe buttons Copyright)"
    drive_probe text Copyright | grep -q "Vornak" || drive_fail "the Copyright box shows no credit line"
    drive_answer_box Copyright Return
    local dismissed=$SECONDS
    drive_await_exit 5
    [ $((SECONDS - dismissed)) -le 1 ] || drive_fail "the player took $((SECONDS - dismissed)) s to end"
    drive_visible "$DRIVE_MAIN_TITLE" && drive_fail "the main window is still shown"
    true
}

case_cancel() {
    drive_start
    local round
    for round in 1 2; do
        drive_menu "$DRIVE_MAIN_TITLE" 1 1
        drive_await_dialog_focus
        drive_key Escape
        expect_cannot_open_box
        expect_main_window_usable
    done
    drive_key alt+F4
    drive_await_exit 10
}

case_film() {
    drive_start
    open_in_player 1 "$MEDIA/phases.avi"
    drive_await_window "Film Player" 20
    local x y w h
    read -r x y _ _ <<<"$(drive_probe window "Film Player")"
    [ "$x $y" = "100 150" ] || drive_fail "player window at $x,$y, expected 100,150"
    read -r _ _ w h <<<"$(drive_probe client "Film Player")"
    [ "$w $h" = "$FRAME_W $FRAME_H" ] || drive_fail "player client area ${w}x$h, expected ${FRAME_W}x$FRAME_H"
    expect_menu "Film Player" "Film Player" Start Halt
    drive_visible "$DRIVE_MAIN_TITLE" && drive_fail "the main window was not replaced"

    drive_menu "Film Player" 1 1 # Start
    await_colour "Film Player" red 5 255 0 0
    await_colour "Film Player" green 5 0 255 0 # the picture moves
    drive_menu "Film Player" 1 2               # Halt
    sleep 0.5
    expect_colour "Film Player" 0 255 0 || drive_fail "halt did not keep the picture"
    sleep 2.5 # playing on would have reached blue by now
    expect_colour "Film Player" 0 255 0 || drive_fail "the picture moved on after Halt"
    drive_menu "Film Player" 1 1 # Start again: from the beginning
    await_colour "Film Player" "red again" 5 255 0 0

    local cx cy
    read -r cx cy <<<"$(drive_probe closebox "Film Player")"
    xdotool mousemove "$cx" "$cy" click 1
    drive_await_exit 10
}

case_audio() {
    drive_start
    open_in_player 2 "$MEDIA/tone.mp3"
    drive_await_window "Audio Player" 20
    local x y
    read -r x y _ _ <<<"$(drive_probe window "Audio Player")"
    [ "$x $y" = "500 500" ] || drive_fail "audio window at $x,$y, expected 500,500"
    drive_menu "Audio Player" 1 1 # Start
    sleep 0.5
    drive_record "$WORK/playing.wav" 2
    local rms freq
    rms=$(drive_rms "$WORK/playing.wav")
    freq=$(drive_frequency "$WORK/playing.wav")
    awk -v r="$rms" 'BEGIN { exit !(r > 0.05) }' || drive_fail "no tone on the sink (RMS $rms)"
    awk -v f="$freq" 'BEGIN { exit !(f > 900 && f < 1100) }' || drive_fail "tone of $freq Hz, expected 1000"
    drive_menu "Audio Player" 1 2 # Halt
    sleep 0.5
    drive_record "$WORK/halted.wav" 1
    rms=$(drive_rms "$WORK/halted.wav")
    awk -v r="${rms:-0}" 'BEGIN { exit !(r < 0.005) }' || drive_fail "still sound after Halt (RMS $rms)"
    drive_key alt+F4
    drive_await_exit 10
}

case_bad_files() {
    drive_start
    local file
    for file in empty.avi truncated.wav text.avi; do
        open_in_player 1 "$MEDIA/$file"
        expect_cannot_open_box
        expect_main_window_usable
    done
    drive_key alt+F4
    drive_await_exit 10
}

case_umlaut_path() {
    drive_start
    open_in_player 1 "$MEDIA/Größe Test/Film mit Leerzeichen.avi"
    drive_await_window "Film Player" 20
    drive_menu "Film Player" 1 1
    await_colour "Film Player" red 5 255 0 0
    drive_key alt+F4
    drive_await_exit 10
}

"case_$1"
echo "PASS: $1"
