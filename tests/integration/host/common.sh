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

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed; files in $T" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
