#include "edit/Clipboard.h"

#include "edit/StructuralEdits.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <limits>

namespace velisto {

namespace {

bool passes(const EventPredicate& filter, const MidiEvent& event) { return !filter || filter(event); }

std::int32_t saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace

std::int32_t convertTicks(std::int32_t value, std::int32_t toPpq, std::int32_t fromPpq)
{
    if (toPpq == fromPpq || fromPpq <= 0)
        return value;
    // 32 bits overflow already at a few hours of ticks times a high ppq.
    return saturate(std::int64_t{value} * toPpq / fromPpq);
}

bool Clipboard::empty() const
{
    for (int t = firstTrack_; t <= lastTrack_; ++t)
        if (!buffers_[static_cast<std::size_t>(t - firstTrack_)].empty())
            return false;
    return true;
}

void Clipboard::clear()
{
    for (auto& buffer : buffers_)
        std::vector<MidiEvent>().swap(buffer);
    firstTrack_ = 0;
    lastTrack_ = -1;
    ppq_ = 0;
}

bool Clipboard::copy(const Song& song, const Selection& selection, const EventPredicate& filter)
{
    clear();
    ppq_ = song.ppq;
    firstTrack_ = std::clamp(selection.firstTrack, 0, kTracks - 1);
    lastTrack_ = std::clamp(selection.lastTrack, firstTrack_, kTracks - 1);
    const SelectionTicks ticks = selectionTicks(song, selection);
    bool copied = false;
    for (int t = firstTrack_; t <= lastTrack_; ++t) {
        auto& buffer = buffers_[static_cast<std::size_t>(t - firstTrack_)];
        for (const MidiEvent& event : song.tracks[static_cast<std::size_t>(t)].events()) {
            if (event.tick < ticks.start || event.tick > ticks.end || !passes(filter, event))
                continue;
            MidiEvent& stored = buffer.emplace_back(event); // deep copy of text and sysex
            stored.tick = event.tick - ticks.start;
        }
        copied = copied || !buffer.empty();
    }
    return copied;
}

bool cutEvents(Song& song, const Selection& selection, const EventPredicate& filter, Clipboard* clipboard)
{
    if (clipboard)
        clipboard->copy(song, selection, filter);
    const SelectionTicks ticks = selectionTicks(song, selection);
    bool changed = false;
    const int first = std::clamp(selection.firstTrack, 0, kTrackCount - 1);
    const int last = std::clamp(selection.lastTrack, first, kTrackCount - 1);
    for (int t = first; t <= last; ++t) {
        Track& track = song.tracks[static_cast<std::size_t>(t)];
        const auto events = track.events();
        const bool any = std::any_of(events.begin(), events.end(), [&](const MidiEvent& e) {
            return e.tick >= ticks.start && e.tick <= ticks.end && passes(filter, e);
        });
        if (!any)
            continue;
        std::vector<MidiEvent> kept;
        kept.reserve(events.size());
        for (MidiEvent& event : events)
            if (event.tick < ticks.start || event.tick > ticks.end || !passes(filter, event))
                kept.push_back(std::move(event));
        replaceEvents(track, std::move(kept));
        changed = true;
    }
    return changed;
}

bool pasteEvents(Song& song, const Clipboard& clipboard, PasteCursor& cursor, const std::optional<Selection>& selection)
{
    if (clipboard.empty())
        return false;
    int lastTarget = kTrackCount - 1;
    std::int64_t endTick = std::numeric_limits<std::int32_t>::max();
    if (selection) {
        cursor.measure = selection->firstMeasure;
        cursor.track = selection->firstTrack;
        lastTarget = std::min(lastTarget, selection->lastTrack);
        endTick = selectionTicks(song, *selection).end;
    }
    const std::int64_t target = measureStart(song, cursor.measure);
    bool changed = false;
    for (int t = clipboard.firstTrack(); t <= clipboard.lastTrack(); ++t) {
        const int offset = t - clipboard.firstTrack();
        const int destination = cursor.track + offset;
        if (destination < 0)
            continue;
        if (destination > lastTarget)
            break;
        const auto& buffer = clipboard.buffer(offset);
        if (buffer.empty())
            continue;
        // Scaling is monotonic, so the converted buffer stays in tick order and can be
        // merged in one pass instead of inserting event by event.
        std::vector<MidiEvent> incoming;
        incoming.reserve(buffer.size());
        for (const MidiEvent& source : buffer) {
            const std::int64_t tick = target + convertTicks(source.tick, song.ppq, clipboard.ppq());
            if (tick > endTick)
                break;
            MidiEvent& copy = incoming.emplace_back(source);
            copy.tick = static_cast<std::int32_t>(tick);
            copy.length = convertTicks(source.length, song.ppq, clipboard.ppq());
            if (copy.kind() == EventKind::Note)
                copy.length = std::max<std::int32_t>(copy.length, 1);
        }
        if (incoming.empty())
            continue;
        Track& track = song.tracks[static_cast<std::size_t>(destination)];
        std::vector<MidiEvent> merged;
        merged.reserve(static_cast<std::size_t>(track.eventCount()) + incoming.size());
        auto existing = track.events();
        auto e = existing.begin();
        // A pasted event goes behind the events already at its tick.
        for (MidiEvent& event : incoming) {
            while (e != existing.end() && e->tick <= event.tick)
                merged.push_back(std::move(*e++));
            merged.push_back(std::move(event));
        }
        while (e != existing.end())
            merged.push_back(std::move(*e++));
        replaceEvents(track, std::move(merged));
        changed = true;
    }
    return changed;
}

} // namespace velisto
