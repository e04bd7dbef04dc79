# SPDX-License-Identifier: Apache-2.0
# Shared helpers of the host tests. Expects DOCSHELF_HOST, DOCSHELF_FAKE and DOCSHELF_TEST_TMP
# from CTest.
set -u

: "${DOCSHELF_HOST:?}" "${DOCSHELF_TEST_TMP:?}"
failures=0
T="$DOCSHELF_TEST_TMP/$(basename "$0" .sh)"
rm -rf "$T"
mkdir -p "$T"
export XDG_RUNTIME_DIR="$T/xdg-runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run NAME ARGS...: runs the host, stdout to $T/NAME.out, stderr to $T/NAME.err, status in rc.
run() {
    local name=$1
    shift
    "$DOCSHELF_HOST" "$@" >"$T/$name.out" 2>"$T/$name.err"
    rc=$?
}

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
    local limit=$(($1 * 10))
    shift
    for _ in $(seq 1 "$limit"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

expect_rc() {
    local name=$1 want=$2
    if [ "$rc" != "$want" ]; then
        fail "$name: exit status $rc, expected $want"
        sed 's/^/    stderr: /' "$T/$name.err" | tail -n 15 >&2
    fi
}

# expect_line NAME LINE: LINE (tabs written as \t) is one whole line of NAME's stdout.
expect_line() {
    local name=$1 line
    line=$(printf '%b' "$2")
    grep -qxF -- "$line" "$T/$name.out" || fail "$name: missing line '$2' in stdout: $(cat -A "$T/$name.out" | head -n 20)"
}

# Every stdout line is a container call: a known operation name, tab-separated fields.
expect_only_calls() {
    local name=$1
    local bad
    bad=$(grep -vE '^(BroadcastMessage|NotifyPresenterFiles|SetChatFilterFile|OnFileUploaded|OnFileDownloaded|OnDirectoryEntry|OnServerState)(	[^	]*)+$' "$T/$name.out")
    [ -z "$bad" ] || fail "$name: stdout holds lines that are not container calls: $bad"
}

# use_dav_servers: the tests that follow start Apache servers with start_dav INSTANCE ARGS...
# (the port in $port); every one of them is stopped at the end. Skips the test without Apache.
use_dav_servers() {
    : "${DOCSHELF_SOURCE_DIR:?}"
    DAV="$DOCSHELF_SOURCE_DIR/scripts/dav-server"
    if [ ! -x "$DAV" ] || [ ! -x /usr/sbin/apache2 ]; then
        echo "no Apache or no scripts/dav-server: skipped" >&2
        exit 77
    fi
    unset DOCSHELF_LIBRARY
    dav_servers=()
    trap stop_dav_servers EXIT
}
stop_dav_servers() {
    local s
    for s in "${dav_servers[@]}"; do "$DAV" stop "$s" >/dev/null 2>&1; done
}
start_dav() {
    local out inst=$1
    shift
    out=$("$DAV" start "$inst" "$@") || return 1
    dav_servers+=("$inst")
    port=${out#port=}
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed; files in $T" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
