#include "midi/DeviceMidiState.h"

#include "midi/MidiStandardNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace velisto {
namespace {

using State = DeviceMidiState;

State resetTo(int mode)
{
    State state;
    EXPECT_TRUE(state.setMode(mode));
    EXPECT_TRUE(state.reset(ResetKind::MidiMode));
    return state;
}

int slotOf(int controller) { return slotForSong(ParamKind::Controller, controller); }

int gsDrumNrpnSlot(int msb) { return midiModeDefinition(MidiMode::GS).slotOf(ParamKind::DrumNrpn, msb); }

TEST(DeviceMidiState, ResetKindTexts)
{
    EXPECT_EQ(resetKindText(ResetKind::MidiMode), "resetmidimode");
    EXPECT_EQ(resetKindText(ResetKind::AllControllers), "resetallcontrollermode");
    EXPECT_EQ(resetKindFromText("resetmap"), ResetKind::Map);
    EXPECT_FALSE(resetKindFromText("resetmode").has_value());
}

TEST(DeviceMidiState, EmptyStateAnswersSafely)
{
    State state;
    EXPECT_FALSE(state.resetDone());
    EXPECT_EQ(state.partOfChannel(0), -1);
    EXPECT_FALSE(state.isRhythmChannel(9));
    EXPECT_EQ(state.drumMapOfPart(10), -1);
    EXPECT_EQ(state.drumNrpnValue(0, 36, 6), -1);
    EXPECT_FALSE(state.reset(ResetKind::Map, 0));
    EXPECT_EQ(state.drumName(10, 36), "Bass Drum 1"); // GM names
    EXPECT_FALSE(state.setMode(4));
    EXPECT_FALSE(state.setMode(-1));
    EXPECT_EQ(state.mode(), MidiMode::GM);
}

// ---- full reset ----

TEST(DeviceMidiState, FullResetGsParts)
{
    const State state = resetTo(MidiMode::GS);
    EXPECT_TRUE(state.resetDone());
    for (int part = 1; part <= State::kParts; ++part) {
        SCOPED_TRACE(part);
        EXPECT_EQ(state.part(part)->rhythmValue, part == 10 ? 1 : 0);
        EXPECT_EQ(state.part(part)->midiChannel, part - 1);
        EXPECT_EQ(state.partOfChannel(part - 1), part);
        EXPECT_EQ(state.isRhythmChannel(part - 1), part == 10);
    }
    EXPECT_EQ(state.drumMapCount(), 2);
    EXPECT_EQ(state.drumMapOfPart(10), 0);
    EXPECT_EQ(state.drumMapOfPart(1), -1);
    // Drum maps carry the drum NRPN defaults of the standard.
    EXPECT_EQ(state.drumNrpnValue(1, 60, gsDrumNrpnSlot(0x1A)), 127); // TVA level
    EXPECT_EQ(state.drumNrpnValue(0, 36, gsDrumNrpnSlot(0x1D)), 127); // reverb send
    EXPECT_EQ(state.drumNrpnValue(0, 36, gsDrumNrpnSlot(0x1E)), 0);   // chorus send
    EXPECT_EQ(state.drumNrpnValue(0, 127, gsDrumNrpnSlot(0x18)), 64); // pitch coarse
}

TEST(DeviceMidiState, FullResetChannelDefaults)
{
    State state;
    ASSERT_TRUE(state.setMode(MidiMode::GS));
    // Dirty everything a reset restores, on every channel.
    for (int channel = 0; channel < State::kChannels; ++channel) {
        for (int slot = 0; slot < kControllerSlotCount; ++slot)
            state.setControllerValue(channel, slot, 3);
        state.setNrpnValue(channel, 0, 3);
        state.setRpnValue(channel, 0, 3);
        state.setPitchBend(channel, 5, 5);
        state.setChannelPressure(channel, 5);
        state.setPolyKeyValue(channel, 60, 5);
    }
    ASSERT_TRUE(state.reset(ResetKind::MidiMode));
    for (int channel = 0; channel < State::kChannels; ++channel) {
        SCOPED_TRACE(channel);
        EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Volume)), 100);
        EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Pan)), 64);
        EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Expression)), 127);
        EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Reverb)), 40);
        EXPECT_EQ(state.controllerValue(channel, slotOf(16)), 0); // GS tracks GP #1
        EXPECT_EQ(state.nrpnValue(channel, 0), 64);
        EXPECT_EQ(state.rpnValue(channel, 0), 2);  // pitch bend sensitivity
        EXPECT_EQ(state.rpnValue(channel, 1), 64); // coarse tuning
        EXPECT_EQ(state.pitchBend(channel), 0);
        EXPECT_EQ(state.pitchBendMsb(channel), 64);
        EXPECT_EQ(state.channelPressure(channel), 0);
        EXPECT_EQ(state.polyKeyValue(channel, 60), 0);
        // Slots GS does not track and command rows hold no value of the reset.
        EXPECT_EQ(state.controllerValue(channel, slotOf(71)), 3);
        EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::AllNotesOff)), 3);
    }
}

