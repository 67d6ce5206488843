#include "listeditor/ListEditorCells.h"

#include "ListEditorTestSupport.h"
#include "midi/MidiStandardNames.h"
#include "song/TextFormat.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::ListDevice;

class ListEditorCellsTest : public ::testing::Test, protected test::ListEditorFixture {
protected:
    std::string text(int row, ListColumn column, const OutputDevice* device = nullptr)
    {
        return cellText(context(device), row, column);
    }
};

TEST(ListEditorColumnsTest, HeadersWidthsAndStatusTexts)
{
    const char* headers[] = {"Meas:Beat:Tick", "Ch.",       "Status",    "Key",      "Value",        "Range",
                             "Details", "Raw Sysex", "Syx DevId", "Syx ModId", "Syx GS Checks"};
    const int defaults[] = {90, 40, 140, 220, 100, 120, 120, 180, 70, 70, 70};
    for (int i = 0; i < kListColumnCount; ++i) {
        EXPECT_EQ(listColumnHeader(listColumnAt(i)), headers[i]);
        EXPECT_EQ(listColumnDefaultWidth(listColumnAt(i)), defaults[i]);
    }
    EXPECT_EQ(listColumnWidthKey(ListColumn::Position), "listeditorcellwidth0");
    EXPECT_EQ(listColumnWidthKey(ListColumn::RawSysex), "listeditorcellwidth8");
    EXPECT_EQ(listColumnWidthKey(ListColumn::SysexGsChecksum), "listeditorcellwidth11");
    // A default width grows to its header; a chosen one stays, narrower or not.
    EXPECT_EQ(listColumnShownWidth(ListColumn::Position, 90, 104), 104);
    EXPECT_EQ(listColumnShownWidth(ListColumn::Position, 90, 60), 90);
    EXPECT_EQ(listColumnShownWidth(ListColumn::Position, 50, 104), 50);

    EXPECT_EQ(eventStatusText(0x93), "Note on");
    EXPECT_EQ(eventStatusText(0x2F), "Drum NRPN");
    EXPECT_EQ(eventStatusText(0x40), "Sysex");
    EXPECT_EQ(eventStatusText(0x1A), "META Channel prefix");
    EXPECT_EQ(eventStatusText(0x77), "META Device name");
    // Neighbours of the whole-byte kinds and the gaps between kinds are no kind.
    for (const std::uint8_t bad : {0x00, 0x0F, 0x30, 0x41, 0x78, 0x7F, 0xF0, 0xFF})
        EXPECT_EQ(eventStatusText(bad), "intern err") << int(bad);
    EXPECT_EQ(statusChoicesFor(0x95).size(), 9u);
    EXPECT_EQ(statusChoicesFor(0x12).size(), 9u);
    EXPECT_TRUE(statusChoicesFor(0x40).empty());
    EXPECT_TRUE(statusChoicesFor(0x30).empty());
}

TEST_F(ListEditorCellsTest, NoteKeysAreSpelledByTheKeyModeAtTheEvent)
{
    song_->setKey(480, -3, 0); // C minor from measure 2
    add(MidiEvent::note(0, 0, 61, 90, 60));
    add(MidiEvent::note(480, 0, 61, 90, 240));
    add(MidiEvent::channelEvent(500, 0xA0, 70, 33));

    EXPECT_EQ(text(0, ListColumn::Position), "0001:01:000");
    EXPECT_EQ(text(1, ListColumn::Position), "0002:01:000");
    EXPECT_EQ(text(0, ListColumn::Channel), "1");
    EXPECT_EQ(text(0, ListColumn::Status), "Note on");
    EXPECT_EQ(text(0, ListColumn::Key), "C#5");
    EXPECT_EQ(text(1, ListColumn::Key), "Db5");
    EXPECT_EQ(text(2, ListColumn::Key), "Bb5");
    EXPECT_EQ(text(0, ListColumn::Value), "90");
    EXPECT_EQ(text(0, ListColumn::Range), "1 to 127");
    EXPECT_EQ(text(2, ListColumn::Range), "0 to 127");
    EXPECT_EQ(text(1, ListColumn::Detail), "240");
    EXPECT_EQ(text(0, ListColumn::RawSysex), "");

    const auto major = cellEditor(context(), 0, ListColumn::Key);
    ASSERT_TRUE(major);
    EXPECT_EQ(major->name, "majorkey");
    EXPECT_EQ(major->kind, CellEditKind::Combo);
    EXPECT_TRUE(major->typable);
    EXPECT_EQ(major->current, "C#5");
    EXPECT_EQ(major->currentItem, 61);
    ASSERT_EQ(major->choices.size(), 128u);
    EXPECT_EQ(major->choices[70], "A#5");
    const auto minor = cellEditor(context(), 2, ListColumn::Key);
    ASSERT_TRUE(minor);
    EXPECT_EQ(minor->name, "minorkey");
    EXPECT_EQ(minor->current, "Bb5");
    EXPECT_EQ(minor->choices[61], "Db5");
    EXPECT_FALSE(cellEditor(context(), 0, ListColumn::Range));
    EXPECT_FALSE(cellEditor(context(), 5, ListColumn::Position)) << "no row";
    EXPECT_EQ(text(5, ListColumn::Position), "");
}

