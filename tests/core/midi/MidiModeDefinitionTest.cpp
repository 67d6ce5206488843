#include "midi/MidiModeDefinition.h"

#include "midi/MidiStandardNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace velisto {
namespace {

constexpr ParamKind kAllKinds[] = {ParamKind::Controller, ParamKind::Nrpn, ParamKind::DrumNrpn, ParamKind::Rpn};

const MidiModeDefinition& gm() { return midiModeDefinition(MidiMode::GM); }
const MidiModeDefinition& gs() { return midiModeDefinition(MidiMode::GS); }
const MidiModeDefinition& xg() { return midiModeDefinition(MidiMode::XG); }
const MidiModeDefinition& gm2() { return midiModeDefinition(MidiMode::GM2); }

// Fields of a definition text; every field, the last included, ends with a backslash.
std::vector<std::string> splitFields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    for (char c : text) {
        if (c == '\\') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.empty()) << "unterminated field in " << text;
    return fields;
}

TEST(MidiModeDefinition, ModeNames)
{
    EXPECT_EQ(midiModeName(MidiMode::GM), "GM");
    EXPECT_EQ(midiModeName(MidiMode::GS), "GS");
    EXPECT_EQ(midiModeName(MidiMode::XG), "XG");
    EXPECT_EQ(midiModeName(MidiMode::GM2), "GM2");
    EXPECT_EQ(midiModeName(4), "");
    EXPECT_EQ(midiModeName(-1), "");
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        EXPECT_EQ(midiModeDefinition(mode).mode(), mode);
        EXPECT_EQ(midiModeDefinition(mode).name(), midiModeName(mode));
    }
}

TEST(MidiModeDefinition, OutOfRangeModeIsAProgrammingError)
{
    EXPECT_DEBUG_DEATH(EXPECT_EQ(midiModeDefinition(7).mode(), MidiMode::GM), "");
}

TEST(MidiModeDefinition, ControllerTranslation)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        EXPECT_EQ(midiModeDefinition(mode).slotOf(ParamKind::Controller, 7), 4) << midiModeName(mode);

    // Only GS tracks General Purpose #1; the others name it without a slot.
    EXPECT_EQ(gm().slotOf(ParamKind::Controller, 16), -1);
    EXPECT_EQ(gs().slotOf(ParamKind::Controller, 16), 7);
    EXPECT_EQ(xg().slotOf(ParamKind::Controller, 16), -1);
    EXPECT_NE(gm().row(ParamKind::Controller, 16), nullptr);
    EXPECT_EQ(slotForSong(ParamKind::Controller, 16), 7);
    EXPECT_EQ(numberForOutput(ParamKind::Controller, 7), 16);

    // The address controllers live only inside the folded parameter kinds.
    for (int number : {6, 38, 98, 99, 100, 101})
        EXPECT_EQ(slotForSong(ParamKind::Controller, number), -1) << number;

    EXPECT_EQ(gm().slotOf(ParamKind::Controller, 0), -1); // GM has no banks
    EXPECT_EQ(slotForSong(ParamKind::Controller, 0), 0);
    EXPECT_EQ(slotForSong(ParamKind::Controller, 128), -1);
    EXPECT_EQ(slotForSong(ParamKind::Controller, -1), -1);
    EXPECT_EQ(numberForOutput(ParamKind::Controller, 33), -1);
    EXPECT_EQ(numberForOutput(ParamKind::Controller, -1), -1);
}

TEST(MidiModeDefinition, NrpnAndDrumNrpnTranslation)
{
    EXPECT_EQ(gs().slotOf(ParamKind::Nrpn, 0x24), -1);
    EXPECT_EQ(gs().row(ParamKind::Nrpn, 0x24), nullptr);
    EXPECT_EQ(xg().slotOf(ParamKind::Nrpn, 0x24), 5);
    EXPECT_EQ(slotForSong(ParamKind::Nrpn, 0x24), 5);
    EXPECT_EQ(gs().slotOf(ParamKind::Nrpn, 0x7F), kNrpnLockInSlot);
    EXPECT_EQ(numberForOutput(ParamKind::Nrpn, kNrpnLockInSlot), kNullParameterNumber);

    EXPECT_EQ(gs().slotOf(ParamKind::DrumNrpn, 0x1F), 10);
    EXPECT_EQ(xg().slotOf(ParamKind::DrumNrpn, 0x1F), 10);
    EXPECT_EQ(gs().longName(ParamKind::DrumNrpn, 10), "Delay send level");
    EXPECT_EQ(xg().longName(ParamKind::DrumNrpn, 10), "Variation send level");

    for (const MidiModeDefinition* def : {&gm(), &gm2()}) {
        for (int number = 0; number < 128; ++number) {
            EXPECT_EQ(def->row(ParamKind::Nrpn, number), nullptr);
            EXPECT_EQ(def->row(ParamKind::DrumNrpn, number), nullptr);
        }
    }
}

