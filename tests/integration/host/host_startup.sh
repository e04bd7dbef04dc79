#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The host drives a stand-in component: start-up and shutdown in the component's order, every
# setting handed over as given, the password from the environment only.
source "$(dirname "$0")/common.sh"
: "${DOCSHELF_FAKE:?}"
export DOCSHELF_LIBRARY="$DOCSHELF_FAKE"
export FAKE_DOCSHELF_TRACE="$T/trace"
mkdir -p "$T/local"

rm -f "$FAKE_DOCSHELF_TRACE"
DOCSHELF_PASSWORD='s3cret pw' run full --server dav.example:8443 --dir /dav/room/ \
    --user alice --local-dir "$T/local" --rights 5 --role 12 --max-upload 1000 \
    --total-space 1099511627776 --author 'Alice A' --auto-download --headless --timeout 20
expect_rc full 0
cat >"$T/full.expected" <<EXPECTED
CreateComp Default
SetHostItfMgr
QueryItf IDocShelf
QueryItf IDocShelfPanel
QueryItf IDocShelfTransport
SetServerSecurity 0 ca= pin=
SetRefuseBasicInClear 1
InitComp window 0
SetParentWnd window
Init
RefreshRoot
SetLocalDirectory $T/local
SetUserAuth alice s3cret pw
DSInit dav.example 8443 /dav/room/
SetRights 5
SetSizeLimits 1000 1099511627776
SetUserRole 12
SetAuthorName Alice A
EnableAutoDownload
DestroyComp
ReleaseComp
EXPECTED
diff -u "$T/full.expected" "$FAKE_DOCSHELF_TRACE" >"$T/full.diff" ||
    fail "full: calls differ from the start-up order: $(cat "$T/full.diff")"
expect_line full 'OnServerState\t1'

# Defaults: rights for every action, limits that never get in the way, the user as author,
# no automatic download, an empty password when none is given.
rm -f "$FAKE_DOCSHELF_TRACE"
(unset DOCSHELF_PASSWORD; run defaults --server 127.0.0.1:80 --dir /d/ --user bob \
    --local-dir "$T/local" --headless --timeout 20; exit $rc)
rc=$?
expect_rc defaults 0
grep -qxF 'SetRights 15' "$FAKE_DOCSHELF_TRACE" || fail "defaults: rights are not 15"
grep -qxF 'SetAuthorName bob' "$FAKE_DOCSHELF_TRACE" || fail "defaults: author is not the user"
grep -qxF 'SetUserAuth bob ' "$FAKE_DOCSHELF_TRACE" || fail "defaults: password is not empty"
grep -q '^EnableAutoDownload' "$FAKE_DOCSHELF_TRACE" && fail "defaults: auto download enabled"
read -r _ max total < <(grep '^SetSizeLimits' "$FAKE_DOCSHELF_TRACE")
[ "${max:-0}" -ge 1099511627776 ] && [ "${total:-0}" -ge 1099511627776 ] ||
    fail "defaults: size limits too small ($max $total)"

# HTTPS, its CA and pin reach the component as given; Basic in clear is allowed on request.
rm -f "$FAKE_DOCSHELF_TRACE"
short=(--server 127.0.0.1:80 --dir /d/ --user bob --local-dir "$T/local" --headless --timeout 20)
run https "${short[@]}" --https --ca-file "$T/ca.pem" --pin-sha256 AB:CD --allow-basic-over-http
expect_rc https 0
grep -qxF "SetServerSecurity 1 ca=$T/ca.pem pin=AB:CD" "$FAKE_DOCSHELF_TRACE" ||
    fail "https: security settings not handed over"
grep -qxF 'SetRefuseBasicInClear 0' "$FAKE_DOCSHELF_TRACE" || fail "https: Basic still refused"

# Settings the component refuses end the run before the component starts.
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_SECURITY=refuse run refused "${short[@]}" --https --ca-file "$T/none.pem"
expect_rc refused 1
grep -q "cannot read the CA file $T/none.pem" "$T/refused.err" || fail "refused: no reason"
grep -q '^InitComp' "$FAKE_DOCSHELF_TRACE" && fail "refused: the component was started"