TEST(DeviceMidiState, FullResetDefaultsFollowTheMode)
{
    State state = resetTo(MidiMode::GS);
    const int harmonic = slotOf(71); // XG and GM2 only
    const int gp1 = slotOf(16);      // GS only
    ASSERT_TRUE(state.setControllerValue(0, harmonic, 9));
    ASSERT_TRUE(state.setControllerValue(0, gp1, 9));
    ASSERT_TRUE(state.setMode(MidiMode::XG));
    ASSERT_TRUE(state.reset(ResetKind::MidiMode));
    EXPECT_EQ(state.controllerValue(0, harmonic), 64);
    EXPECT_EQ(state.controllerValue(0, gp1), 9);
    // XG has its own NRPN rows: high pass filter cutoff (NRPN 0x24) gets its default.
    ASSERT_TRUE(state.setNrpnValue(0, 5, 1));
    ASSERT_TRUE(state.reset(ResetKind::MidiMode));
    EXPECT_EQ(state.nrpnValue(0, 5), 64);
}

TEST(DeviceMidiState, FullResetXg)
{
    const State state = resetTo(MidiMode::XG);
    EXPECT_EQ(state.drumMapCount(), 3);
    EXPECT_EQ(state.part(10)->rhythmValue, 2);
    EXPECT_EQ(state.part(10)->bankMsb, 127);
    EXPECT_EQ(state.controllerValue(9, slotOf(Cc::BankMsb)), 127);
    EXPECT_EQ(state.controllerValue(9, slotOf(Cc::BankLsb)), 0);
    EXPECT_EQ(state.controllerValue(0, slotOf(Cc::BankMsb)), 0);
    EXPECT_EQ(state.drumMapOfPart(10), 1); // DRUMS 1
    EXPECT_TRUE(state.isRhythmChannel(9));
    EXPECT_FALSE(state.isRhythmChannel(0));
    EXPECT_EQ(state.keyMapCount(), 0);
}

TEST(DeviceMidiState, FullResetGm2)
{
    const State state = resetTo(MidiMode::GM2);
    EXPECT_EQ(state.drumMapCount(), 0);
    ASSERT_EQ(state.keyMapCount(), 16);
    for (int part = 1; part <= State::kParts; ++part) {
        SCOPED_TRACE(part);
        const int bank = part == 10 ? 120 : 121;
        EXPECT_EQ(state.part(part)->bankMsb, bank);
        EXPECT_EQ(state.part(part)->lastEnteredBankMsb, bank);
        EXPECT_EQ(state.controllerValue(part - 1, slotOf(Cc::BankMsb)), bank);
        EXPECT_EQ(state.controllerValue(part - 1, slotOf(Cc::BankLsb)), 0);
        EXPECT_EQ(state.isRhythmPart(part), part == 10);
        EXPECT_EQ(state.keyMap(part - 1)->valid, part == 10);
    }
    EXPECT_EQ(state.keyMapOfChannel(9), 9);
    EXPECT_EQ(state.drumMapOfPart(10), -1);
}