TEST_F(ListEditorCellsTest, DrumChannelKeysAreDrumNamesChosenFromTheKit)
{
    const ListDevice gm(MidiMode::GM);
    add(MidiEvent::note(0, 9, 36, 100, 30));
    add(MidiEvent::channelEvent(0, 0xA9, 38, 20));
    add(MidiEvent::drumNrpn(0, 9, 0, 42, 70));
    add(MidiEvent::note(0, 0, 36, 100, 30));

    EXPECT_EQ(text(0, ListColumn::Key, &gm), "Bass Drum 1");
    EXPECT_EQ(text(1, ListColumn::Key, &gm), "Acoustic Snare");
    EXPECT_EQ(text(2, ListColumn::Key, &gm), "Closed Hi Hat");
    EXPECT_EQ(text(3, ListColumn::Key, &gm), "C3") << "channel 1 plays no drums";
    EXPECT_EQ(text(2, ListColumn::Status, &gm), "Drum NRPN");
    EXPECT_EQ(text(2, ListColumn::Value, &gm), "70");

    const auto drum = cellEditor(context(&gm), 0, ListColumn::Key);
    ASSERT_TRUE(drum);
    EXPECT_EQ(drum->name, "noteon drumkey");
    EXPECT_EQ(drum->kind, CellEditKind::Combo);
    ASSERT_EQ(drum->choices.size(), 128u);
    EXPECT_EQ(drum->currentItem, 36);
    EXPECT_EQ(drum->current, "Bass Drum 1");
    EXPECT_EQ(drum->choices[0], "C0") << "a key without a sound keeps its note name";
    EXPECT_EQ(cellEditor(context(&gm), 1, ListColumn::Key)->name, "keypressure drumkey");
    const auto nrpnKey = cellEditor(context(&gm), 2, ListColumn::Key);
    ASSERT_TRUE(nrpnKey);
    EXPECT_EQ(nrpnKey->name, "drumnrpnkey");
    EXPECT_EQ(nrpnKey->currentItem, 42);
}

TEST_F(ListEditorCellsTest, ChannelKindsShowValueRangeAndParameter)
{
    const int volume = slotForSong(ParamKind::Controller, Cc::Volume);
    add(MidiEvent::channelEvent(0, 0xE2, 0x00, 0x00));         // -8192
    add(MidiEvent::channelEvent(0, 0xE2, 0x00, 0x40));         // 0
    add(MidiEvent::channelEvent(0, 0xE2, 0x7F, 0x7F));         // 8191
    add(MidiEvent::channelEvent(0, 0xB2, std::uint8_t(volume), 100));
    add(MidiEvent::channelEvent(0, 0xC2, 24, 0));
    add(MidiEvent::channelEvent(0, 0xD2, 55, 0));
    add(MidiEvent::textEvent(0, EventKind::Marker, "Verse"));
    add(MidiEvent::channelEvent(0, 0x15, 0, 0));

    EXPECT_EQ(text(0, ListColumn::Value), "-8192");
    EXPECT_EQ(text(1, ListColumn::Value), "0");
    EXPECT_EQ(text(2, ListColumn::Value), "8191");
    EXPECT_EQ(text(2, ListColumn::Range), "-8192 to 8191");
    EXPECT_EQ(text(2, ListColumn::Channel), "3");
    EXPECT_EQ(cellEditor(context(), 2, ListColumn::Value)->name, "pitch");
    EXPECT_EQ(cellEditor(context(), 2, ListColumn::Value)->current, "8191");

    EXPECT_EQ(text(3, ListColumn::Status), "Control change");
    EXPECT_EQ(text(3, ListColumn::Value), "100");
    EXPECT_EQ(text(3, ListColumn::Detail), "Main Volume MSB");
    const auto controller = cellEditor(context(), 3, ListColumn::Detail);
    ASSERT_TRUE(controller);
    EXPECT_EQ(controller->name, "controller");
    EXPECT_EQ(controller->currentItem, volume);
    EXPECT_EQ(controller->current, "Main Volume MSB");
    EXPECT_EQ(cellEditor(context(), 3, ListColumn::Value)->name, "controller value");

    EXPECT_EQ(text(4, ListColumn::Value), "24");
    EXPECT_EQ(text(4, ListColumn::Detail), "Acoustic Guitar (nylon)");
    EXPECT_EQ(cellEditor(context(), 4, ListColumn::Detail)->name, "program");
    EXPECT_EQ(text(5, ListColumn::Status), "Monophonic aftertouch");
    EXPECT_EQ(text(5, ListColumn::Value), "55");
    EXPECT_EQ(cellEditor(context(), 5, ListColumn::Value)->name, "channelpressurevalue");

    EXPECT_EQ(text(6, ListColumn::Detail), "Verse");
    EXPECT_EQ(text(6, ListColumn::Channel), "");
    EXPECT_EQ(cellEditor(context(), 6, ListColumn::Detail)->name, "meta");
    EXPECT_FALSE(cellEditor(context(), 6, ListColumn::Channel));
    EXPECT_EQ(text(7, ListColumn::Status), "META Channel prefix");
    EXPECT_EQ(text(7, ListColumn::Channel), "6");

    const auto status = cellEditor(context(), 6, ListColumn::Status);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->choices.front(), "META Lyric");
    EXPECT_EQ(status->current, "META Marker");
    EXPECT_EQ(status->currentItem, 1);
}

