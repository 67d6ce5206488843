#include "edit/EventFilter.h"

#include "song/MidiEvent.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace velisto {
namespace {

TEST(EventFilterTest, RangeKindsIncludeOrExcludeTheirRange)
{
    EventFilterSettings filter;
    filter.noteon_bool = 1;
    filter.noteon_from = filter.noteon_to = 36;
    EXPECT_FALSE(passesFilter(filter, MidiEvent::note(0, 9, 36, 100, 10)));
    EXPECT_TRUE(passesFilter(filter, MidiEvent::note(0, 9, 38, 100, 10)));

    filter.contrch_from = 7;
    filter.contrch_to = 10;
    EXPECT_TRUE(passesFilter(filter, MidiEvent::channelEvent(0, EventKind::Controller, 7, 0)));
    EXPECT_FALSE(passesFilter(filter, MidiEvent::channelEvent(0, EventKind::Controller, 11, 0)));
    // The drum NRPN's own index decides, not its key.
    filter.drumNRPN_bool = 1;
    filter.drumNRPN_from = filter.drumNRPN_to = 3;
    EXPECT_FALSE(passesFilter(filter, MidiEvent::drumNrpn(0, 9, 3, 60, 64)));
    EXPECT_TRUE(passesFilter(filter, MidiEvent::drumNrpn(0, 9, 4, 3, 64)));
}

TEST(EventFilterTest, KindsWithoutRangePassOnlyWhenIncluding)
{
    EventFilterSettings filter;
    const MidiEvent bend = MidiEvent::channelEvent(0, EventKind::PitchBend, 0, 64);
    const MidiEvent lyric = MidiEvent::textEvent(0, EventKind::Lyric, "la");
    const MidiEvent sysex = MidiEvent::sysexEvent(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
    EXPECT_TRUE(passesFilter(filter, bend) && passesFilter(filter, lyric) && passesFilter(filter, sysex));
    setAllFilterModes(filter, 1);
    EXPECT_FALSE(passesFilter(filter, bend));
    EXPECT_FALSE(passesFilter(filter, lyric));
    EXPECT_FALSE(passesFilter(filter, sysex));
    EXPECT_TRUE(filterRestricts(filter));
}

TEST(EventFilterTest, ChannelMaskStopsChannelEventsOnly)
{
    EventFilterSettings filter;
    EXPECT_FALSE(filterRestricts(filter));
    filter.ch[9] = 0;
    EXPECT_TRUE(filterRestricts(filter));
    EXPECT_FALSE(passesFilter(filter, MidiEvent::note(0, 9, 36, 100, 10)));
    EXPECT_TRUE(passesFilter(filter, MidiEvent::note(0, 8, 36, 100, 10)));
    // Text and sysex carry no channel, whatever their status nibble says.
    EXPECT_TRUE(passesFilter(filter, MidiEvent::textEvent(0, EventKind::Marker, "m")));
    setAllFilterChannels(filter, false);
    EXPECT_TRUE(passesFilter(filter, MidiEvent::sysexEvent(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})));

    EXPECT_EQ(checkFilterRange(5, 4), "FROM must not be higher than TO");
    EXPECT_EQ(checkFilterRange(4, 4), "");
}

TEST(EventFilterTest, RowsReachTheirOwnSettings)
{
    EventFilterSettings filter;
    std::set<int*> modes;
    int ranged = 0;
    for (int r = 0; r < kFilterRowCount; ++r) {
        const auto row = static_cast<FilterRow>(r);
        const FilterRowFields fields = filterRowFields(filter, row);
        ASSERT_NE(fields.mode, nullptr) << filterRowName(row);
        modes.insert(fields.mode);
        EXPECT_EQ(fields.from == nullptr, fields.to == nullptr);
        // The lists offer a value for every number the range can hold, and nothing for
        // the rows without one.
        const std::vector<ValueChoice> choices = filterRangeChoices(row);
        if (!fields.from) {
            EXPECT_TRUE(choices.empty()) << filterRowName(row);
            continue;
        }
        ++ranged;
        ASSERT_FALSE(choices.empty()) << filterRowName(row);
        EXPECT_EQ(choices.front().value, *fields.from);
        EXPECT_EQ(choices.back().value, *fields.to) << filterRowName(row) << ": the default range is the whole list";
    }
    EXPECT_EQ(modes.size(), static_cast<std::size_t>(kFilterRowCount)) << "each row has its own mode flag";
    EXPECT_EQ(ranged, 7);

    // What a row's fields set is what the filter applies to that kind.
    const FilterRowFields notes = filterRowFields(filter, FilterRow::NoteOn);
    *notes.mode = 1;
    *notes.from = *notes.to = 36;
    EXPECT_FALSE(passesFilter(filter, MidiEvent::note(0, 9, 36, 100, 10)));
    EXPECT_TRUE(passesFilter(filter, MidiEvent::note(0, 9, 38, 100, 10)));
    *filterRowFields(filter, FilterRow::SongText).mode = 1;
    EXPECT_FALSE(passesFilter(filter, MidiEvent::textEvent(0, EventKind::Marker, "m")));

    EXPECT_EQ(filterRowName(FilterRow::NoteOn), "Note on");
    EXPECT_EQ(filterRowName(FilterRow::ChannelPrefix), "META Channel prefix");
    EXPECT_EQ(filterRangeChoices(FilterRow::NoteOn)[60].text, "C5");
    EXPECT_EQ(filterRangeChoices(FilterRow::ProgramChange)[0].text, "Acoustic Grand Piano");
    EXPECT_EQ(filterRangeChoices(FilterRow::Rpn), parameterChoices(ParamKind::Rpn));
}

TEST(EventFilterTest, ParameterChoicesNameEverySlot)
{
    for (const ParamKind kind : {ParamKind::Controller, ParamKind::Nrpn, ParamKind::DrumNrpn, ParamKind::Rpn}) {
        const std::vector<ValueChoice> choices = parameterChoices(kind);
        ASSERT_EQ(static_cast<int>(choices.size()), slotCount(kind));
        for (std::size_t slot = 0; slot < choices.size(); ++slot) {
            EXPECT_EQ(choices[slot].value, static_cast<int>(slot));
            EXPECT_FALSE(choices[slot].text.empty());
        }
    }
    const int volume = slotForSong(ParamKind::Controller, 7);
    EXPECT_EQ(parameterChoices(ParamKind::Controller)[static_cast<std::size_t>(volume)].text,
              midiModeDefinition(MidiMode::GM).longName(ParamKind::Controller, volume));
}

} // namespace
} // namespace velisto