TEST(MidiModeDefinition, RpnRowsAreCommonToAllModes)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const MidiModeDefinition& def = midiModeDefinition(mode);
        EXPECT_EQ(def.rowText(ParamKind::Rpn, 0),
                  "0\\Pitchbend sensitivity\\PBSens\\MSBONLY\\2\\*1\\-0\\Semitones\\NO\\");
        EXPECT_EQ(def.rowText(ParamKind::Rpn, 1),
                  "\\Fine tuning\\FineTun\\MSBLSB\\8192\\*0.01220703125\\-100\\Cents\\NO\\");
        EXPECT_EQ(def.rowText(ParamKind::Rpn, 2), "1\\Coarse tuning\\CourseT\\MSBONLY\\64\\*100\\-6400\\Cents\\NO\\");
        EXPECT_EQ(def.rowText(ParamKind::Rpn, 127), "2\\RPN lock in\\RLockIn\\NOTHING\\\\\\\\\\YES\\");
        EXPECT_EQ(def.rowText(ParamKind::Rpn, 3), "");
    }
    // Fine tuning is described but cannot be stored in the song.
    EXPECT_EQ(slotForSong(ParamKind::Rpn, 1), -1);
    EXPECT_EQ(numberForOutput(ParamKind::Rpn, kRpnLockInSlot), 127);
    EXPECT_TRUE(gm().isCommand(ParamKind::Rpn, kRpnLockInSlot));

    EXPECT_DOUBLE_EQ(gm().displayValue(ParamKind::Rpn, 1, 64), 0.0);
    EXPECT_DOUBLE_EQ(gm().displayValue(ParamKind::Rpn, 1, 65), 100.0);
    EXPECT_DOUBLE_EQ(gm().displayValue(ParamKind::Rpn, 0, 12), 12.0);
    EXPECT_EQ(gm().rowOfSlot(ParamKind::Rpn, 1)->unit, "Cents");
    EXPECT_EQ(gm().rowOfSlot(ParamKind::Rpn, 0)->dataKind, RpnDataKind::MsbOnly);
}

TEST(MidiModeDefinition, ControllerRowTexts)
{
    EXPECT_EQ(gm().rowText(ParamKind::Controller, 7), "4\\Main Volume MSB\\Volume\\100\\-0\\NO\\");
    EXPECT_EQ(gm2().rowText(ParamKind::Controller, 7), "4\\Channel Volume\\Volume\\100\\-0\\NO\\");
    EXPECT_EQ(gs().rowText(ParamKind::Controller, 10), "5\\Panorama MSB\\Pan\\64\\-64\\NO\\");
    EXPECT_EQ(gm().rowText(ParamKind::Controller, 16), "\\General Purp. #1 MSB\\GenPur1\\0\\-0\\NO\\");
    EXPECT_EQ(gs().rowText(ParamKind::Controller, 123), "28\\All Notes off\\NotesOff\\0\\-0\\YES\\");
    EXPECT_EQ(xg().rowText(ParamKind::Controller, 94), "25\\Variation Effect Send Level\\VarSend\\0\\-0\\NO\\");
    EXPECT_EQ(xg().rowText(ParamKind::DrumNrpn, 0x1A), "6\\Level\\Level\\127\\-0\\");
    EXPECT_EQ(gs().rowText(ParamKind::Nrpn, 0x7F), "18\\NRPN lock in\\NLockIn\\64\\-64\\YES\\");
    EXPECT_EQ(gs().rowText(ParamKind::Controller, 128), "");
}

