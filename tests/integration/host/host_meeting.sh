#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Two participants, two host processes, one Apache and one Redis: a file uploaded from the
# presenter's panel reaches the attendee by its meeting notice and automatic download, the
# chat filter file reaches both, and the meeting survives its server going away. The meeting
# server wants a password, which a participant without it cannot join.
source "$(dirname "$0")/common.sh"
: "${DOCSHELF_SOURCE_DIR:?}"
DAV="$DOCSHELF_SOURCE_DIR/scripts/dav-server"
MEET="$DOCSHELF_SOURCE_DIR/scripts/meeting-server"
if [ ! -x /usr/sbin/apache2 ] || [ ! -x /usr/bin/redis-server ]; then
    echo "no Apache or no Redis: skipped" >&2
    exit 77
fi
unset DOCSHELF_LIBRARY
attendee_pid=""
cleanup() {
    [ -n "$attendee_pid" ] && kill "$attendee_pid" 2>/dev/null
    "$MEET" stop "$T/redis" >/dev/null 2>&1
    "$DAV" stop "$T/dav" >/dev/null 2>&1
}
trap cleanup EXIT

out=$("$DAV" start "$T/dav" --user alice --password secret --user bob --password hunter2) ||
    { echo "Apache did not start" >&2; exit 1; }
dav_port=${out#port=}
export DOCSHELF_MEETING_PASSWORD='open "sesame" 42\'
out=$("$MEET" start "$T/redis") || { echo "Redis did not start" >&2; exit 1; }
redis_port=${out#port=}
meeting="redis://127.0.0.1:$redis_port/room1"
server=(--server "127.0.0.1:$dav_port" --dir /dav/room/ --headless --timeout 60
    --meeting "$meeting")

mkdir -p "$T/files"
printf 'minutes of the meeting\n' >"$T/files/minutes.txt"
printf 'badword\n' >"$T/files/mtkey.txt"
printf 'second part\n' >"$T/files/later.txt"

same_file() { cmp -s "$1" "$2"; }

# unadmitted NAME PASSWORD REASON: a participant with PASSWORD (empty: none) is not admitted; its
# run says why once and ends by its timeout without showing the password.
unadmitted() {
    local name=$1 started=$SECONDS
    DOCSHELF_MEETING_PASSWORD=$2 DOCSHELF_PASSWORD=hunter2 run "$name" "${server[@]}" \
        --user bob --local-dir "$T/$name" --timeout 4 --wait-participants 1
    expect_rc "$name" 1
    [ $((SECONDS - started)) -le 20 ] || fail "$name: took $((SECONDS - started)) s"
    [ "$(grep -c "connection lost ($3)" "$T/$name.err")" = 1 ] ||
        fail "$name: reason not said once: $(cat "$T/$name.err")"
}
unadmitted no-password "" "the meeting server wants a password: set DOCSHELF_MEETING_PASSWORD"
unadmitted wrong-password "guess-$RANDOM" "the meeting server refused DOCSHELF_MEETING_PASSWORD: WRONGPASS"
grep -q guess- "$T/wrong-password.err" "$T/wrong-password.out" && fail "wrong-password: shown"

# The attendee stays in the meeting, downloading new files by itself.
DOCSHELF_PASSWORD=hunter2 "$DOCSHELF_HOST" "${server[@]}" --user bob --local-dir "$T/bob" \
    --auto-download --keep-open --log "$T/attendee.log" --ensure-dir Presenter \
    >"$T/attendee.out" 2>"$T/attendee.err" &
attendee_pid=$!

# presenter NAME ACTIONS...: one run of the presenter, who may upload the chat filter file.
presenter() {
    local name=$1
    shift
    DOCSHELF_PASSWORD=secret run "$name" "${server[@]}" --user alice --author Alice \
        --local-dir "$T/alice" --role 4 --wait-participants 2 "$@"
}

presenter upload --panel-upload "$T/files/minutes.txt" --panel-upload "$T/files/mtkey.txt" \
    --wait-chat-filter
expect_rc upload 0
expect_line upload 'BroadcastMessage\tAlice uploaded file minutes.txt'
expect_line upload 'BroadcastMessage\tCHAT_FILTER_FILE_UPLOADED'
expect_line upload "SetChatFilterFile\t$T/alice/mtkey.txt"
wait_for 30 same_file "$T/files/minutes.txt" "$T/bob/minutes.txt" ||
    fail "the attendee did not download minutes.txt by itself"
wait_for 30 grep -qxF "$(printf 'SetChatFilterFile\t%s' "$T/bob/mtkey.txt")" "$T/attendee.out" ||
    fail "the attendee's host was not handed the chat filter file"
same_file "$T/files/mtkey.txt" "$T/bob/mtkey.txt" || fail "the attendee's chat filter file differs"

# The meeting server goes away and comes back on its port; the attendee keeps its panel,
# says so and joins again, and the next notice reaches it.
"$MEET" stop "$T/redis"
wait_for 20 grep -q "connection lost" "$T/attendee.err" ||
    fail "the attendee did not report the lost meeting server"
kill -0 "$attendee_pid" 2>/dev/null || fail "the attendee ended when the meeting server stopped"
"$MEET" start "$T/redis" --port "$redis_port" >/dev/null || fail "Redis did not start again"
presenter later --panel-upload "$T/files/later.txt"
expect_rc later 0
wait_for 30 same_file "$T/files/later.txt" "$T/bob/later.txt" ||
    fail "after the meeting server came back the attendee did not receive later.txt"
grep -q "joined again" "$T/attendee.err" || fail "the attendee did not say it joined again"

# Deleting the chat filter file is announced to the whole meeting.
presenter delete --panel-delete mtkey.txt
expect_rc delete 0
expect_line delete 'BroadcastMessage\tCHAT_FILTER_FILE_DELETED'
expect_line delete 'SetChatFilterFile\t'
delivered() {
    sed -n 's/.*CDocShelfMgr::OnBroadcastMessage(\(.*\))$/\1/p' "$T/attendee.log" | tr '\n' '|'
}
want='Alice uploaded file minutes.txt|CHAT_FILTER_FILE_UPLOADED|Alice uploaded file later.txt|CHAT_FILTER_FILE_DELETED|'
all_delivered() { [ "$(delivered)" = "$want" ]; }
wait_for 30 all_delivered ||
    fail "the attendee's component got '$(delivered)' from the meeting, expected '$want'"

kill -TERM "$attendee_pid"
wait "$attendee_pid"
rc=$?
attendee_pid=""
expect_rc attendee 0
grep -lF "$DOCSHELF_MEETING_PASSWORD" "$T"/*.err "$T"/*.out "$T"/*.log &&
    fail "the meeting password was written out"
finish
