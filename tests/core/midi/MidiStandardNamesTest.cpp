#include "midi/MidiStandardNames.h"

#include "midi/MidiModeDefinition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace velisto {
namespace {

std::size_t fieldCount(const std::string& list)
{
    EXPECT_TRUE(!list.empty() && list.back() == '\\') << "every field ends with a backslash";
    return static_cast<std::size_t>(std::count(list.begin(), list.end(), '\\'));
}

TEST(MidiStandardNames, NoteNames)
{
    EXPECT_EQ(noteName(0), "C0");
    EXPECT_EQ(noteName(60), "C5");
    EXPECT_EQ(noteName(127), "G10");
    EXPECT_EQ(noteName(61, NoteSpelling::Sharps), "C#5");
    EXPECT_EQ(noteName(61, NoteSpelling::Flats), "Db5");
    EXPECT_EQ(noteName(70, NoteSpelling::Flats), "Bb5");
    EXPECT_EQ(noteName(128), "");
    EXPECT_EQ(noteName(-1), "");

    EXPECT_EQ(noteNameList(NoteSpelling::Sharps).rfind("C0\\C#0\\D0\\D#0\\", 0), 0u);
    EXPECT_EQ(noteNameList(NoteSpelling::Flats).rfind("C0\\Db0\\D0\\Eb0\\", 0), 0u);
    EXPECT_EQ(fieldCount(noteNameList(NoteSpelling::Sharps)), 128u);
    EXPECT_EQ(fieldCount(noteNameList(NoteSpelling::Flats)), 128u);

    for (int key = 0; key < 128; ++key) {
        EXPECT_EQ(keyOfNoteName(noteName(key, NoteSpelling::Sharps)), key);
        EXPECT_EQ(keyOfNoteName(noteName(key, NoteSpelling::Flats)), key);
    }
    EXPECT_EQ(keyOfNoteName("G#10"), -1); // key 128
    EXPECT_EQ(keyOfNoteName("H5"), -1);
    EXPECT_EQ(keyOfNoteName(""), -1);
}

TEST(MidiStandardNames, GeneralMidiPrograms)
{
    EXPECT_EQ(gmProgramName(0), "Acoustic Grand Piano");
    EXPECT_EQ(gmProgramName(40), "Violin");
    EXPECT_EQ(gmProgramName(127), "Gunshot");
    EXPECT_EQ(gmProgramName(128), "");
    std::set<std::string_view> distinct;
    for (int program = 0; program < 128; ++program) {
        EXPECT_FALSE(gmProgramName(program).empty()) << program;
        distinct.insert(gmProgramName(program));
    }
    EXPECT_EQ(distinct.size(), 128u);
    EXPECT_EQ(fieldCount(gmProgramNameList()), 128u);
}

TEST(MidiStandardNames, StandardKitDrumNames)
{
    EXPECT_EQ(drumName(MidiMode::GM, 35, 0), "Acoustic Bass Drum");
    EXPECT_EQ(drumName(MidiMode::GM, 81, 0), "Open Triangle");
    EXPECT_EQ(drumName(MidiMode::GM, 34, 0), "");
    EXPECT_EQ(drumName(MidiMode::GM, 82, 0), "");
    EXPECT_EQ(drumName(MidiMode::GM2, 27, 0), "High Q");
    EXPECT_EQ(drumName(MidiMode::GM2, 42, 0), "Closed Hi Hat");
    EXPECT_EQ(drumName(MidiMode::GM2, 87, 0), "Open Surdo");
    EXPECT_EQ(drumName(MidiMode::GS, 36, 0), "Kick Drum 1");
    EXPECT_EQ(drumName(MidiMode::GS, 87, 0), "Open Surdo");
    EXPECT_EQ(drumName(MidiMode::XG, 13, 0), "Surdo Mute");
    EXPECT_EQ(drumName(MidiMode::XG, 36, 0), "Bass Drum H");
    EXPECT_EQ(drumName(MidiMode::XG, 84, 0), "Bell Tree");
    EXPECT_EQ(drumName(MidiMode::XG, 85, 0), "");
    EXPECT_EQ(drumName(MidiMode::GS, 128, 0), "");
    EXPECT_EQ(drumName(MidiMode::GS, -1, 0), "");

    // GM's keys keep their GM names in GM2 and are all named in every standard.
    for (int key = 35; key <= 81; ++key) {
        EXPECT_EQ(drumName(MidiMode::GM2, key, 0), drumName(MidiMode::GM, key, 0)) << key;
        for (int mode = 0; mode < MidiMode::Count; ++mode)
            EXPECT_FALSE(drumName(mode, key, 0).empty()) << key << " in " << midiModeName(mode);
    }
    EXPECT_EQ(fieldCount(drumNameList(MidiMode::XG, 0)), 128u);
}

TEST(MidiStandardNames, OtherKits)
{
    EXPECT_EQ(drumKitName(MidiMode::GS, 0), "Standard");
    EXPECT_EQ(drumKitName(MidiMode::GS, 25), "TR-808");
    EXPECT_EQ(drumKitName(MidiMode::GS, 3), "");
    EXPECT_EQ(drumKitName(MidiMode::GM2, 25), "Analog Set");
    EXPECT_EQ(drumKitName(MidiMode::XG, 1), "Standard2 Kit");
    EXPECT_EQ(drumKitName(MidiMode::GM, 40), "Standard");
    EXPECT_EQ(drumKitName(MidiMode::GM, 128), "");
    EXPECT_EQ(xgSfxKitName(1), "SFX Kit 2");
    EXPECT_EQ(xgSfxKitName(2), "");

    // A kit names what it changes and keeps the standard names elsewhere.
    EXPECT_EQ(drumName(MidiMode::GS, 36, 25), "808 Bass Drum");
    EXPECT_EQ(drumName(MidiMode::GS, 39, 25), "Hand Clap");
    EXPECT_EQ(drumName(MidiMode::GM2, 41, 8), "Room Low Tom 2");
    EXPECT_EQ(drumName(MidiMode::GS, 41, 48), "Timpani F");
    // A program that selects no kit is named like the standard kit.
    EXPECT_EQ(drumName(MidiMode::GS, 36, 3), "Kick Drum 1");
    // The sound effect set has nothing of the standard kit.
    EXPECT_EQ(drumName(MidiMode::GS, 36, 56), "");
    EXPECT_EQ(drumName(MidiMode::GS, 39, 56), "High Q");
    EXPECT_EQ(drumName(MidiMode::GM2, 84, 56), "Bubble");
}

TEST(MidiStandardNames, DrumKitPans)
{
    for (int key = 0; key < 128; ++key) {
        const int pan = drumKitPan(0, key);
        EXPECT_GE(pan, 1) << "0 would mean random in GS";
        EXPECT_LE(pan, 127);
        EXPECT_EQ(drumKitPan(56, key), 64);
    }
    EXPECT_EQ(drumKitPan(0, 36), 64);
    EXPECT_EQ(drumKitPan(0, 38), 64);
    EXPECT_LT(drumKitPan(0, 50), drumKitPan(0, 41)); // toms run from one side to the other
}

TEST(MidiStandardNames, GsVariationTones)
{
    EXPECT_EQ(gsVariationToneName(0), "0 GS Capital");
    EXPECT_EQ(gsVariationToneName(1), "1 GS Variation 1");
    EXPECT_EQ(gsVariationToneName(16), "16 GS Variation 16");
    EXPECT_EQ(gsVariationToneName(128), "");
    EXPECT_EQ(fieldCount(gsVariationToneList()), 128u);
    EXPECT_EQ(gsVariationToneList().rfind("0 GS Capital\\1 GS Variation 1\\", 0), 0u);
}

TEST(MidiStandardNames, XgVariationTypes)
{
    EXPECT_EQ(xgVariationGroupName(xgVariationGroupOf(0x01)), "HALL,ROOM,STAGE,PLATE");
    EXPECT_EQ(xgVariationGroupOf(0x04), xgVariationGroupOf(0x01));
    EXPECT_EQ(xgVariationGroupName(xgVariationGroupOf(0x05)), "DELAY L,C,R");
    EXPECT_EQ(xgVariationGroupName(xgVariationGroupOf(0x00)), "Var. OFF or THRU");
    EXPECT_EQ(xgVariationGroupOf(0x40), xgVariationGroupOf(0x00));
    EXPECT_EQ(xgVariationGroupOf(0x7F), -1);
    EXPECT_EQ(xgVariationGroupName(xgVariationGroupCount()), "");

    ASSERT_NE(xgVariationType(0x41, 8), nullptr);
    EXPECT_EQ(xgVariationType(0x41, 8)->name, "Chorus4");
    EXPECT_EQ(xgVariationType(0x41, 3), nullptr);

    std::set<std::pair<int, int>> codes;
    std::set<int> groupsWithTypes;
    for (const XgVariationType& type : xgVariationTypes()) {
        EXPECT_TRUE(codes.insert({type.msb, type.lsb}).second) << type.name;
        EXPECT_FALSE(xgVariationGroupName(type.group).empty()) << type.name;
        EXPECT_EQ(xgVariationGroupOf(type.msb), type.group) << "one group per MSB: " << type.name;
        groupsWithTypes.insert(type.group);
    }
    EXPECT_EQ(static_cast<int>(groupsWithTypes.size()), xgVariationGroupCount());
    EXPECT_EQ(fieldCount(xgVariationGroupList()), static_cast<std::size_t>(xgVariationGroupCount()));

    EXPECT_EQ(xgVariationTypeChoiceList().rfind("OFF\\0,0\\Hall1\\1,0\\Hall2\\1,1\\Room1\\2,0\\", 0), 0u);
    EXPECT_EQ(fieldCount(xgVariationTypeChoiceList()), 2 * xgVariationTypes().size());
}

} // namespace
} // namespace velisto
