#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The host with the real component against Apache: files go up and come back byte-identical
# with Digest and with Basic authentication, listings end with the end line, a closed port
# gives status 3. Basic over plain HTTP is refused unless allowed.
source "$(dirname "$0")/common.sh"
use_dav_servers

start_server() { # INSTANCE AUTH -> port in $port
    start_dav "$1" --auth "$2" --user alice --password secret --user bob --password 'p@ss word'
}

make_files() { # DIR
    mkdir -p "$1"
    printf 'hello\n' >"$1/a.txt"
    : >"$1/empty.txt"
    printf 'spaced\n' >"$1/with space.txt"
    printf 'dots\n' >"$1/v1.2.final.txt"
    head -c 3000000 /dev/urandom >"$1/random.bin"
}
files=(a.txt empty.txt 'with space.txt' v1.2.final.txt random.bin)

# round_trip NAME AUTH [SETTINGS...]: uploads every file into Presenter/ and downloads it again.
round_trip() {
    local name=$1 auth=$2 inst="$T/$1-server"
    shift 2
    if ! start_server "$inst" "$auth"; then
        fail "$name: the server did not start"
        return
    fi
    local up="$T/$name-up" down="$T/$name-down" local="$T/$name-local"
    make_files "$up"
    mkdir -p "$down" "$local"
    local args=(--server "127.0.0.1:$port" --dir /dav/room/ --user bob --local-dir "$local"
        --headless --timeout 60 "$@" --ensure-dir Presenter)
    local f
    for f in "${files[@]}"; do args+=(--upload "$up/$f=Presenter/$f"); done
    for f in "${files[@]}"; do args+=(--download "Presenter/$f=$down/$f"); done
    args+=(--list Presenter/)
    DOCSHELF_PASSWORD='p@ss word' run "$name" "${args[@]}"
    expect_rc "$name" 0
    expect_only_calls "$name"
    expect_line "$name" 'OnServerState\t1'
    local n=${#files[@]} i
    for i in "${!files[@]}"; do
        f=${files[$i]}
        expect_line "$name" "OnFileUploaded\t$up/$f\t2\t$((i + 2))\t0"
        expect_line "$name" "OnFileDownloaded\t$down/$f\t2\t$((i + 2 + n))\t0"
        cmp -s "$up/$f" "$inst/data/Presenter/$f" || fail "$name: server copy of '$f' differs"
        cmp -s "$up/$f" "$down/$f" || fail "$name: downloaded '$f' differs"
    done
    local listUd=$((2 + 2 * n))
    expect_line "$name" "OnDirectoryEntry\tPresenter/\t0\t$listUd\trandom.bin\t3000000\t0"
    expect_line "$name" "OnDirectoryEntry\tPresenter/\t0\t$listUd\twith space.txt\t7\t0"
    expect_line "$name" "OnDirectoryEntry\tPresenter/\t0\t$listUd\t(end)\t0\t0"
}

round_trip digest digest
round_trip basic basic --allow-basic-over-http

# By default the password does not go to a Basic server in clear, and stderr says so.
if [ -d "$T/basic-server/data" ]; then
    DOCSHELF_PASSWORD='p@ss word' run basic-refused --server "127.0.0.1:$(cat "$T/basic-server/port")" \
        --dir /dav/room/ --user bob --local-dir "$T/basic-local" --headless --timeout 60 \
        --list Presenter/
    [ "$rc" != 0 ] || fail "basic-refused: the listing succeeded"
    grep -qi 'basic' "$T/basic-refused.err" || fail "basic-refused: stderr does not say why"
fi

# Folders made on the server, every level of them.
inst="$T/digest-server"
if [ -d "$inst/data" ]; then
    port=$(cat "$inst/port")
    DOCSHELF_PASSWORD=secret run ensure --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/ensure-local" --headless --timeout 60 --ensure-dir 'x\y\z'
    expect_rc ensure 0
    [ -d "$inst/data/x/y/z" ] || fail "ensure: x/y/z not made on the server"

    # What the panel shows, once it has settled, after the container calls.
    DOCSHELF_PASSWORD=secret run panel --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/panel-local" --headless --timeout 60 --print-panel
    expect_rc panel 0
    expect_line panel 'DirRow\trandom.bin\tbob\t2.86 MB'
    expect_line panel 'DirRow\twith space.txt\tbob\t7.00 Byte'
    grep -q "^Caption	Docshelf: Docshelf Server (Used space: " "$T/panel.out" ||
        fail "panel: no space caption: $(cat "$T/panel.out")"
    tail -n 6 "$T/panel.out" | grep -qv '^\(Caption\|DirRow\)	' &&
        fail "panel: a container call after the panel's lines"

    # The panel worked as a person would: an upload through its file dialog, a download into
    # the save directory and one to a chosen place, then a delete.
    printf 'from the panel\n' >"$T/panel-up.txt"
    DOCSHELF_PASSWORD=secret run panel-cmds --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --author Alice --local-dir "$T/panel-cmds" --headless --timeout 60 \
        --panel-upload "$T/panel-up.txt" --panel-download panel-up.txt \
        --panel-download "panel-up.txt=$T/panel-copy.txt" --print-panel
    expect_rc panel-cmds 0
    expect_line panel-cmds 'DirRow\tpanel-up.txt\tAlice\t15.00 Byte'
    expect_line panel-cmds 'TransferRow\tpanel-up.txt\tUpload finished\t0.01 KB\t100.0%'
    expect_line panel-cmds 'TransferRow\tpanel-copy.txt\tDownload finished\t0.01 KB\t100.0%'
    cmp -s "$T/panel-up.txt" "$T/panel-cmds/panel-up.txt" || fail "panel-cmds: download differs"
    cmp -s "$T/panel-up.txt" "$T/panel-copy.txt" || fail "panel-cmds: download-to differs"
    # A panel download that fails fails the run.
    DOCSHELF_PASSWORD=secret run panel-fail --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/panel-cmds" --headless --timeout 60 \
        --panel-download "panel-up.txt=$T/no-such-folder/copy.txt"
    expect_rc panel-fail 1
    DOCSHELF_PASSWORD=secret run panel-delete --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/panel-cmds" --headless --timeout 60 \
        --panel-delete panel-up.txt
    expect_rc panel-delete 0
    [ -e "$inst/data/Presenter/panel-up.txt" ] && fail "panel-delete: the file is still there"

    # A file the server does not have: the download fails and the run says so.
    DOCSHELF_PASSWORD=secret run missing --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/missing-local" --headless --timeout 60 \
        --download "Presenter/nope.txt=$T/missing-local/nope.txt" --list Presenter/
    expect_rc missing 1
    expect_line missing "OnFileDownloaded\t$T/missing-local/nope.txt\t2\t1\t6"
    [ -e "$T/missing-local/nope.txt" ] && fail "missing: a local file was left"
    grep -q '^OnDirectoryEntry' "$T/missing.out" && fail "missing: the action after it ran"

    # The wrong password: a listing fails, and the panel says the folder could not be read
    # instead of showing an empty one.
    DOCSHELF_PASSWORD=wrong run list-refused --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/wrong-local" --headless --timeout 60 --list Presenter/
    expect_rc list-refused 1
    expect_line list-refused "OnDirectoryEntry\tPresenter/\t0\t1\t(end)\t0\t0"
    DOCSHELF_PASSWORD=wrong run panel-refused --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/wrong-local" --headless --timeout 60 --print-panel
    expect_rc panel-refused 0
    expect_line panel-refused 'Caption\tDocshelf: The folder could not be read'

    # The wrong password: the upload fails instead of hanging or passing.
    DOCSHELF_PASSWORD=wrong run wrong-password --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --local-dir "$T/wrong-local" --headless --timeout 60 \
        --upload "$T/digest-up/a.txt=Presenter/wrong.txt"
    expect_rc wrong-password 1
    [ -e "$inst/data/Presenter/wrong.txt" ] && fail "wrong-password: the file reached the server"

    # The chat filter file: uploaded by a user whose role allows it, announced, fetched by
    # another participant, whose host is handed the local copy.
    printf 'word1\nword2\n' >"$T/mtkey.txt"
    DOCSHELF_PASSWORD=secret run chat-upload --server "127.0.0.1:$port" --dir /dav/room/ \
        --user alice --role 12 --local-dir "$T/chat-alice" --headless --timeout 60 \
        --upload "$T/mtkey.txt=Presenter/mtkey.txt"
    expect_rc chat-upload 0
    DOCSHELF_PASSWORD='p@ss word' run chat --server "127.0.0.1:$port" --dir /dav/room/ \
        --user bob --local-dir "$T/chat-bob" --headless --timeout 60 \
        --broadcast CHAT_FILTER_FILE_UPLOADED
    expect_rc chat 0
    expect_line chat "SetChatFilterFile\t$T/chat-bob/mtkey.txt"
    cmp -s "$T/mtkey.txt" "$T/chat-bob/mtkey.txt" || fail "chat: local copy differs"
    # When the fetch fails the host does not take the named path for a file.
    DOCSHELF_PASSWORD=wrong run chat-denied --server "127.0.0.1:$port" --dir /dav/room/ \
        --user bob --local-dir "$T/chat-denied" --headless --timeout 5 \
        --broadcast CHAT_FILTER_FILE_UPLOADED
    expect_rc chat-denied 1

    # Clearing: the server folder loses its contents, the local directory goes.
    DOCSHELF_PASSWORD='p@ss word' run clear --server "127.0.0.1:$port" --dir /dav/room/ \
        --user bob --local-dir "$T/chat-bob" --headless --timeout 60 --clear-server --clear-local
    expect_rc clear 0
    [ -z "$(ls -A "$inst/data")" ] || fail "clear: server folder not empty: $(ls -A "$inst/data")"
    [ -e "$T/chat-bob" ] && fail "clear: local directory still there"
fi

# A closed port: nobody listens on port 1 of loopback.
run closed --server 127.0.0.1:1 --dir /dav/room/ --user alice --local-dir "$T/closed-local" \
    --headless --timeout 60 --list Presenter/
expect_rc closed 3
expect_line closed 'OnServerState\t0'
[ "$(wc -l <"$T/closed.out")" -eq 1 ] || fail "closed: more than the server state on stdout"

finish
