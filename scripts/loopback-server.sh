# SPDX-License-Identifier: Apache-2.0
# Helpers of the throw-away servers (dav-server, meeting-server, dav-cluster, meeting-cluster);
# sourced, not run.

# Alive while any of its threads is: a killed server's main thread is a zombie while the
# others still hold its sockets.
alive() {
    awk '{ sub(/.*\) /, ""); print $1 }' /proc/"$1"/task/*/stat 2>/dev/null | grep -qv '^Z'
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

# stop_server PID [WORKER...]: asks PID to end; one that has not ended within 5 s is killed
# with its workers, and waited for up to 2 s more.
stop_server() {
    local pid="$1" i w
    shift
    alive "$pid" || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 1 100); do
        alive "$pid" || return 0
        sleep 0.05
    done
    for w in "$@"; do
        kill -KILL "$w" 2>/dev/null || true
    done
    kill -KILL "$pid" 2>/dev/null || true
    for i in $(seq 1 100); do
        alive "$pid" || return 0
        sleep 0.02
    done
}

# A value for a Redis configuration file: double-quoted, every byte but letters and digits as \xHH.
redis_quote() {
    local LC_ALL=C s="$1" out="" c i
    for ((i = 0; i < ${#s}; i++)); do
        c="${s:i:1}"
        case "$c" in
        [A-Za-z0-9]) out+="$c" ;;
        *) out+="$(printf '\\x%02x' "'$c")" ;;
        esac
    done
    printf '"%s"' "$out"
}
