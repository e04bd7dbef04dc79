#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Bad usage ends with status 2 before anything is loaded, and writes nothing to stdout.
source "$(dirname "$0")/common.sh"
export DOCSHELF_LIBRARY="$T/no-such-library.so"

base=(--server 127.0.0.1:1 --dir /dav/room/ --user alice --local-dir "$T/local")
check_usage() {
    local name=$1
    shift
    run "$name" "$@"
    expect_rc "$name" 2
    [ -s "$T/$name.out" ] && fail "$name: stdout is not empty"
    [ -s "$T/$name.err" ] || fail "$name: no diagnostic on stderr"
}

check_usage no-arguments
check_usage missing-server --dir /dav/room/ --user alice --local-dir "$T/local"
check_usage missing-user --server 127.0.0.1:1 --dir /dav/room/ --local-dir "$T/local"
check_usage missing-local-dir --server 127.0.0.1:1 --dir /dav/room/ --user alice
check_usage no-port --server 127.0.0.1 --dir /dav/room/ --user alice --local-dir "$T/local"
check_usage port-zero --server 127.0.0.1:0 --dir /dav/room/ --user alice --local-dir "$T/local"
check_usage port-too-big --server 127.0.0.1:65536 --dir /dav/room/ --user alice --local-dir "$T/local"
check_usage port-not-a-number --server 127.0.0.1:80x --dir /dav/room/ --user alice --local-dir "$T/local"
check_usage unknown-option "${base[@]}" --frobnicate
# The password is never taken from the command line.
check_usage password-option "${base[@]}" --password secret
check_usage value-missing "${base[@]}" --list
check_usage stray-argument "${base[@]}" extra
check_usage upload-without-pair "${base[@]}" --upload a.txt
check_usage upload-empty-server-path "${base[@]}" --upload a.txt=
check_usage download-empty-local "${base[@]}" --download Presenter/a.txt=
check_usage bad-lang "${base[@]}" --lang fr
check_usage negative-rights "${base[@]}" --rights -1
check_usage role-too-big "${base[@]}" --role 65536
check_usage zero-timeout "${base[@]}" --timeout 0
check_usage zero-cancel-after "${base[@]}" --cancel-after 0
check_usage bad-max-upload "${base[@]}" --max-upload 12MB
check_usage meeting-not-redis "${base[@]}" --meeting http://127.0.0.1:6379/room
check_usage meeting-without-room "${base[@]}" --meeting redis://127.0.0.1:6379/
check_usage meeting-room-with-slash "${base[@]}" --meeting redis://127.0.0.1:6379/a/b
check_usage meeting-port-zero "${base[@]}" --meeting redis://127.0.0.1:0/room
check_usage sentinels-without-service "${base[@]}" --meeting redis-sentinel://127.0.0.1:26379/room
check_usage sentinels-empty-in-list "${base[@]}" --meeting redis-sentinel://a:1,,b:2/svc/room
check_usage sentinels-with-password "${base[@]}" --meeting redis-sentinel://:pw@a:1/svc/room
# The meeting's password comes from the environment only, and a refused address is not echoed.
check_usage meeting-with-password "${base[@]}" --meeting redis://:hunter2@127.0.0.1:6379/room
grep -q DOCSHELF_MEETING_PASSWORD "$T/meeting-with-password.err" ||
    fail "meeting-with-password: the error does not name DOCSHELF_MEETING_PASSWORD"
grep -q hunter2 "$T/meeting-with-password.err" && fail "meeting-with-password: password echoed"
check_usage meeting-with-user "${base[@]}" --meeting redis://bob:pw@127.0.0.1:6379/room
# A CA or a pin means nothing without HTTPS.
check_usage ca-file-without-https "${base[@]}" --ca-file "$T/ca.pem"
check_usage pin-without-https "${base[@]}" --pin-sha256 "$(printf 'ab%.0s' {1..32})"
check_usage participants-without-meeting "${base[@]}" --wait-participants 2
check_usage bad-geometry "${base[@]}" --geometry 800x600
# Asked-for help is no error: the usage goes to stdout.
run help --help
expect_rc help 0
grep -q '^usage: docshelf-host' "$T/help.out" || fail "help: no usage on stdout"
# A window needs a display; without one the host asks for --headless instead of aborting.
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; check_usage no-display "${base[@]}"; exit $failures)
failures=$?

# Good usage with a library that cannot be loaded is a failure, not bad usage.
run unloadable "${base[@]}" --headless
expect_rc unloadable 1
[ -s "$T/unloadable.out" ] && fail "unloadable: stdout is not empty"

finish
