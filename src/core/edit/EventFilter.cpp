#include "edit/EventFilter.h"

#include "song/MidiEvent.h"
#include "song/Song.h"

#include <cstddef>

namespace velisto {

namespace {

struct Row {
    const int* mode = nullptr;
    const int* from = nullptr; // nullptr for the kinds without a value
    const int* to = nullptr;
};

Row rowOf(const EventFilterSettings& f, std::uint8_t kind)
{
    switch (kind) {
    case EventKind::Note:
        return {&f.noteon_bool, &f.noteon_from, &f.noteon_to};
    case EventKind::Controller:
        return {&f.contrch_bool, &f.contrch_from, &f.contrch_to};
    case EventKind::ProgramChange:
        return {&f.progch_bool, &f.progch_from, &f.progch_to};
    case EventKind::ChannelPressure:
        return {&f.channelpr_bool};
    case EventKind::PolyPressure:
        return {&f.polypress_bool, &f.polypress_from, &f.polypress_to};
    case EventKind::PitchBend:
        return {&f.pitchbend_bool};
    case EventKind::Nrpn:
        return {&f.NRPN_bool, &f.NRPN_from, &f.NRPN_to};
    case EventKind::DrumNrpn:
        return {&f.drumNRPN_bool, &f.drumNRPN_from, &f.drumNRPN_to};
    case EventKind::Rpn:
        return {&f.RPN_bool, &f.RPN_from, &f.RPN_to};
    case EventKind::Sysex:
        return {&f.sysex_bool};
    case EventKind::ChannelPrefix:
        return {&f.chprefix_bool};
    default:
        if (MidiEvent::isTextKind(kind))
            return {&f.songtext_bool};
        return {};
    }
}

template <typename Settings, typename Fn> void forEachMode(Settings& f, Fn fn)
{
    for (auto* mode :
         {&f.noteon_bool, &f.chprefix_bool, &f.contrch_bool, &f.channelpr_bool, &f.polypress_bool, &f.pitchbend_bool,
          &f.NRPN_bool, &f.RPN_bool, &f.drumNRPN_bool, &f.songtext_bool, &f.sysex_bool, &f.progch_bool})
        fn(*mode);
}

} // namespace

bool passesFilter(const EventFilterSettings& filter, const MidiEvent& event)
{
    if (event.isChannelEvent() && filter.ch[static_cast<std::size_t>(event.channel())] == 0)
        return false;
    const Row row = rowOf(filter, event.kind());
    if (!row.mode)
        return true;
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
    forEachMode(filter, [&](const int& mode) { restricts = restricts || mode != 0; });
    for (int on : filter.ch)
        restricts = restricts || on == 0;
    const EventFilterSettings defaults;
    const auto narrower = [](int from, int to, int defaultFrom, int defaultTo) {
        return from > defaultFrom || to < defaultTo;
    };
    return restricts || narrower(filter.noteon_from, filter.noteon_to, defaults.noteon_from, defaults.noteon_to) ||
           narrower(filter.contrch_from, filter.contrch_to, defaults.contrch_from, defaults.contrch_to) ||
           narrower(filter.progch_from, filter.progch_to, defaults.progch_from, defaults.progch_to) ||
           narrower(filter.polypress_from, filter.polypress_to, defaults.polypress_from, defaults.polypress_to) ||
           narrower(filter.NRPN_from, filter.NRPN_to, defaults.NRPN_from, defaults.NRPN_to) ||
           narrower(filter.drumNRPN_from, filter.drumNRPN_to, defaults.drumNRPN_from, defaults.drumNRPN_to) ||
           narrower(filter.RPN_from, filter.RPN_to, defaults.RPN_from, defaults.RPN_to);
}

void setAllFilterModes(EventFilterSettings& filter, int mode)
{
    forEachMode(filter, [mode](int& m) { m = mode; });
}

void setAllFilterChannels(EventFilterSettings& filter, bool on) { filter.ch.fill(on ? 1 : 0); }

std::string checkFilterRange(int from, int to)
{
    return from > to ? std::string(EventFilterMessage::FromAboveTo) : std::string();
}

} // namespace velisto
