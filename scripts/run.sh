#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo data to out/demo and runs the viewer there.
# With no display ($DISPLAY unset) it runs the viewer for a few seconds in a private virtual X
# server, saves a PNG screenshot of its window and prints where it is.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh

cmake --preset dev
cmake --build --preset dev -j2 --target orvane-viewer orvane

data="$root/out/demo"
mkdir -p "$data"
build/tool/orvane demo --force "$data" >/dev/null  # the project's own folder: replaced each run

viewer="$root/build/app/orvane-viewer"
if [ -n "${DISPLAY:-}" ]; then
  cd "$data"
  exec "$viewer"
fi

# No display: a private Xvfb, which picks a free display number and writes it to fd 3.
caption="Orvane model viewer v0.02"
shot="$root/out/screenshot.png"
log="$root/out/viewer.log"
work=$(mktemp -d)
xvfb_pid=""
viewer_pid=""
cleanup() {
  [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null && wait "$viewer_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.1
done
grep -q . "$work/display" || { echo "run.sh: Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
echo "run.sh: no display; running the viewer on the virtual display $DISPLAY"

(cd "$data" && exec "$viewer") >"$log" 2>&1 &
viewer_pid=$!

window=""
for _ in $(seq 150); do
  window=$(xwininfo -name "$caption" 2>/dev/null | awk '/Window id:/ {print $4}') || true
  [ -n "$window" ] && break
  kill -0 "$viewer_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "run.sh: the viewer's window did not appear; its output:"
  cat "$log"
  exit 1
fi

# The pointer starts mid-screen, over the window, and SDL reports where it is, which sets the
# view angles. Put it at (320, 20) in the window: the start angles (20 about x, 320 = -40 about y).
xdotool mousemove --window "$window" 320 20 || true
sleep 3  # let it run a few seconds
import -window "$window" "$shot"
echo "run.sh: the viewer's console output (also in $log):"
cat "$log"
echo "Screenshot of the viewer's window: $shot"
