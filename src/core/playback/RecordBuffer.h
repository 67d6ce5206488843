#pragma once
// The record buffer of a recording run: what the keyboard played, as song events with a
// tick and, for notes, a length (a note on opens one of 40 slots, its release closes it).
// At most kRecordBufferSize events; the one that fills the buffer ends the run. The stop
// sequence closes the buffer and hands its events to the user-interface thread, which
// merges them into the record target track (mergeRecording).
//
// Thread contract: record*, close, count and full from any thread (the MIDI input
// callback, the user interface's virtual keyboard, the play timer); one mutex guards the
// buffer, so a recording callback and the hand-over never overlap.

#include "song/MidiEvent.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace velisto {

class Track;

inline constexpr int kRecordBufferSize = 10000;
inline constexpr int kOpenNoteSlots = 40;
// The length of a note released during the count-in.
inline constexpr std::int32_t kCountInNoteLength = 60;

// Where the run is when an event arrives.
struct RecordClock {
    std::int32_t currentTick = 0;
    std::int32_t startTick = 0;
    bool countIn = false; // events are stored at the start tick
};

enum class RecordOutcome {
    Stored,       // a new record
    NoteClosed,   // a release gave an open note its length
    Ignored,      // buffer full or closed, no free note slot, or a release without its note
    BufferFilled, // stored, and the buffer is now full: the run must stop
};

// The buffer's contents at the hand-over.
struct Recording {
    std::vector<MidiEvent> events; // in the order they arrived
    bool full = false;
};

class RecordBuffer {
public:
    RecordBuffer();
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;

    // Empty, every note slot free, open for recording.
    void reset();

    // A channel event or parameter event as sent (status with channel, data1 the slot for
    // controllers); a note on with velocity 0 is a release.
    RecordOutcome recordEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::uint8_t data3,
                              const RecordClock& clock);
    // A system exclusive message: the bytes after F0 up to and including F7.
    RecordOutcome recordSysex(std::span<const std::uint8_t> stored, const RecordClock& clock);

    // Ends recording into this buffer and takes its events; later events are ignored.
    Recording close();

    int count() const;
    bool full() const;

private:
    struct OpenNote {
        std::int32_t record = -1; // index of the note's record, -1: free
        std::uint32_t channel = 0;
        std::uint8_t key = 0;
    };

    RecordOutcome storeLocked(MidiEvent event);

    mutable std::mutex mutex_;
    std::vector<MidiEvent> records_;
    std::array<OpenNote, kOpenNoteSlots> openNotes_{};
    int count_ = 0; // records stored by this run; stays after close() hands them over
    bool full_ = false;
    bool closed_ = false;
};

// Inserts the recorded events into the track at their ticks, each after the events already
// there at the same tick; what the track held stays. Returns how many were inserted.
int mergeRecording(Track& track, std::span<const MidiEvent> events);

} // namespace velisto
