#pragma once
// Edits that change the song's layout rather than event values: deleting and inserting
// whole measures, inserting and deleting tracks, and splitting a track's channels into
// tracks of their own. Tempo, meter and key lists are never touched.
//
// None of these functions records undo: the caller records it first. Each returns whether
// the song changed.
//
// Thread contract: user-interface thread only, while no run plays or records.

#include "edit/Selection.h"
#include "song/MidiEvent.h"

#include <optional>
#include <string_view>
#include <vector>

namespace velisto {

class ProgramIndex;
class Song;
class Track;
class UserPrompt;

inline constexpr std::string_view kInsertTrackSelectionText =
    "In contrast to some other edit functions\n'insert track' doesn't use a selection, it always affects the "
    "current track.\nPlease release selection.";
inline constexpr std::string_view kDeleteTrackSelectionText =
    "In contrast to some other edit functions\n'delete track' doesn't use a selection, it always affects the "
    "current track.\nPlease release selection.";
inline constexpr std::string_view kSplitChannelsSelectionText =
    "In contrast to some other edit functions\n'split channels' doesn't use a selection, it always affects the "
    "current track.\nPlease release selection.";
inline constexpr std::string_view kSplitEmptyTrackText = "Can't split channels, current track is empty !";
inline constexpr std::string_view kSplitNoRoomText =
    "Can't split channels: there are not enough tracks behind the current track.\nThe split would push tracks "
    "that hold events beyond the last track. Free some tracks behind it and try again.";
inline constexpr std::string_view kNotDrumRelatedName = "Not drum instrum. related";
inline constexpr std::string_view kNotSfxRelatedName = "Not sfx instrum. related";

// Replaces a track's events by events (in tick order) in one go: removing or adding many
// events one by one would shift the array each time.
void replaceEvents(Track& track, std::vector<MidiEvent>&& events);

// The tracks and ticks a measure edit acts on: the selection's, or the cursor measure of
// the current track.
struct MeasureRange {
    int firstTrack = 0;
    int lastTrack = 0;
    std::int32_t start = 0; // first tick of the first measure
    std::int32_t next = 0;  // first tick of the measure after the last
};
MeasureRange measureRange(const Song& song, const std::optional<Selection>& selection, int currentTrack,
                          int cursorMeasure);

// Deletes the range's events and moves the later ones of its tracks left by its length.
bool deleteMeasures(Song& song, const MeasureRange& range);
// Moves every event of the range's tracks at or after its start right by its length.
bool insertMeasures(Song& song, const MeasureRange& range);

// A new empty track at current, on the device of the track that was there; the tracks from
// current on move up one index with their solo state and track 255 is lost. Refused, with
// a message, while a selection exists.
bool insertTrack(Song& song, int current, bool selectionExists, UserPrompt& prompt);
// Removes the current track; the later tracks move down one and a new empty track, on the
// device of track 254, takes index 255. Refused, with a message, while a selection exists.
bool deleteTrack(Song& song, int current, bool selectionExists, UserPrompt& prompt);

struct SplitOptions {
    bool drumKeys = false; // a track per drum instrument of a drum kit
    bool sfxKeys = false;  // a track per instrument of an XG SFX kit
    // Setting "setauto" (section "Mixer"): the new tracks' knobs from their most used
    // parameters, as loading a file does.
    bool chooseKnobsByUsage = false;
};

// Distributes the current track's events to new tracks behind it: system exclusive, text
// and channel-prefix events first, then per channel its events, with the options per drum
// or SFX key. programs is the program index of the track's device and drumNameMode its
// MIDI standard, for the drum names. The source ends up an empty default track. Refused,
// with a message, while a selection exists, when the track is empty, and when the tracks
// behind it cannot take the split without pushing events off the last track.
bool splitChannels(Song& song, int current, bool selectionExists, const ProgramIndex& programs, int drumNameMode,
                   const SplitOptions& options, UserPrompt& prompt);

} // namespace velisto