// The text form must carry exactly what the structured row holds, for every row.
TEST(MidiModeDefinition, RowTextsParseBackToTheirRows)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const MidiModeDefinition& def = midiModeDefinition(mode);
        for (ParamKind kind : kAllKinds) {
            for (int number = 0; number < 128; ++number) {
                const ParamRow* row = def.row(kind, number);
                const std::string text = def.rowText(kind, number);
                if (!row) {
                    EXPECT_TRUE(text.empty());
                    continue;
                }
                SCOPED_TRACE(text);
                const auto fields = splitFields(text);
                const std::size_t expectedCount = kind == ParamKind::Rpn ? 9 : kind == ParamKind::DrumNrpn ? 5 : 6;
                ASSERT_EQ(fields.size(), expectedCount);
                EXPECT_EQ(fields[0], row->tracked() ? std::to_string(row->slot) : "");
                EXPECT_EQ(fields[1], row->longName);
                EXPECT_EQ(fields[2], row->shortName);
                EXPECT_LE(row->shortName.size(), 8u);
                std::size_t next = 3;
                if (kind == ParamKind::Rpn) {
                    EXPECT_EQ(fields[next++], rpnDataKindText(row->dataKind));
                }
                if (kind == ParamKind::Rpn && row->dataKind == RpnDataKind::Nothing) {
                    for (int i = 0; i < 4; ++i) // no default, factor, offset or unit
                        EXPECT_EQ(fields[next++], "");
                } else {
                    EXPECT_EQ(std::stoi(fields[next++]), row->defaultValue);
                    if (kind == ParamKind::Rpn) {
                        ASSERT_EQ(fields[next][0], '*');
                        EXPECT_DOUBLE_EQ(std::stod(fields[next++].substr(1)), row->displayFactor);
                    }
                    ASSERT_FALSE(fields[next].empty());
                    EXPECT_TRUE(fields[next][0] == '-' || fields[next][0] == '+');
                    EXPECT_EQ(std::stoi(fields[next++]), row->displayOffset);
                    if (kind == ParamKind::Rpn) {
                        EXPECT_EQ(fields[next++], row->unit);
                    }
                }
                if (kind != ParamKind::DrumNrpn) {
                    EXPECT_EQ(fields[next++], row->command ? "YES" : "NO");
                }
                EXPECT_EQ(next, fields.size());
            }
        }
    }
}

TEST(MidiModeDefinition, SlotsAndNumbersRoundTrip)
{
    for (ParamKind kind : kAllKinds) {
        for (int slot = 0; slot < slotCount(kind); ++slot) {
            const int shared = numberForOutput(kind, slot);
            ASSERT_GE(shared, 0) << "every slot is used by some standard";
            EXPECT_EQ(slotForSong(kind, shared), slot);
            for (int mode = 0; mode < MidiMode::Count; ++mode) {
                const MidiModeDefinition& def = midiModeDefinition(mode);
                const int number = def.numberOf(kind, slot);
                if (number < 0)
                    continue;
                EXPECT_EQ(number, shared) << "the numbering is shared";
                EXPECT_EQ(def.slotOf(kind, number), slot);
            }
        }
        for (int mode = 0; mode < MidiMode::Count; ++mode) {
            const MidiModeDefinition& def = midiModeDefinition(mode);
            for (int number = 0; number < 128; ++number) {
                const int slot = def.slotOf(kind, number);
                if (slot >= 0) {
                    EXPECT_EQ(def.numberOf(kind, slot), number);
                }
            }
            EXPECT_EQ(def.numberOf(kind, slotCount(kind)), -1);
            EXPECT_FALSE(def.isUsed(kind, -1));
        }
    }
}

