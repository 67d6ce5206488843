#pragma once
// Velisto's own clipboard for track-area events (not the system clipboard): copy and cut
// of the selection, paste at the cursor measure with conversion between timebases. It is
// held in memory for the program run and survives song loads.
//
// None of these functions records undo: the caller records it first.
//
// Thread contract: user-interface thread only, while no run plays or records.

#include "edit/Selection.h"
#include "song/MidiEvent.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace velisto {

class Song;

// Whether an event passes the event filter; an empty function lets every event pass.
using EventPredicate = std::function<bool(const MidiEvent&)>;

class Clipboard {
public:
    static constexpr int kTracks = 256;

    bool empty() const;
    int firstTrack() const { return firstTrack_; }
    int lastTrack() const { return lastTrack_; }
    std::int32_t ppq() const { return ppq_; }
    // Events copied from track firstTrack() + offset, ticks relative to the selection start.
    const std::vector<MidiEvent>& buffer(int offset) const { return buffers_[static_cast<std::size_t>(offset)]; }

    // Replaces the contents with copies of the selection's events that pass the filter.
    // True when at least one event was copied.
    bool copy(const Song& song, const Selection& selection, const EventPredicate& filter = {});
    void clear();

private:
    std::array<std::vector<MidiEvent>, kTracks> buffers_;
    int firstTrack_ = 0;
    int lastTrack_ = -1;
    std::int32_t ppq_ = 0;
};

// Cut: deletes the selection's events that pass the filter, after copying them to the
// clipboard unless clipboard is null (a test cut leaves it alone). True when it deleted.
bool cutEvents(Song& song, const Selection& selection, const EventPredicate& filter, Clipboard* clipboard);

// Where a paste goes; a paste with a selection moves both to the selection's first
// measure and track.
struct PasteCursor {
    int track = 0;
    int measure = 0;
};

// Inserts the clipboard's events at the start of the cursor measure, buffer by buffer from
// the cursor track on, up to track 255 or, with a selection, up to its last track and end
// tick. Ticks and lengths are scaled by song ppq / clipboard ppq, truncated; a note keeps
// at least one tick of length, and an event that would land beyond the tick range is
// dropped. True when anything was inserted.
bool pasteEvents(Song& song, const Clipboard& clipboard, PasteCursor& cursor,
                 const std::optional<Selection>& selection);

// Scales a tick distance from one timebase to another, truncating, in 64 bits; the result
// saturates at the 32-bit range.
std::int32_t convertTicks(std::int32_t value, std::int32_t toPpq, std::int32_t fromPpq);

} // namespace velisto
