#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The host with the real component against Apache where a name has several addresses, or only
# an IPv6 one (names of the test's own, in a mount namespace with a hosts file of its own); a
# folder that --ensure-dir could not make; two participants uploading one name at once.
source "$(dirname "$0")/common.sh"
use_dav_servers

start_server() { # INSTANCE [--ipv6] -> port in $port
    local inst=$1
    shift
    start_dav "$inst" --auth digest --user alice --password secret --user bob --password secret \
        "$@" || return 1
    mkdir -p "$inst/data/Presenter"
    [ "$(id -u)" -ne 0 ] || chown -R nobody:nogroup "$inst/data"
}

# run_with_hosts NAME HOSTS ARGS...: run, with /etc/hosts replaced by HOSTS for the host alone.
run_with_hosts() {
    local name=$1 hosts=$2
    shift 2
    DOCSHELF_PASSWORD=secret timeout 90 unshare -m sh -c \
        'mount --bind "$1" /etc/hosts && shift && exec "$@"' sh "$hosts" \
        "$DOCSHELF_HOST" "$@" >"$T/$name.out" 2>"$T/$name.err"
    rc=$?
}

if unshare -m true 2>/dev/null; then
    # A name whose first address has no server: every address is tried, for the check and for
    # every transfer, and nothing waits for itself.
    if start_server "$T/four"; then
        printf 'payload\n' >"$T/up.txt"
        printf 'on the server\n' >"$T/four/data/Presenter/there.txt"
        { cat /etc/hosts; printf '::1 dual.docshelf.test\n127.0.0.1 dual.docshelf.test\n'; } \
            >"$T/hosts-dual"
        run_with_hosts dual "$T/hosts-dual" --headless --server "dual.docshelf.test:$port" \
            --dir /dav/room/ --user alice --local-dir "$T/dual-local" --timeout 30 \
            --upload "$T/up.txt=Presenter/up.txt" --download "Presenter/there.txt=$T/there.txt" \
            --list Presenter/
        expect_rc dual 0
        expect_line dual 'OnServerState\t1'
        expect_line dual "OnFileUploaded\t$T/up.txt\t2\t1\t0"
        expect_line dual "OnFileDownloaded\t$T/there.txt\t2\t2\t0"
        expect_line dual 'OnDirectoryEntry\tPresenter/\t0\t3\tup.txt\t8\t0'
        cmp -s "$T/up.txt" "$T/four/data/Presenter/up.txt" || fail "dual: the upload differs"
    else
        fail "the IPv4 server did not start"
    fi
    # A server with an IPv6 address only is there.
    if start_server "$T/six" --ipv6; then
        printf 'six\n' >"$T/six/data/Presenter/six.txt"
        { cat /etc/hosts; printf '::1 six.docshelf.test\n'; } >"$T/hosts-six"
        run_with_hosts six "$T/hosts-six" --headless --server "six.docshelf.test:$port" \
            --dir /dav/room/ --user alice --local-dir "$T/six-local" --timeout 30 \
            --list Presenter/
        expect_rc six 0
        expect_line six 'OnServerState\t1'
        expect_line six 'OnDirectoryEntry\tPresenter/\t0\t1\tsix.txt\t4\t0'
        # Its address as such, with or without brackets.
        for literal in "::1" "[::1]"; do
            DOCSHELF_PASSWORD=secret run six-literal --headless --server "$literal:$port" \
                --dir /dav/room/ --user alice --local-dir "$T/six-local" --timeout 30 \
                --list Presenter/
            expect_rc six-literal 0
            expect_line six-literal 'OnDirectoryEntry\tPresenter/\t0\t1\tsix.txt\t4\t0'
        done
    else
        fail "the IPv6 server did not start"
    fi
else
    echo "no mount namespace here: the address cases are skipped" >&2
fi

if ! start_server "$T/main"; then
    fail "the server did not start"
    finish
fi
base=(--headless --server "127.0.0.1:$port" --dir /dav/room/ --timeout 30)

# --ensure-dir succeeds only when the folder is there afterwards.
printf 'a file\n' >"$T/main/data/Presenter/blocker"
DOCSHELF_PASSWORD=secret run ensure-ok "${base[@]}" --user alice --local-dir "$T/e-local" \
    --ensure-dir Presenter/new/deeper
expect_rc ensure-ok 0
[ -d "$T/main/data/Presenter/new/deeper" ] || fail "ensure-ok: the folder was not made"
DOCSHELF_PASSWORD=secret run ensure-refused "${base[@]}" --user alice --local-dir "$T/e-local" \
    --ensure-dir Presenter/blocker/sub
expect_rc ensure-refused 1

# Two participants upload one name at once. Each one's bytes go to a temporary name of their
# own and are labelled there, so the label travels with them: no label is ever set on the
# target's name. Each result says what became of that participant's own bytes (0: they took
# the name, perhaps to be replaced by the other's; anything else: they did not, and the other's
# are there). Apache moves a file and its properties in two steps, so two moves at the very
# same moment may still cross their labels: that is the server's, and not checked here.
label_of() { # SERVERPATH -> the uploader label the server keeps
    curl -s --digest -u alice:secret -X PROPFIND -H 'Depth: 0' -H 'Content-Type: text/xml' \
        --data '<?xml version="1.0"?><propfind xmlns="DAV:"><prop><Author xmlns="ZIDaze:"/></prop></propfind>' \
        "http://127.0.0.1:$port/dav/room/$1" | sed -n 's/.*<[^>]*Author[^>]*>\([^<]*\)<.*/\1/p'
}
printf 'Alice words\n' >"$T/alice.txt"
printf 'Bobby words\n' >"$T/bob.txt"
for round in 1 2 3 4 5 6; do
    DOCSHELF_PASSWORD=secret "$DOCSHELF_HOST" "${base[@]}" --user alice --author Alice \
        --local-dir "$T/a-local" --upload "$T/alice.txt=Presenter/same.txt" \
        >"$T/race-a.out" 2>"$T/race-a.err" &
    a=$!
    DOCSHELF_PASSWORD=secret "$DOCSHELF_HOST" "${base[@]}" --user bob --author Bobby \
        --local-dir "$T/b-local" --upload "$T/bob.txt=Presenter/same.txt" \
        >"$T/race-b.out" 2>"$T/race-b.err"
    rb=$?
    wait "$a"
    ra=$?
    owner=$(cut -d' ' -f1 "$T/main/data/Presenter/same.txt")
    label=$(label_of Presenter/same.txt)
    case "$label" in Alice | Bobby) ;; *) fail "race $round: labelled '$label'" ;; esac
    [ "$ra" -eq 0 ] || [ "$owner" = Bobby ] || fail "race $round: Alice failed ($ra), yet the file is hers"
    [ "$rb" -eq 0 ] || [ "$owner" = Alice ] || fail "race $round: Bob failed ($rb), yet the file is his"
done
if grep -q '"PROPPATCH /dav/room/Presenter/same%2Etxt HTTP' "$T/main/logs/access.log"; then
    fail "race: a label was set on the target's name, not on the bytes"
fi
[ -z "$(find "$T/main/data" -name '*.mxdstmp')" ] || fail "race: temporary files left on the server"

finish
