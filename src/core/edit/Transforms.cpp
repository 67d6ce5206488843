#include "edit/Transforms.h"

#include "edit/EventFilter.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace velisto {

namespace {

Track& trackAt(Song& song, int index) { return song.tracks[static_cast<std::size_t>(index)]; }

bool inTicks(const EditScope& scope, const MidiEvent& event)
{
    return event.tick >= scope.ticks.start && event.tick <= scope.ticks.end;
}

bool isNote(const MidiEvent& event) { return event.kind() == EventKind::Note; }

// Calls fn(event) for every event of the scope that passes the filter; fn tells whether
// it touched the event. Only for transforms that leave ticks alone.
template <typename Fn> bool forEachInScope(Song& song, const EditScope& scope, Fn fn)
{
    bool touched = false;
    for (int t = scope.selection.firstTrack; t <= scope.selection.lastTrack; ++t) {
        for (MidiEvent& event : trackAt(song, t).events()) {
            if (event.tick > scope.ticks.end)
                break;
            if (inTicks(scope, event) && passesFilter(scope.filter, event) && fn(event))
                touched = true;
        }
    }
    return touched;
}

std::string checkAtLeast(std::string_view text, int minimum, std::string_view message)
{
    const std::optional<int> ticks = leadingTicks(text);
    return ticks && *ticks >= minimum ? std::string() : std::string(message);
}

} // namespace

EditScope editScope(const Song& song, const Selection& selection, const EventFilterSettings& filter)
{
    return {selection, selectionTicks(song, selection), filter};
}

// ---- quantize ----

std::int32_t quantizeToGrid(std::int32_t value, int grid)
{
    if (grid < 1)
        return value;
    std::int32_t result = value / grid * grid;
    if (value % grid > grid / 2)
        result += grid;
    return result;
}

bool quantize(Song& song, const EditScope& scope, const QuantizeOptions& options)
{
    bool touched = false;
    for (int t = scope.selection.firstTrack; t <= scope.selection.lastTrack; ++t) {
        Track& track = trackAt(song, t);
        std::int32_t i = 0;
        while (i <= track.lastIndex()) {
            MidiEvent& event = track.event(i);
            if (event.tick > scope.ticks.end)
                break;
            const bool kindOk = !options.onlyNotesAndText || isNote(event) || event.isText();
            if (!inTicks(scope, event) || !kindOk || !passesFilter(scope.filter, event)) {
                ++i;
                continue;
            }
            touched = true;
            if (options.lengths && isNote(event)) {
                const std::int32_t length = quantizeToGrid(event.length, options.lengthGrid);
                if (length > 0)
                    event.length = length;
            }
            const std::int32_t tick = options.positions ? quantizeToGrid(event.tick, options.positionGrid) : event.tick;
            // An event moved later leaves its successors one place down: look at index i
            // again. Quantizing is idempotent, so meeting a moved event again is harmless.
            if (tick != event.tick && track.moveToTick(i, tick) > i)
                continue;
            ++i;
        }
    }
    return touched;
}

std::vector<std::string> noteValueChoices(int ppq)
{
    return {std::to_string(ppq / 8) + " Thirty-second", std::to_string(ppq / 4) + " Sixteen",
            std::to_string(ppq / 2) + " Eight",         std::to_string(ppq) + " Quarter",
            std::to_string(2 * ppq) + " Half",          std::to_string(4 * ppq) + " Whole"};
}

std::optional<int> leadingTicks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(first);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc())
        return std::nullopt;
    return value;
}

std::string checkPositionGrid(std::string_view text) { return checkAtLeast(text, 2, TransformMessage::GridTooSmall); }

std::string checkLengthGrid(std::string_view text)
{
    return checkAtLeast(text, 2, TransformMessage::LengthGridTooSmall);
}

std::string checkNoteLength(std::string_view text) { return checkAtLeast(text, 0, TransformMessage::LengthNegative); }

// ---- pitch ----

bool changePitch(Song& song, const EditScope& scope, const PitchOptions& options)
{
    return forEachInScope(song, scope, [&](MidiEvent& event) {
        const auto kind = event.kind();
        if (kind != EventKind::Note && kind != EventKind::PolyPressure)
            return false;
        if (options.single) {
            if (event.data1 != options.fromKey)
                return false;
            event.data1 = static_cast<std::uint8_t>(std::clamp(options.toKey, 0, 127));
        } else {
            event.data1 = static_cast<std::uint8_t>(std::clamp(event.data1 + options.semitones, 0, 127));
        }
        return true;
    });
}