// Which standards track each controller slot, as the standards define them.
TEST(MidiModeDefinition, ControllerSlotsTrackedPerMode)
{
    const char* const tracked[kControllerSlotCount] = {
        "-SXM", "-SXM", "GSXM", "-SXM", "GSXM", "GSXM", "GSXM", "-S--", "-S--", "GSXM", // 0..9
        "-SXM", "-SXM", "-SXM", "-SX-", "--XM", "--XM", "--XM", "--XM", "---M", "---M", // 10..19
        "---M", "---M", "-SX-", "-SXM", "-SXM", "-SX-", "-SXM", "GSXM", "GSXM", "-SXM", // 20..29
        "-SXM", "-SXM", "-SXM"};
    for (int slot = 0; slot < kControllerSlotCount; ++slot)
        for (int mode = 0; mode < MidiMode::Count; ++mode)
            EXPECT_EQ(midiModeDefinition(mode).isUsed(ParamKind::Controller, slot), tracked[slot][mode] != '-')
                << "slot " << slot << " in " << midiModeName(mode);

    const std::set<int> xgOnlyNrpns{5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    for (int slot = 0; slot < kNrpnSlotCount; ++slot) {
        EXPECT_TRUE(xg().isUsed(ParamKind::Nrpn, slot));
        EXPECT_EQ(gs().isUsed(ParamKind::Nrpn, slot), !xgOnlyNrpns.count(slot)) << slot;
    }
    const std::set<int> gsDrumNrpns{4, 6, 7, 8, 9, 10};
    for (int slot = 0; slot < kDrumNrpnSlotCount; ++slot) {
        EXPECT_TRUE(xg().isUsed(ParamKind::DrumNrpn, slot));
        EXPECT_EQ(gs().isUsed(ParamKind::DrumNrpn, slot), gsDrumNrpns.count(slot) == 1) << slot;
    }
}

TEST(MidiModeDefinition, Defaults)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const MidiModeDefinition& def = midiModeDefinition(mode);
        EXPECT_EQ(def.defaultOf(ParamKind::Controller, 4), 100);
        EXPECT_EQ(def.defaultOf(ParamKind::Controller, 5), 64);
        EXPECT_EQ(def.displayOffsetOf(ParamKind::Controller, 5), -64);
        EXPECT_EQ(def.defaultOf(ParamKind::Controller, 6), 127);
        EXPECT_EQ(def.defaultOf(ParamKind::Rpn, 0), 2);
        EXPECT_EQ(def.defaultOf(ParamKind::Rpn, 1), 64);
        EXPECT_EQ(def.defaultOf(ParamKind::Rpn, 3), 2); // no such slot
    }
    EXPECT_EQ(gs().defaultOf(ParamKind::Controller, 23), 40);
    EXPECT_DOUBLE_EQ(gs().displayValue(ParamKind::Controller, 5, 64), 0.0);

    // Slots a standard does not track fall back to the kind's empty-slot default.
    EXPECT_EQ(gm().defaultOf(ParamKind::Controller, 14), 64);
    EXPECT_EQ(gm().defaultOf(ParamKind::Controller, 0), 64);
    EXPECT_EQ(gm().displayOffsetOf(ParamKind::Controller, 14), 0);
    EXPECT_EQ(gm().defaultOf(ParamKind::Nrpn, 0), 64);
    EXPECT_EQ(gm().defaultOf(ParamKind::DrumNrpn, 0), 20);
    EXPECT_EQ(gs().defaultOf(ParamKind::DrumNrpn, 0), 20);

    for (int slot = 0; slot < kNrpnSlotCount; ++slot) {
        EXPECT_EQ(xg().defaultOf(ParamKind::Nrpn, slot), 64);
        EXPECT_EQ(xg().displayOffsetOf(ParamKind::Nrpn, slot), -64);
    }
    const std::set<int> fullLevel{6, 8};
    const std::set<int> zeroLevel{9, 10, 21, 22};
    for (int slot = 0; slot < kDrumNrpnSlotCount; ++slot) {
        const int expected = fullLevel.count(slot) ? 127 : zeroLevel.count(slot) ? 0 : 64;
        EXPECT_EQ(xg().defaultOf(ParamKind::DrumNrpn, slot), expected) << slot;
        EXPECT_EQ(xg().displayOffsetOf(ParamKind::DrumNrpn, slot), expected == 64 ? -64 : 0) << slot;
    }
    EXPECT_EQ(gs().defaultOf(ParamKind::DrumNrpn, 6), 127);
}

