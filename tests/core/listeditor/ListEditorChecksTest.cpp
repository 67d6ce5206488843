#include "listeditor/ListEditorChecks.h"

#include "ListEditorTestSupport.h"
#include "midi/SysexEdit.h"

#include "song/TextFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>

namespace velisto {
namespace {

using test::stored;

class ListEditorChecksTest : public ::testing::Test, protected test::ListEditorFixture {
protected:
    CellCheck check(int row, ListColumn column, std::string_view typed) { return checkCell(context(), row, column, typed); }
    void expectRefused(const CellCheck& result, std::string_view message, std::string_view title = {})
    {
        EXPECT_FALSE(result.passed());
        EXPECT_EQ(result.message, message);
        EXPECT_EQ(result.title, title);
    }
};

TEST_F(ListEditorChecksTest, PitchBendVelocityChannelAndValueRanges)
{
    add(MidiEvent::channelEvent(0, 0xE0, 0, 64));
    add(MidiEvent::note(0, 0, 60, 100, 120));
    add(MidiEvent::channelEvent(0, 0xB0, 7, 100));
    add(MidiEvent::channelEvent(0, 0xD0, 7, 0));

    expectRefused(check(0, ListColumn::Value, "8192"), ListEditorMessage::PitchBend, ListEditorMessage::PitchBendTitle);
    expectRefused(check(0, ListColumn::Value, "-8193"), ListEditorMessage::PitchBend,
                  ListEditorMessage::PitchBendTitle);
    expectRefused(check(0, ListColumn::Value, "12a"), ListEditorMessage::PitchBend, ListEditorMessage::PitchBendTitle);
    EXPECT_TRUE(check(0, ListColumn::Value, "8191").passed());
    EXPECT_EQ(check(0, ListColumn::Value, "8191").value.number, 8191);
    EXPECT_EQ(check(0, ListColumn::Value, " -8192 ").value.number, -8192);

    expectRefused(check(1, ListColumn::Value, "0"), "Please enter a value between 1 and 127");
    EXPECT_EQ(check(1, ListColumn::Value, "127").value.number, 127);
    expectRefused(check(2, ListColumn::Value, "128"), "Please enter a value between 0 and 127");
    EXPECT_EQ(check(2, ListColumn::Value, "0").value.number, 0);
    expectRefused(check(3, ListColumn::Value, "-1"), "Please enter a value between 0 and 127");

    expectRefused(check(1, ListColumn::Channel, "17"), "Please enter a value between 1 and 16");
    expectRefused(check(1, ListColumn::Channel, "0"), "Please enter a value between 1 and 16");
    EXPECT_EQ(check(1, ListColumn::Channel, "16").value.number, 15);

    expectRefused(check(1, ListColumn::Detail, "0"), ListEditorMessage::NoteLength);
    EXPECT_EQ(check(1, ListColumn::Detail, "60 Eight").value.number, 60);
    EXPECT_EQ(checkCellChoice(context(), 1, ListColumn::Detail, 3).value.number, 120) << "\"120 Quarter\"";
    expectRefused(check(1, ListColumn::Range, "1"), "This cell cannot be edited.");
}

TEST_F(ListEditorChecksTest, PositionsAndKeys)
{
    add(MidiEvent::note(0, 0, 60, 100, 120));
    song_->setKey(960, 0, 0);
    add(MidiEvent::note(960, 0, 60, 100, 120));

    EXPECT_EQ(check(0, ListColumn::Position, "0002:03:010").value.number, 480 + 240 + 10);
    EXPECT_EQ(check(0, ListColumn::Position, "2:3").value.number, 480 + 240) << "one colon: measure and beat";
    expectRefused(check(0, ListColumn::Position, "0002:05:000"), "beat maximum is 4",
                  ListEditorMessage::PositionTitle);
    expectRefused(check(0, ListColumn::Position, "0:1:0"), "measure minimum is 1", ListEditorMessage::PositionTitle);

    EXPECT_EQ(check(0, ListColumn::Key, "C#5").value.number, 61);
    EXPECT_EQ(check(0, ListColumn::Key, "Db5").value.number, 61);
    expectRefused(check(0, ListColumn::Key, "H5"), ListEditorMessage::MajorKeys, ListEditorMessage::MajorKeysTitle);
    expectRefused(check(1, ListColumn::Key, "G11"), ListEditorMessage::MinorKeys, ListEditorMessage::MinorKeysTitle);
}

TEST_F(ListEditorChecksTest, CombosTakeTheirEntries)
{
    add(MidiEvent::note(0, 0, 60, 100, 120));
    add(MidiEvent::channelEvent(0, 0xC0, 5, 0));

    const CellCheck status = checkCellChoice(context(), 0, ListColumn::Status, 7);
    EXPECT_EQ(status.value.number, EventKind::PitchBend);
    EXPECT_EQ(check(0, ListColumn::Status, "Drum NRPN").value.number, EventKind::DrumNrpn);
    expectRefused(check(0, ListColumn::Status, "META Lyric"), SysexEditMessage::NoItem);
    expectRefused(checkCellChoice(context(), 0, ListColumn::Status, 9), SysexEditMessage::NoItem);
    expectRefused(checkCellChoice(context(), 0, ListColumn::Status, -1), SysexEditMessage::NoItem);
    EXPECT_EQ(check(1, ListColumn::Detail, "Church Organ").value.number, 19);
    EXPECT_EQ(checkCellChoice(context(), 0, ListColumn::Key, 3).value.number, 3) << "a key from the list";
    expectRefused(checkCellChoice(context(), 0, ListColumn::Range, 0), "This cell cannot be edited.");
}

TEST(ListEditorRawSysexTest, StrictParser)
{
    EXPECT_EQ(parseRawSysex("F0 3E 48 1A 44 F7"), stored("F0 3E 48 1A 44 F7"));
    EXPECT_EQ(parseRawSysex("  f0 7e 7f 09 01 f7 "), stored("F0 7E 7F 09 01 F7"));
    EXPECT_EQ(parseRawSysex("F0 F7"), std::vector<std::uint8_t>{0xF7});
    for (const char* bad : {
             "",                         // nothing
             "F0",                       // no end
             "3E 48 F7",                 // no F0
             "F0 3E 48",                 // no F7
             "F0 3E F7 48 F7",           // inner F7: the writer would cut the message there
             "F0 3E 80 F7",              // a status byte on the wire
             "F0 3E F0 F7",              // ... the start of another message
             "F0  3E F7",                // two blanks
             "F0 3E\t48 F7",             // not a blank
             "F0 3 E F7",                // half bytes
             "F0 3E4 F7",                // three digits
             "F0 3G F7",                 // no hex digit
         })
        EXPECT_FALSE(parseRawSysex(bad)) << '"' << bad << '"';
}

TEST(ListEditorRawSysexTest, ReadsBackWhatTheRawColumnShowsWhenItIsOneMessage)
{
    std::mt19937 random(5);
    const std::uint8_t pool[] = {0x00, 0x10, 0x41, 0x7F, 0x80, 0xF0, 0xF7, 0xFF};
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(1 + random() % 8);
        for (std::uint8_t& b : bytes)
            b = random() % 3 == 0 ? pool[random() % std::size(pool)] : static_cast<std::uint8_t>(random() % 0x80);
        if (random() % 2 == 0)
            bytes.back() = 0xF7;
        const bool oneMessage =
            bytes.back() == 0xF7 && std::all_of(bytes.begin(), bytes.end() - 1, [](std::uint8_t b) { return b <= 0x7F; });
        const std::optional<std::vector<std::uint8_t>> parsed = parseRawSysex(sysexText(bytes));
        ASSERT_EQ(parsed.has_value(), oneMessage) << sysexText(bytes);
        if (parsed) {
            EXPECT_EQ(*parsed, bytes);
        }
    }
}

TEST_F(ListEditorChecksTest, SysexCellsGiveTheNewBytes)
{
    addSysex(0, "F0 41 10 42 12 40 00 04 64 58 F7"); // GS master volume
    addSysex(0, "F0 7E 7F 09 01 F7");                // GM mode

    expectRefused(check(0, ListColumn::RawSysex, "F0 41 10 F7 F7"), ListEditorMessage::RawSysex);
    EXPECT_EQ(check(0, ListColumn::RawSysex, "F0 41 10 42 F7").value.sysex, stored("F0 41 10 42 F7"));

    // A new value re-encodes the message and its checksum.
    const CellCheck volume = check(0, ListColumn::Value, "127");
    ASSERT_TRUE(volume.passed()) << volume.message;
    EXPECT_EQ(volume.value.sysex, stored("F0 41 10 42 12 40 00 04 7F 3D F7"));
    expectRefused(check(0, ListColumn::Value, "128"), "Wrong value. Minimum is 0, Maximum is 127");

    EXPECT_EQ(check(1, ListColumn::Value, "Enter GM2").value.sysex, stored("F0 7E 7F 09 03 F7"));
    EXPECT_EQ(checkCellChoice(context(), 1, ListColumn::Value, 1).value.sysex, stored("F0 7E 7F 09 02 F7"));
    expectRefused(checkCellChoice(context(), 1, ListColumn::Value, 3), SysexEditMessage::NoItem);

    EXPECT_EQ(check(0, ListColumn::SysexDeviceId, "1f").value.sysex, stored("F0 41 1F 42 12 40 00 04 64 58 F7"));
    EXPECT_EQ(check(1, ListColumn::SysexDeviceId, "7F").value.sysex, stored("F0 7E 7F 09 01 F7"));
    expectRefused(check(0, ListColumn::SysexDeviceId, "80"), ListEditorMessage::Maximum7F);
    expectRefused(check(0, ListColumn::SysexDeviceId, "107"), ListEditorMessage::Maximum7F);
    expectRefused(check(0, ListColumn::SysexDeviceId, "1G"), ListEditorMessage::HexChars);
    expectRefused(check(0, ListColumn::SysexDeviceId, ""), ListEditorMessage::HexChars);
}

TEST_F(ListEditorChecksTest, GsChecksumIsTypedOrRecomputed)
{
    addSysex(0, "F0 41 10 42 12 40 00 04 64 00 F7");
    EXPECT_EQ(check(0, ListColumn::SysexGsChecksum, "").value.sysex, stored("F0 41 10 42 12 40 00 04 64 58 F7"));
    EXPECT_EQ(check(0, ListColumn::SysexGsChecksum, "3a").value.sysex, stored("F0 41 10 42 12 40 00 04 64 3A F7"));
    expectRefused(check(0, ListColumn::SysexGsChecksum, "80"), ListEditorMessage::Maximum7F);
    expectRefused(check(0, ListColumn::SysexGsChecksum, "FF"), ListEditorMessage::Maximum7F);
    for (const char* bad : {"5", "123", "xy"})
        expectRefused(check(0, ListColumn::SysexGsChecksum, bad), ListEditorMessage::GsChecksum);
}

TEST(ListEditorGlobalParameterControlTest, RefusedWithoutGm2OrSlotPaths)
{
    test::ListDevice device(MidiMode::GM2);
    EXPECT_TRUE(checkGlobalParameterControl(&device).passed());
    device.slotPaths.clear();
    const CellCheck noPaths = checkGlobalParameterControl(&device);
    EXPECT_EQ(noPaths.message, "No slotpathes defined for device 'Test synth'.");
    EXPECT_EQ(noPaths.title, "List editor");
    device.gm2Supported = false;
    EXPECT_EQ(checkGlobalParameterControl(&device).message,
              "Global parameter control only editable if device 'Test synth' would support MIDI mode GM2.");
    EXPECT_EQ(checkGlobalParameterControl(nullptr).message,
              "Global parameter control only editable if device 'no MIDI Output device' would support MIDI mode "
              "GM2.");
}

} // namespace
} // namespace velisto
