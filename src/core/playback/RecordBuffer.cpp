#include "playback/RecordBuffer.h"

#include "song/Track.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace velisto {

namespace {

constexpr std::uint8_t kNoteOn = 0x90;

std::int32_t storedTick(const RecordClock& clock) { return clock.countIn ? clock.startTick : clock.currentTick; }

} // namespace

RecordBuffer::RecordBuffer() { reset(); }

void RecordBuffer::reset()
{
    const std::lock_guard lock(mutex_);
    records_.clear();
    // Room for the whole run up front: the input callback must not reallocate 10000 records.
    records_.reserve(kRecordBufferSize);
    openNotes_.fill(OpenNote{});
    count_ = 0;
    full_ = false;
    closed_ = false;
}

RecordOutcome RecordBuffer::recordEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::uint8_t data3,
                                        const RecordClock& clock)
{
    const std::lock_guard lock(mutex_);
    if (closed_ || full_)
        return RecordOutcome::Ignored;
    // A system exclusive message is only meaningful with its bytes (recordSysex).
    if (status == EventKind::Sysex)
        return RecordOutcome::Ignored;

    const bool note = (status & 0xF0) == kNoteOn;
    const std::uint32_t channel = status & 0x0Fu;
    if (note && data2 == 0) {
        // Of two open notes of the same key and channel the older one is released first.
        OpenNote* open = nullptr;
        for (OpenNote& slot : openNotes_)
            if (slot.record >= 0 && slot.channel == channel && slot.key == data1 &&
                (open == nullptr || slot.record < open->record))
                open = &slot;
        if (open == nullptr)
            return RecordOutcome::Ignored;
        MidiEvent& record = records_[static_cast<std::size_t>(open->record)];
        const std::int64_t length =
            clock.countIn ? kCountInNoteLength : std::int64_t{clock.currentTick} - std::int64_t{record.tick};
        record.length = static_cast<std::int32_t>(std::clamp<std::int64_t>(length, 1, INT32_MAX));
        *open = OpenNote{};
        return RecordOutcome::NoteClosed;
    }

    if (note) {
        const auto free =
            std::find_if(openNotes_.begin(), openNotes_.end(), [](const OpenNote& slot) { return slot.record < 0; });
        if (free == openNotes_.end())
            return RecordOutcome::Ignored;
        *free = OpenNote{static_cast<std::int32_t>(records_.size()), channel, data1};
    }

    MidiEvent event = MidiEvent::channelEvent(storedTick(clock), status, data1, data2, kDefaultEventLength);
    event.data3 = data3;
    if (MidiEvent::isTextKind(status))
        event.text.reset(std::string());
    return storeLocked(std::move(event));
}

RecordOutcome RecordBuffer::recordSysex(std::span<const std::uint8_t> stored, const RecordClock& clock)
{
    const std::lock_guard lock(mutex_);
    if (closed_ || full_)
        return RecordOutcome::Ignored;
    MidiEvent event = MidiEvent::sysexEvent(storedTick(clock), {stored.begin(), stored.end()});
    event.length = kDefaultEventLength;
    return storeLocked(std::move(event));
}

RecordOutcome RecordBuffer::storeLocked(MidiEvent event)
{
    records_.push_back(std::move(event));
    count_ = static_cast<int>(records_.size());
    if (count_ < kRecordBufferSize)
        return RecordOutcome::Stored;
    full_ = true;
    return RecordOutcome::BufferFilled;
}

Recording RecordBuffer::close()
{
    const std::lock_guard lock(mutex_);
    closed_ = true;
    openNotes_.fill(OpenNote{});
    return Recording{std::exchange(records_, {}), full_};
}

int RecordBuffer::count() const
{
    const std::lock_guard lock(mutex_);
    return count_;
}

bool RecordBuffer::full() const
{
    const std::lock_guard lock(mutex_);
    return full_;
}

int mergeRecording(Track& track, std::span<const MidiEvent> events)
{
    std::int32_t from = 0;
    std::int32_t previousTick = INT32_MIN;
    int inserted = 0;
    for (const MidiEvent& event : events) {
        // Continuing from the last insertion is only right while ticks do not go back.
        if (event.tick < previousTick)
            from = 0;
        from = track.insertSorted(event, from);
        previousTick = event.tick;
        ++inserted;
    }
    return inserted;
}

} // namespace velisto