TEST(DeviceMidiState, Gm2KeyMapDefaults)
{
    const State state = resetTo(MidiMode::GM2);
    const int pan = slotOf(Cc::Pan);
    const int reverb = slotOf(Cc::Reverb);
    const int chorus = slotOf(Cc::Chorus);
    const int volume = slotOf(Cc::Volume);
    EXPECT_EQ(state.keyBasedValue(9, 42, pan), drumKitPan(0, 42)); // hi-hat off centre
    EXPECT_NE(state.keyBasedValue(9, 42, pan), 64);
    EXPECT_EQ(state.keyBasedValue(9, 36, pan), 64);
    EXPECT_EQ(state.keyBasedValue(9, 35, reverb), 0);
    EXPECT_EQ(state.keyBasedValue(9, 36, reverb), 0);
    EXPECT_EQ(state.keyBasedValue(9, 38, reverb), 127);
    EXPECT_EQ(state.keyBasedValue(9, 38, chorus), 0);
    EXPECT_EQ(state.keyBasedValue(9, 38, volume), 64);
    // Bank select is no key-based controller.
    EXPECT_EQ(state.keyBasedValue(9, 38, slotOf(Cc::BankMsb)), 0);
}

TEST(DeviceMidiState, ModeChangeReplacesMaps)
{
    State state = resetTo(MidiMode::GM2);
    ASSERT_TRUE(state.setMode(MidiMode::GM));
    ASSERT_TRUE(state.reset(ResetKind::MidiMode));
    EXPECT_EQ(state.keyMapCount(), 0);
    EXPECT_EQ(state.keyMapOfChannel(9), -1);
    EXPECT_EQ(state.drumMapCount(), 1);
    // GM's rhythm part plays from its one pseudo map.
    EXPECT_EQ(state.part(10)->rhythmValue, 1);
    EXPECT_EQ(state.part(10)->bankMsb, 0);
    EXPECT_EQ(state.drumMapOfPart(10), 0);
    EXPECT_TRUE(state.isRhythmChannel(9));
}

TEST(DeviceMidiState, FullResetClearsTheProgramOfTheRhythmPart)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(state.setPartRhythmValue(10, 0));
    ASSERT_TRUE(state.programChangeOfPart(10, 33));
    ASSERT_TRUE(state.reset(ResetKind::MidiMode));
    EXPECT_EQ(state.part(10)->program, 0);
    EXPECT_EQ(state.selectionOfPart(10)->program, 0);
}

// ---- reset all controllers and map reset ----

TEST(DeviceMidiState, ResetAllControllers)
{
    State state = resetTo(MidiMode::GS);
    const int channel = 3;
    for (int ch : {channel, channel + 1}) {
        state.setControllerValue(ch, slotOf(Cc::Volume), 90);
        state.setControllerValue(ch, slotOf(Cc::Pan), 20);
        state.setControllerValue(ch, slotOf(Cc::Modulation), 50);
        state.setControllerValue(ch, slotOf(Cc::Expression), 60);
        state.setControllerValue(ch, slotOf(Cc::Sustain), 127);
        state.setControllerValue(ch, slotOf(Cc::Sostenuto), 127);
        state.setNrpnValue(ch, 3, 10);
        state.setRpnValue(ch, 0, 12);
        state.setPitchBend(ch, 3, 100);
        state.setChannelPressure(ch, 70);
        state.setPolyKeyValue(ch, 64, 80);
    }
    const State before = state;
    ASSERT_TRUE(state.reset(ResetKind::AllControllers, channel));

    EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Volume)), 90);
    EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Pan)), 20);
    EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Sostenuto)), 127);
    EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Modulation)), 0);
    EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Expression)), 127);
    EXPECT_EQ(state.controllerValue(channel, slotOf(Cc::Sustain)), 0);
    EXPECT_EQ(state.pitchBend(channel), 0);
    EXPECT_EQ(state.pitchBendLsb(channel), 0);
    EXPECT_EQ(state.channelPressure(channel), 0);
    EXPECT_EQ(state.polyKeyValue(channel, 64), 0);
    EXPECT_EQ(state.nrpnValue(channel, 3), 10);
    EXPECT_EQ(state.rpnValue(channel, 0), 12);

    // The neighbour channel keeps everything.
    EXPECT_EQ(state.controllerValue(channel + 1, slotOf(Cc::Modulation)), 50);
    EXPECT_EQ(state.pitchBend(channel + 1), before.pitchBend(channel + 1));
    EXPECT_EQ(state.polyKeyValue(channel + 1, 64), 80);

    EXPECT_FALSE(state.reset(ResetKind::AllControllers, 16));
    EXPECT_FALSE(state.reset(ResetKind::AllControllers, -1));
}

