#!/usr/bin/env bash
# A monkey on the desktop program: random clicks, drags and keys on the real window under a virtual
# display (Xvfb, driven by xdotool) for SECONDS seconds, with pedestrians running. It leaves out
# the Exit shortcut, the menu bar (whose Run menu holds Exit) and the Alt key. At the end the
# program must still answer: closing any open dialog with Escape, then choosing Run > Exit from the
# keyboard must end it within 20 seconds.
#   tools/monkey.sh [SECONDS] [path/to/strida]      (default 30, build/strida)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
program=$(realpath "${2:-build/strida}")
work=$(mktemp -d)
display=90
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$program" --out "$work" >"$work/strida.log" 2>&1 &
app=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "Micro-Strida" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"  # WIDTH, HEIGHT
xdotool windowfocus --sync "$window"
xdotool key F5  # a run of the default population

keys=(F5 F6 F3 F7 ctrl+m ctrl+a ctrl+p ctrl+c ctrl+w ctrl+v ctrl+f ctrl+r Escape Return Tab
      space BackSpace Delete Up Down Left Right 0 1 5 9 period minus a x e)
actions=0
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
    kill -0 "$app" 2>/dev/null || { echo "monkey: the program ended after $actions actions" >&2; exit 1; }
    x=$((RANDOM % WIDTH))
    y=$((40 + RANDOM % (HEIGHT - 40)))  # below the menu bar
    case $((RANDOM % 4)) in
        0 | 1) xdotool mousemove --window "$window" "$x" "$y" click $((RANDOM % 3 == 0 ? 3 : 1)) ;;
        2) xdotool mousemove --window "$window" "$x" "$y" mousedown 1 \
               mousemove --window "$window" $((RANDOM % WIDTH)) $((40 + RANDOM % (HEIGHT - 40))) \
               mouseup 1 ;;
        3) xdotool key "${keys[RANDOM % ${#keys[@]}]}" ;;
    esac
    actions=$((actions + 1))
done

# Still answering: close whatever dialog is open, then Run > Exit from the keyboard. Each attempt
# gives it 10 seconds; a dialog the Escapes did not reach gets another chance.
for attempt in 1 2 3; do
    # Without a window manager the keyboard goes to the window under the pointer, or to the one
    # given the focus. A message box or dialog blocks the main window until it is answered: give
    # each the focus and answer it with Escape, then give the main window the focus.
    for _ in 1 2 3; do
        for w in $(xdotool search --onlyvisible --pid "$app" --name '.*' 2>/dev/null); do
            [ "$w" = "$window" ] && continue
            [ -n "$(xdotool getwindowname "$w" 2>/dev/null)" ] || continue
            xdotool windowfocus --sync "$w" 2>/dev/null || continue
            xdotool key Escape
            sleep 0.2
        done
    done
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key alt+r
    sleep 0.5
    xdotool key e
    for _ in $(seq 100); do
        if ! kill -0 "$app" 2>/dev/null; then
            wait "$app" || true
            app=
            echo "monkey: $actions actions in $seconds s; the program still answered and exited"
            exit 0
        fi
        sleep 0.1
    done
done
echo "monkey: the program did not answer Run > Exit after $actions actions" >&2
echo "monkey: its windows:" >&2
for w in $(xdotool search --pid "$app" --name '.*' 2>/dev/null); do
    echo "  $(xdotool getwindowname "$w" 2>/dev/null)" >&2
done
echo "monkey: its state: $(awk '{print $3}' "/proc/$app/stat"), $(tail -n 5 "$work/strida.log")" >&2
exit 1
