#include "edit/StructuralEdits.h"

#include "app/UserPrompt.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "midi/ProgramIndex.h"
#include "song/MidiFileReader.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

namespace velisto {

namespace {

constexpr int kLastTrack = kTrackCount - 1;

Track& trackAt(Song& song, int index) { return song.tracks[static_cast<std::size_t>(index)]; }

// Opens index for a new empty track on the device of the track that was there; the tracks
// from index on move up one with their solo state and the last track is lost.
void shiftTracksUp(Song& song, int index)
{
    const std::vector<int> solo = song.soloList();
    for (int s : solo)
        song.setSolo(s, false);
    const std::int32_t device = trackAt(song, index).device;
    std::move_backward(song.tracks.begin() + index, song.tracks.end() - 1, song.tracks.end());
    trackAt(song, index) = Track{};
    trackAt(song, index).device = device;
    for (int s : solo)
        if (s < index)
            song.setSolo(s, true);
        else if (s < kLastTrack)
            song.setSolo(s + 1, true);
}

bool refuseWithSelection(bool selectionExists, std::string_view text, UserPrompt& prompt)
{
    if (selectionExists)
        prompt.message(std::string(text), {}, PromptIcon::Exclamation);
    return selectionExists;
}

enum class Kit { None, Drum, Sfx };

struct SplitPass {
    std::vector<std::int32_t> events; // source indices, in order
    std::string name;
};

} // namespace

void replaceEvents(Track& track, std::vector<MidiEvent>&& events)
{
    track.clearEvents();
    track.reserve(static_cast<std::int32_t>(events.size()));
    for (MidiEvent& event : events)
        track.append(std::move(event));
    events.clear();
}

MeasureRange measureRange(const Song& song, const std::optional<Selection>& selection, int currentTrack,
                          int cursorMeasure)
{
    MeasureRange range;
    const int firstMeasure = selection ? selection->firstMeasure : cursorMeasure;
    const int lastMeasure = selection ? selection->lastMeasure : cursorMeasure;
    range.firstTrack = std::clamp(selection ? selection->firstTrack : currentTrack, 0, kLastTrack);
    range.lastTrack = std::clamp(selection ? selection->lastTrack : currentTrack, range.firstTrack, kLastTrack);
    range.start = measureStart(song, firstMeasure);
    range.next = std::max(range.start, measureStart(song, lastMeasure + 1));
    return range;
}

bool deleteMeasures(Song& song, const MeasureRange& range)
{
    const std::int64_t length = std::int64_t{range.next} - range.start;
    if (length <= 0)
        return false;
    bool changed = false;
    for (int t = range.firstTrack; t <= range.lastTrack; ++t) {
        Track& track = trackAt(song, t);
        const auto events = track.events();
        const auto from =
            std::find_if(events.begin(), events.end(), [&](const MidiEvent& e) { return e.tick >= range.start; });
        if (from == events.end())
            continue;
        std::vector<MidiEvent> kept;
        kept.reserve(events.size());
        for (auto e = events.begin(); e != events.end(); ++e) {
            if (e->tick >= range.start && e->tick < range.next)
                continue;
            if (e->tick >= range.next)
                e->tick = static_cast<std::int32_t>(e->tick - length);
            kept.push_back(std::move(*e));
        }
        replaceEvents(track, std::move(kept));
        changed = true;
    }
    return changed;
}

bool insertMeasures(Song& song, const MeasureRange& range)
{
    const std::int64_t length = std::int64_t{range.next} - range.start;
    if (length <= 0)
        return false;
    bool changed = false;
    for (int t = range.firstTrack; t <= range.lastTrack; ++t) {
        for (MidiEvent& event : trackAt(song, t).events()) {
            if (event.tick < range.start)
                continue;
            // Saturating keeps the order: every moved tick grows by the same amount.
            event.tick = static_cast<std::int32_t>(
                std::min<std::int64_t>(event.tick + length, std::numeric_limits<std::int32_t>::max()));
            changed = true;
        }
    }
    return changed;
}

bool insertTrack(Song& song, int current, bool selectionExists, UserPrompt& prompt)
{
    if (refuseWithSelection(selectionExists, kInsertTrackSelectionText, prompt) || current < 0 || current > kLastTrack)
        return false;
    shiftTracksUp(song, current);
    return true;
}

bool deleteTrack(Song& song, int current, bool selectionExists, UserPrompt& prompt)
{
    if (refuseWithSelection(selectionExists, kDeleteTrackSelectionText, prompt) || current < 0 || current > kLastTrack)
        return false;
    const std::vector<int> solo = song.soloList();
    for (int s : solo)
        song.setSolo(s, false);
    std::move(song.tracks.begin() + current + 1, song.tracks.end(), song.tracks.begin() + current);
    trackAt(song, kLastTrack) = Track{};
    trackAt(song, kLastTrack).device = trackAt(song, kLastTrack - 1).device;
    for (int s : solo)
        if (s < current)
            song.setSolo(s, true);
        else if (s > current)
            song.setSolo(s - 1, true);
    return true;
}

bool splitChannels(Song& song, int current, bool selectionExists, const ProgramIndex& programs, int drumNameMode,
                   const SplitOptions& options, UserPrompt& prompt)
{
    if (refuseWithSelection(selectionExists, kSplitChannelsSelectionText, prompt) || current < 0 ||
        current > kLastTrack)
        return false;
    Track& source = trackAt(song, current);
    if (source.empty()) {
        prompt.message(std::string(kSplitEmptyTrackText), {}, PromptIcon::Exclamation);
        return false;
    }

    // Plan every pass before touching the song: the program lookups read the source track
    // as it is, and a split that does not fit is refused with nothing changed.
    const std::int32_t count = source.eventCount();
    std::vector<Kit> kits(static_cast<std::size_t>(count), Kit::None);
    std::vector<int> kitProgram(static_cast<std::size_t>(count), 0);
    std::vector<SplitPass> passes;
    SplitPass general;
    std::array<std::vector<std::int32_t>, 16> byChannel;
    for (std::int32_t i = 0; i < count; ++i) {
        const MidiEvent& event = source.event(i);
        if (!event.isChannelEvent() || event.kind() == EventKind::ChannelPrefix) {
            general.events.push_back(i);
            continue;
        }
        const ProgramAtEvent at = programs.programAt(song, current, i);
        kits[static_cast<std::size_t>(i)] = at.effect ? Kit::Sfx : at.drum ? Kit::Drum : Kit::None;
        kitProgram[static_cast<std::size_t>(i)] = at.program;
        byChannel[static_cast<std::size_t>(event.channel())].push_back(i);
    }
    if (!general.events.empty())
        passes.push_back(std::move(general));

    for (const auto& channelEvents : byChannel) {
        SplitPass rest;
        bool restDrum = false;
        bool restSfx = false;
        std::array<std::vector<std::int32_t>, 128> drumKeys;
        std::array<std::vector<std::int32_t>, 128> sfxKeys;
        for (std::int32_t i : channelEvents) {
            const MidiEvent& event = source.event(i);
            const Kit kit = kits[static_cast<std::size_t>(i)];
            const auto key = static_cast<std::size_t>(event.key() & 0x7F);
            if (event.isKeyEvent() && options.drumKeys && kit == Kit::Drum) {
                drumKeys[key].push_back(i);
            } else if (event.isKeyEvent() && options.sfxKeys && kit == Kit::Sfx) {
                sfxKeys[key].push_back(i);
            } else {
                rest.events.push_back(i);
                restDrum = restDrum || kit == Kit::Drum;
                restSfx = restSfx || kit == Kit::Sfx;
            }
        }
        if (!rest.events.empty()) {
            if (restDrum && options.drumKeys)
                rest.name = kNotDrumRelatedName;
            else if (restSfx && options.sfxKeys)
                rest.name = kNotSfxRelatedName;
            passes.push_back(std::move(rest));
        }
        for (int key = 0; key < 128; ++key) {
            auto& events = drumKeys[static_cast<std::size_t>(key)];
            if (events.empty())
                continue;
            const int program = kitProgram[static_cast<std::size_t>(events.front())];
            passes.push_back({std::move(events), std::string(drumName(drumNameMode, key, program))});
        }
        for (int key = 0; key < 128; ++key) {
            auto& events = sfxKeys[static_cast<std::size_t>(key)];
            if (events.empty())
                continue;
            // The SFX kits share the sound effect set's key layout.
            passes.push_back({std::move(events), std::string(drumName(MidiMode::GS, key, 56))});
        }
    }

    // A destination that holds events gets a new track inserted in front of it, so the
    // tracks behind move up; refuse rather than push events past the last track.
    std::array<bool, kTrackCount> occupied{};
    for (int t = 0; t < kTrackCount; ++t)
        occupied[static_cast<std::size_t>(t)] = !trackAt(song, t).empty();
    int destination = current + 1;
    for (std::size_t p = 0; p < passes.size(); ++p, ++destination) {
        const auto d = static_cast<std::size_t>(destination);
        if (destination > kLastTrack || (occupied[d] && occupied[kLastTrack])) {
            prompt.message(std::string(kSplitNoRoomText), {}, PromptIcon::Exclamation);
            return false;
        }
        if (occupied[d])
            std::move_backward(occupied.begin() + destination, occupied.end() - 1, occupied.end());
        occupied[d] = true;
    }

    // Moving, not copying: the payloads change owner and the source gives up its records.
    std::vector<MidiEvent> all;
    all.reserve(static_cast<std::size_t>(count));
    for (MidiEvent& event : source.events())
        all.push_back(std::move(event));
    const std::int32_t device = source.device;
    source.clearEvents();
    source.resetSettings();

    destination = current + 1;
    for (SplitPass& pass : passes) {
        if (!trackAt(song, destination).empty())
            shiftTracksUp(song, destination);
        Track& target = trackAt(song, destination);
        std::vector<MidiEvent> moved;
        moved.reserve(pass.events.size());
        for (std::int32_t i : pass.events)
            moved.push_back(std::move(all[static_cast<std::size_t>(i)]));
        replaceEvents(target, std::move(moved));
        target.name = std::move(pass.name);
        target.device = device;
        deriveChannel(target);
        if (options.chooseKnobsByUsage)
            chooseKnobsByUsage(target);
        ++destination;
    }
    return true;
}

} // namespace velisto
