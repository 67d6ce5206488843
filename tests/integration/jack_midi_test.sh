#!/usr/bin/env bash
# Velisto's MIDI output and input over a real JACK server: starts jackd with the dummy
# driver (no sound hardware needed) under a server name of its own, starts JackMidiCapture,
# lets JackMidiOutputCheck send through the JACK backend to it, and compares what arrived
# with what was sent. Then starts JackMidiKeyboard and lets JackMidiInputCheck receive its
# phrase through the JACK backend's input. Last, JackMidiStressCheck opens, sends through
# and closes a port $VELISTO_JACK_STRESS_CYCLES times (default 40), and every message of
# every cycle must arrive. Stops everything it started, also on failure.
#
#   jack_midi_test.sh JACK_MIDI_CAPTURE JACK_MIDI_OUTPUT_CHECK JACK_MIDI_KEYBOARD JACK_MIDI_INPUT_CHECK
#                     JACK_MIDI_STRESS_CHECK
#
# Exit 0: passed; 1: failed; 77: skipped because jackd is not installed.
set -u

capture_bin=$1
check_bin=$2
keyboard_bin=$3
input_check_bin=$4
stress_bin=$5
stress_cycles=${VELISTO_JACK_STRESS_CYCLES:-40}

if ! command -v jackd >/dev/null 2>&1; then
    echo "SKIP: jackd not found; install the jackd2 package to run the JACK MIDI test"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/velisto-jack-test.XXXXXX")
fail_logs=(jackd.log capture.err check.err keyboard.err input_check.err stress.err)
# shellcheck source=jack_test_common.sh
source "$(dirname "$0")/jack_test_common.sh"

export JACK_DEFAULT_SERVER="velisto-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
export VELISTO_MIDI_API=jack

# Real-time priority when the system grants it: without it the server and its clients
# miss cycles on a busy machine and JACK drops their messages.
jackd --name "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
jackd_pid=$!

"$capture_bin" --name velisto_capture --port midi_in --count 6 --timeout 20 --wait 10 \
    >"$work/capture.out" 2>"$work/capture.err" &
capture_pid=$!
wait_ready "$capture_pid" "$work/capture.err" velisto_capture:midi_in capture

"$check_bin" velisto_capture:midi_in "$work/expected.txt" 2>"$work/check.err" ||
    fail "sending through the JACK backend"

wait "$capture_pid"
capture_status=$?
capture_pid=""
[ "$capture_status" -eq 0 ] || fail "the capture client ended with status $capture_status"
kill -0 "$jackd_pid" 2>/dev/null || fail "jackd stopped during the test"

if ! diff -q "$work/expected.txt" "$work/capture.out" >/dev/null; then
    echo "expected (first 80 characters of each line):"
    cut -c 1-80 "$work/expected.txt"
    echo "received:"
    cut -c 1-80 "$work/capture.out"
    fail "the capture did not receive what was sent, in that order"
fi
echo "PASS: $(wc -l <"$work/capture.out") messages arrived at velisto_capture:midi_in in call order"

"$keyboard_bin" velisto_keyboard midi_out 20 2>"$work/keyboard.err" &
keyboard_pid=$!
wait_ready "$keyboard_pid" "$work/keyboard.err" velisto_keyboard:midi_out keyboard

"$input_check_bin" velisto_keyboard:midi_out 2>"$work/input_check.err" ||
    fail "receiving through the JACK backend"

wait "$keyboard_pid"
keyboard_status=$?
keyboard_pid=""
[ "$keyboard_status" -eq 0 ] || fail "the keyboard client ended with status $keyboard_status"
kill -0 "$jackd_pid" 2>/dev/null || fail "jackd stopped during the test"
echo "PASS: the notes of velisto_keyboard:midi_out reached the input callback in order"

"$capture_bin" --name velisto_stress --port midi_in --count $((stress_cycles * 3)) --timeout 300 \
    >"$work/stress.out" 2>"$work/capture.err" &
capture_pid=$!
wait_ready "$capture_pid" "$work/capture.err" velisto_stress:midi_in capture
"$stress_bin" velisto_stress:midi_in "$stress_cycles" "$work/stress_expected.txt" 2>"$work/stress.err" ||
    fail "opening, sending and closing $stress_cycles times"
# Everything has left once the last port is closed; a capture still waiting misses messages.
for _ in $(seq 50); do
    kill -0 "$capture_pid" 2>/dev/null || break
    sleep 0.1
done
stop "$capture_pid"
capture_pid=""
if ! diff -q "$work/stress_expected.txt" "$work/stress.out" >/dev/null; then
    diff "$work/stress_expected.txt" "$work/stress.out" | head -n 20
    fail "the capture did not receive every message of every open-send-close cycle"
fi
echo "PASS: $stress_cycles open-send-close cycles, all $(wc -l <"$work/stress.out") messages arrived in order"
