#!/usr/bin/env bash
# The show on a real X server (Xvfb, 1920 x 1080, no window manager, lock off) over ten
# 12-megapixel JPEG slides: calm keys (one every 2 s) and a toddler's mashing (16 a second for
# 10 s), each key timed from its press to the last change of the screen after it.
#
#   bench/show_keys_x.sh [build folder, default build] [program folder, default bin]
#
# Give another program folder (a build of an earlier commit) to compare the two on one machine.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=${2:-bin}
tree=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$tree"' EXIT
mkdir -p "$tree/bin" "$tree/slides"
cp "$program/bimbalo" "$tree/bin/"
cp "$program/libbimbalohook.so" "$tree/bin/" 2>/dev/null || true
QT_QPA_PLATFORM=offscreen "$build/bench/bench_show_mash" --write-slides "$tree/slides"
printf '[options]\r\nle_folder=%s\r\nrg_order=1\r\ncb_keyboard_splash=0\r\nCheckBox_keyboark_lock=0\r\ncb_sounds_enable=0\r\nrg_captions_when=1\r\n\r\n' \
  "$tree/slides" >"$tree/bin/bimbalo.ini"

display=:$((RANDOM % 400 + 100))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
QT_QPA_PLATFORM=xcb "$tree/bin/bimbalo" --show >"$tree/program.log" 2>&1 &
for _ in $(seq 200); do xwininfo -name Run >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
echo "calm:"
"$build/bench/x_key_latency" 0.5 8
echo "mashing:"
"$build/bench/x_key_latency" 16 160
xdotool key --delay 120 q u i t
wait %2 || true