TEST_F(ListEditorCellsTest, BankSelectOnAGsDeviceChoosesAVariationTone)
{
    const ListDevice gs(MidiMode::GS);
    ListDevice plain(MidiMode::GM);
    plain.gsSupported = false;
    add(MidiEvent::channelEvent(0, 0xB0, std::uint8_t(slotForSong(ParamKind::Controller, Cc::BankMsb)), 8));
    const auto bank = cellEditor(context(&gs), 0, ListColumn::Value);
    ASSERT_TRUE(bank);
    EXPECT_EQ(bank->name, "bankselect");
    EXPECT_EQ(bank->kind, CellEditKind::Combo);
    EXPECT_EQ(bank->currentItem, 8);
    EXPECT_EQ(bank->current, gsVariationToneName(8));
    EXPECT_EQ(cellEditor(context(&plain), 0, ListColumn::Value)->name, "controller value");
}

TEST_F(ListEditorCellsTest, SysexRowsShowTheDecodersTexts)
{
    const ListDevice gm(MidiMode::GM);
    addSysex(0, "F0 41 10 42 12 40 00 7F 00 41 F7");       // GS reset
    addSysex(0, "F0 41 10 42 12 40 00 04 64 42 F7");       // GS master volume, checksum wrong
    addSysex(0, "F0 43 10 4C 00 00 7E 00 F7");             // XG System On
    addSysex(0, "F0 7E 7F 09 03 F7");                      // GM2 System On
    addSysex(0, "F0 41 10 42 12 40 7F 7F 00 42 F7");       // no such GS address
    addSysex(0, "F0 41 10 42 12 40 11 02 00 2D F7");       // part 1 midi channel
    addSysex(0, "F0 43 10 4C 08 00 0B 64 F7");             // XG part 1 volume
    add(MidiEvent::channelEvent(0, 0x35, 1, 2));           // a status of no kind

    const ListEditorContext c = context(&gm);
    const DecodedRow reset = decodeRow(c, 0);
    ASSERT_TRUE(reset.sysex);
    EXPECT_EQ(cellText(c, 0, ListColumn::Status, reset), "Sysex");
    EXPECT_EQ(cellText(c, 0, ListColumn::Channel, reset), "");
    EXPECT_EQ(cellText(c, 0, ListColumn::Detail, reset), "mode");
    EXPECT_EQ(cellText(c, 0, ListColumn::Value, reset), "reset (on)");
    EXPECT_EQ(cellText(c, 0, ListColumn::RawSysex, reset), "F0 41 10 42 12 40 00 7F 00 41 F7");
    EXPECT_EQ(cellText(c, 0, ListColumn::SysexDeviceId, reset), "10");
    EXPECT_EQ(cellText(c, 0, ListColumn::SysexModelId, reset), "GS 42");
    EXPECT_EQ(cellText(c, 0, ListColumn::SysexGsChecksum, reset), "41 ok");

    EXPECT_EQ(cellText(c, 1, ListColumn::SysexGsChecksum), "42 wrong, expected 58");
    EXPECT_EQ(cellText(c, 1, ListColumn::Detail), "master volume *unsupported in GM*");

    EXPECT_EQ(cellText(c, 2, ListColumn::Detail), "mode");
    EXPECT_EQ(cellText(c, 2, ListColumn::Value), "reset");
    EXPECT_EQ(cellText(c, 2, ListColumn::SysexModelId), "XG 4C");
    EXPECT_EQ(cellText(c, 2, ListColumn::SysexGsChecksum), "");

    EXPECT_EQ(cellText(c, 3, ListColumn::Detail), "GM mode");
    EXPECT_EQ(cellText(c, 3, ListColumn::Value), "Enter GM2");
    EXPECT_EQ(cellText(c, 3, ListColumn::SysexDeviceId), "7F");
    EXPECT_EQ(cellText(c, 3, ListColumn::SysexModelId), "");

    EXPECT_EQ(cellText(c, 4, ListColumn::Detail), "<unknown GS sysex-address> *unsupported in GM*");

    EXPECT_EQ(cellText(c, 5, ListColumn::Detail), "part 1 midi channel *unsupported in GM*");
    EXPECT_EQ(cellText(c, 5, ListColumn::Value), "Channel 1");

    EXPECT_EQ(cellText(c, 6, ListColumn::Detail), "part 1 volume *unsupported in GM*");
    EXPECT_EQ(cellText(c, 6, ListColumn::SysexDeviceId), "10");
    const ListDevice xg(MidiMode::XG);
    EXPECT_EQ(cellText(context(&xg), 6, ListColumn::Detail), "part 1 volume");
    EXPECT_EQ(cellText(context(&xg), 5, ListColumn::Detail), "part 1 midi channel *unsupported in XG*");

    EXPECT_EQ(cellText(c, 7, ListColumn::Status), "intern err");
    EXPECT_EQ(cellText(c, 7, ListColumn::Channel), "");
    for (int column = 0; column < kListColumnCount; ++column)
        EXPECT_FALSE(cellEditor(c, 7, listColumnAt(column)) && column != 0) << "only its position moves";

    // A row the caller decoded for another purpose is not decoded again: the texts only
    // read what it holds.
    const DecodedRow none;
    EXPECT_EQ(cellText(c, 0, ListColumn::Detail, none), "");
    EXPECT_EQ(cellText(c, 0, ListColumn::RawSysex, none), "F0 41 10 42 12 40 00 7F 00 41 F7");
}

