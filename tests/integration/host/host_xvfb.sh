#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The real window on a real X server (Xvfb, Qt's xcb platform): read back from the screen,
# the panel fills the window between its menu and status line, and both lists show rows.
source "$(dirname "$0")/common.sh"
: "${DOCSHELF_SOURCE_DIR:?}"
DAV="$DOCSHELF_SOURCE_DIR/scripts/dav-server"
if [ ! -x /usr/bin/Xvfb ] || [ ! -x /usr/sbin/apache2 ]; then
    echo "no Xvfb or no Apache: skipped" >&2
    exit 77
fi
unset DOCSHELF_LIBRARY
xvfb_pid="" host_pid=""
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    "$DAV" stop "$T/dav" >/dev/null 2>&1
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to the given descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$T/display" 2>"$T/xvfb.err" &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$T/display" ] && break
    sleep 0.1
done
[ -s "$T/display" ] || { echo "Xvfb did not start: $(cat "$T/xvfb.err")" >&2; exit 1; }
display=":$(head -n 1 "$T/display")"

out=$("$DAV" start "$T/dav" --user alice --password secret) ||
    { echo "Apache did not start" >&2; exit 1; }
port=${out#port=}
mkdir -p "$T/files"
for f in a.txt b.txt c.txt; do printf '%s\n' "$f" >"$T/files/$f"; done

args=(--server "127.0.0.1:$port" --dir /dav/room/ --user alice --local-dir "$T/local"
    --timeout 60)
seed=(--ensure-dir Presenter)
for f in a.txt b.txt c.txt; do seed+=(--upload "$T/files/$f=Presenter/$f"); done
DOCSHELF_PASSWORD=secret run seed "${args[@]}" --headless "${seed[@]}"
expect_rc seed 0
DOCSHELF_PASSWORD=secret DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    "$DOCSHELF_HOST" "${args[@]}" --geometry 800x600+0+0 --panel-download a.txt \
    --screenshot "$T/window.ppm" --print-panel >"$T/window.out" 2>"$T/window.err" &
host_pid=$!
for _ in $(seq 1 600); do
    grep -q '^Caption' "$T/window.out" 2>/dev/null && break
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$host_pid" 2>/dev/null
wait "$host_pid"
rc=$?
host_pid=""
expect_rc window 0
[ -z "$(grep -v '^docshelf-host: ' "$T/window.err")" ] ||
    fail "a healthy window run wrote warnings: $(cat "$T/window.err")"
expect_line window 'DirRow\tc.txt\talice\t6.00 Byte'
[ -s "$T/window.ppm" ] || fail "no screenshot"

python3 - "$T/window.ppm" <<'PY' || fail "the pixels of the window: see above"
import sys

data = open(sys.argv[1], "rb").read()
fields = data.split(maxsplit=4)
assert fields[0] == b"P6", "not a binary PPM"
w, h = int(fields[1]), int(fields[2])
pixels = fields[4][-w * h * 3:]

def rgb(x, y):
    i = (y * w + x) * 3
    return tuple(pixels[i:i + 3])

problems = []
if (w, h) != (800, 600):
    problems.append(f"window is {w}x{h}, asked for 800x600")
# The panel's own background, beside the lists at both edges of the window.
panel = rgb(4, h // 2)
if len(set(panel)) == 1:
    problems.append(f"no panel at the left edge: grey {panel}")
for x in (4, w - 5):
    share = sum(rgb(x, y) == panel for y in range(h)) / h
    if share < 0.85:
        problems.append(f"the panel covers {share:.0%} of the column x={x}, not its height")

def text_bands(y0, y1):
    """Lines of text in the name column: pixels far from their row's own background
    (dark on a plain row, light on the selected one)."""
    bands, inside = 0, False
    for y in range(y0, y1):
        ground = rgb(300, y)
        ink = any(sum(abs(a - b) for a, b in zip(rgb(x, y), ground)) > 150
                  for x in range(40, 300))
        bands += ink and not inside
        inside = ink
    return bands

upper, lower = text_bands(45, h // 2), text_bands(h // 2, h - 30)
# Header plus three files above; header plus the download below.
if upper < 4:
    problems.append(f"the folder list shows {upper} text lines, expected at least 4")
if lower < 2:
    problems.append(f"the transfer list shows {lower} text lines, expected at least 2")
for p in problems:
    print("   ", p)
sys.exit(1 if problems else 0)
PY
finish
