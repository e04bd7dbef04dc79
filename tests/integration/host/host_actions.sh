#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Actions against a stand-in component: each waits for its own completion, the printed lines
# follow the interface, failures and timeouts end the run with status 1.
source "$(dirname "$0")/common.sh"
: "${DOCSHELF_FAKE:?}"
export DOCSHELF_LIBRARY="$DOCSHELF_FAKE"
export FAKE_DOCSHELF_TRACE="$T/trace"
mkdir -p "$T/local"
echo data >"$T/local/up.txt"
base=(--server 127.0.0.1:80 --dir /dav/room/ --user alice --local-dir "$T/local" --headless
    --timeout 20)

rm -f "$FAKE_DOCSHELF_TRACE"
run all "${base[@]}" --list 'Presenter/' --upload "$T/local/up.txt=Presenter/up.txt" \
    --download "Presenter/up.txt=$T/local/down.txt" --ensure-dir 'a\b' --broadcast hello \
    --clear-server --clear-local --screenshot "$T/panel.png"
expect_rc all 0
expect_only_calls all
# Entries then the end call, with the action's own user data; lengths are 64-bit.
expect_line all 'OnDirectoryEntry\tPresenter/\t0\t1\ta b.txt\t5000000000\t0'
expect_line all 'OnDirectoryEntry\tPresenter/\t0\t1\tsub\t0\t1'
expect_line all 'OnDirectoryEntry\tPresenter/\t0\t1\t(end)\t0\t0'
expect_line all "OnFileUploaded\t$T/local/up.txt\t2\t2\t0"
expect_line all "OnFileDownloaded\t$T/local/down.txt\t2\t3\t0"
# The local path comes first, the server path second; backslashes are passed unchanged.
grep -qxF "UploadFile $T/local/up.txt Presenter/up.txt 2 2" "$FAKE_DOCSHELF_TRACE" ||
    fail "all: upload arguments"
grep -qxF "DownloadFile $T/local/down.txt Presenter/up.txt 2 3" "$FAKE_DOCSHELF_TRACE" ||
    fail "all: download arguments"
grep -qxF 'EnsureDirectory a\b' "$FAKE_DOCSHELF_TRACE" || fail "all: ensure-dir argument"
# Queued work without a callback of its own is followed by a server check that proves it ran.
actual=$(grep -E '^(ListDirectoryContent|UploadFile|DownloadFile|EnsureDirectory|OnBroadcastMessage|ClearServerSpace|ClearLocalDSSpace|CheckServer|DestroyComp)' "$FAKE_DOCSHELF_TRACE" | cut -d' ' -f1 | tr '\n' ' ')
want='ListDirectoryContent UploadFile DownloadFile EnsureDirectory ListDirectoryContent OnBroadcastMessage CheckServer ClearServerSpace CheckServer ClearLocalDSSpace DestroyComp '
[ "$actual" = "$want" ] || fail "all: call order '$actual'"
[ "$(head -c 8 "$T/panel.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "all: screenshot is not a PNG"

# A transfer that reports a failure: status 1, and the actions after it do not run.
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_RESULT=4 run failed-upload "${base[@]}" \
    --upload "$T/local/up.txt=Presenter/up.txt" --list Presenter/
expect_rc failed-upload 1
expect_line failed-upload "OnFileUploaded\t$T/local/up.txt\t2\t1\t4"
grep -q '^ListDirectoryContent' "$FAKE_DOCSHELF_TRACE" && fail "failed-upload: later action ran"
tail -n 2 "$FAKE_DOCSHELF_TRACE" | grep -qxF DestroyComp || fail "failed-upload: no DestroyComp"

# A transfer the component never reports times out.
FAKE_DOCSHELF_SILENT=upload run silent-upload "${base[@]}" --timeout 1 \
    --upload "$T/local/up.txt=Presenter/up.txt"
expect_rc silent-upload 1
grep -q 'timed out' "$T/silent-upload.err" || fail "silent-upload: no timeout diagnostic"

# --cancel-after cancels each transfer still running by the id the component handed out for it;
# it ends cancelled and the action fails. Alone and together.
ids_cancelled() {
    [ -n "$(sed -n 's/^GetLastTaskId //p' "$FAKE_DOCSHELF_TRACE")" ] &&
        diff <(sed -n 's/^GetLastTaskId //p' "$FAKE_DOCSHELF_TRACE" | sort) \
            <(sed -n 's/^CancelTransfer //p' "$FAKE_DOCSHELF_TRACE" | sort) >/dev/null
}
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_SILENT=upload run cancel "${base[@]}" --cancel-after 0.3 \
    --upload "$T/local/up.txt=Presenter/up.txt"
expect_rc cancel 1
ids_cancelled || fail "cancel: task ids and cancellations differ: $(grep Task "$FAKE_DOCSHELF_TRACE")"
expect_line cancel "OnFileUploaded\t$T/local/up.txt\t2\t1\t3"
grep -q 'transfer 1 cancelled after 0.3 s' "$T/cancel.err" || fail "cancel: no diagnostic"
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_SILENT=upload run cancel-together "${base[@]}" --cancel-after 0.3 --together \
    --upload "$T/local/up.txt=a.txt" --upload "$T/local/up.txt=b.txt"
expect_rc cancel-together 1
[ "$(grep -c '^CancelTransfer' "$FAKE_DOCSHELF_TRACE")" = 2 ] && ids_cancelled ||
    fail "cancel-together: $(grep Task "$FAKE_DOCSHELF_TRACE")"
# ... and a component that cannot cancel is refused at start.
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_TRANSFERS=none run cancel-unsupported "${base[@]}" --cancel-after 1 \
    --upload "$T/local/up.txt=Presenter/up.txt"
expect_rc cancel-unsupported 1
grep -q 'IDocShelfTransfers' "$T/cancel-unsupported.err" || fail "cancel-unsupported: no reason"
grep -q '^InitComp' "$FAKE_DOCSHELF_TRACE" && fail "cancel-unsupported: the component was started"

# Clearing the local directory fails when the component says so.
FAKE_DOCSHELF_RESULT=1 run failed-clear "${base[@]}" --clear-local
expect_rc failed-clear 1

# The chat filter broadcast (any case) completes with the local file the component names.
echo filter >"$T/local/mtkey.txt"
FAKE_DOCSHELF_CHAT_FILE="$T/local/mtkey.txt" run chat "${base[@]}" \
    --broadcast chat_filter_file_Uploaded
expect_rc chat 0
expect_line chat "SetChatFilterFile\t$T/local/mtkey.txt"
grep -q '^CheckServer' "$FAKE_DOCSHELF_TRACE" && fail "chat: used a server check"
# ... and fails when that file is not there.
FAKE_DOCSHELF_CHAT_FILE="$T/local/missing.txt" run chat-missing "${base[@]}" \
    --broadcast CHAT_FILTER_FILE_UPLOADED
expect_rc chat-missing 1

# A screenshot into a folder that does not exist fails.
run bad-screenshot "${base[@]}" --screenshot "$T/no/such/dir/s.png"
expect_rc bad-screenshot 1

finish