TEST(DeviceMidiState, DrumMapReset)
{
    State state = resetTo(MidiMode::GS);
    const int level = gsDrumNrpnSlot(0x1A);
    ASSERT_TRUE(state.setDrumNrpnValue(1, 38, level, 5));
    ASSERT_TRUE(state.setDrumNrpnValue(0, 38, level, 6));
    ASSERT_TRUE(state.setDrumMapProgram(1, 25, false));
    ASSERT_TRUE(state.reset(ResetKind::Map, 1));
    EXPECT_EQ(state.drumNrpnValue(1, 38, level), 127);
    EXPECT_EQ(state.drumNrpnValue(0, 38, level), 6);
    EXPECT_EQ(state.drumMap(1)->mapProgram, 25); // the kit stays selected

    const State before = state;
    EXPECT_FALSE(state.reset(ResetKind::Map, 2));
    EXPECT_FALSE(state.reset(ResetKind::Map, -1));
    EXPECT_EQ(state, before);
}

TEST(DeviceMidiState, Gm2KeyMapResetUsesThePartsKit)
{
    State state = resetTo(MidiMode::GM2);
    const int pan = slotOf(Cc::Pan);
    // Part 3 becomes a rhythm part playing the SFX set, whose sounds all sit in the centre.
    ASSERT_TRUE(state.setPartBankMsb(3, 120));
    ASSERT_TRUE(state.programChangeOfPart(3, 56));
    EXPECT_TRUE(state.keyMap(2)->valid);
    EXPECT_EQ(state.keyBasedValue(2, 42, pan), 64);
    EXPECT_EQ(state.keyBasedValue(9, 42, pan), drumKitPan(0, 42));

    ASSERT_TRUE(state.setKeyBasedValue(9, 42, pan, 1));
    ASSERT_TRUE(state.reset(ResetKind::Map, 9));
    EXPECT_EQ(state.keyBasedValue(9, 42, pan), drumKitPan(0, 42));
    EXPECT_FALSE(state.reset(ResetKind::Map, 16));
}

// ---- program change ----

TEST(DeviceMidiState, XgProgramChangeMovesBetweenDrumAndInstrument)
{
    State state = resetTo(MidiMode::XG);
    ASSERT_TRUE(state.setPartBankMsb(1, 127));
    auto selection = state.programChangeOfPart(1, 25);
    ASSERT_TRUE(selection);
    EXPECT_EQ(state.part(1)->rhythmValue, 3);
    EXPECT_TRUE(selection->rhythm);
    EXPECT_EQ(selection->drumMap, 2);
    EXPECT_EQ(selection->program, 25);
    EXPECT_FALSE(selection->effect);
    EXPECT_EQ(state.drumMap(2)->mapProgram, 25);
    EXPECT_EQ(state.part(1)->program, 0);            // the instrument is kept
    EXPECT_EQ(state.part(1)->lastEnteredBankMsb, 0); // and so is its bank

    ASSERT_TRUE(state.setPartBankMsb(1, 126));
    selection = state.programChangeOfPart(1, 1);
    EXPECT_TRUE(selection->effect);
    EXPECT_TRUE(state.drumMap(2)->mapIsEffect);
    EXPECT_EQ(state.drumName(1, 36), ""); // SFX kit sounds are not named by key

    ASSERT_TRUE(state.setPartBankMsb(1, 0));
    ASSERT_TRUE(state.setPartBankLsb(1, 3));
    selection = state.programChangeOfPart(1, 40);
    EXPECT_EQ(state.part(1)->rhythmValue, 0);
    EXPECT_FALSE(selection->rhythm);
    EXPECT_EQ(selection->drumMap, -1);
    EXPECT_EQ(selection->program, 40);
    EXPECT_EQ(selection->bankLsb, 3);
    EXPECT_EQ(state.part(1)->lastEnteredBankLsb, 3);
}

TEST(DeviceMidiState, XgDrumPartKeepsItsMapOnDrumBanks)
{
    State state = resetTo(MidiMode::XG);
    ASSERT_TRUE(state.programChangeOfPart(10, 8)); // bank MSB 127 from the reset
    EXPECT_EQ(state.part(10)->rhythmValue, 2);
    EXPECT_EQ(state.drumMap(1)->mapProgram, 8);
    EXPECT_FALSE(state.drumMap(1)->mapIsEffect);
    EXPECT_EQ(state.drumMap(2)->mapProgram, 0);
}

