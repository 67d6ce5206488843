#include "listeditor/ListEditorEdits.h"

#include "ListEditorTestSupport.h"
#include "app/UserPrompt.h"
#include "core/edit/TestFolder.h"
#include "edit/UndoStack.h"
#include "song/MidiFileWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace velisto {
namespace {

using test::stored;

class ListEditorEditsTest : public ::testing::Test, protected test::ListEditorFixture {
protected:
    ListEditorEditsTest() : undo_(folder_) {}

    std::vector<std::uint8_t> bytes() const { return MidiFileWriter::encode(*song_, true).bytes; }
    // Checks the typed text (or chosen item) as the window would, then applies it.
    int edit(int row, ListColumn column, std::string_view typed)
    {
        const CellCheck result = checkCell(context(device_), row, column, typed);
        EXPECT_TRUE(result.passed()) << typed << ": " << result.message;
        return applyCell(*song_, test::kListTrack, row, cellEditor(context(device_), row, column)->name,
                         result.value, undo_, prompt_);
    }
    int choose(int row, ListColumn column, int item)
    {
        const CellCheck result = checkCellChoice(context(device_), row, column, item);
        EXPECT_TRUE(result.passed()) << item << ": " << result.message;
        return applyCell(*song_, test::kListTrack, row, cellEditor(context(device_), row, column)->name,
                         result.value, undo_, prompt_);
    }
    std::vector<int> ticks()
    {
        std::vector<int> out;
        for (const MidiEvent& event : track().events())
            out.push_back(event.tick);
        return out;
    }