# A component without the extension cannot do HTTPS; not refusing Basic is only said.
FAKE_DOCSHELF_TRANSPORT=none run old-https "${short[@]}" --https
expect_rc old-https 1
grep -q 'cannot do HTTPS' "$T/old-https.err" || fail "old-https: no reason"
FAKE_DOCSHELF_TRANSPORT=none run old-http "${short[@]}"
expect_rc old-http 0
grep -q 'cannot refuse Basic' "$T/old-http.err" || fail "old-http: no diagnostic"

# Server unreachable: status 3, the component's reason, no action is started, the component
# is still shut down.
rm -f "$FAKE_DOCSHELF_TRACE"
FAKE_DOCSHELF_REACHABLE=0 FAKE_DOCSHELF_FAILURE=$'untrusted issuer\nof dav.example' \
    run unreachable "${short[@]}" --list Presenter/
expect_rc unreachable 3
expect_line unreachable 'OnServerState\t0'
grep -qxF 'docshelf-host: server refused: untrusted issuer?of dav.example' "$T/unreachable.err" ||
    fail "unreachable: the reason is not on stderr: $(cat "$T/unreachable.err")"
grep -q '^ListDirectoryContent' "$FAKE_DOCSHELF_TRACE" && fail "unreachable: an action ran"
tail -n 2 "$FAKE_DOCSHELF_TRACE" | grep -qxF DestroyComp || fail "unreachable: no DestroyComp"

# --lang reaches the component through the message locale; LC_ALL would hide it, so its
# character set moves to LC_CTYPE.
rm -f "$FAKE_DOCSHELF_TRACE"
LC_ALL=C.UTF-8 LANG= FAKE_DOCSHELF_TRACE_LOCALE=1 run lang-zh --server 127.0.0.1:80 --dir /d/ \
    --user bob --local-dir "$T/local" --headless --timeout 20 --lang zh
expect_rc lang-zh 0
grep -E '^env (LC_ALL|LC_MESSAGES|LC_CTYPE)=' "$FAKE_DOCSHELF_TRACE" >"$T/lang-zh.env"
printf 'env LC_ALL=(null)\nenv LC_MESSAGES=zh_CN.UTF-8\nenv LC_CTYPE=C.UTF-8\n' |
    diff -u - "$T/lang-zh.env" >/dev/null || fail "lang-zh: environment $(cat "$T/lang-zh.env")"

rm -f "$FAKE_DOCSHELF_TRACE"
LC_ALL= LC_MESSAGES=zh_CN.UTF-8 FAKE_DOCSHELF_TRACE_LOCALE=1 run lang-en --server 127.0.0.1:80 \
    --dir /d/ --user bob --local-dir "$T/local" --headless --timeout 20 --lang en
expect_rc lang-en 0
grep -qxF 'env LC_MESSAGES=en_US.UTF-8' "$FAKE_DOCSHELF_TRACE" || fail "lang-en: LC_MESSAGES"

# --version: the host's and the component's versions; a component without IDocShelfInfo is
# said, and fails.
run version-fake --version
expect_rc version-fake 1
grep -qE '^docshelf-host [0-9]+\.[0-9]+ \(interface revision [0-9]+\)$' "$T/version-fake.out" ||
    fail "version-fake: no host version in: $(cat "$T/version-fake.out")"
grep -q 'no IDocShelfInfo' "$T/version-fake.err" || fail "version-fake: the missing interface"
(unset DOCSHELF_LIBRARY; run version --version; expect_rc version 0
 host=$(sed -n 's/^docshelf-host \([^ ]*\) .*/\1/p' "$T/version.out")
 grep -qxF "component $host (interface revision 1)" "$T/version.out" ||
     fail "version: the component's line in: $(cat "$T/version.out")"
 exit "$failures") || failures=$((failures + 1))

finish
