#include "edit/Clipboard.h"

#include "song/Song.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace velisto {
namespace {

std::unique_ptr<Song> songWithPpq(std::int32_t ppq)
{
    auto song = std::make_unique<Song>();
    song->ppq = ppq;
    return song;
}

Track& trackOf(Song& song, int t) { return song.tracks[static_cast<std::size_t>(t)]; }

TEST(ClipboardTest, CopyIsRelativeFilteredAndOwnsItsPayloads)
{
    auto song = songWithPpq(96);                                   // 4/4: a measure is 384 ticks
    trackOf(*song, 1).append(MidiEvent::note(100, 0, 60, 90, 10)); // before the selection
    trackOf(*song, 1).append(MidiEvent::textEvent(400, EventKind::Lyric, "la"));
    trackOf(*song, 1).append(MidiEvent::note(500, 0, 62, 90, 10));
    trackOf(*song, 2).append(MidiEvent::note(800, 0, 64, 90, 10)); // after the selection
    Clipboard clipboard;
    const Selection selection{1, 2, 1, 1};
    ASSERT_TRUE(
        clipboard.copy(*song, selection, [](const MidiEvent& e) { return e.kind() == EventKind::Note || e.isText(); }));
    ASSERT_EQ(clipboard.buffer(0).size(), 2u);
    EXPECT_EQ(clipboard.buffer(0)[0].tick, 16);
    EXPECT_EQ(clipboard.buffer(0)[1].tick, 116);
    EXPECT_TRUE(clipboard.buffer(1).empty());
    EXPECT_NE(clipboard.buffer(0)[0].text.get(), trackOf(*song, 1).event(1).text.get());

    EXPECT_FALSE(clipboard.copy(*song, selection, [](const MidiEvent& e) { return e.isSysex(); }));
    EXPECT_TRUE(clipboard.empty());
}

TEST(ClipboardTest, CutDeletesOnlyFilteredSelectionAndTestCutLeavesClipboard)
{
    auto song = songWithPpq(96);
    Track& track = trackOf(*song, 0);
    for (int i = 0; i < 1000; ++i)
        track.append(MidiEvent::note(i, 0, i % 2 ? 60 : 61, 90, 1));
    Clipboard clipboard;
    trackOf(*song, 5).append(MidiEvent::note(0, 0, 1, 1, 1));
    clipboard.copy(*song, {5, 5, 0, 0});
    const auto keys60 = [](const MidiEvent& e) { return e.data1 == 60; };

    EXPECT_TRUE(cutEvents(*song, {0, 0, 0, 0}, keys60, nullptr));
    EXPECT_EQ(clipboard.firstTrack(), 5); // a test cut leaves it alone
    EXPECT_EQ(track.eventCount(), 1000 - 192);
    EXPECT_EQ(track.event(0).tick, 0);
    EXPECT_EQ(track.event(1).tick, 2);
    EXPECT_EQ(track.event(200).tick, 392);

    EXPECT_TRUE(cutEvents(*song, {0, 0, 1, 1}, keys60, &clipboard));
    EXPECT_EQ(clipboard.firstTrack(), 0);
    EXPECT_EQ(clipboard.buffer(0).size(), 192u);
    EXPECT_FALSE(cutEvents(*song, {0, 0, 1, 1}, keys60, &clipboard));
}

TEST(ClipboardTest, PasteConvertsPpqAndMergesBehindEqualTicks)
{
    auto from = songWithPpq(96);
    trackOf(*from, 3).append(MidiEvent::note(384, 0, 60, 90, 48));
    trackOf(*from, 3).append(MidiEvent::note(384 + 97, 0, 62, 90, 1));
    Clipboard clipboard;
    ASSERT_TRUE(clipboard.copy(*from, {3, 3, 1, 1}));

    auto to = songWithPpq(480);
    trackOf(*to, 7).append(MidiEvent::note(1920, 0, 40, 90, 10));
    PasteCursor cursor{7, 1};
    ASSERT_TRUE(pasteEvents(*to, clipboard, cursor, std::nullopt));
    const Track& track = trackOf(*to, 7);
    ASSERT_EQ(track.eventCount(), 3);
    EXPECT_EQ(track.event(0).data1, 40); // the existing event stays first at its tick
    EXPECT_EQ(track.event(1).tick, 1920);
    EXPECT_EQ(track.event(1).length, 240);
    EXPECT_EQ(track.event(2).tick, 1920 + 485);

    // Downscaling truncates, but a note never loses its last tick.
    auto coarse = songWithPpq(24);
    PasteCursor start{0, 0};
    ASSERT_TRUE(pasteEvents(*coarse, clipboard, start, std::nullopt));
    EXPECT_EQ(trackOf(*coarse, 0).event(1).tick, 24);
    EXPECT_EQ(trackOf(*coarse, 0).event(1).length, 1);
}

TEST(ClipboardTest, ConversionUsesSixtyFourBits)
{
    // 10,000,000 x 960 overflows 32 bits.
    EXPECT_EQ(convertTicks(10'000'000, 960, 96), 100'000'000);
    EXPECT_EQ(convertTicks(std::numeric_limits<std::int32_t>::max(), 960, 96),
              std::numeric_limits<std::int32_t>::max());
}

TEST(ClipboardTest, PasteStopsAtSelectionAndAtLastTrack)
{
    auto song = songWithPpq(96);
    for (int t = 0; t < 4; ++t) {
        trackOf(*song, t).append(MidiEvent::note(0, 0, 60, 90, 10));
        trackOf(*song, t).append(MidiEvent::note(384 + 10, 0, 61, 90, 10)); // second measure
    }
    Clipboard clipboard;
    ASSERT_TRUE(clipboard.copy(*song, {0, 3, 0, 1}));

    auto target = songWithPpq(96);
    PasteCursor cursor{0, 0};
    ASSERT_TRUE(pasteEvents(*target, clipboard, cursor, Selection{10, 11, 2, 2}));
    EXPECT_EQ(cursor.track, 10);
    EXPECT_EQ(cursor.measure, 2);
    EXPECT_EQ(trackOf(*target, 10).eventCount(), 1); // the second measure's event is beyond the end
    EXPECT_EQ(trackOf(*target, 10).event(0).tick, 768);
    EXPECT_EQ(trackOf(*target, 11).eventCount(), 1);
    EXPECT_TRUE(trackOf(*target, 12).empty());

    PasteCursor atEnd{254, 0};
    ASSERT_TRUE(pasteEvents(*target, clipboard, atEnd, std::nullopt));
    EXPECT_EQ(trackOf(*target, 254).eventCount(), 2);
    EXPECT_EQ(trackOf(*target, 255).eventCount(), 2);
}

} // namespace
} // namespace velisto
