# Sourced by the JACK integration scripts: stopping the processes they started and telling
# why they failed. The script sets `work` (its temporary folder), the pids it starts in
# jackd_pid, capture_pid and keyboard_pid, and fail_logs (files of $work shown on failure).

jackd_pid=""
capture_pid=""
keyboard_pid=""

stop() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
cleanup() {
    stop "$keyboard_pid"
    stop "$capture_pid"
    stop "$jackd_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    for f in "${fail_logs[@]}"; do
        if [ -s "$work/$f" ]; then
            echo "--- $f"
            tail -n 30 "$work/$f"
        fi
    done
    exit 1
}

# wait_ready PID ERRFILE PORT WHAT: waits up to 15 s for a client started in the background
# to print "READY PORT" on its stderr file; fails naming WHAT when it ends or never does.
wait_ready() {
    local pid=$1 errfile=$2 port=$3 what=$4
    for _ in $(seq 150); do
        grep -q '^READY ' "$errfile" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || fail "the $what client did not start"
        [ -z "$jackd_pid" ] || kill -0 "$jackd_pid" 2>/dev/null || fail "jackd did not start"
        sleep 0.1
    done
    grep -qx "READY $port" "$errfile" || fail "the $what port did not appear"
}
