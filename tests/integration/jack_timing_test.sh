#!/usr/bin/env bash
# Note timing of velisto-cli play over JACK at a short and a long JACK period: for each of
# 64 and 1024 frames starts jackd with the dummy driver under a server name of its own,
# plays measures 1-8 of the demo song to JackMidiCapture with timestamps, and lets
# JackPlaybackCheck require every note on to follow the song's schedule within the
# player's timer period + 1 ms. The period must not matter: the JACK output places each
# message at its send time's place in the cycle. The server runs with real-time priority
# when the system grants it, and the capture takes its times from the system clock as
# JACK maps the cycles onto it: a dummy driver that misses cycles on a busy machine loses
# frames for good, which would show as a jump in the notes' frame times. A period at which
# the server itself missed cycles (xruns: it loses messages and time, whatever its clients
# do) is reported, not failed; a period whose first play misses the schedule without that is
# played once more, and fails when it misses again. Stops everything it started, also on
# failure.
#
#   jack_timing_test.sh JACK_MIDI_CAPTURE JACK_PLAYBACK_CHECK VELISTO_CLI SONG
#
# Exit 0: passed; 1: failed; 77: skipped because jackd is not installed or the server
# missed cycles at both periods.
set -u

capture_bin=$1
check_bin=$2
cli_bin=$3
song=$4

if ! command -v jackd >/dev/null 2>&1; then
    echo "SKIP: jackd not found; install the jackd2 package to run the JACK timing test"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/velisto-jack-timing-test.XXXXXX")
fail_logs=(jackd.log capture.err play.out play.err check.err)
# shellcheck source=jack_test_common.sh
source "$(dirname "$0")/jack_test_common.sh"

export JACK_NO_AUDIO_RESERVATION=1
export VELISTO_MIDI_API=jack
export XDG_CONFIG_HOME="$work/config"

missed=0
for period in 64 1024; do
  # A second play at the same period tells a player that keeps its schedule, held up once
  # by a virtual machine's scheduler, from one that does not: a fault misses it both times.
  for attempt in 1 2; do
    export JACK_DEFAULT_SERVER="velisto-timing-test-$$-$period-$attempt"
    jackd --name "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "$period" >"$work/jackd.log" 2>&1 &
    jackd_pid=$!
    "$capture_bin" --name velisto_capture --port midi_in --timestamps --wall-clock --timeout 60 --wait 10 \
        >"$work/capture.out" 2>"$work/capture.err" &
    capture_pid=$!
    wait_ready "$capture_pid" "$work/capture.err" velisto_capture:midi_in capture
    played=0
    timeout 60 "$cli_bin" play "$song" --port velisto_capture:midi_in --from 1 --to 8 \
        >"$work/play.out" 2>"$work/play.err" || played=$?
    # The last cycle's messages reach the capture's ring buffer a few periods later.
    sleep 0.2
    stop "$capture_pid"
    capture_pid=""
    kill -0 "$jackd_pid" 2>/dev/null || fail "jackd stopped during the test"
    xruns=$(grep -c 'XRun' "$work/jackd.log")
    outcome=fail
    if [ "$played" -eq 0 ] && "$check_bin" play "$song" "$work/capture.out" 1 8 --timer-tolerance 2>"$work/check.err"; then
        sed 's/^/    /' "$work/check.err"
        echo "PASS: at a JACK period of $period frames the notes followed the schedule"
        outcome=pass
    elif [ "$xruns" -gt 0 ]; then
        # A server missing cycles also answers new clients late, so even connecting may fail.
        if [ "$played" -ne 0 ]; then
            sed 's/^/    /' "$work/play.err"
        else
            grep -v '^FAIL: note on' "$work/check.err" | sed 's/^/    /'
        fi
        echo "NOT MEASURED: at $period frames the server missed cycles ($xruns xrun lines); the machine is too busy"
        missed=$((missed + 1))
        outcome=missed
    elif [ "$attempt" -eq 1 ]; then
        echo "AGAIN: the first play at $period frames missed the schedule (velisto-cli exit $played):"
        sed 's/^/    /' "$work/check.err" "$work/play.err" 2>/dev/null | head -n 12
        outcome=again
    elif [ "$played" -ne 0 ]; then
        fail "velisto-cli play at $period frames exited with $played, twice"
    else
        fail "at $period frames the notes did not follow the song's schedule, twice"
    fi
    stop "$jackd_pid"
    jackd_pid=""
    [ "$outcome" = again ] || break
  done
done
[ "$missed" -lt 2 ] || exit 77
