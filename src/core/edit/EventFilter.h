#pragma once
// The event filter shared by every edit function: narrows the events of the selection by
// channel, by kind and by a value range per kind. Also the checks of its dialog.
//
// Thread contract: pure functions; user-interface thread.

#include "app/Settings.h"
#include "midi/MidiModeDefinition.h"

#include <string>
#include <string_view>
#include <vector>

namespace velisto {

struct MidiEvent;
class Song;

namespace EventFilterMessage {
inline constexpr std::string_view Restricted = "WARNING : Current event filter settings contain restrictions !";
inline constexpr std::string_view FromAboveTo = "FROM must not be higher than TO";
} // namespace EventFilterMessage

// The rows of the filter dialog, in its order.
enum class FilterRow {
    NoteOn,
    ControlChange,
    ProgramChange,
    ChannelPressure,
    PolyPressure,
    PitchBend,
    Nrpn,
    DrumNrpn,
    Rpn,
    SongText,
    Sysex,
    ChannelPrefix,
};
inline constexpr int kFilterRowCount = 12;

// "Note on", "Control Change" ... "META Channel prefix".
std::string_view filterRowName(FilterRow row);
// The row's mode flag and range; from and to are null for the rows without a value.
struct FilterRowFields {
    int* mode = nullptr;
    int* from = nullptr;
    int* to = nullptr;
};
FilterRowFields filterRowFields(EventFilterSettings& filter, FilterRow row);
// What the row's range lists offer, from the lowest value up: keys by note name, programs
// by General MIDI name, parameters as parameterChoices. Empty for a row without a range.
std::vector<ValueChoice> filterRangeChoices(FilterRow row);

// Whether the event gets past the channel mask and its kind's row.
bool passesFilter(const EventFilterSettings& filter, const MidiEvent& event);
bool passesFilter(const EventFilterSettings& filter, const Song& song, int track, int index);

// Whether the filter holds anything back: an excluding row, a channel switched off or a
// range narrower than the default one. The edit dialogs then show the warning.
bool filterRestricts(const EventFilterSettings& filter);

// The "including" (0) and "excluding" (1) buttons: every row's mode at once.
void setAllFilterModes(EventFilterSettings& filter, int mode);
// "all on" / "all off".
void setAllFilterChannels(EventFilterSettings& filter, bool on);

// Empty when the range is acceptable.
std::string checkFilterRange(int from, int to);

} // namespace velisto
