#include "midi/SysexDecoder.h"

#include "SysexTestSupport.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"
#include "midi/SysexEdit.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::stored;

DecodedSysex decode(std::string_view hex, const OutputDevice* device = nullptr, int variationType = -1)
{
    return decodeSysex(stored(hex), device, -1, variationType);
}

// A receiver that speaks GM2 with the two default Global Parameter Control slot paths.
struct Gm2Device : OutputDevice {
    Gm2Device() : OutputDevice(2, "GM2 synth")
    {
        gm2Supported = true;
        slotPaths = defaultSlotPaths();
    }
};

TEST(SysexDecoderTest, GmModeMessageEntersGmAndRefusesOtherValues)
{
    const DecodedSysex gm = decode("F0 7E 7F 09 01 F7");
    EXPECT_EQ(gm.familyText(), "Universal non-realtime");
    EXPECT_TRUE(gm.universalNonRealtime);
    EXPECT_FALSE(gm.universalRealtime || gm.gs || gm.xg);
    EXPECT_EQ(gm.deviceId, "7F");
    EXPECT_EQ(gm.subIds, "09 01");
    EXPECT_EQ(gm.description, "GM mode");
    EXPECT_EQ(gm.valueText, "Enter GM");
    EXPECT_EQ(sysexEditKindText(gm.editKind), "combo");
    EXPECT_EQ(gm.choices, "Enter GM\\Exit\\Enter GM2\\");
    EXPECT_EQ(gm.modeMessage, SysexModeMessage::Gm);
    EXPECT_EQ(gm.modeValue, 1);
    EXPECT_TRUE(gm.error.empty());
    EXPECT_EQ(checkSysexValue(gm, "4").error, "Allowed are 1, 2 or 3.");
    EXPECT_EQ(decode("F0 7E 10 09 03 F7").valueText, "Enter GM2");

    const DecodedSysex four = decode("F0 7E 7F 09 04 F7");
    EXPECT_TRUE(four.wrongValueBytes);
    EXPECT_EQ(four.wrongValueDetail, "Allowed are 1, 2 or 3.");
    EXPECT_TRUE(four.error.empty()) << "a wrong value is a flag, not a detail-column error";

    for (const char* hex : {"F0 7E 7F 09 F7", "F0 7E 7F 09 01 00 F7", "F0 7E 7F 09 01"}) {
        const DecodedSysex wrong = decode(hex);
        EXPECT_TRUE(wrong.wrongTotalLength) << hex;
        EXPECT_EQ(wrong.error, SysexError::WrongLength) << hex;
        EXPECT_EQ(wrong.modeMessage, SysexModeMessage::None) << hex << ": a broken message changes no mode";
    }
    EXPECT_EQ(decode("F0 7E 7F 08 01 F7").error, SysexError::UnknownNonRealtime);
}

TEST(SysexDecoderTest, UnrecognisedAndTooShortMessagesAreNotMatched)
{
    EXPECT_EQ(decode("F0 44 10 20 F7").error, "<not matched>");
    EXPECT_TRUE(decode("F0 44 10 20 F7").familyText().empty());
    EXPECT_EQ(decode("F0 7E F7").error, "<not matched>") << "shorter than 3 bytes";
    EXPECT_EQ(decode("F0 F7").error, "<not matched>");
    EXPECT_EQ(decode("F0").error, "<not matched>");
    const DecodedSysex roland = decode("F0 41 10 16 12 00 00 00 00 F7");
    EXPECT_EQ(roland.familyText(), "Roland");
    EXPECT_EQ(roland.modelId, "16");
    EXPECT_FALSE(roland.gs) << "only model 42 is GS";
    EXPECT_EQ(roland.error, "<not matched>");
    EXPECT_EQ(decode("F0 7F 7F 04 F7").error, SysexError::WrongLength);
    EXPECT_EQ(decode("F0 7F 7F 04 02 00 64 F7").error, SysexError::UnknownRealtime);
}

TEST(SysexDecoderTest, LengthEndsAtTheFirstF7AndNothingBeyondIsRead)
{
    const DecodedSysex trailing = decode("F0 7E 7F 09 03 F7 41 10 42");
    EXPECT_EQ(trailing.length, 5u);
    EXPECT_EQ(trailing.valueText, "Enter GM2");
    EXPECT_TRUE(trailing.error.empty());

    // An F7 inside the data ends the message early: the GS row then lacks its bytes.
    const DecodedSysex early = decode("F0 41 10 42 12 40 00 04 F7 64 58 F7");
    EXPECT_EQ(early.length, 8u);
    EXPECT_TRUE(early.wrongTotalLength);
}

TEST(SysexDecoderTest, GsResetChecksumRightAndWrong)
{
    const DecodedSysex reset = decode("F0 41 10 42 12 40 00 7F 00 41 F7");
    EXPECT_EQ(reset.familyText(), "Roland");
    EXPECT_TRUE(reset.gs);
    EXPECT_EQ(reset.deviceId, "10");
    EXPECT_EQ(reset.modelId, "42");
    EXPECT_EQ(reset.modelName, "GS ");
    EXPECT_EQ(reset.address, "40 00 7F");
    EXPECT_EQ(reset.description, "mode");
    EXPECT_EQ(reset.valueText, "reset (on)");
    EXPECT_EQ(reset.checksum, GsChecksumState::Right);
    EXPECT_EQ(gsChecksumText(reset), "41 ok");
    EXPECT_EQ(reset.modeMessage, SysexModeMessage::Gs);
    EXPECT_EQ(reset.modeValue, 0);

    const DecodedSysex wrong = decode("F0 41 10 42 12 40 00 7F 00 42 F7");
    EXPECT_EQ(wrong.checksum, GsChecksumState::Wrong);
    EXPECT_EQ(wrong.expectedChecksum, 0x41);
    EXPECT_EQ(gsChecksumText(wrong), "42 wrong, expected 41");
    EXPECT_EQ(wrong.valueText, "reset (on)") << "the value is still decoded";

    EXPECT_EQ(gsChecksumText(decode("F0 41 10 42 12 40 00 F7")), "not checked");
}