    test::TestFolder folder_{"velisto-listeditor-test"};
    const OutputDevice* device_ = nullptr; // the track's device as the cells see it
    UndoStack undo_;
    SilentPrompt prompt_;
};

TEST_F(ListEditorEditsTest, EachEditRecordsItsStepAndUndoGivesTheSameBytes)
{
    add(MidiEvent::note(0, 0, 60, 100, 120));
    add(MidiEvent::channelEvent(10, 0xE1, 0, 64));
    add(MidiEvent::channelEvent(20, 0xB0, 7, 90));
    add(MidiEvent::channelEvent(30, 0xD0, 40, 0));
    add(MidiEvent::textEvent(40, EventKind::Lyric, "la"));
    addSysex(50, "F0 41 10 42 12 40 00 04 64 58 F7");
    add(MidiEvent::note(60, 9, 36, 100, 30));
    add(MidiEvent::channelEvent(70, 0xA9, 38, 20));
    add(MidiEvent::drumNrpn(80, 9, 0, 42, 70));
    add(MidiEvent::channelEvent(90, 0x51, 1, 10));
    add(MidiEvent::channelEvent(100, 0x61, 0, 2));
    add(MidiEvent::channelEvent(110, 0xC1, 5, 0));
    add(MidiEvent::channelEvent(120, 0xB1, std::uint8_t(slotForSong(ParamKind::Controller, Cc::BankMsb)), 0));
    add(MidiEvent::channelEvent(130, 0xA0, 60, 20));
    const test::ListDevice gs(MidiMode::GS);
    device_ = &gs;

    struct Case {
        int row;
        ListColumn column;
        const char* typed; // nullptr: choose item
        int item;
        const char* undo;
    };
    const Case cases[] = {
        {0, ListColumn::Position, "0003:01:000", 0, "List editor: Tick position"},
        {0, ListColumn::Channel, "5", 0, "List editor: MIDI channel"},
        {0, ListColumn::Status, nullptr, 1, "List editor: Status byte"},
        {0, ListColumn::Key, "G#4", 0, "List editor: Key selected"},
        {0, ListColumn::Value, "12", 0, "List editor: noteon velocity"},
        {0, ListColumn::Detail, "480", 0, "List editor: Notelength"},
        {1, ListColumn::Value, "-100", 0, "List editor: Pitch bend value"},
        {2, ListColumn::Value, "3", 0, "List editor: controller value"},
        {2, ListColumn::Detail, nullptr, 4, "List editor: controller"},
        {3, ListColumn::Value, "1", 0, "List editor: Monophonic aftertouch value"},
        {4, ListColumn::Detail, "lo", 0, "List editor: META text"},
        {5, ListColumn::RawSysex, "F0 7E 7F 09 01 F7", 0, "List editor: Sysex"},
        {5, ListColumn::Value, "20", 0, "List editor: Sysex value"},
        {5, ListColumn::SysexDeviceId, "11", 0, "List editor: Sysex deviceid"},
        {5, ListColumn::SysexGsChecksum, "01", 0, "List editor: Sysex GS checksum"},
        {4, ListColumn::Status, nullptr, 5, "List editor: Status byte"}, // lyric to channel prefix
        {6, ListColumn::Key, nullptr, 40, "List editor: Key selected"},
        {7, ListColumn::Key, nullptr, 40, "List editor: Key selected"},
        {8, ListColumn::Key, nullptr, 44, "List editor: Drum NRPN key"},
        {8, ListColumn::Value, "5", 0, "List editor: drumnrpn value"},
        {8, ListColumn::Detail, nullptr, 2, "List editor: drumnrpn"},
        {9, ListColumn::Value, "99", 0, "List editor: nrpn value"},
        {9, ListColumn::Detail, nullptr, 2, "List editor: nrpn"},
        {10, ListColumn::Value, "7", 0, "List editor: rpn value"},
        {10, ListColumn::Detail, nullptr, 1, "List editor: rpn"},
        {11, ListColumn::Value, nullptr, 40, "List editor: program"},
        {12, ListColumn::Value, nullptr, 8, "List editor: Bank select"},
        {13, ListColumn::Value, "21", 0, "List editor: poly aftertouch value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.undo);
        const std::vector<std::uint8_t> before = bytes();
        const int row = c.typed ? edit(c.row, c.column, c.typed) : choose(c.row, c.column, c.item);
        ASSERT_GE(row, 0);
        ASSERT_FALSE(undo_.empty());
        EXPECT_EQ(undo_.descriptions().back(), c.undo);
        EXPECT_NE(bytes(), before) << "the edit changed the song";
        ASSERT_EQ(undo_.undo(*song_, prompt_), UndoOutcome::Undone);
        EXPECT_EQ(bytes(), before);
    }
    EXPECT_TRUE(undo_.empty());
}

TEST_F(ListEditorEditsTest, FieldsLandInTheirBytes)
{
    add(MidiEvent::note(0, 2, 60, 100, 120));
    add(MidiEvent::channelEvent(0, 0xE1, 0, 64));
    add(MidiEvent::drumNrpn(0, 9, 3, 36, 70));
    add(MidiEvent::channelEvent(0, 0xD0, 40, 0));

    EXPECT_EQ(edit(0, ListColumn::Key, "Db6"), 0);
    EXPECT_EQ(edit(0, ListColumn::Channel, "16"), 0);
    EXPECT_EQ(track().event(0).data1, 73);
    EXPECT_EQ(track().event(0).status, 0x9F);
    edit(1, ListColumn::Value, "8191");
    EXPECT_EQ(track().event(1).data1, 0x7F);
    EXPECT_EQ(track().event(1).data2, 0x7F);
    edit(1, ListColumn::Value, "-8192");
    EXPECT_EQ(track().event(1).data1, 0);
    EXPECT_EQ(track().event(1).data2, 0);
    choose(2, ListColumn::Key, 38);
    EXPECT_EQ(track().event(2).data3, 38);
    EXPECT_EQ(track().event(2).data1, 3) << "the drum NRPN keeps its slot";
    edit(3, ListColumn::Value, "99");
    EXPECT_EQ(track().event(3).data1, 99) << "channel pressure is data1";

    // A cell of another kind, or a value out of its range, changes nothing.
    const int steps = undo_.size();
    EXPECT_EQ(applyCell(*song_, test::kListTrack, 0, ListCell::Meta, CellValue{0, "x", {}}, undo_, prompt_), -1);
    EXPECT_EQ(applyCell(*song_, test::kListTrack, 1, ListCell::Pitch, CellValue{8192, {}, {}}, undo_, prompt_), -1);
    EXPECT_EQ(applyCell(*song_, test::kListTrack, 9, ListCell::Pitch, CellValue{0, {}, {}}, undo_, prompt_), -1);
    EXPECT_EQ(applyCell(*song_, test::kListTrack, 0, "frobnicate", CellValue{}, undo_, prompt_), -1);
    EXPECT_EQ(applyCell(*song_, test::kListTrack, 0, ListCell::Status, CellValue{EventKind::Lyric, {}, {}}, undo_,
                        prompt_),
              -1)
        << "a note never becomes a META event";
    EXPECT_EQ(track().event(0).kind(), EventKind::Note);
    EXPECT_EQ(undo_.size(), steps);
}

TEST_F(ListEditorEditsTest, APositionMoveGoesBehindTheEventsAtItsTick)
{
    add(MidiEvent::note(0, 0, 60, 100, 10));  // row 0, the one moved
    add(MidiEvent::note(120, 0, 61, 100, 10)); // rows 1..3 share tick 120
    add(MidiEvent::note(120, 0, 62, 100, 10));
    add(MidiEvent::note(120, 0, 63, 100, 10));
    add(MidiEvent::note(240, 0, 64, 100, 10));

    EXPECT_EQ(edit(0, ListColumn::Position, "0001:02:000"), 3);
    EXPECT_EQ(ticks(), (std::vector<int>{120, 120, 120, 120, 240}));
    EXPECT_EQ(track().event(3).data1, 60);
    EXPECT_EQ(track().event(0).data1, 61) << "the others keep their order";
    EXPECT_EQ(edit(3, ListColumn::Position, "0001:01:000"), 0);
    EXPECT_EQ(track().event(0).data1, 60);

    // Its own position again keeps the event where it is among its neighbours.
    const int steps = undo_.size();
    EXPECT_EQ(edit(2, ListColumn::Position, "0001:02:000"), 2);
    EXPECT_EQ(track().event(2).data1, 62);
    EXPECT_EQ(undo_.size(), steps);
}

TEST_F(ListEditorEditsTest, DeleteSelectsTheEventThatFollowedTheLastDeletedRow)
{
    for (int i = 0; i < 12; ++i)
        add(MidiEvent::note(i * 10, 0, 40 + i, 100, 10));
    const std::array<int, 3> rows{9, 4, 5};
    EXPECT_EQ(deleteEvents(*song_, test::kListTrack, rows, undo_, prompt_), 7);
    EXPECT_EQ(track().event(7).data1, 50) << "the old row 10";
    EXPECT_EQ(track().eventCount(), 9);
    EXPECT_EQ(undo_.descriptions().back(), kListDeleteUndoName);

    // Nothing behind the last deleted row: the new last row.
    const std::array<int, 2> tail{8, 7};
    EXPECT_EQ(deleteEvents(*song_, test::kListTrack, tail, undo_, prompt_), 6);
    // Repeats and rows outside count once or not at all; nothing left: no row.
    const std::array<int, 10> all{0, 1, 2, 3, 4, 5, 6, 6, -1, 99};
    EXPECT_EQ(deleteEvents(*song_, test::kListTrack, all, undo_, prompt_), std::nullopt);
    EXPECT_TRUE(track().empty());
    const int steps = undo_.size();
    EXPECT_EQ(deleteEvents(*song_, test::kListTrack, all, undo_, prompt_), std::nullopt);
    EXPECT_EQ(undo_.size(), steps) << "nothing deleted, nothing recorded";
}

TEST_F(ListEditorEditsTest, InsertCopiesTheRowBehindItAtItsTick)
{
    add(MidiEvent::note(0, 0, 60, 100, 10));
    add(MidiEvent::textEvent(50, EventKind::Marker, "Chorus"));
    addSysex(90, "F0 7E 7F 09 01 F7");

    EXPECT_EQ(insertEventCopy(*song_, test::kListTrack, 2, undo_, prompt_), 3) << "the last row appends";
    EXPECT_EQ(track().event(3).tick, 90);
    ASSERT_TRUE(track().event(3).sysex);
    EXPECT_TRUE(track().event(3).sysex->empty()) << "a sysex copy starts without data";
    EXPECT_EQ(*track().event(2).sysex, stored("F0 7E 7F 09 01 F7"));
    EXPECT_EQ(undo_.descriptions().back(), kListInsertUndoName);

    EXPECT_EQ(insertEventCopy(*song_, test::kListTrack, 1, undo_, prompt_), 2);
    EXPECT_EQ(track().event(2).tick, 50);
    EXPECT_EQ(*track().event(2).text, "Chorus");
    track().event(2).text->assign("Bridge");
    EXPECT_EQ(*track().event(1).text, "Chorus") << "the text is the copy's own";

    const int steps = undo_.size();
    EXPECT_EQ(insertEventCopy(*song_, test::kListTrack, -1, undo_, prompt_), std::nullopt);
    EXPECT_EQ(insertEventCopy(*song_, test::kListTrack, 5, undo_, prompt_), std::nullopt);
    EXPECT_EQ(undo_.size(), steps) << "no row selected: nothing happens";

    // The browser's message goes behind the current row, and into an empty track at 0.
    EXPECT_EQ(insertEventBehind(*song_, test::kListTrack, 0, MidiEvent::sysexEvent(999, stored("F0 F7")), undo_,
                                prompt_),
              1);
    EXPECT_EQ(track().event(1).tick, 0);
    EXPECT_EQ(insertEventBehind(*song_, 7, -1, MidiEvent::sysexEvent(999, stored("F0 F7")), undo_, prompt_), 0);
    EXPECT_EQ(song_->tracks[7].event(0).tick, 0);
}

TEST(ListEditorStatusTest, AKindChangeKeepsTheRecordValid)
{
    MidiEvent note = MidiEvent::note(0, 4, 90, 100, 33);
    ASSERT_TRUE(changeEventKind(note, EventKind::Controller, 0));
    EXPECT_EQ(note.status, 0xB4);
    EXPECT_EQ(note.data1, 0) << "key 90 is no controller slot";
    EXPECT_EQ(note.data2, 100);
    ASSERT_TRUE(changeEventKind(note, EventKind::DrumNrpn, 0));
    note.data3 = 40;
    ASSERT_TRUE(changeEventKind(note, EventKind::Note, 0));
    EXPECT_EQ(note.data3, kNoDrumKey);
    EXPECT_EQ(note.length, kDefaultEventLength);

    MidiEvent pressure = MidiEvent::channelEvent(0, 0xD0, 50, 0);
    ASSERT_TRUE(changeEventKind(pressure, EventKind::Note, 0));
    EXPECT_EQ(pressure.data2, 100) << "velocity 0 is no note on";
    MidiEvent bend = MidiEvent::channelEvent(0, 0xE0, 5, 70);
    ASSERT_TRUE(changeEventKind(bend, EventKind::ProgramChange, 0));
    EXPECT_EQ(bend.data1, 5);
    EXPECT_EQ(bend.data2, 0);
    ASSERT_TRUE(changeEventKind(bend, EventKind::Rpn, 0));
    EXPECT_EQ(bend.data1, 0) << "program 5 is no RPN slot";

    MidiEvent text = MidiEvent::textEvent(0, EventKind::Lyric, "oh");
    EXPECT_FALSE(changeEventKind(text, EventKind::Note, 0));
    EXPECT_EQ(text.status, EventKind::Lyric);
    ASSERT_TRUE(changeEventKind(text, EventKind::CuePoint, 0));
    EXPECT_EQ(*text.text, "oh");
    ASSERT_TRUE(changeEventKind(text, EventKind::ChannelPrefix, 6));
    EXPECT_EQ(text.status, 0x16);
    EXPECT_FALSE(text.text);
    ASSERT_TRUE(changeEventKind(text, EventKind::Marker, 6));
    ASSERT_TRUE(text.text);
    EXPECT_EQ(*text.text, "");

    MidiEvent sysex = MidiEvent::sysexEvent(0, stored("F0 7E 7F 09 01 F7"));
    EXPECT_FALSE(changeEventKind(sysex, EventKind::Marker, 0));
    EXPECT_FALSE(changeEventKind(note, EventKind::Sysex, 0));
    EXPECT_FALSE(changeEventKind(note, 0x30, 0));
}

TEST(ListEditorRowsTest, RowAtTickAndEditability)
{
    Track track;
    EXPECT_EQ(rowAtTick(track, 0), -1);
    for (const int tick : {0, 10, 10, 10, 30})
        track.insertSorted(MidiEvent::note(tick, 0, 60, 100, 5), track.eventCount());
    EXPECT_EQ(rowAtTick(track, -5), 0);
    EXPECT_EQ(rowAtTick(track, 5), 1);
    EXPECT_EQ(rowAtTick(track, 10), 1) << "the first of several at the tick";
    EXPECT_EQ(rowAtTick(track, 11), 4);
    EXPECT_EQ(rowAtTick(track, 31), 4) << "behind the last event: the last row";

    EXPECT_TRUE(listEditorEditable(false, false));
    EXPECT_FALSE(listEditorEditable(true, false)) << "playback reads the arrays an edit changes";
    EXPECT_FALSE(listEditorEditable(true, true));
}

} // namespace
} // namespace velisto
