#include "listeditor/ListEditorColumns.h"

#include "app/Settings.h"
#include "song/MidiEvent.h"

#include <algorithm>
#include <array>

namespace velisto {

namespace {

struct ColumnRow {
    std::string_view header;
    int widthSlot;
};

constexpr std::array<ColumnRow, kListColumnCount> kColumns{{
    {"Meas:Beat:Tick", 0},
    {"Ch.", 1},
    {"Status", 2},
    {"Key", 3},
    {"Value", 4},
    {"Range", 5},
    {"Details", 6},
    {"Raw Sysex", 8},
    {"Syx DevId", 9},
    {"Syx ModId", 10},
    {"Syx GS Checks", 11},
}};
static_assert(std::tuple_size_v<decltype(DisplaySettings::listeditorcellwidth)> == kListColumnWidthSlots);

const ColumnRow& rowOf(ListColumn column) { return kColumns[static_cast<std::size_t>(column)]; }

struct StatusText {
    std::uint8_t kind;
    std::string_view text;
};

constexpr std::array<StatusText, 9> kChannelKinds{{
    {EventKind::Note, "Note on"},
    {EventKind::PolyPressure, "Polyphonic aftertouch"},
    {EventKind::Controller, "Control change"},
    {EventKind::ProgramChange, "Program change"},
    {EventKind::ChannelPressure, "Monophonic aftertouch"},
    {EventKind::Nrpn, "NRPN"},
    {EventKind::Rpn, "RPN"},
    {EventKind::PitchBend, "Pitch bend"},
    {EventKind::DrumNrpn, "Drum NRPN"},
}};

constexpr std::array<StatusText, 9> kMetaKinds{{
    {EventKind::Lyric, "META Lyric"},
    {EventKind::Marker, "META Marker"},
    {EventKind::InstrumentName, "META Instrument name"},
    {EventKind::Text, "META Text"},
    {EventKind::CuePoint, "META Cue point"},
    {EventKind::ChannelPrefix, "META Channel prefix"},
    {EventKind::Copyright, "META Copyright"},
    {EventKind::ProgramName, "META Program name"},
    {EventKind::DeviceName, "META Device name"},
}};

template <std::size_t N> constexpr std::array<std::uint8_t, N> kindsOf(const std::array<StatusText, N>& texts)
{
    std::array<std::uint8_t, N> kinds{};
    for (std::size_t i = 0; i < N; ++i)
        kinds[i] = texts[i].kind;
    return kinds;
}

constexpr auto kChannelKindValues = kindsOf(kChannelKinds);
constexpr auto kMetaKindValues = kindsOf(kMetaKinds);

// The kind of a stored status: the channel bits cleared, except for the kinds that are a
// whole status byte, where a neighbour (0x41, 0x7F) is no kind at all.
std::uint8_t kindOf(std::uint8_t status)
{
    const auto high = static_cast<std::uint8_t>(status & 0xF0);
    return high == EventKind::Sysex || high == EventKind::Lyric ? status : high;
}

template <std::size_t N> const StatusText* find(const std::array<StatusText, N>& texts, std::uint8_t kind)
{
    for (const StatusText& entry : texts)
        if (entry.kind == kind)
            return &entry;
    return nullptr;
}

} // namespace

ListColumn listColumnAt(int position)
{
    return position >= 0 && position < kListColumnCount ? static_cast<ListColumn>(position) : ListColumn::Position;
}

std::string_view listColumnHeader(ListColumn column) { return rowOf(column).header; }

int listColumnWidthSlot(ListColumn column) { return rowOf(column).widthSlot; }

std::string listColumnWidthKey(ListColumn column)
{
    return "listeditorcellwidth" + std::to_string(listColumnWidthSlot(column));
}

int listColumnDefaultWidth(ListColumn column)
{
    return DisplaySettings{}.listeditorcellwidth[static_cast<std::size_t>(listColumnWidthSlot(column))];
}

int listColumnShownWidth(ListColumn column, int storedWidth, int headerPixels)
{
    return storedWidth == listColumnDefaultWidth(column) ? std::max(storedWidth, headerPixels) : storedWidth;
}

std::string_view eventStatusText(std::uint8_t status)
{
    const std::uint8_t kind = kindOf(status);
    if (status == EventKind::Sysex)
        return "Sysex";
    if (const StatusText* channel = find(kChannelKinds, kind))
        return channel->text;
    if (const StatusText* meta = find(kMetaKinds, kind))
        return meta->text;
    return "intern err";
}

std::span<const std::uint8_t> statusChoicesFor(std::uint8_t status)
{
    const std::uint8_t kind = kindOf(status);
    if (find(kChannelKinds, kind))
        return kChannelKindValues;
    if (find(kMetaKinds, kind))
        return kMetaKindValues;
    return {};
}

} // namespace velisto
