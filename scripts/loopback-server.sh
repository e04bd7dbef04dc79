# Helpers of the throw-away servers (dav-server, meeting-server); sourced, not run.

# Alive and not a zombie waiting to be reaped by whoever adopted it.
alive() {
    kill -0 "$1" 2>/dev/null || return 1
    local state
    state="$(ps -o stat= -p "$1" 2>/dev/null || true)"
    [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}

port_in_use() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A free port on loopback, as far as can be told before binding it.
pick_port() {
    local p
    for _ in $(seq 1 200); do
        p=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
        if ! port_in_use "$p"; then
            echo "$p"
            return 0
        fi
    done
    return 1
}
