# Sourced by the run, test and benchmark scripts: starts the private platform the program needs under
# wine (an Xvfb display, a PulseAudio daemon with a null sink, a prepared wine prefix and a
# persistent wineserver) and stops exactly what it started.
# shellcheck shell=bash

PROJECT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$PROJECT_ROOT/build}
PLATFORM_DIR=$BUILD_DIR/platform
export WINEPREFIX=${VORNAK_WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# Wine's first start would otherwise offer to download Mono and Gecko.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export VORNAK_SINK=vornak_sink
# Unix file names are UTF-8 and the program's ANSI code page is 1252 (umlauts in paths).
export LANG=C.UTF-8

PLATFORM_PIDS=()

platform_stop() {
    local pid
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    for pid in "${PLATFORM_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${PLATFORM_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    PLATFORM_PIDS=()
}

# Polls a command until it succeeds or the seconds run out.
platform_wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

platform_start_display() {
    # Xvfb picks a free display number itself and writes it to the pipe.
    exec {display_fd}<> <(:)
    Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp -noreset >"$PLATFORM_DIR/xvfb.log" 2>&1 &
    PLATFORM_PIDS+=($!)
    local number
    read -r -t 20 number <&"$display_fd" || { echo "platform: Xvfb did not start (see $PLATFORM_DIR/xvfb.log)" >&2; return 1; }
    exec {display_fd}<&-
    export DISPLAY=":$number"
    platform_wait_for 20 xdpyinfo || { echo "platform: display $DISPLAY does not answer" >&2; return 1; }
    # German letters on spare key codes: typed text with umlauts then needs no remapping while
    # wine runs, which wine picks up too late for the next key.
    xmodmap -e "keycode 93 = odiaeresis Odiaeresis" -e "keycode 97 = ssharp" \
        -e "keycode 103 = adiaeresis Adiaeresis" -e "keycode 120 = udiaeresis Udiaeresis"
}

platform_start_sound() {
    export XDG_RUNTIME_DIR=$PLATFORM_DIR/xdg
    export PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR/pulse
    export PULSE_STATE_PATH=$PLATFORM_DIR/pulse-state
    export PULSE_SERVER=unix:$PULSE_RUNTIME_PATH/native
    mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
    chmod 700 "$XDG_RUNTIME_DIR"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
        --load="module-null-sink sink_name=$VORNAK_SINK rate=48000 channels=2" \
        --load="module-always-sink" >"$PLATFORM_DIR/pulse.log" 2>&1 &
    PLATFORM_PIDS+=($!)
    platform_wait_for 20 pactl info || { echo "platform: PulseAudio did not start (see $PLATFORM_DIR/pulse.log)" >&2; return 1; }
    pactl set-default-sink "$VORNAK_SINK"
}

# Creates the wine prefix once and prepares it for a display without a window manager: Wine
# draws captions and sets the focus itself, and Direct3D renders through GDI so that the video
# renderer draws into its window on Xvfb.
platform_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.vornak-ready" ]; then
        echo "platform: creating wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        mkdir -p "$(dirname "$WINEPREFIX")"
        wineboot -i >"$PLATFORM_DIR/wineboot.log" 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d gdi /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.vornak-ready"
    fi
    # A crashing test program then fails alone instead of leaving wine's crash dialog on the display.
    # (wineserver -w: the persistent server below starts only when no other one runs.)
    if ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg"; then
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wineserver -w
    fi
    # Wine's own fonts (Marlett draws the caption buttons' symbols) are not found in this
    # installation's data folder; the prefix's font folder always is.
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wineserver -p
    # The first wine process starts wine's background services, which inherit its output
    # handles; start them here, writing to a log, so that no test's output pipe stays open.
    wine cmd /c exit >"$PLATFORM_DIR/wine-services.log" 2>&1
}

platform_start() {
    mkdir -p "$PLATFORM_DIR"
    trap platform_stop EXIT
    if [ -n "${VORNAK_USE_DISPLAY:-}" ]; then
        # On the user's own desktop, play through the user's own sound server when there is one.
        pactl info >/dev/null 2>&1 || platform_start_sound
    else
        platform_start_display
        platform_start_sound
    fi
    platform_prepare_prefix
}

# Configures (quietly, showing the log only on failure) and builds the project.
platform_build() {
    cmake --preset default >"$PLATFORM_DIR/configure.log" || { cat "$PLATFORM_DIR/configure.log"; return 1; }
    cmake --build --preset default
}

# What every command does first: install what is missing, start the platform, build.
platform_setup() {
    bash "$PROJECT_ROOT/scripts/setup.sh"
    platform_start
    platform_build
}
