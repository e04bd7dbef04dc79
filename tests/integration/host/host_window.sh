#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Without --headless the host keeps its window open after the actions until it is closed or
# signalled; a signal ends the run through the component's normal shutdown.
source "$(dirname "$0")/common.sh"
: "${DOCSHELF_FAKE:?}"
export DOCSHELF_LIBRARY="$DOCSHELF_FAKE"
export FAKE_DOCSHELF_TRACE="$T/trace"
# A window on the offscreen platform: the host's window path without a display server.
export QT_QPA_PLATFORM=offscreen
mkdir -p "$T/local"
echo data >"$T/local/up.txt"
base=(--server 127.0.0.1:80 --dir /dav/room/ --user alice --local-dir "$T/local" --timeout 20)

# wait_for FILE PATTERN: up to 20 s for a line matching PATTERN.
wait_for() {
    local i
    for i in $(seq 1 200); do
        grep -q -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

rm -f "$FAKE_DOCSHELF_TRACE"
"$DOCSHELF_HOST" "${base[@]}" --list Presenter/ --screenshot "$T/panel.png" \
    >"$T/window.out" 2>"$T/window.err" &
pid=$!
wait_for "$T/window.err" 'close the window' || fail "window: actions did not finish"
expect_line window 'OnDirectoryEntry\tPresenter/\t0\t1\t(end)\t0\t0'
grep -q '^DestroyComp' "$FAKE_DOCSHELF_TRACE" && fail "window: shut down before it was closed"
kill -0 "$pid" 2>/dev/null || fail "window: the host did not stay open"
kill -TERM "$pid" 2>/dev/null
wait "$pid"
rc=$?
expect_rc window 0
tail -n 2 "$FAKE_DOCSHELF_TRACE" | grep -qxF DestroyComp || fail "window: no DestroyComp after the signal"
[ -s "$T/panel.png" ] || fail "window: no screenshot"

# A signal while an action waits: the run fails, and the component is still shut down.
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_SILENT=upload "$DOCSHELF_HOST" "${base[@]}" --headless \
    --upload "$T/local/up.txt=Presenter/up.txt" >"$T/signal.out" 2>"$T/signal.err" &
pid=$!
wait_for "$FAKE_DOCSHELF_TRACE" '^UploadFile' || fail "signal: the upload did not start"
kill -INT "$pid" 2>/dev/null
wait "$pid"
rc=$?
expect_rc signal 1
grep -qxF DestroyComp "$FAKE_DOCSHELF_TRACE" || fail "signal: no DestroyComp"

finish
