#pragma once
// Positions in the song: absolute ticks to and from measure:beat:tick under the meter
// list, ticks to and from milliseconds under the tempo list, and the key mode in force.
// Every function only reads the song. Thread contract: callable from any thread that may
// read the song (the user-interface thread and the play thread).
//
// How imperfect master lists are read, so that no list can make a walk loop, divide by
// zero or overflow:
// - A list ends at its first free entry. Entries out of order are taken in order of their
//   measure (tick); of entries with the same measure (tick) the later one counts.
// - The first meter (tempo) also governs everything before it, negative ticks included:
//   tick -1 in 4/4 at ppq 480 is measure -1, beat 3, tick 479 (shown "0000:04:479").
// - No meter at all counts as 4/4 from measure 0, no tempo as 120 BPM.
// - A numerator below 1 counts as 1; entries with a measure below 0 count as measure 0;
//   a tempo that is not a positive finite number is skipped; ppq below 1 counts as 1.
// - The last meter runs on without end; nothing stops at measure 9999.

#include <cstdint>
#include <string>
#include <string_view>

namespace velisto {

class Song;

// All fields counted from 0; shown counted from 1 for measure and beat.
struct Position {
    int measure = 0;
    int beat = 0;
    int tick = 0; // within the beat
    bool operator==(const Position&) const = default;
};

// Ticks of one beat for a meter's denominator (the note value: 1, 2, 4, 8, 16, 32):
// 4 x ppq / denominator, so 1 gives 4 x ppq and 32 gives ppq / 8. Other denominators
// follow the same rule; one of 0 or below counts as 4. Never below 1, so that a small
// ppq with a short note value still gives measures that advance.
int ticksPerBeat(int ppq, int denominator);

Position tickToPosition(const Song& song, std::int32_t tick);
// "MMMM:BB:TTT": measure and beat from 1, tick from 0, zero-padded to these widths. A
// number that does not fit its width is written in full (measure 10000 is "10000:01:000")
// rather than cut, and a measure before the first shows as 0 or below ("-001:04:479").
std::string positionText(const Song& song, std::int32_t tick);

// Result of checking a typed position. message is empty when the position is valid; then
// tick is its absolute tick. Otherwise tick is 0 and message is the text to show.
struct PositionCheck {
    std::int32_t tick = 0;
    std::string message;
    bool valid() const { return message.empty(); }
};
// measure, beat and tick all from 0 (callers subtract 1 from the shown measure and beat).
// Checks in order: the three minimums, then that the whole measure lies within the 32-bit
// tick range ("measure maximum is " and the last shown measure that does), then the beat
// and tick maximums of the meter in force at that measure.
PositionCheck positionToTick(const Song& song, int measure, int beat, int tick);
// A position typed as "MMMM:BB:TTT": split at the first and the last ":" into measure,
// beat and tick (measure and beat shown from 1), then positionToTick. A part that is
// missing or no number reads as 0, so a missing measure or beat is refused by the minimum
// checks; one colon gives measure and beat at tick 0. The reader of every typed position.
PositionCheck parsePositionText(const Song& song, std::string_view text);

// Tick of the first beat of a measure (from 0); measures before 0 extend the first meter
// backwards. Saturates at the limits of the 32-bit tick range.
std::int32_t measureStart(const Song& song, int measure);
std::int32_t measureOfTick(const Song& song, std::int32_t tick);
// Ticks of the measure that holds the tick (saturated to the 32-bit range).
std::int32_t measureLength(const Song& song, std::int32_t tick);
// Numerator of the meter in force at the tick.
int beatsInMeasure(const Song& song, std::int32_t tick);
// Ticks of one beat of the meter in force at the tick.
int beatLength(const Song& song, std::int32_t tick);

// Milliseconds from the song's start (tick 0) to the start of the tick; negative before
// it. One tick lasts 60000 / (ppq x bpm) ms under the tempo in force. Never decreases as
// the tick grows.
double tickToMilliseconds(const Song& song, std::int32_t tick);
// The last tick that starts at or before the time, so that
// millisecondsToTick(tickToMilliseconds(t)) == t. For a time before the start this rounds
// towards earlier ticks. Saturates at the 32-bit tick range; NaN gives 0.
std::int32_t millisecondsToTick(const Song& song, double milliseconds);

// "dur" (major) or "moll" (minor) for the key in force at the tick: the used key entry
// with the greatest tick not above it. Empty before the first key entry.
std::string keyModeAtTick(const Song& song, std::int32_t tick);

} // namespace velisto
