#pragma once
// The event transforms of the Edit menu: quantize, pitch, move, notelength and channel
// change. Each acts on the events of the selection that pass the event filter, keeps every
// track sorted by tick, and returns whether it touched at least one event (the caller picks
// the result sound by it). None of them records an undo step: the caller does that first.
// Also the field checks of their dialogs, returning the message to show (empty when valid).
//
// Thread contract: user-interface thread, while nothing plays the song.

#include "app/Settings.h"
#include "edit/Selection.h"
#include "midi/MidiStandardNames.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class Song;

namespace TransformMessage {
inline constexpr std::string_view GridTooSmall = "Number of ticks must be at least 2";
inline constexpr std::string_view LengthGridTooSmall = "Length must be at least 2";
inline constexpr std::string_view LengthNegative = "Number of ticks must be at least 0";
inline constexpr std::string_view UnknownChannel = "Unknown channel !?!";
} // namespace TransformMessage

// The region and filter every transform works on.
struct EditScope {
    Selection selection;
    SelectionTicks ticks;
    EventFilterSettings filter;
};

EditScope editScope(const Song& song, const Selection& selection, const EventFilterSettings& filter);

// ---- quantize ----

struct QuantizeOptions {
    bool onlyNotesAndText = false;
    bool positions = true;
    int positionGrid = 120;
    bool lengths = false;
    int lengthGrid = 120;
};

// value rounded to the grid; a remainder of exactly half a step rounds down.
std::int32_t quantizeToGrid(std::int32_t value, int grid);
// A note whose length would round to 0 keeps its length: a note always sounds.
bool quantize(Song& song, const EditScope& scope, const QuantizeOptions& options);

// The entries of the grid and note length lists ("120 Sixteen" at ppq 480).
std::vector<std::string> noteValueChoices(int ppq);
// The number at the start of a list entry or typed text; std::nullopt without one.
std::optional<int> leadingTicks(std::string_view text);
std::string checkPositionGrid(std::string_view text);
std::string checkLengthGrid(std::string_view text);
std::string checkNoteLength(std::string_view text);

// ---- pitch ----

struct PitchOptions {
    bool single = false; // false: every key moves by semitones
    int semitones = 0;   // -127..127
    int fromKey = 60;    // single: only this key ...
    int toKey = 60;      // ... becomes this one
};

// Notes and polyphonic key pressure; drum NRPNs keep their key.
bool changePitch(Song& song, const EditScope& scope, const PitchOptions& options);
// The spelling of the key lists: flats when the key at the tick is minor.
NoteSpelling noteSpellingAt(const Song& song, std::int32_t tick);
// The name must be one of the list's spelling.
std::string checkNoteName(std::string_view text, NoteSpelling spelling);

// ---- move ----

// Events pushed before the song start pile up at tick 0 in their old order, and those
// pushed past the last tick a song can hold at that tick.
bool moveEvents(Song& song, const EditScope& scope, std::int32_t delta);

// ---- notelength ----

// Notes get exactly length ticks, at least 1.
bool setNoteLength(Song& song, const EditScope& scope, std::int32_t length);

// ---- channel change ----

// Channels 0..15. Outside a test a track whose channel events now all use the destination
// takes it as its channel setting.
bool changeChannel(Song& song, const EditScope& scope, int from, int to, bool test);
// Text of a channel list, 1..16.
std::string checkChannelText(std::string_view text);

struct ChannelUsage {
    std::vector<int> inside; // channels (0..15) of channel events in the selection, first use first
    std::vector<int> beside; // of those of the selected tracks outside the tick range
    int freeChannel = -1;    // lowest channel no event of the song uses; -1 when none
};
ChannelUsage channelUsage(const Song& song, const EditScope& scope);

} // namespace velisto