TEST(SysexDecoderTest, GsPartNumberFollowsTheBlockOrder)
{
    EXPECT_EQ(decode("F0 41 10 42 12 40 10 02 09 25 F7").partNumber, 10);
    EXPECT_EQ(decode("F0 41 10 42 12 40 11 02 00 2D F7").partNumber, 1);
    EXPECT_EQ(decode("F0 41 10 42 12 40 1A 02 0A 1A F7").partNumber, 11);
    EXPECT_EQ(decode("F0 41 10 42 12 40 1A 02 0A 1A F7").description, "part 11 midi channel");
    EXPECT_EQ(decode("F0 41 10 42 12 40 1F 02 0F 10 F7").partNumber, 16);
}

struct GsCase {
    const char* message;
    const char* description;
    const char* valueText;
    const char* rangeText;
    SysexEditKind edit;
    int part;
    SysexPartKind kind;
};

// Real messages with their published checksums.
const GsCase kGsCases[] = {
    {"41 10 42 12 40 00 7F 7F 42 F7", "mode", "re-reset (off)", "0 or 127", SysexEditKind::Combo, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 00 04 64 58 F7", "master volume", "100", "0 to 127", SysexEditKind::Edit, 0, SysexPartKind::None},
    {"41 10 42 12 40 00 00 00 04 00 00 3C F7", "master tune", "0 1/10 cent", "-1000 to +1000 1/10 cent",
     SysexEditKind::Edit, 0, SysexPartKind::None},
    {"41 10 42 12 40 00 00 00 04 06 04 32 F7", "master tune", "+100 1/10 cent", "-1000 to +1000 1/10 cent",
     SysexEditKind::Edit, 0, SysexPartKind::None},
    {"41 10 42 12 40 01 30 04 0B F7", "Reverb macro", "Hall2", "0 to 7", SysexEditKind::Combo, 0, SysexPartKind::None},
    {"41 10 42 12 40 01 38 07 00 F7", "Chorus macro", "Sh.DelFB", "0 to 7", SysexEditKind::Combo, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 10 02 09 25 F7", "part 10 midi channel", "Channel 10", "0 to 16", SysexEditKind::Combo, 10,
     SysexPartKind::MidiChannel},
    {"41 10 42 12 40 11 02 10 1D F7", "part 1 midi channel", "off", "0 to 16", SysexEditKind::Combo, 1,
     SysexPartKind::MidiChannel},
    {"41 10 42 12 40 11 00 08 19 0E F7", "part 1 tone number", "cc0:8, progch:#25", "cc0:0 to 127, progch:#0 to 127",
     SysexEditKind::GsToneNumber, 1, SysexPartKind::ToneNumber},
    {"41 10 42 12 40 1A 15 02 0F F7", "part 11 use for rythm part", "map 2", "0 to 2", SysexEditKind::Combo, 11,
     SysexPartKind::UseForRhythm},
    {"41 10 42 12 40 11 13 00 1C F7", "part 1 mono/poly mode", "mono", "0 to 1", SysexEditKind::Combo, 1,
     SysexPartKind::None},
    {"41 10 42 12 40 12 16 4C 4C F7", "part 2 pitch key shift", "+12 semitones", "-24 to +24 semitones",
     SysexEditKind::Edit, 2, SysexPartKind::None},
    {"41 10 42 12 40 1F 17 08 00 02 F7", "part 16 pitch offset fine", "0 1/10 Hz", "-120 to +120 1/10 Hz",
     SysexEditKind::Edit, 16, SysexPartKind::None},
    {"41 10 42 12 40 13 1C 00 11 F7", "part 3 panpot", "random", "random, -63(LEFT) to 63(RIGHT)", SysexEditKind::Edit,
     3, SysexPartKind::None},
    {"41 10 42 12 40 13 1C 01 10 F7", "part 3 panpot", "-63(LEFT)", "random, -63(LEFT) to 63(RIGHT)",
     SysexEditKind::Edit, 3, SysexPartKind::None},
    {"41 10 42 12 40 13 1C 7F 12 F7", "part 3 panpot", "63(RIGHT)", "random, -63(LEFT) to 63(RIGHT)",
     SysexEditKind::Edit, 3, SysexPartKind::None},
    {"41 10 42 12 40 11 30 40 3F F7", "part 1 vibrato rate", "0", "-64 to +63", SysexEditKind::Edit, 1,
     SysexPartKind::None},
    {"41 10 42 12 40 21 00 40 5F F7", "part 1 mod pitch control", "0 semitones", "-24 to +24 semitones",
     SysexEditKind::Edit, 1, SysexPartKind::None},
    {"41 10 42 12 40 21 10 4C 43 F7", "part 1 bend pitch control", "12 semitones", "0 to +24 semitones",
     SysexEditKind::Edit, 1, SysexPartKind::None},
    {"41 10 42 12 40 21 11 7F 0F F7", "part 1 bend TVF cutoff control", "+9450 cent", "-9600 to +9600 cent",
     SysexEditKind::Edit, 1, SysexPartKind::None},
    {"41 10 42 12 40 21 02 00 1D F7", "part 1 mod amplitude control", "-100.0 %", "-100.0 to +100.0 %",
     SysexEditKind::Edit, 1, SysexPartKind::None},
    {"41 10 42 12 40 20 24 7F 7D F7", "part 10 channel pressure LFO1 pitch depth", "600 cent", "0 to 600 cent",
     SysexEditKind::Edit, 10, SysexPartKind::None},
    {"41 10 42 12 40 2A 56 40 00 F7", "part 11 cc2 LFO1 TVA depth", "50.4 %", "0 to 100.0 %", SysexEditKind::Edit, 11,
     SysexPartKind::None},
    {"41 10 42 12 41 01 24 30 6A F7", "drum map 1's C3 play pitch", "48", "0 to 127", SysexEditKind::Edit, 0,
     SysexPartKind::None},
    {"41 10 42 12 41 13 26 00 06 F7", "drum map 2's D3 alternate group #", "non", "non, 1 to 127", SysexEditKind::Edit,
     0, SysexPartKind::None},
    {"41 10 42 12 41 05 24 7F 17 F7", "drum map 1's C3 rev. depth factor", "1.0 Multiplicand of part reverb depth",
     "0.0 to 1.0 Multiplicand of part reverb depth", SysexEditKind::Edit, 0, SysexPartKind::None},
    // The addresses of the later Sound Canvas models that files carry.
    {"41 10 42 12 00 00 7F 01 00 F7", "system mode set", "mode 2", "0 to 1", SysexEditKind::Combo, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 11 23 00 0C F7", "part 1 rx. bank select", "off", "0 to 1", SysexEditKind::Combo, 1,
     SysexPartKind::None},
    {"41 10 42 12 40 11 2A 40 20 25 F7", "part 1 pitch fine tune", "+0.4 cent", "-100.0 to +100.0 cent",
     SysexEditKind::Edit, 1, SysexPartKind::None},
    {"41 10 42 12 40 1A 2C 28 52 F7", "part 11 delay send level", "40", "0 to 127", SysexEditKind::Edit, 11,
     SysexPartKind::None},
    {"41 10 42 12 40 10 40 4A 26 F7", "part 10 scale tuning C", "+10 cent", "-64 to +63 cent", SysexEditKind::Edit,
     10, SysexPartKind::None},
    {"41 10 42 12 40 11 4B 36 2E F7", "part 1 scale tuning B", "-10 cent", "-64 to +63 cent", SysexEditKind::Edit, 1,
     SysexPartKind::None},
    {"41 10 42 12 40 42 22 01 5B F7", "part 2 EFX assign", "EFX", "0 to 1", SysexEditKind::Combo, 2,
     SysexPartKind::None},
    {"41 10 42 12 40 41 00 00 7F F7", "part 1 tone map number", "tone map-0 number", "tone map-0 number, 1 to 4",
     SysexEditKind::Edit, 1, SysexPartKind::None},
    {"41 10 42 12 40 01 37 10 78 F7", "Reverb predelay time", "16 ms", "0 to 127 ms", SysexEditKind::Edit, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 01 59 50 16 F7", "Delay feedback", "+16", "-64 to +63", SysexEditKind::Edit, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 02 01 4C 71 F7", "EQ low gain", "+12 dB", "-12 to +12 dB", SysexEditKind::Edit, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 03 00 01 10 2C F7", "EFX type", "144", "0,0 to 127,127", SysexEditKind::Edit, 0,
     SysexPartKind::None},
    {"41 10 42 12 40 03 1C 7F 22 F7", "EFX control depth 1", "+98.4 %", "-100.0 to +100.0 %", SysexEditKind::Edit, 0,
     SysexPartKind::None},
    {"41 10 42 12 41 10 00 4A 61 7A 7A 20 4B 69 74 20 20 20 20 48 F7", "drum map 2 name", "'Jazz Kit    '",
     "12 characters", SysexEditKind::None, 0, SysexPartKind::None},
    {"41 10 42 12 41 09 24 40 52 F7", "drum map 1's C3 delay send level", "64", "0 to 127", SysexEditKind::Edit, 0,
     SysexPartKind::None},
};

TEST(SysexDecoderTest, GsMessagesGiveTheirTextsRangesAndFlags)
{
    for (const GsCase& c : kGsCases) {
        SCOPED_TRACE(c.message);
        const DecodedSysex d = decode(c.message);
        EXPECT_TRUE(d.error.empty()) << d.error;
        EXPECT_FALSE(d.wrongValueBytes) << d.wrongValueDetail;
        EXPECT_EQ(d.checksum, GsChecksumState::Right);
        EXPECT_EQ(d.description, c.description);
        EXPECT_EQ(d.valueText, c.valueText);
        EXPECT_EQ(d.rangeText, c.rangeText);
        EXPECT_EQ(d.editKind, c.edit);
        EXPECT_EQ(d.partNumber, c.part);
        EXPECT_EQ(d.partKind, c.kind);
        EXPECT_EQ(d.choices.empty(), c.edit != SysexEditKind::Combo);
    }
    EXPECT_EQ(decode("F0 41 10 42 12 40 10 02 09 25 F7").choices,
              "Channel 1\\Channel 2\\Channel 3\\Channel 4\\Channel 5\\Channel 6\\Channel 7\\Channel 8\\Channel 9\\"
              "Channel 10\\Channel 11\\Channel 12\\Channel 13\\Channel 14\\Channel 15\\Channel 16\\off\\");
    EXPECT_EQ(decode("F0 41 10 42 12 40 01 30 04 0B F7").choices,
              "Room1\\Room2\\Room3\\Hall1\\Hall2\\Plate\\Delay\\PanDel\\");
    EXPECT_EQ(decode("F0 41 10 42 12 40 1A 15 02 0F F7").choices, "off\\map 1\\map 2\\");
}

// Drops (or adds) one data byte in front of the checksum, and writes the checksum that the
// shorter (or longer) message would need, so that only its length is wrong.
std::vector<std::uint8_t> resized(std::vector<std::uint8_t> message, bool longer)
{
    const auto checksumAt = message.end() - 2;
    if (longer)
        message.insert(checksumAt, 0x00);
    else
        message.erase(checksumAt - 1);
    writeGsChecksum(message);
    return message;
}

TEST(SysexDecoderTest, GsMessagesOneByteShortOrLongHaveTheWrongLength)
{
    for (const GsCase& c : kGsCases) {
        SCOPED_TRACE(c.message);
        for (const bool longer : {false, true}) {
            const DecodedSysex d = decodeSysex(resized(stored(c.message), longer), nullptr);
            EXPECT_TRUE(d.wrongTotalLength);
            EXPECT_EQ(d.error, "<wrong total length of sysex byte chain>");
            EXPECT_EQ(d.description, c.description) << "the parameter is still named";
            EXPECT_EQ(d.valueLength, 0u) << "no value read from a message of the wrong length";
        }
        std::vector<std::uint8_t> unterminated = stored(c.message);
        unterminated.pop_back();
        EXPECT_TRUE(decodeSysex(unterminated, nullptr).wrongTotalLength) << "without F7";
    }
}

TEST(SysexDecoderTest, GsValuesOnePastTheRangeAreWrongValueBytes)
{
    struct Past {
        const char* message;
        const char* detail;
    };
    const Past cases[] = {
        {"41 10 42 12 40 11 02 11 1C F7", "part 1 midi channel: 17 not in 0 to 16"},
        {"41 10 42 12 40 12 16 59 3F F7", "part 2 pitch key shift: 89 not in -24 to +24 semitones"},
        {"41 10 42 12 40 12 16 27 71 F7", "part 2 pitch key shift: 39 not in -24 to +24 semitones"},
        {"41 10 42 12 40 01 30 08 07 F7", "Reverb macro: 8 not in 0 to 7"},
        {"41 10 42 12 40 00 7F 01 40 F7", "mode: 1 not in 0 or 127"},
        {"41 10 42 12 40 00 00 00 07 0E 09 22 F7", "master tune: 2025 not in -1000 to +1000 1/10 cent"},
        {"41 10 42 12 40 00 00 00 04 10 00 2C F7", "master tune: data bytes 00 04 10 00 do not fit"},
        {"41 10 42 12 40 11 03 02 2A F7", "part 1 rx. pitch bend: 2 not in 0 to 1"},
    };
    for (const Past& c : cases) {
        SCOPED_TRACE(c.message);
        const DecodedSysex d = decode(c.message);
        EXPECT_EQ(d.checksum, GsChecksumState::Right);
        EXPECT_TRUE(d.wrongValueBytes);
        EXPECT_EQ(d.wrongValueDetail, c.detail);
        EXPECT_TRUE(d.error.empty());
        EXPECT_FALSE(d.wrongTotalLength);
    }
}

TEST(SysexDecoderTest, GsSystemModeSetAndMasterVolumeAreWhatTheModelActsOn)
{
    for (const char* hex : {"F0 41 10 42 12 00 00 7F 00 01 F7", "F0 41 10 42 12 00 00 7F 01 00 F7"}) {
        const DecodedSysex set = decode(hex);
        EXPECT_EQ(set.modeMessage, SysexModeMessage::Gs) << hex << ": either mode starts from a GS Reset";
        EXPECT_EQ(set.modeValue, 0) << hex;
    }
    const DecodedSysex three = decode("F0 41 10 42 12 00 00 7F 02 7F F7");
    EXPECT_TRUE(three.wrongValueBytes);
    EXPECT_EQ(three.modeMessage, SysexModeMessage::None) << "no mode 3";
    EXPECT_EQ(decode("F0 41 10 42 12 40 00 04 40 7C F7").masterVolume, 64 * 16383 / 127);
    EXPECT_EQ(decode("F0 41 10 42 12 40 00 04 7F 3D F7").masterVolume, 16383);
    EXPECT_EQ(decode("F0 41 10 42 12 40 01 33 40 4C F7").masterVolume, -1) << "reverb level";
}

TEST(SysexDecoderTest, UniversalDeviceControlValuesAreLsbFirstAndEditable)
{
    const DecodedSysex volume = decode("F0 7F 7F 04 01 00 40 F7");
    EXPECT_EQ(volume.familyText(), "Universal realtime");
    EXPECT_EQ(volume.subIds, "04 01");
    EXPECT_TRUE(volume.error.empty()) << volume.error;
    EXPECT_EQ(volume.description, "Master volume");
    EXPECT_EQ(volume.value, 0x2000);
    EXPECT_EQ(volume.valueText, "50.0 %");
    EXPECT_EQ(volume.rangeText, "0.0 to 100.0 %");
    EXPECT_EQ(volume.masterVolume, 0x2000);
    EXPECT_EQ(volume.valueBytes, "00 40");
    EXPECT_EQ(sysexEditKindText(volume.editKind), "edit");

    const std::vector<std::uint8_t> message = stored("F0 7F 7F 04 01 00 40 F7");
    const auto full = reencodeSysex(message, volume, 16383);
    ASSERT_TRUE(full);
    EXPECT_EQ(*full, stored("F0 7F 7F 04 01 7F 7F F7"));
    const auto low = reencodeSysex(message, volume, 200);
    ASSERT_TRUE(low);
    EXPECT_EQ(*low, stored("F0 7F 7F 04 01 48 01 F7")) << "LSB first";
    EXPECT_EQ(checkSysexValue(volume, "16384").error, "Wrong value. Minimum is 0, Maximum is 16383");

    const DecodedSysex fine = decode("F0 7F 7F 04 03 00 60 F7");
    EXPECT_EQ(fine.description, "Master fine tuning");
    EXPECT_EQ(fine.valueText, "+50.0 cent");
    EXPECT_EQ(fine.rangeText, "-100.0 to +100.0 cent");
    EXPECT_EQ(fine.masterVolume, -1);
    const DecodedSysex coarse = decode("F0 7F 7F 04 04 00 34 F7");
    EXPECT_EQ(coarse.description, "Master coarse tuning");
    EXPECT_EQ(coarse.valueText, "-12 semitones");
    EXPECT_EQ(coarse.rangeText, "-64 to +63 semitones");
    EXPECT_TRUE(decode("F0 7F 7F 04 04 01 7F F7").wrongValueBytes) << "above 7F 00";

    EXPECT_TRUE(decode("F0 7F 7F 04 01 40 F7").wrongTotalLength);
    EXPECT_TRUE(decode("F0 7F 7F 04 01 00 40 00 F7").wrongTotalLength);
    EXPECT_EQ(decode("F0 7F 7F 04 02 00 40 F7").error, SysexError::UnknownRealtime) << "balance is not decoded";
}

TEST(SysexDecoderTest, AByteAbove7FAnywhereIsAWrongValueThatNamesIt)
{
    const DecodedSysex device = decode("F0 41 90 42 12 40 11 02 00 2D F7");
    EXPECT_TRUE(device.wrongValueBytes);
    EXPECT_EQ(device.wrongValueDetail, "part 1 midi channel: byte 2 is 90h");
    EXPECT_TRUE(decode("F0 7E FF 09 01 F7").wrongValueBytes);
    EXPECT_EQ(decode("F0 7E FF 09 01 F7").wrongValueDetail, "GM mode: byte 2 is FFh");
    EXPECT_EQ(decode("F0 41 10 42 92 40 00 7F 00 41 F7").wrongValueDetail, "byte 4 is 92h") << "command";
    EXPECT_EQ(decode("F0 43 10 4C 08 80 04 02 F7").wrongValueDetail, "byte 5 is 80h") << "an address names nothing";

    const DecodedSysex keyBased = decode("F0 7F 7F 0A 01 09 24 87 05 5B 40 F7");
    EXPECT_TRUE(keyBased.wrongValueBytes);
    EXPECT_EQ(keyBased.wrongValueDetail, "Key-based instr. controller: byte 7 is 87h");
    const std::string reverb(midiModeDefinition(MidiMode::GM2).row(ParamKind::Controller, 91)->longName);
    EXPECT_EQ(keyBased.valueText, "Channel 10, key 'C3': ?cc 87h 5, " + reverb + " 64") << "shown raw, not masked";
    EXPECT_EQ(decode("F0 7F 7F 0A 01 09 A4 0A 05 F7").valueText.rfind("Channel 10, key 'A4h':", 0), 0u);

    const DecodedSysex gpc = decode("F0 7F 7F 04 05 01 01 01 01 01 81 40 F7");
    EXPECT_TRUE(gpc.wrongValueBytes);
    EXPECT_EQ(gpc.wrongValueDetail.substr(gpc.wrongValueDetail.find("byte")), "byte 10 is 81h");
    EXPECT_EQ(gpc.valueText, "id 81h: 64");
}

TEST(SysexDecoderTest, UnknownGsAddresses)
{
    EXPECT_EQ(decode("F0 41 10 42 12 40 04 00 00 3C F7").error, "<unknown GS sysex-address>");
    EXPECT_EQ(decode("F0 41 10 42 12 40 11 01 10 1E F7").error, "<unknown GS sysex-address>")
        << "the program byte of the tone number is no address of its own";
    EXPECT_EQ(decode("F0 41 10 42 12 41 21 24 00 7A F7").error, "<unknown GS sysex-address>") << "map 3";
    EXPECT_EQ(decode("F0 41 10 42 12 40 21 0B 00 14 F7").error, "<unknown GS sysex-address>");
    EXPECT_EQ(decode("F0 41 10 42 12 40 00 7F 00 41 F7").error, "");
    EXPECT_EQ(decode("F0 41 10 42 11 40 00 7F 00 00 01 40 F7").error, "<not matched>") << "a data request";
    EXPECT_EQ(decode("F0 41 10 42 12 40 00 F7").error, SysexError::WrongLength) << "address incomplete";
}

TEST(SysexDecoderTest, GlobalParameterControlIsTranslatedThroughTheDeviceSlotPaths)
{
    const Gm2Device device;
    const DecodedSysex reverb = decode("F0 7F 7F 04 05 01 01 01 01 01 00 04 01 40 F7", &device);
    EXPECT_EQ(reverb.familyText(), "Universal realtime");
    EXPECT_TRUE(reverb.globalParameterControl);
    EXPECT_EQ(sysexEditKindText(reverb.editKind), "globalparametercontrol");
    EXPECT_EQ(reverb.description, "Global parameter control Reverb (01 01)");
    EXPECT_EQ(reverb.valueText, "'Reverb Type' Large Hall, 'Reverb Time' 1.82 s");
    EXPECT_EQ(reverb.gpc.translation, GpcTranslation::Translated);
    EXPECT_EQ(reverb.gpc.parameterIdWidth, 1);
    EXPECT_EQ(reverb.gpc.valueWidth, 1);
    ASSERT_EQ(reverb.gpc.groups.size(), 2u);
    EXPECT_EQ(reverb.gpc.groups[1].value, 0x40);

    const DecodedSysex undefined = decode("F0 7F 7F 04 05 01 01 01 01 02 00 09 07 05 F7", &device);
    EXPECT_EQ(undefined.valueText, "'Chorus Type' ***Type 9 undefined***, '***Parameter ID 7 undefined***' 5");

    EXPECT_EQ(decode("F0 7F 7F 04 05 01 01 01 01 01 00 04 F7").description,
              "Global parameter control slotpath 01 01 (not translated because no GM2 device)");
    EXPECT_EQ(decode("F0 7F 7F 04 05 01 01 01 01 01 00 04 F7").valueText, "id 0: 4");
    EXPECT_EQ(decode("F0 7F 7F 04 05 01 02 01 01 01 00 00 04 F7", &device).description,
              "Global parameter control Reverb (01 01) (not translated because slotpath's parameter id width or "
              "value width not matched)");
    EXPECT_EQ(decode("F0 7F 7F 04 05 01 01 01 01 03 00 04 F7", &device).description,
              "Global parameter control slotpath 01 03 (not translated because slotpath is undefined)");
    EXPECT_EQ(decode("F0 7F 7F 04 05 00 01 01 00 04 F7", &device).description,
              "Global parameter control Top level parameters (no slotpath) (not translated because slotpath is "
              "undefined)");
}

TEST(SysexDecoderTest, GlobalParameterControlWidthsAndLengths)
{
    const DecodedSysex width = decode("F0 7F 7F 04 05 01 05 01 01 01 00 04 F7");
    EXPECT_EQ(width.error, "<global parameter control, wrong parameter id width or value width>");
    EXPECT_FALSE(width.gpc.widthsValid);
    EXPECT_TRUE(width.globalParameterControl);
    EXPECT_EQ(decode("F0 7F 7F 04 05 01 01 00 01 01 00 04 F7").error, SysexError::GpcWidth);

    // Two-byte ids and values go LSB first.
    Gm2Device device;
    device.slotPaths = {"0201\\Wide\\2\\2\\200\\Level\\0\\units;val\\"};
    const DecodedSysex wide = decode("F0 7F 7F 04 05 01 02 02 02 01 48 01 10 02 F7", &device);
    ASSERT_EQ(wide.gpc.groups.size(), 1u);
    EXPECT_EQ(wide.gpc.groups[0].id, 200);
    EXPECT_EQ(wide.gpc.groups[0].value, 2 * 128 + 0x10);
    EXPECT_EQ(wide.valueText, "'Level' 272 units");

    for (const char* hex : {"F0 7F 7F 04 05 01 01 01 01 01 00 F7", "F0 7F 7F 04 05 01 01 01 01 01 F7",
                            "F0 7F 7F 04 05 02 01 01 01 01 00 04 F7", "F0 7F 7F 04 05 01 01 01 01 01 00 04 01 F7",
                            "F0 7F 7F 04 05 01 01 F7", "F0 7F 7F 04 05 01 01 01 01 01 00 04"}) {
        const DecodedSysex d = decode(hex, &device);
        EXPECT_TRUE(d.wrongTotalLength) << hex;
        EXPECT_TRUE(d.gpc.groups.empty()) << hex;
    }
}

TEST(SysexDecoderTest, KeyBasedInstrumentControllerNamesItsPairs)
{
    const DecodedSysex d = decode("F0 7F 7F 0A 01 09 24 0A 20 5B 00 00 05 03 10 F7");
    EXPECT_TRUE(d.keyBasedController);
    EXPECT_EQ(d.description, "Key-based instr. controller");
    EXPECT_EQ(sysexEditKindText(d.editKind), "keybasedinstrumenteditor");
    EXPECT_EQ(d.keyBased.channel, 9);
    EXPECT_EQ(d.keyBased.key, 36);
    ASSERT_EQ(d.keyBased.pairs.size(), 4u);
    EXPECT_EQ(d.keyBased.pairs[0].controller, 10);
    EXPECT_EQ(d.keyBased.pairs[0].value, 0x20);
    const MidiModeDefinition& gm2 = midiModeDefinition(MidiMode::GM2);
    const std::string pan(gm2.row(ParamKind::Controller, 10)->longName);
    const std::string reverb(gm2.row(ParamKind::Controller, 91)->longName);
    const std::string bank(gm2.row(ParamKind::Controller, 0)->longName);
    EXPECT_EQ(d.valueText,
              "Channel 10, key 'C3': " + pan + " 32, " + reverb + " 0, ***unsupported " + bank + "*** 5, ?cc 3 16");
    EXPECT_FALSE(d.wrongValueBytes);

    EXPECT_TRUE(decode("F0 7F 7F 0A 01 10 24 0A 20 F7").wrongValueBytes) << "channel 17";
    EXPECT_TRUE(decode("F0 7F 7F 0A 01 09 24 0A F7").wrongTotalLength) << "half a pair";
    EXPECT_TRUE(decode("F0 7F 7F 0A 01 09 24 F7").wrongTotalLength) << "no pair";
    EXPECT_TRUE(decode("F0 7F 7F 0A 01 09 F7").wrongTotalLength);
}

TEST(SysexDecoderTest, XgSystemOnAndResetDrumSetupMap)
{
    const DecodedSysex on = decode("F0 43 10 4C 00 00 7E 00 F7");
    EXPECT_EQ(on.familyText(), "Yamaha");
    EXPECT_TRUE(on.xg);
    EXPECT_FALSE(on.gs || on.universalRealtime || on.universalNonRealtime);
    EXPECT_EQ(on.deviceId, "10");
    EXPECT_EQ(on.modelId, "4C");
    EXPECT_EQ(on.modelName, "XG ");
    EXPECT_EQ(on.address, "00 00 7E");
    EXPECT_EQ(on.description, "mode");
    EXPECT_EQ(on.valueText, "reset");
    EXPECT_EQ(on.modeMessage, SysexModeMessage::Xg);
    EXPECT_EQ(on.modeValue, 0);
    EXPECT_EQ(on.checksum, GsChecksumState::NotChecked) << "XG has no checksum";

    const DecodedSysex map = decode("F0 43 10 4C 00 00 7D 01 F7");
    EXPECT_EQ(map.description, "reset drum setup map");
    EXPECT_EQ(map.choices, "drums1\\drums2\\");
    EXPECT_EQ(map.valueText, "drums2");
    EXPECT_TRUE(map.resetDrumSetupMap);
    EXPECT_EQ(map.value, 1);
    EXPECT_EQ(map.modeMessage, SysexModeMessage::None);
    EXPECT_TRUE(decode("F0 43 10 4C 00 00 7D 02 F7").wrongValueBytes);
}

struct XgPartCase {
    const char* message;
    const char* description;
    int part;
    SysexPartKind kind;
    int value;
};

TEST(SysexDecoderTest, XgPartParametersNameTheirPartAndKind)
{
    const XgPartCase cases[] = {
        {"F0 43 10 4C 08 00 01 7F F7", "part 1 bank select MSB", 1, SysexPartKind::BankSelectMsb, 127},
        {"F0 43 10 4C 08 05 02 03 F7", "part 6 bank select LSB", 6, SysexPartKind::BankSelectLsb, 3},
        {"F0 43 10 4C 08 0F 03 18 F7", "part 16 program number", 16, SysexPartKind::ProgramNumber, 24},
        {"F0 43 10 4C 08 09 04 09 F7", "part 10 midi channel", 10, SysexPartKind::MidiChannel, 9},
        {"F0 43 10 4C 08 02 04 7F F7", "part 3 midi channel", 3, SysexPartKind::MidiChannel, 127},
        {"F0 43 10 4C 08 09 07 02 F7", "part 10 use for rythm part", 10, SysexPartKind::UseForRhythm, 2},
        {"F0 43 10 4C 08 00 0B 64 F7", "part 1 volume", 1, SysexPartKind::None, 100},
    };
    for (const XgPartCase& c : cases) {
        SCOPED_TRACE(c.message);
        const DecodedSysex d = decode(c.message);
        EXPECT_TRUE(d.error.empty()) << d.error;
        EXPECT_FALSE(d.wrongValueBytes) << d.wrongValueDetail;
        EXPECT_EQ(d.description, c.description);
        EXPECT_EQ(d.partNumber, c.part);
        EXPECT_EQ(d.partKind, c.kind);
        EXPECT_EQ(d.value, c.value);
        for (const bool longer : {false, true}) {
            std::vector<std::uint8_t> bytes = stored(c.message);
            if (longer)
                bytes.insert(bytes.end() - 1, 0x00);
            else
                bytes.erase(bytes.end() - 2);
            const DecodedSysex wrong = decodeSysex(bytes, nullptr);
            EXPECT_TRUE(wrong.wrongTotalLength);
            EXPECT_EQ(wrong.partNumber, c.part) << "the part is named even when the length is wrong";
        }
    }
    EXPECT_EQ(decode("F0 43 10 4C 08 02 04 7F F7").valueText, "off");
    EXPECT_EQ(decode("F0 43 10 4C 08 09 07 02 F7").valueText, "drums1");
    EXPECT_EQ(decode("F0 43 10 4C 08 09 07 02 F7").choices, "off\\drum\\drums1\\drums2\\");
    EXPECT_TRUE(decode("F0 43 10 4C 08 09 07 04 F7").wrongValueBytes) << "one past drums2";
    EXPECT_EQ(decode("F0 43 10 4C 08 10 04 00 F7").error, "<unknown XG sysex-address>") << "part 17";
}

TEST(SysexDecoderTest, XgEffectTypesAndVariationParameters)
{
    const DecodedSysex reverb = decode("F0 43 10 4C 02 01 00 01 00 F7");
    EXPECT_EQ(reverb.description, "Reverb type");
    EXPECT_EQ(reverb.valueText, "Hall1");
    EXPECT_EQ(reverb.choices.rfind("OFF\\0,0\\Hall1\\1,0\\Hall2\\1,1\\Room1\\2,0\\", 0), 0u) << reverb.choices;
    EXPECT_EQ(reverb.value, 128);
    EXPECT_FALSE(reverb.xgVariationType);
    EXPECT_TRUE(decode("F0 43 10 4C 02 01 00 01 05 F7").wrongValueBytes) << "no reverb type 1,5";
    const DecodedSysex unlisted = decode("F0 43 10 4C 02 01 00 05 00 F7");
    EXPECT_TRUE(unlisted.wrongValueBytes);
    EXPECT_EQ(unlisted.valueText, "5,0") << "as the list writes its entries";
    EXPECT_EQ(unlisted.rangeText.rfind("the ", 0), 0u) << unlisted.rangeText;
    EXPECT_NE(unlisted.rangeText.find(" listed types, 0,0 to "), std::string::npos) << unlisted.rangeText;
    EXPECT_EQ(unlisted.wrongValueDetail, "Reverb type: 5,0 not in " + unlisted.rangeText);
    EXPECT_TRUE(decode("F0 43 10 4C 02 01 00 01 F7").wrongTotalLength) << "a type takes MSB and LSB";

    const DecodedSysex variation = decode("F0 43 10 4C 02 01 40 05 00 F7");
    EXPECT_EQ(variation.description, "Variation type");
    EXPECT_TRUE(variation.xgVariationType);
    EXPECT_EQ(variation.variationType, 5 * 128);
    EXPECT_EQ(variation.choices.rfind("OFF\\0,0\\", 0), 0u);
    EXPECT_EQ(checkSysexValue(variation, "5,0").value, 5 * 128);
    EXPECT_EQ(checkSysexValue(variation, "5,99").error, "Unmatched databyte msb/lsb.");
    EXPECT_EQ(checkSysexValue(variation, "Hall1").value, 128);

    // The first variation parameter is a delay time for Delay L,C,R and none for OFF.
    const std::vector<std::uint8_t> parameter = stored("F0 43 10 4C 02 01 42 1A 05 F7");
    const DecodedSysex delay = decodeSysex(parameter, nullptr, -1, 5 * 128);
    EXPECT_TRUE(delay.error.empty()) << delay.error;
    EXPECT_EQ(delay.value, 26 * 128 + 5);
    EXPECT_FALSE(delay.description.empty());
    const DecodedSysex off = decodeSysex(parameter, nullptr, -1, 0);
    EXPECT_EQ(off.error, "<address not valid for selected XG variation effect>");
    EXPECT_EQ(off.valueLength, 0u);
    EXPECT_TRUE(decodeSysex(parameter, nullptr, -1, -1).error.empty()) << "unknown type: the generic row";
}

TEST(SysexDecoderTest, YamahaMessagesOfOtherFormatsAreNamedNotDecoded)
{
    const DecodedSysex dump = decode("F0 43 00 4C 00 00 00 00 00 00 00 F7");
    EXPECT_EQ(dump.description, "XG bulk dump");
    EXPECT_TRUE(dump.xg);
    EXPECT_TRUE(dump.error.empty());
    EXPECT_EQ(decode("F0 43 10 49 00 00 00 00 F7").description, "Yamaha native parameter change");
    EXPECT_FALSE(decode("F0 43 10 49 00 00 00 00 F7").xg);
    EXPECT_EQ(decode("F0 43 00 7A 01 02 03 F7").description, "Yamaha native bulk dump");
    EXPECT_EQ(decode("F0 43 30 4C 00 00 7E F7").error, "<not matched>") << "a parameter request";
    EXPECT_EQ(decode("F0 43 10 4C 01 00 00 00 F7").error, "<unknown XG sysex-address>");
    EXPECT_EQ(decode("F0 43 10 4C 00 00 F7").error, SysexError::WrongLength);
    EXPECT_EQ(decode("F0 43 10 F7").error, SysexError::WrongLength);
}

TEST(SysexDecoderTest, ForeignModeNoteForGsAndXgParametersOnly)
{
    const std::vector<std::uint8_t> volume = stored("F0 41 10 42 12 40 00 04 64 58 F7");
    EXPECT_EQ(decodeSysex(volume, nullptr, MidiMode::GM).unsupportedNote, "*unsupported in GM*");
    EXPECT_EQ(decodeSysex(volume, nullptr, MidiMode::GM2).unsupportedNote, "*unsupported in GM2*");
    EXPECT_EQ(decodeSysex(volume, nullptr, MidiMode::GS).unsupportedNote, "");
    EXPECT_EQ(decodeSysex(volume, nullptr, -1).unsupportedNote, "");
    EXPECT_EQ(decodeSysex(stored("F0 41 10 42 12 40 00 7F 00 41 F7"), nullptr, MidiMode::XG).unsupportedNote, "")
        << "the reset is what leaves another mode";
    EXPECT_EQ(decodeSysex(stored("F0 7E 7F 09 01 F7"), nullptr, MidiMode::XG).unsupportedNote, "");
    EXPECT_EQ(decodeSysex(stored("F0 43 10 4C 08 00 0B 64 F7"), nullptr, MidiMode::GS).unsupportedNote,
              "*unsupported in GS*");
    EXPECT_EQ(decodeSysex(stored("F0 43 10 4C 08 00 0B 64 F7"), nullptr, MidiMode::XG).unsupportedNote, "");
}

} // namespace
} // namespace velisto
