#include "edit/EventFilter.h"

#include "song/MidiEvent.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace velisto
