#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# A meeting larger than one server: two Apache servers over one folder behind HAProxy (TLS
# passed through, Basic authentication), and a Redis primary and replica under three
# Sentinels. Two attendees join through the Sentinels; the primary is killed and every
# attendee is back in the room within 10 s of the switch, and a file uploaded while the room
# was away reaches them by the listing they make on rejoining; a WebDAV server is killed and
# the next file still reaches everyone through the other.
source "$(dirname "$0")/common.sh"
: "${DOCSHELF_SOURCE_DIR:?}"
CLUSTER="$DOCSHELF_SOURCE_DIR/scripts/dav-cluster"
MEET="$DOCSHELF_SOURCE_DIR/scripts/meeting-cluster"
if [ ! -x /usr/sbin/apache2 ] || [ ! -x /usr/sbin/haproxy ] || [ ! -x /usr/bin/redis-server ]; then
    echo "no Apache, HAProxy or Redis: skipped" >&2
    exit 77
fi
unset DOCSHELF_LIBRARY
attendees=(bob carol)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    "$MEET" stop "$T/meeting" >/dev/null 2>&1
    "$CLUSTER" stop "$T/dav" >/dev/null 2>&1
}
trap cleanup EXIT

export DOCSHELF_PASSWORD="pw-$RANDOM$RANDOM"
export DOCSHELF_MEETING_PASSWORD="meet $RANDOM \"x\""
users=(--user alice --password "$DOCSHELF_PASSWORD")
for a in "${attendees[@]}"; do users+=(--user "$a" --password "$DOCSHELF_PASSWORD"); done
out=$("$CLUSTER" start "$T/dav" "${users[@]}") || { echo "the WebDAV cluster did not start" >&2; exit 1; }
dav_port=$(sed -n 's/^port=//p' <<<"$out")
ca=$(sed -n 's/^ca=//p' <<<"$out")
out=$("$MEET" start "$T/meeting") || { echo "the Sentinels did not start" >&2; exit 1; }
meeting="redis-sentinel://$(sed -n 's/^sentinels=//p' <<<"$out")/docshelf/room1"
dav=(--server "127.0.0.1:$dav_port" --https --ca-file "$ca" --dir /dav/room/ --headless --timeout 60)
server=("${dav[@]}" --meeting "$meeting")

all_have() {
    local a
    for a in "${attendees[@]}"; do cmp -s "$1" "$T/$a/$(basename "$1")" || return 1; done
}
all_joined_again() {
    local a
    for a in "${attendees[@]}"; do grep -q "joined again" "$T/$a.err" || return 1; done
}
presenter() {
    local name=$1
    shift
    run "$name" "${dav[@]}" --user alice --author Alice --local-dir "$T/alice" "$@"
}

mkdir -p "$T/files"
for f in first away last; do head -c 300000 /dev/urandom >"$T/files/$f.bin"; done
for a in "${attendees[@]}"; do
    "$DOCSHELF_HOST" "${server[@]}" --user "$a" --local-dir "$T/$a" --auto-download --keep-open \
        --ensure-dir Presenter >"$T/$a.out" 2>"$T/$a.err" &
    pids+=($!)
done

presenter first --meeting "$meeting" --wait-participants 3 --panel-upload "$T/files/first.bin" --list Presenter/
expect_rc first 0
expect_line first 'BroadcastMessage\tAlice uploaded file first.bin'
grep -q "$(printf '\tfirst.bin\t300000\t0$')" "$T/first.out" || fail "first: not listed: $(cat "$T/first.out")"
wait_for 30 all_have "$T/files/first.bin" || fail "first.bin did not reach every attendee"

# The primary goes; the Sentinels switch. A file uploaded meanwhile is announced to no one (the
# presenter here is not in the room), so only the listing on rejoining brings it.
killed=$("$MEET" kill-primary "$T/meeting")
wait_for 30 grep -q "connection lost" "$T/bob.err" || fail "bob did not see the room go"
presenter away --panel-upload "$T/files/away.bin"
expect_rc away 0
switched() { [ "$("$MEET" primary "$T/meeting")" != "$killed" ]; }
wait_for 30 switched || fail "the Sentinels did not switch"
switch_at=$SECONDS
wait_for 10 all_joined_again || fail "not every attendee was back in the room within 10 s of the switch"
echo "back in the room $((SECONDS - switch_at)) s after the switch (at most)" >&2
grep -q "redis-sentinel://" "$T/bob.err" || fail "bob does not name the Sentinels: $(head -5 "$T/bob.err")"
wait_for 30 all_have "$T/files/away.bin" ||
    fail "away.bin, uploaded while the room was gone, did not reach every attendee"

# A WebDAV server goes; the balancer sends everyone to the other, the room on the new primary.
"$CLUSTER" kill "$T/dav" 1
presenter last --meeting "$meeting" --wait-participants 3 --panel-upload "$T/files/last.bin" --panel-delete first.bin
expect_rc last 0
expect_line last 'BroadcastMessage\tAlice uploaded file last.bin'
wait_for 30 all_have "$T/files/last.bin" || fail "last.bin did not reach every attendee"

for p in "${pids[@]}"; do kill -TERM "$p"; wait "$p" || fail "an attendee ended with status $?"; done
pids=()
grep -lF "$DOCSHELF_MEETING_PASSWORD" "$T"/*.err "$T"/*.out && fail "the meeting password was written out"
finish