TEST(DeviceMidiState, GsProgramChangeOnRhythmPartSelectsKitAndResetsMap)
{
    State state = resetTo(MidiMode::GS);
    const int level = gsDrumNrpnSlot(0x1A);
    ASSERT_TRUE(state.setDrumNrpnValue(0, 36, level, 10));
    const auto selection = state.programChangeOfPart(10, 25);
    ASSERT_TRUE(selection);
    EXPECT_EQ(state.drumMap(0)->mapProgram, 25);
    EXPECT_EQ(state.drumNrpnValue(0, 36, level), 127);
    EXPECT_EQ(state.part(10)->program, 0);
    EXPECT_EQ(state.drumName(10, 36), "808 Bass Drum");
    EXPECT_EQ(state.drumName(1, 36), "Kick Drum 1"); // instrument part: standard kit
    EXPECT_EQ(*selection, (ProgramSelection{10, 9, 25, 0, 0, 0, true, false}));

    // A second rhythm part on map 2 does not disturb map 1.
    ASSERT_TRUE(state.setPartRhythmValue(2, 2));
    ASSERT_TRUE(state.programChangeOfPart(2, 48));
    EXPECT_EQ(state.drumMap(1)->mapProgram, 48);
    EXPECT_EQ(state.drumMap(0)->mapProgram, 25);
    EXPECT_EQ(state.drumName(2, 41), "Timpani F");
}

TEST(DeviceMidiState, Gm2ProgramChangeFollowsTheBank)
{
    State state = resetTo(MidiMode::GM2);
    ASSERT_TRUE(state.programChangeOfPart(1, 12));
    EXPECT_EQ(state.part(1)->program, 12);
    EXPECT_FALSE(state.isRhythmPart(1));

    ASSERT_TRUE(state.setPartBankMsb(1, 120));
    ASSERT_TRUE(state.programChangeOfPart(1, 25));
    EXPECT_TRUE(state.isRhythmChannel(0));
    EXPECT_EQ(state.part(1)->program, 25);
    EXPECT_EQ(state.part(1)->lastEnteredBankMsb, 121);
    EXPECT_TRUE(state.keyMap(0)->valid);
    EXPECT_EQ(state.drumName(1, 36), "808 Bass Drum");

    // Other banks leave the part's kind as it is.
    ASSERT_TRUE(state.setPartBankMsb(1, 0));
    ASSERT_TRUE(state.programChangeOfPart(1, 26));
    EXPECT_TRUE(state.isRhythmPart(1));

    ASSERT_TRUE(state.setPartBankMsb(1, 121));
    ASSERT_TRUE(state.programChangeOfPart(1, 4));
    EXPECT_FALSE(state.isRhythmPart(1));
    EXPECT_EQ(state.part(1)->program, 4);
}

TEST(DeviceMidiState, GmRhythmPartIgnoresProgramChange)
{
    State state = resetTo(MidiMode::GM);
    const State before = state;
    const auto selection = state.programChangeOfPart(10, 40);
    ASSERT_TRUE(selection);
    EXPECT_EQ(state, before);
    EXPECT_EQ(selection->drumMap, 0);
    EXPECT_EQ(selection->program, 0);
}

TEST(DeviceMidiState, ProgramChangeOutOfRangeChangesNothing)
{
    State state = resetTo(MidiMode::XG);
    const State before = state;
    EXPECT_FALSE(state.programChangeOfPart(0, 1));
    EXPECT_FALSE(state.programChangeOfPart(17, 1));
    EXPECT_FALSE(state.programChangeOfPart(1, 128));
    EXPECT_FALSE(state.programChangeOfPart(1, -1));
    EXPECT_FALSE(state.selectionOfPart(17));
    EXPECT_EQ(state, before);
}

// ---- parts and channels ----