TEST_F(ListEditorCellsTest, SysexEditorsFollowTheDecodedEditingKind)
{
    addSysex(0, "F0 41 10 42 12 40 00 04 64 58 F7");       // master volume: edit
    addSysex(0, "F0 7E 7F 09 01 F7");                      // GM mode: combo
    addSysex(0, "F0 41 10 42 12 40 11 00 08 19 0E F7");    // tone number: dialog
    addSysex(0, "F0 41 10 42 12 40 00 F7");                // too short: no value
    addSysex(0, "F0 7E 7F 09 01 00 F7");                   // wrong length
    const ListEditorContext c = context();

    const auto edit = cellEditor(c, 0, ListColumn::Value);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->name, "sysexvalue");
    EXPECT_EQ(edit->kind, CellEditKind::Edit);
    EXPECT_EQ(edit->current, "100");
    const auto checksum = cellEditor(c, 0, ListColumn::SysexGsChecksum);
    ASSERT_TRUE(checksum);
    EXPECT_EQ(checksum->name, "sysexgschecksum");
    EXPECT_EQ(checksum->current, "58");
    EXPECT_EQ(cellEditor(c, 0, ListColumn::SysexDeviceId)->current, "10");
    EXPECT_EQ(cellEditor(c, 0, ListColumn::RawSysex)->name, "rawsysex");
    EXPECT_FALSE(cellEditor(c, 0, ListColumn::SysexModelId));
    EXPECT_FALSE(cellEditor(c, 0, ListColumn::Status)) << "a sysex row keeps its kind";

    const auto combo = cellEditor(c, 1, ListColumn::Value);
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->kind, CellEditKind::Combo);
    EXPECT_EQ(combo->choices, (std::vector<std::string>{"Enter GM", "Exit", "Enter GM2"}));
    EXPECT_EQ(combo->currentItem, 0);
    EXPECT_FALSE(cellEditor(c, 1, ListColumn::SysexGsChecksum));

    const auto dialog = cellEditor(c, 2, ListColumn::Value);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->kind, CellEditKind::Dialog);
    EXPECT_EQ(dialog->dialog, SysexEditKind::GsToneNumber);

    EXPECT_FALSE(cellEditor(c, 3, ListColumn::Value));
    EXPECT_FALSE(cellEditor(c, 3, ListColumn::SysexGsChecksum)) << "not checked: nothing to edit";
    EXPECT_FALSE(cellEditor(c, 4, ListColumn::Value));
    EXPECT_TRUE(cellEditor(c, 4, ListColumn::RawSysex)) << "raw bytes always mend a broken message";
}

} // namespace
} // namespace velisto
