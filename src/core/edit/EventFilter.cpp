#include "edit/EventFilter.h"

#include "midi/MidiStandardNames.h"
#include "song/MidiEvent.h"
#include "song/Song.h"

#include <array>
#include <cstddef>
#include <optional>

namespace velisto {

namespace {

template <class Filter> auto rowMembers(Filter& f, FilterRow row)
{
    struct Members {
        decltype(&f.noteon_bool) mode = nullptr;
        decltype(&f.noteon_bool) from = nullptr; // nullptr for the kinds without a value
        decltype(&f.noteon_bool) to = nullptr;
    };
    switch (row) {
    case FilterRow::NoteOn:
        return Members{&f.noteon_bool, &f.noteon_from, &f.noteon_to};
    case FilterRow::ControlChange:
        return Members{&f.contrch_bool, &f.contrch_from, &f.contrch_to};
    case FilterRow::ProgramChange:
        return Members{&f.progch_bool, &f.progch_from, &f.progch_to};
    case FilterRow::ChannelPressure:
        return Members{&f.channelpr_bool};
    case FilterRow::PolyPressure:
        return Members{&f.polypress_bool, &f.polypress_from, &f.polypress_to};
    case FilterRow::PitchBend:
        return Members{&f.pitchbend_bool};
    case FilterRow::Nrpn:
        return Members{&f.NRPN_bool, &f.NRPN_from, &f.NRPN_to};
    case FilterRow::DrumNrpn:
        return Members{&f.drumNRPN_bool, &f.drumNRPN_from, &f.drumNRPN_to};
    case FilterRow::Rpn:
        return Members{&f.RPN_bool, &f.RPN_from, &f.RPN_to};
    case FilterRow::SongText:
        return Members{&f.songtext_bool};
    case FilterRow::Sysex:
        return Members{&f.sysex_bool};
    case FilterRow::ChannelPrefix:
        return Members{&f.chprefix_bool};
    }
    return Members{};
}

std::optional<FilterRow> rowOfKind(std::uint8_t kind)
{
    switch (kind) {
    case EventKind::Note:
        return FilterRow::NoteOn;
    case EventKind::Controller:
        return FilterRow::ControlChange;
    case EventKind::ProgramChange:
        return FilterRow::ProgramChange;
    case EventKind::ChannelPressure:
        return FilterRow::ChannelPressure;
    case EventKind::PolyPressure:
        return FilterRow::PolyPressure;
    case EventKind::PitchBend:
        return FilterRow::PitchBend;
    case EventKind::Nrpn:
        return FilterRow::Nrpn;
    case EventKind::DrumNrpn:
        return FilterRow::DrumNrpn;
    case EventKind::Rpn:
        return FilterRow::Rpn;
    case EventKind::Sysex:
        return FilterRow::Sysex;
    case EventKind::ChannelPrefix:
        return FilterRow::ChannelPrefix;
    default:
        if (MidiEvent::isTextKind(kind))
            return FilterRow::SongText;
        return std::nullopt;
    }
}

std::vector<ValueChoice> numberedChoices(int count, std::string_view (*name)(int))
{
    std::vector<ValueChoice> choices;
    for (int value = 0; value < count; ++value)
        choices.push_back({value, std::string(name(value))});
    return choices;
}

} // namespace

std::string_view filterRowName(FilterRow row)
{
    static constexpr std::array<std::string_view, kFilterRowCount> kNames = {"Note on",
                                                                             "Control Change",
                                                                             "Program change",
                                                                             "Monophonic aftertouch",
                                                                             "Polyphonic aftertouch",
                                                                             "Pitch Bend",
                                                                             "NRPN",
                                                                             "Drum NRPN",
                                                                             "RPN",
                                                                             "META Text, lyric, marker...",
                                                                             "SysEx",
                                                                             "META Channel prefix"};
    return kNames[static_cast<std::size_t>(row)];
}

FilterRowFields filterRowFields(EventFilterSettings& filter, FilterRow row)
{
    const auto members = rowMembers(filter, row);
    return {members.mode, members.from, members.to};
}

std::vector<ValueChoice> filterRangeChoices(FilterRow row)
{
    switch (row) {
    case FilterRow::NoteOn:
    case FilterRow::PolyPressure:
        return numberedChoices(128, [](int key) { return noteName(key); });
    case FilterRow::ProgramChange:
        return numberedChoices(128, gmProgramName);
    case FilterRow::ControlChange:
        return parameterChoices(ParamKind::Controller);
    case FilterRow::Nrpn:
        return parameterChoices(ParamKind::Nrpn);
    case FilterRow::DrumNrpn:
        return parameterChoices(ParamKind::DrumNrpn);
    case FilterRow::Rpn:
        return parameterChoices(ParamKind::Rpn);
    default:
        return {};
    }
}

bool passesFilter(const EventFilterSettings& filter, const MidiEvent& event)
{
    if (event.isChannelEvent() && filter.ch[static_cast<std::size_t>(event.channel())] == 0)
        return false;
    const std::optional<FilterRow> kindRow = rowOfKind(event.kind());
    if (!kindRow)
        return true;
    const auto row = rowMembers(filter, *kindRow);
    const bool excluding = *row.mode != 0;
    if (!row.from)
        return !excluding;
    const bool inside = event.data1 >= *row.from && event.data1 <= *row.to;
    return excluding ? !inside : inside;
}

bool passesFilter(const EventFilterSettings& filter, const Song& song, int track, int index)
{
    return passesFilter(filter, song.tracks[static_cast<std::size_t>(track)].event(index));
}

bool filterRestricts(const EventFilterSettings& filter)
{
    bool restricts = false;
    for (int on : filter.ch)
        restricts = restricts || on == 0;
    const EventFilterSettings defaults;
    for (int r = 0; r < kFilterRowCount; ++r) {
        const auto row = rowMembers(filter, static_cast<FilterRow>(r));
        const auto standard = rowMembers(defaults, static_cast<FilterRow>(r));
        // An excluding row, or a range narrower than the default one, holds something back.
        restricts = restricts || *row.mode != 0 || (row.from && (*row.from > *standard.from || *row.to < *standard.to));
    }
    return restricts;
}

void setAllFilterModes(EventFilterSettings& filter, int mode)
{
    for (int r = 0; r < kFilterRowCount; ++r)
        *rowMembers(filter, static_cast<FilterRow>(r)).mode = mode;
}

void setAllFilterChannels(EventFilterSettings& filter, bool on) { filter.ch.fill(on ? 1 : 0); }

std::string checkFilterRange(int from, int to)
{
    return from > to ? std::string(EventFilterMessage::FromAboveTo) : std::string();
}

} // namespace velisto