TEST(DeviceMidiState, PartChannelAssignment)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(state.assignPartChannel(3, 0));
    EXPECT_TRUE(state.receives(0, 1));
    EXPECT_TRUE(state.receives(0, 3));
    EXPECT_FALSE(state.receives(2, 3));
    EXPECT_EQ(state.partOfChannel(0), 1); // the lowest part answers
    EXPECT_EQ(state.partOfChannel(2), -1);
    EXPECT_EQ(state.part(3)->midiChannel, 0);

    ASSERT_TRUE(state.assignPartChannel(1, -1));
    EXPECT_EQ(state.partOfChannel(0), 3);
    EXPECT_EQ(state.part(1)->midiChannel, -1);

    // The rhythm part moves with its channel; sharing it with an instrument part still
    // makes the channel a rhythm channel.
    ASSERT_TRUE(state.assignPartChannel(10, 4));
    EXPECT_EQ(state.partOfChannel(4), 5);
    EXPECT_TRUE(state.isRhythmChannel(4));
    EXPECT_FALSE(state.isRhythmChannel(9));
    EXPECT_EQ(state.partOfChannel(9), -1);

    const State before = state;
    EXPECT_FALSE(state.assignPartChannel(3, 16));
    EXPECT_FALSE(state.assignPartChannel(3, -2));
    EXPECT_FALSE(state.assignPartChannel(17, 0));
    EXPECT_EQ(state, before);
}

TEST(DeviceMidiState, RhythmValueLimitsPerMode)
{
    State gs = resetTo(MidiMode::GS);
    EXPECT_EQ(gs.maxRhythmValue(), 2);
    EXPECT_TRUE(gs.setPartRhythmValue(5, 2));
    EXPECT_EQ(gs.drumMapOfPart(5), 1);
    EXPECT_FALSE(gs.setPartRhythmValue(5, 3));
    EXPECT_EQ(gs.part(5)->rhythmValue, 2);

    State xg = resetTo(MidiMode::XG);
    EXPECT_EQ(xg.maxRhythmValue(), 3);
    ASSERT_TRUE(xg.setPartRhythmValue(5, 1));
    EXPECT_FALSE(xg.isRhythmPart(5)); // XG's "drum" setting of 1 is no rhythm part
    EXPECT_EQ(xg.drumMapOfPart(5), 0);
}

// ---- setters, copies ----

TEST(DeviceMidiState, SettersRefuseOutOfRange)
{
    State state = resetTo(MidiMode::XG);
    const State before = state;
    EXPECT_FALSE(state.setControllerValue(16, 0, 1));
    EXPECT_FALSE(state.setControllerValue(-1, 0, 1));
    EXPECT_FALSE(state.setControllerValue(0, 33, 1));
    EXPECT_FALSE(state.setControllerValue(0, 0, 128));
    EXPECT_FALSE(state.setNrpnValue(0, 19, 1));
    EXPECT_FALSE(state.setRpnValue(0, 3, 1));
    EXPECT_FALSE(state.setPitchBend(0, 128, 0));
    EXPECT_FALSE(state.setPitchBend(0, 0, -1));
    EXPECT_FALSE(state.setChannelPressure(16, 1));
    EXPECT_FALSE(state.setPolyKeyValue(0, 128, 1));
    EXPECT_FALSE(state.setDrumNrpnValue(3, 0, 0, 1));
    EXPECT_FALSE(state.setDrumNrpnValue(0, 128, 0, 1));
    EXPECT_FALSE(state.setDrumNrpnValue(0, 0, 23, 1));
    EXPECT_FALSE(state.setDrumMapProgram(3, 1, false));
    EXPECT_FALSE(state.setKeyBasedValue(0, 0, 0, 1)); // XG holds no key maps
    EXPECT_FALSE(state.setPartBankMsb(0, 1));
    EXPECT_FALSE(state.setPartBankLsb(1, 200));
    EXPECT_EQ(state, before);
    EXPECT_EQ(state.controllerValue(16, 0), -1);
    EXPECT_EQ(state.nrpnValue(0, 19), -1);
    EXPECT_EQ(state.keyBasedValue(0, 0, 0), -1);
}

TEST(DeviceMidiState, PitchBendValue)
{
    State state = resetTo(MidiMode::GM);
    ASSERT_TRUE(state.setPitchBend(2, 127, 127));
    EXPECT_EQ(state.pitchBend(2), 8191);
    ASSERT_TRUE(state.setPitchBend(2, 0, 0));
    EXPECT_EQ(state.pitchBend(2), -8192);
}