NoteSpelling noteSpellingAt(const Song& song, std::int32_t tick)
{
    return keyModeAtTick(song, tick) == "moll" ? NoteSpelling::Flats : NoteSpelling::Sharps;
}

std::string checkNoteName(std::string_view text, NoteSpelling spelling)
{
    const int key = keyOfNoteName(text);
    if (key >= 0 && noteName(key, spelling) == text)
        return {};
    return "Wrong value '" + std::string(text) + "'.\n\nPlease open ComboBox and choose right spelling.";
}

// ---- move ----

bool moveEvents(Song& song, const EditScope& scope, std::int32_t delta)
{
    bool touched = false;
    for (int t = scope.selection.firstTrack; t <= scope.selection.lastTrack; ++t) {
        Track& track = trackAt(song, t);
        // Take the moving events out in order and put them back one by one: each lands
        // behind every event of its new tick, so those that pile up keep their order and
        // none is met twice.
        std::vector<MidiEvent> moving;
        for (std::int32_t i = 0; i <= track.lastIndex();) {
            MidiEvent& event = track.event(i);
            if (event.tick > scope.ticks.end)
                break;
            if (inTicks(scope, event) && passesFilter(scope.filter, event)) {
                moving.push_back(std::move(event));
                track.erase(i);
            } else {
                ++i;
            }
        }
        touched = touched || !moving.empty();
        for (MidiEvent& event : moving) {
            event.tick = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{event.tick} + delta, 0,
                                                                            std::numeric_limits<std::int32_t>::max()));
            track.insertSorted(std::move(event));
        }
    }
    return touched;
}

// ---- notelength ----

bool setNoteLength(Song& song, const EditScope& scope, std::int32_t length)
{
    return forEachInScope(song, scope, [&](MidiEvent& event) {
        if (!isNote(event))
            return false;
        event.length = std::max<std::int32_t>(1, length);
        return true;
    });
}

// ---- channel change ----

bool changeChannel(Song& song, const EditScope& scope, int from, int to, bool test)
{
    bool touched = false;
    for (int t = scope.selection.firstTrack; t <= scope.selection.lastTrack; ++t) {
        Track& track = trackAt(song, t);
        bool trackTouched = false;
        for (MidiEvent& event : track.events()) {
            if (event.tick > scope.ticks.end)
                break;
            if (!inTicks(scope, event) || !event.isChannelEvent() || event.channel() != from ||
                !passesFilter(scope.filter, event))
                continue;
            event.status = static_cast<std::uint8_t>((event.status & 0xF0) | (to & 0x0F));
            trackTouched = true;
        }
        touched = touched || trackTouched;
        if (!trackTouched || test)
            continue;
        const auto events = track.events();
        if (std::all_of(events.begin(), events.end(),
                        [to](const MidiEvent& e) { return !e.isChannelEvent() || e.channel() == to; }))
            track.channel = to;
    }
    return touched;
}

std::string checkChannelText(std::string_view text)
{
    int channel = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (error != std::errc() || end != text.data() + text.size() || channel < 1 || channel > 16)
        return std::string(TransformMessage::UnknownChannel);
    return {};
}

ChannelUsage channelUsage(const Song& song, const EditScope& scope)
{
    ChannelUsage usage;
    const auto note = [](std::vector<int>& list, int channel) {
        if (std::find(list.begin(), list.end(), channel) == list.end())
            list.push_back(channel);
    };
    std::array<bool, 16> used{};
    for (int t = 0; t < static_cast<int>(song.tracks.size()); ++t) {
        const bool selectedTrack = t >= scope.selection.firstTrack && t <= scope.selection.lastTrack;
        for (const MidiEvent& event : song.tracks[static_cast<std::size_t>(t)].events()) {
            if (!event.isChannelEvent())
                continue;
            used[static_cast<std::size_t>(event.channel())] = true;
            if (selectedTrack)
                note(inTicks(scope, event) ? usage.inside : usage.beside, event.channel());
        }
    }
    const auto free = std::find(used.begin(), used.end(), false);
    usage.freeChannel = free == used.end() ? -1 : static_cast<int>(free - used.begin());
    return usage;
}

} // namespace velisto