// A refused event names its parameter even in a standard that does not track it.
TEST(MidiModeDefinition, NamesOfUntrackedSlots)
{
    EXPECT_FALSE(gm().isUsed(ParamKind::Controller, 14));
    EXPECT_EQ(gm().longName(ParamKind::Controller, 14), "Harmonic Content");
    EXPECT_EQ(gm2().longName(ParamKind::Controller, 14), "Filter Resonance (Timbre/Harmonic Intensity)");
    EXPECT_EQ(gs().longName(ParamKind::Controller, 23), "Reverb (Effect 1) Depth");
    EXPECT_EQ(xg().longName(ParamKind::Controller, 23), "Reverb Send Level");
    EXPECT_EQ(xg().longName(ParamKind::Controller, 31), "Mono");
    EXPECT_EQ(gm2().longName(ParamKind::Controller, 9), "Hold1 (Damper)");
    EXPECT_EQ(gm2().shortName(ParamKind::Controller, 9), "Hold1");

    EXPECT_EQ(gm().longName(ParamKind::Nrpn, 3), "TVF cutoff frequency"); // from GS, the first that tracks it
    EXPECT_EQ(gs().longName(ParamKind::Nrpn, 5), "High pass filter cutoff");
    EXPECT_EQ(gm2().longName(ParamKind::DrumNrpn, 0), "Filter cutoff frequency");
    EXPECT_TRUE(gm().isCommand(ParamKind::Nrpn, kNrpnLockInSlot));
    EXPECT_EQ(gm().longName(ParamKind::Rpn, kRpnLockInSlot), "RPN lock in");

    EXPECT_EQ(gs().longName(ParamKind::Controller, kControllerSlotCount), "");
    EXPECT_EQ(gs().longName(ParamKind::Nrpn, -1), "");
}

TEST(MidiModeDefinition, SpecialControllersAndCommands)
{
    const int special[] = {Cc::BankMsb,
                           Cc::BankLsb,
                           Cc::Modulation,
                           Cc::Volume,
                           Cc::Pan,
                           Cc::Expression,
                           Cc::Sustain,
                           Cc::Portamento,
                           Cc::Sostenuto,
                           Cc::Soft,
                           Cc::Hold2,
                           Cc::AllSoundsOff,
                           Cc::ResetAllControllers,
                           Cc::AllNotesOff,
                           Cc::OmniOff,
                           Cc::OmniOn,
                           Cc::MonoOn,
                           Cc::PolyOn};
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const MidiModeDefinition& def = midiModeDefinition(mode);
        for (int number : special) {
            const int slot = slotForSong(ParamKind::Controller, number);
            ASSERT_GE(slot, 0) << number;
            EXPECT_TRUE(def.isControllerSlot(slot, number));
            EXPECT_FALSE(def.isControllerSlot(slot, number == 0 ? 1 : 0));
        }
        for (int slot = 0; slot < kControllerSlotCount; ++slot) {
            EXPECT_EQ(def.isModeMessage(slot), slot >= 29) << slot;
            EXPECT_EQ(def.isCommand(ParamKind::Controller, slot), slot >= 26) << slot;
        }
        EXPECT_FALSE(def.isModeMessage(-1));
        EXPECT_FALSE(def.isControllerSlot(-1, -1));
    }
}

TEST(MidiModeDefinition, DrumMaps)
{
    EXPECT_EQ(gm().drumMapCount(), 1);
    EXPECT_EQ(gs().drumMapCount(), 2);
    EXPECT_EQ(xg().drumMapCount(), 3);
    EXPECT_EQ(gm2().drumMapCount(), 0);
    EXPECT_EQ(gm().drumMapName(0), "PSEUDO-MAP 1");
    EXPECT_EQ(gs().drumMapName(0), "MAP1 (editable)");
    EXPECT_EQ(gs().drumMapName(1), "MAP2 (editable)");
    EXPECT_EQ(xg().drumMapName(0), "DRUM (not editable)");
    EXPECT_EQ(xg().drumMapName(2), "DRUMS 2 (editable)");
    EXPECT_EQ(gs().drumMapName(2), "");
    EXPECT_EQ(gm2().drumMapName(0), "");
    EXPECT_TRUE(gs().isDrumMapEditable(1));
    EXPECT_FALSE(xg().isDrumMapEditable(0));
    EXPECT_TRUE(xg().isDrumMapEditable(1));
    EXPECT_FALSE(xg().isDrumMapEditable(3));
    EXPECT_FALSE(gm().isDrumMapEditable(0));
}

TEST(MidiModeDefinition, RhythmValues)
{
    EXPECT_FALSE(gs().isRhythmValue(0));
    EXPECT_TRUE(gs().isRhythmValue(1));
    EXPECT_FALSE(xg().isRhythmValue(1));
    EXPECT_TRUE(xg().isRhythmValue(2));
    EXPECT_TRUE(xg().isRhythmValue(3));
    EXPECT_FALSE(gm().isRhythmValue(1));
    EXPECT_FALSE(gm2().isRhythmValue(9));
}