TEST(DeviceMidiState, CopiesAreIndependent)
{
    const State gs = resetTo(MidiMode::GS);
    State copy = gs;
    EXPECT_EQ(copy, gs);
    ASSERT_TRUE(copy.setDrumNrpnValue(0, 40, 6, 1));
    ASSERT_TRUE(copy.programChangeOfPart(10, 16));
    ASSERT_TRUE(copy.setControllerValue(0, slotOf(Cc::Volume), 1));
    EXPECT_EQ(gs.drumNrpnValue(0, 40, 6), 127);
    EXPECT_EQ(gs.drumMap(0)->mapProgram, 0);
    EXPECT_EQ(gs.controllerValue(0, slotOf(Cc::Volume)), 100);

    const State gm2 = resetTo(MidiMode::GM2);
    State assigned;
    assigned = gm2;
    ASSERT_TRUE(assigned.setKeyBasedValue(9, 38, slotOf(Cc::Volume), 3));
    assigned.reset(ResetKind::MidiMode);
    EXPECT_EQ(assigned, gm2); // a reset state is the same whatever came before
    ASSERT_TRUE(assigned.setKeyBasedValue(9, 38, slotOf(Cc::Volume), 3));
    EXPECT_EQ(gm2.keyBasedValue(9, 38, slotOf(Cc::Volume)), 64);
}

// ---- dump ----

std::vector<std::string> linesAfter(const std::vector<std::string>& lines, const std::string& first, std::size_t count)
{
    const auto found = std::find(lines.begin(), lines.end(), first);
    if (found == lines.end() || static_cast<std::size_t>(lines.end() - found) < count)
        return {};
    return {found, found + static_cast<std::ptrdiff_t>(count)};
}

TEST(DeviceMidiState, DumpOfXgState)
{
    State state = resetTo(MidiMode::XG);
    ASSERT_TRUE(state.assignPartChannel(2, -1));
    ASSERT_TRUE(state.setPartBankMsb(1, 126));
    ASSERT_TRUE(state.programChangeOfPart(1, 0));
    const std::vector<std::string> lines = state.dump("Synth A");

    const std::string stars(50, '*');
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              (std::vector<std::string>{stars, "DEVICEMIDISTATES Synth A", stars, "XG", ""}));
    EXPECT_EQ(linesAfter(lines, "Part 2", 11),
              (std::vector<std::string>{"Part 2", "=======", "Use for rythm : 0", "midichannel : off", "Bank MSB : 0",
                                        "Bank LSB : 0", "Prog:0", "Last entered instr. Bank MSB : 0",
                                        "Last entered instr. Bank LSB : 0", "", "Part 3"}));
    EXPECT_EQ(linesAfter(lines, "Part 10", 9),
              (std::vector<std::string>{"Part 10", "=======", "Use for rythm : 2", "midichannel : 10", "Bank MSB : 127",
                                        "Bank LSB : 0", "Prog:0", "Last entered instr. Bank MSB : 0",
                                        "Last entered instr. Bank LSB : 0"}));
    const std::string rule(48, '=');
    EXPECT_EQ(linesAfter(lines, "DRUMMAP : 3", 9),
              (std::vector<std::string>{"DRUMMAP : 3", "============", "Mapprogram : 0", "Map is effect : true", "",
                                        rule, rule, "", "MIDI channel 1"}));
    EXPECT_EQ(linesAfter(lines, "MIDI channel 10", 5),
              (std::vector<std::string>{"MIDI channel 10", "==============", "Controller Bank MSB : 127",
                                        "Controller Bank LSB : 0", ""}));
    EXPECT_EQ(lines.size(), 5u + 16 * 10 + 3 * 5 + 3 + 16 * 5);
    EXPECT_EQ(lines.back(), "");
}

TEST(DeviceMidiState, DumpOfGmStateHasNoBankOrEffectLines)
{
    const std::vector<std::string> lines = resetTo(MidiMode::GM).dump("Port");
    EXPECT_EQ(lines[3], "GM");
    EXPECT_EQ(linesAfter(lines, "DRUMMAP : 1", 4),
              (std::vector<std::string>{"DRUMMAP : 1", "============", "Mapprogram : 0", ""}));
    EXPECT_EQ(linesAfter(lines, "MIDI channel 16", 3),
              (std::vector<std::string>{"MIDI channel 16", "==============", ""}));
    EXPECT_EQ(lines.size(), 5u + 16 * 10 + 4 + 3 + 16 * 3);
}

} // namespace
} // namespace velisto
