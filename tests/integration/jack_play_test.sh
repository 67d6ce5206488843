#!/usr/bin/env bash
# velisto-cli play and record over a real JACK server: starts jackd with the dummy driver
# (no sound hardware needed) under a server name of its own and JackMidiCapture with
# timestamps, plays measures 1-4 of a corpus song to the capture port and lets
# JackPlaybackCheck compare what arrived, and when, with the song; then plays measures 3-4
# with "determine" on and checks that the receiver was brought to the song's state before
# the first note. Last, records JackMidiKeyboard's phrase with velisto-cli record and
# checks the saved file. Stops everything it started, also on failure.
#
#   jack_play_test.sh JACK_MIDI_CAPTURE JACK_MIDI_KEYBOARD JACK_PLAYBACK_CHECK VELISTO_CLI TEST_DATA_DIR
#
# Exit 0: passed; 1: failed (also when the song is missing from the test data); 77: skipped
# because jackd is not installed.
set -u

capture_bin=$1
keyboard_bin=$2
check_bin=$3
cli_bin=$4
data_dir=$5

# Brasses to basso continuo on ten channels at 109 BPM, PPQ 480: measures 1-4 hold about a
# hundred notes and every channel's bank, program, pan, volume and effect controllers.
song="$data_dir/corpus/midi/public/dmidiplayer/haendel_hallelujah.mid"

if ! command -v jackd >/dev/null 2>&1; then
    echo "SKIP: jackd not found; install the jackd2 package to run the JACK play test"
    exit 77
fi
if [ ! -f "$song" ]; then
    echo "FAIL: no test song at $song"
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/velisto-jack-play-test.XXXXXX")
fail_logs=(jackd.log capture.err play.out play.err check.err keyboard.err record.out record.err info.json)
# shellcheck source=jack_test_common.sh
source "$(dirname "$0")/jack_test_common.sh"

export JACK_DEFAULT_SERVER="velisto-play-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
export VELISTO_MIDI_API=jack
# velisto-cli reads its settings from here, not from the user's.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Korvane Software"
"$check_bin" settings "$XDG_CONFIG_HOME/Korvane Software/Velisto.ini" || fail "writing the settings file"

# Real-time priority when the system grants it: without it the server and its clients
# miss cycles on a busy machine and JACK drops their messages.
jackd --name "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
jackd_pid=$!

# Starts the capture client under the name $1 and waits for its port. Each play gets a
# client name of its own: the server may still hold the last one's for a moment.
start_capture() {
    local name=$1
    "$capture_bin" --name "$name" --port midi_in --timestamps --wall-clock --timeout 60 --wait 10 \
        >"$work/capture.out" 2>"$work/capture.err" &
    capture_pid=$!
    wait_ready "$capture_pid" "$work/capture.err" "$name:midi_in" capture
}

# Ends the capture client (it prints what is left and exits 0 on SIGTERM).
end_capture() {
    kill -TERM "$capture_pid" 2>/dev/null
    wait "$capture_pid"
    local status=$?
    capture_pid=""
    [ "$status" -eq 0 ] || fail "the capture client ended with status $status"
}

# play_range FROM TO [--adjusted]
play_range() {
    local from=$1 to=$2
    local name="velisto_capture_$from"
    start_capture "$name"
    timeout 60 "$cli_bin" play "$song" --port "$name:midi_in" --from "$from" --to "$to" \
        >"$work/play.out" 2>"$work/play.err" || fail "velisto-cli play --from $from --to $to exited with $?"
    # What the last JACK cycle carried has reached the capture's ring buffer after a few periods.
    sleep 0.2
    end_capture
    kill -0 "$jackd_pid" 2>/dev/null || fail "jackd stopped during the test"
    "$check_bin" play "$song" "$work/capture.out" "$from" "$to" "${@:3}" 2>"$work/check.err" ||
        fail "measures $from-$to did not arrive as the song has them"
    sed 's/^/    /' "$work/check.err"
}

play_range 1 4
echo "PASS: measures 1-4 arrived complete, in order and on time"
play_range 3 4 --adjusted
echo "PASS: measures 3-4 arrived after the receiver was adjusted to the song's beginning"

"$keyboard_bin" velisto_keyboard midi_out 20 2>"$work/keyboard.err" &
keyboard_pid=$!
wait_ready "$keyboard_pid" "$work/keyboard.err" velisto_keyboard:midi_out keyboard

timeout 60 "$cli_bin" record --in velisto_keyboard:midi_out --out "$work/rec.mid" --seconds 4 \
    >"$work/record.out" 2>"$work/record.err" || fail "velisto-cli record exited with $?"
wait "$keyboard_pid"
keyboard_status=$?
keyboard_pid=""
[ "$keyboard_status" -eq 0 ] || fail "the keyboard client ended with status $keyboard_status"
grep -q '^SENT' "$work/keyboard.err" || fail "the keyboard did not play its phrase"

"$cli_bin" info "$work/rec.mid" --json --events >"$work/info.json" 2>&1 || fail "the recording does not load"
# Events are [tick,status,data1,data2,data3,length,text]: the phrase's notes C4 and E4 at
# velocity 100 on the record track's channel 1, each with a length of at least one tick;
# its volume controller and program change come along, re-addressed to channel 1 as well.
for key in 60 64; do
    grep -Eq "\[[0-9]+,144,$key,100,27,[1-9][0-9]*,null\]" "$work/info.json" ||
        fail "note $key with a positive length is not in the recording"
done
grep -Eq '\[[0-9]+,192,5,' "$work/info.json" || fail "the program change is not in the recording"
grep -q '^recorded [1-9][0-9]* events$' "$work/record.out" || fail "velisto-cli record did not count the events"
echo "PASS: $(grep '^recorded' "$work/record.out") from velisto_keyboard:midi_out, saved with their lengths"

# A drum kit survives adjusting: a GS song that selects the Room kit in measure 1, played
# from measure 3 to a receiver that supports GS, must give it the GS Reset and then the kit.
"$check_bin" kitsong "$work/kit.mid" || fail "writing the drum kit song"
start_capture velisto_capture_kit
receiver=$("$cli_bin" ports | sed -n 's/^[0-9]*  port  \(.*velisto_capture_kit:midi_in.*\)$/\1/p' | head -n 1)
[ -n "$receiver" ] || fail "velisto-cli ports does not list the capture port"
"$check_bin" settings "$XDG_CONFIG_HOME/Korvane Software/Velisto.ini" "$receiver" || fail "writing the settings file"
timeout 60 "$cli_bin" play "$work/kit.mid" --port velisto_capture_kit:midi_in --from 3 \
    >"$work/play.out" 2>"$work/play.err" || fail "velisto-cli play of the drum kit song exited with $?"
sleep 0.2
end_capture
"$check_bin" kit "$work/capture.out" 2>"$work/check.err" || fail "the drum kit was not restored by adjusting"
echo "PASS: adjusting from measure 3 gave the receiver the GS Reset and then channel 10's kit"