TEST(MidiModeDefinition, PartAddresses)
{
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(10, false), 0x10);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(1, false), 0x11);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(9, false), 0x19);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(11, false), 0x1A);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(16, false), 0x1F);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(10, true), 0x20);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(16, true), 0x2F);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(0, false), -1);
    EXPECT_EQ(MidiModeDefinition::gsPartAddress(17, false), -1);

    std::set<int> blocks;
    for (int part = 1; part <= 16; ++part) {
        const int block = MidiModeDefinition::gsPartAddress(part, false) & 0x0F;
        blocks.insert(block);
        EXPECT_EQ(MidiModeDefinition::gsPartOfBlock(block), part);
        EXPECT_EQ(MidiModeDefinition::xgPartAddress(part), part - 1);
    }
    EXPECT_EQ(blocks.size(), 16u);
    EXPECT_EQ(MidiModeDefinition::gsPartOfBlock(16), -1);
    EXPECT_EQ(MidiModeDefinition::xgPartAddress(0), -1);
    EXPECT_EQ(MidiModeDefinition::xgPartAddress(17), -1);
}

TEST(MidiModeDefinition, KeyBasedControllersOnlyInGm2)
{
    const std::set<int> capable{2, 3, 4, 5, 6, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19, 20, 21, 23, 24, 26, 27};
    for (int slot = 0; slot < kControllerSlotCount; ++slot) {
        EXPECT_EQ(gm2().isKeyBasedCapable(slot), capable.count(slot) == 1) << slot;
        EXPECT_FALSE(gs().isKeyBasedCapable(slot));
        EXPECT_FALSE(xg().isKeyBasedCapable(slot));
        EXPECT_FALSE(gm().isKeyBasedCapable(slot));
    }
    EXPECT_EQ(gm2().keyBasedSlotOf(Cc::Pan), 5);
    EXPECT_EQ(gm2().keyBasedSlotOf(Cc::AllSoundsOff), 26);
    EXPECT_EQ(gm2().keyBasedSlotOf(Cc::BankMsb), -1);
    EXPECT_EQ(gm2().keyBasedSlotOf(Cc::AllNotesOff), -1);
    EXPECT_EQ(gm2().keyBasedSlotOf(6), -1);
    EXPECT_EQ(gs().keyBasedSlotOf(Cc::Pan), -1);
}

TEST(MidiModeDefinition, KeyBasedDefaults)
{
    const int reverb = slotForSong(ParamKind::Controller, Cc::Reverb);
    const int chorus = slotForSong(ParamKind::Controller, Cc::Chorus);
    const int pan = slotForSong(ParamKind::Controller, Cc::Pan);
    const int volume = slotForSong(ParamKind::Controller, Cc::Volume);
    EXPECT_EQ(MidiModeDefinition::keyBasedDefault(reverb, 35, 0), 0);
    EXPECT_EQ(MidiModeDefinition::keyBasedDefault(reverb, 36, 0), 0);
    EXPECT_EQ(MidiModeDefinition::keyBasedDefault(reverb, 38, 0), 127);
    EXPECT_EQ(MidiModeDefinition::keyBasedDefault(chorus, 38, 0), 0);
    EXPECT_EQ(MidiModeDefinition::keyBasedDefault(volume, 38, 0), 64);
    for (int key = 0; key < 128; ++key) {
        EXPECT_EQ(MidiModeDefinition::keyBasedDefault(pan, key, 0), drumKitPan(0, key));
        EXPECT_EQ(MidiModeDefinition::keyBasedDefault(pan, key, 56), drumKitPan(56, key));
    }
    // The kit's pan table really is per key: the hi-hat and the floor tom sit apart.
    EXPECT_NE(MidiModeDefinition::keyBasedDefault(pan, 42, 0), MidiModeDefinition::keyBasedDefault(pan, 41, 0));
}

TEST(MidiModeDefinition, DrumNamesThroughTheDefinition)
{
    EXPECT_EQ(gm().drumName(36, 25), "Bass Drum 1"); // GM has one kit whatever the program
    EXPECT_EQ(gs().drumName(36, 25), "808 Bass Drum");
    EXPECT_EQ(gs().drumKitName(25), "TR-808");
    EXPECT_EQ(xg().drumName(36, 0), "Bass Drum H");
}

} // namespace
} // namespace velisto
