#!/usr/bin/env bash
# quellon-pro in a real notification area: trayer on a virtual X server. The
# program started minimised docks its icon there; a right click on the icon
# opens the slide-up menu above it, "Close This Menu" slides it away, and a
# double click brings the window back and stores "Minimized" = "No".
#
# usage: tests/gui/tray_host_test.sh BIN_DIR
#   Exit status 77 (skipped) when xvfb-run, trayer, xdotool or xwininfo is
#   missing; scripts/test installs them.
set -euo pipefail

if [[ "${1:-}" == --inside ]]; then
    bin="$2" work="$3"
    demo="$work/machine"
    cli() { "$bin/quellon-cli" --home "$bin" --machine "$demo" --config "$demo/config" "$@"; }
    fail() {
        echo "FAILED: $*" >&2
        echo "--- quellon-pro said:" >&2
        cat "$work/quellon-pro.log" >&2 || true
        exit 1
    }
    # Waits up to $1 seconds for the command after it to succeed.
    within() {
        local limit=$(($1 * 10))
        shift
        for ((i = 0; i < limit; i++)); do
            "$@" >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        return 1
    }
    "$bin/quellon-cli" make-demo "$demo" >/dev/null
    cli settings set "Quellon Pro" Settings showHelp 0
    cli settings set "Quellon Pro" Settings Minimized Yes
    # The home-page shield takes the page it finds: no alert over the menu.
    cli settings set "Quellon Pro" OptionAndSettings Homepage ""

    trayer --edge bottom --align right --widthtype request --height 32 \
        --SetDockType true >/dev/null 2>&1 &
    trayer_pid=$!
    within 10 xdotool search --name '^panel$' || fail "trayer did not start"
    "$bin/quellon-pro" --home "$bin" --machine "$demo" --config "$demo/config" \
        >"$work/quellon-pro.log" 2>&1 &
    pid=$!
    trap 'kill "$pid" "$trayer_pid" 2>/dev/null || true' EXIT

    # The icon: the program's window among trayer's children.
    icon() {
        xwininfo -root -tree |
            awk '/"panel": \("panel" "trayer"\)/ { panel = 1; next }
                 panel && /"quellon-pro"/ { print; exit }' |
            sed -nE 's/.* ([0-9]+)x([0-9]+)\+[-0-9]+\+[-0-9]+ +\+([-0-9]+)\+([-0-9]+).*/\3 \4 \1 \2/p' |
            grep .
    }
    within 20 icon || fail "no icon of quellon-pro in the notification area"
    read -r ix iy iw ih < <(icon)
    visible() { xdotool search --onlyvisible --name "$1"; }
    # Started minimised: the window is not shown.
    sleep 1
    ! visible '^Quellon Pro by ' >/dev/null 2>&1 || fail "the window is shown, not in the tray"

    # A right click opens the menu, placed above the notification area at the
    # bottom right of the screen.
    xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 3
    within 5 visible 'Quellon Pro menu' || fail "a right click on the icon opened no menu"
    menu="$(visible 'Quellon Pro menu' | head -n 1)"
    sleep 1.5 # the slide up
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    read -r sw sh < <(xdotool getdisplaygeometry)
    ((Y + HEIGHT <= iy + 1 && X + WIDTH >= sw - 40 && Y + HEIGHT >= sh - 120)) ||
        fail "menu at ${X},${Y} ${WIDTH}x${HEIGHT}: not above the icon at the bottom right"

    # "Close This Menu", its last line, slides it down and away.
    xdotool mousemove $((X + WIDTH - 40)) $((Y + HEIGHT - 14)) click 1
    within 5 bash -c "! xdotool search --onlyvisible --name 'Quellon Pro menu'" ||
        fail "Close This Menu left the menu open"

    # A double click on the icon brings the window back.
    xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click --repeat 2 --delay 80 1
    within 5 visible '^Quellon Pro by ' || fail "a double click on the icon did not show the window"
    within 5 bash -c "[[ \$('$bin/quellon-cli' --config '$demo/config' settings get 'Quellon Pro' Settings Minimized) == No ]]" ||
        fail "Minimized is not No after the window came back"
    kill -0 "$pid" || fail "quellon-pro ended"
    echo "tray host: icon docked, menu opened above it and closed, window back"
    exit 0
fi

bin="$(cd "$1" && pwd)"
for tool in xvfb-run trayer xdotool xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is missing"
        exit 77
    fi
done
work="$(mktemp -d "${TMPDIR:-/tmp}/quellon-tray.XXXXXX")"
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1280x900x24 -br" "$0" --inside "$bin" "$work"
