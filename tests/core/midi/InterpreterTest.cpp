#include "midi/Interpreter.h"

#include "midi/OutputDevice.h"
#include "midi/ProgramIndex.h"
#include "midi/SysexDecoder.h"
#include "song/MidiEvent.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace velisto {
namespace {

using State = DeviceMidiState;
using Bytes = std::vector<std::uint8_t>;

State resetTo(int mode)
{
    State state;
    EXPECT_TRUE(state.setMode(mode));
    EXPECT_TRUE(state.reset(ResetKind::MidiMode));
    return state;
}

int cc(int number) { return slotForSong(ParamKind::Controller, number); }
int nrpn(int number) { return slotForSong(ParamKind::Nrpn, number); }
int drumNrpn(int msb) { return slotForSong(ParamKind::DrumNrpn, msb); }
int rpn(int number) { return slotForSong(ParamKind::Rpn, number); }

std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }

InterpretResult event(State& state, int kind, int channel, int data1, int data2, int data3 = kNoDrumKey,
                      const InterpretContext& context = {})
{
    return interpretEvent(state, byte(kind | channel), byte(data1), byte(data2), byte(data3), context);
}

InterpretResult sysex(State& state, const Bytes& stored, const InterpretContext& context = {})
{
    return interpretSysex(state, stored, context);
}

void expectValid(const InterpretResult& result)
{
    EXPECT_TRUE(result.valid) << result.text;
    EXPECT_FALSE(result.skip);
    EXPECT_EQ(result.text, "");
}

void expectSentAnyway(const InterpretResult& result, const std::string& text)
{
    EXPECT_FALSE(result.valid);
    EXPECT_FALSE(result.skip);
    EXPECT_EQ(result.text, text);
}

void expectSkipped(const InterpretResult& result, const std::string& text)
{
    EXPECT_FALSE(result.valid);
    EXPECT_TRUE(result.skip);
    EXPECT_EQ(result.text, text);
}

// ---- messages as the song stores them (after F0, with F7) ----

Bytes gsMessage(int a1, int a2, int a3, std::initializer_list<int> data)
{
    Bytes body{0x41, 0x10, 0x42, 0x12, byte(a1), byte(a2), byte(a3)};
    int sum = a1 + a2 + a3;
    for (const int d : data) {
        body.push_back(byte(d));
        sum += d;
    }
    body.push_back(byte((128 - sum % 128) % 128));
    body.push_back(0xF7);
    return body;
}

Bytes gsReset(int value = 0) { return gsMessage(0x40, 0x00, 0x7F, {value}); }
Bytes gsPart(int part, int address, std::initializer_list<int> data)
{
    return gsMessage(0x40, MidiModeDefinition::gsPartAddress(part, false), address, data);
}
constexpr int kGsToneNumber = 0x00;
constexpr int kGsMidiChannel = 0x02;
constexpr int kGsUseForRhythm = 0x15;

Bytes xgMessage(int a1, int a2, int a3, std::initializer_list<int> data)
{
    Bytes body{0x43, 0x10, 0x4C, byte(a1), byte(a2), byte(a3)};
    for (const int d : data)
        body.push_back(byte(d));
    body.push_back(0xF7);
    return body;
}

Bytes xgSystemOn() { return xgMessage(0x00, 0x00, 0x7E, {0x00}); }
Bytes xgPart(int part, int address, int value) { return xgMessage(0x08, part - 1, address, {value}); }
constexpr int kXgBankMsb = 0x01;
constexpr int kXgProgram = 0x03;
constexpr int kXgMidiChannel = 0x04;
constexpr int kXgPartMode = 0x07;

Bytes gmMode(int value) { return {0x7E, 0x7F, 0x09, byte(value), 0xF7}; }

Bytes keyBased(int channel, int key, std::initializer_list<int> pairs)
{
    Bytes body{0x7F, 0x7F, 0x0A, 0x01, byte(channel), byte(key)};
    for (const int b : pairs)
        body.push_back(byte(b));
    body.push_back(0xF7);
    return body;
}

// ---- controllers ----

TEST(InterpreterController, RedundantValuesAreReportedAndSentAnyway)
{
    State state = resetTo(MidiMode::GM);
    expectSentAnyway(event(state, EventKind::Controller, 0, cc(Cc::Volume), 100),
                     "Controller Main Volume MSB value 100 already ");
    // The text shows the value as the mode does: pan 64 is the centre, 0.
    expectSentAnyway(event(state, EventKind::Controller, 3, cc(Cc::Pan), 64),
                     "Controller Panorama MSB value 0 already ");

    expectValid(event(state, EventKind::Controller, 0, cc(Cc::Volume), 90));
    EXPECT_EQ(state.controllerValue(0, cc(Cc::Volume)), 90);
    EXPECT_EQ(state.controllerValue(1, cc(Cc::Volume)), 100) << "other channels keep theirs";
    expectSentAnyway(event(state, EventKind::Controller, 0, cc(Cc::Volume), 90),
                     "Controller Main Volume MSB value 90 already ");
}

TEST(InterpreterController, UnsupportedControllersAreSkipped)
{
    State gm = resetTo(MidiMode::GM);
    expectSkipped(event(gm, EventKind::Controller, 0, cc(71), 80),
                  "Controller Harmonic Content not supported in current MIDI mode GM");
    expectSkipped(event(gm, EventKind::Controller, 0, cc(Cc::BankMsb), 8),
                  "Controller Bank Select MSB not supported in current MIDI mode GM");
    EXPECT_EQ(gm.controllerValue(0, cc(71)), 0) << "nothing stored";

    State gs = resetTo(MidiMode::GS);
    expectSkipped(event(gs, EventKind::Controller, 0, cc(71), 80),
                  "Controller Harmonic Content not supported in current MIDI mode GS");
    State xg = resetTo(MidiMode::XG);
    expectValid(event(xg, EventKind::Controller, 0, cc(71), 80));

    // A slot that no standard has is refused the same way, never used as an index.
    expectSkipped(event(xg, EventKind::Controller, 0, 200, 1), "Controller #200 not supported in current MIDI mode XG");
}

TEST(InterpreterController, ResetAllControllersAndCommands)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(event(state, EventKind::Controller, 2, cc(Cc::Modulation), 50).valid);
    ASSERT_TRUE(event(state, EventKind::Controller, 2, cc(Cc::Volume), 70).valid);
    ASSERT_TRUE(event(state, EventKind::PitchBend, 2, 0, 100).valid);

    expectValid(event(state, EventKind::Controller, 2, cc(Cc::ResetAllControllers), 0));
    EXPECT_EQ(state.controllerValue(2, cc(Cc::Modulation)), 0);
    EXPECT_EQ(state.controllerValue(2, cc(Cc::Volume)), 70);
    EXPECT_EQ(state.pitchBend(2), 0);
    // Commands carry no value, so they are never "already" set.
    expectValid(event(state, EventKind::Controller, 2, cc(Cc::AllNotesOff), 0));
    expectValid(event(state, EventKind::Controller, 2, cc(Cc::AllNotesOff), 0));
}

TEST(InterpreterController, BankSelectGoesIntoEveryPartOfTheChannel)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(state.assignPartChannel(2, 0)); // parts 1 and 2 on channel 1

    expectValid(event(state, EventKind::Controller, 0, cc(Cc::BankMsb), 8));
    EXPECT_EQ(state.part(1)->bankMsb, 8);
    EXPECT_EQ(state.part(2)->bankMsb, 8);
    EXPECT_EQ(state.part(3)->bankMsb, 0);
    expectValid(event(state, EventKind::Controller, 0, cc(Cc::BankLsb), 3));
    EXPECT_EQ(state.part(2)->bankLsb, 3);
    expectSentAnyway(event(state, EventKind::Controller, 0, cc(Cc::BankMsb), 8),
                     "Controller Bank Select MSB value 8 already ");

    // A part that joins the channel later does not hold the bank: the same value is news.
    ASSERT_TRUE(state.assignPartChannel(3, 0));
    expectValid(event(state, EventKind::Controller, 0, cc(Cc::BankMsb), 8));
    EXPECT_EQ(state.part(3)->bankMsb, 8);
}

TEST(InterpreterController, DataBytesAbove127AreRefused)
{
    State state = resetTo(MidiMode::GS);
    const InterpretResult result = event(state, EventKind::Controller, 0, cc(Cc::Volume), 200);
    EXPECT_FALSE(result.valid);
    EXPECT_TRUE(result.skip);
    EXPECT_EQ(state.controllerValue(0, cc(Cc::Volume)), 100);
    EXPECT_TRUE(event(state, EventKind::Note, 0, 128, 100).skip);
    EXPECT_TRUE(event(state, EventKind::ProgramChange, 0, 130, 0).skip);
    EXPECT_EQ(state.part(1)->program, 0);
}

// ---- program change ----

TEST(InterpreterProgramChange, EveryPartOfTheChannelAndRecording)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(state.assignPartChannel(5, 0));
    ProgramIndex index;
    InterpretContext context;
    context.recordProgram = &index;
    context.track = 3;
    context.eventIndex = 7;
    context.tick = 480;

    expectValid(event(state, EventKind::ProgramChange, 0, 24, 0, kNoDrumKey, context));
    EXPECT_EQ(state.part(1)->program, 24);
    EXPECT_EQ(state.part(5)->program, 24);
    EXPECT_EQ(state.part(2)->program, 0);
    ASSERT_EQ(index.records(0).size(), 2u);
    EXPECT_EQ(index.records(0)[0], (ProgramRecord{24, 3, 480, 7, 0, 0, 0}));
    EXPECT_TRUE(index.records(4).empty()) << "part 5 left channel 5";

    // Without the flag nothing is recorded.
    expectValid(event(state, EventKind::ProgramChange, 0, 25, 0));
    EXPECT_EQ(index.records(0).size(), 2u);
}

TEST(InterpreterProgramChange, AKitChangeReachesEveryChannelPlayingTheSameMap)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(state.setPartRhythmValue(12, 1)); // part 12 on channel 12 plays map 1 as part 10 does
    ProgramIndex index;
    InterpretContext context;
    context.recordProgram = &index;

    ASSERT_TRUE(event(state, EventKind::ProgramChange, 9, 16, 0, kNoDrumKey, context).valid);
    EXPECT_EQ(state.drumMap(0)->mapProgram, 16);
    ASSERT_EQ(index.records(9).size(), 1u);
    ASSERT_EQ(index.records(11).size(), 1u);
    EXPECT_EQ(index.records(11)[0].program, 16);
    EXPECT_EQ(index.records(11)[0].flags, ProgramFlag::Drum);
}

// ---- NRPN, RPN ----

TEST(InterpreterParameters, NrpnAndRpnRules)
{
    State gm = resetTo(MidiMode::GM);
    expectSkipped(event(gm, EventKind::Nrpn, 0, nrpn(0x08), 70),
                  "NRPN Vibrato range not supported in current MIDI mode GM");

    State gs = resetTo(MidiMode::GS);
    expectSentAnyway(event(gs, EventKind::Nrpn, 0, nrpn(0x08), 64), "NRPN Vibrato range value 0 already ");
    expectValid(event(gs, EventKind::Nrpn, 0, nrpn(0x08), 70));
    EXPECT_EQ(gs.nrpnValue(0, nrpn(0x08)), 70);
    expectSkipped(event(gs, EventKind::Nrpn, 0, nrpn(0x30), 70), "NRPN EQ bass not supported in current MIDI mode GS");
    // The lock-in addresses nothing and is never redundant.
    expectValid(event(gs, EventKind::Nrpn, 0, kNrpnLockInSlot, 0));
    expectValid(event(gs, EventKind::Nrpn, 0, kNrpnLockInSlot, 0));

    expectSentAnyway(event(gs, EventKind::Rpn, 0, rpn(0), 2), "RPN Pitchbend sensitivity value 2 already ");
    expectSentAnyway(event(gs, EventKind::Rpn, 0, rpn(2), 64), "RPN Coarse tuning value 0 already ");
    expectValid(event(gs, EventKind::Rpn, 0, rpn(0), 12));
    EXPECT_EQ(gs.rpnValue(0, rpn(0)), 12);
    expectValid(event(gs, EventKind::Rpn, 0, kRpnLockInSlot, 0));
    expectSkipped(event(gs, EventKind::Rpn, 0, 9, 1), "RPN #9 not supported in current MIDI mode GS");
}

// ---- drum NRPN ----

TEST(InterpreterDrumNrpn, ValuesGoIntoTheMapsThePartsOfTheChannelSelect)
{
    State state = resetTo(MidiMode::GS);
    // Channel 10 holds part 10 (map 1) and part 11 (map 2).
    ASSERT_TRUE(state.assignPartChannel(11, 9));
    ASSERT_TRUE(state.setPartRhythmValue(11, 2));
    const int pitch = drumNrpn(0x18);

    expectValid(event(state, EventKind::DrumNrpn, 9, pitch, 70, 38));
    EXPECT_EQ(state.drumNrpnValue(0, 38, pitch), 70);
    EXPECT_EQ(state.drumNrpnValue(1, 38, pitch), 70);
    EXPECT_EQ(state.drumNrpnValue(0, 40, pitch), 64) << "other keys keep theirs";

    expectSentAnyway(event(state, EventKind::DrumNrpn, 9, pitch, 70, 38),
                     "Drum NRPN Pitch coarse for drum Snare Drum 1\r\nin all drum-maps which are linked by the mode "
                     "of parts with MIDI channel 10 already 70");

    // Only map 2 on channel 11 now: map 1 keeps the earlier value.
    ASSERT_TRUE(state.assignPartChannel(11, 10));
    expectValid(event(state, EventKind::DrumNrpn, 10, pitch, 50, 38));
    EXPECT_EQ(state.drumNrpnValue(0, 38, pitch), 70);
    EXPECT_EQ(state.drumNrpnValue(1, 38, pitch), 50);
}

TEST(InterpreterDrumNrpn, NoEditableMapOrUnsupported)
{
    State gs = resetTo(MidiMode::GS);
    const int level = drumNrpn(0x1A);
    expectSentAnyway(event(gs, EventKind::DrumNrpn, 0, level, 100, 36),
                     "Drum NRPN TVA Level for drum Kick Drum 1 has no affect\r\nbecause no rythm-mode of any part "
                     "with MIDI channel 1 selects an an editable drum-map");
    EXPECT_EQ(gs.drumNrpnValue(0, 36, level), 127);

    // XG's DRUM map is not editable; DRUMS 1 on the same channel is.
    State xg = resetTo(MidiMode::XG);
    ASSERT_TRUE(xg.assignPartChannel(11, 9));
    ASSERT_TRUE(xg.setPartRhythmValue(11, 1));
    const int cutoff = drumNrpn(0x14);
    expectValid(event(xg, EventKind::DrumNrpn, 9, cutoff, 20, 36));
    EXPECT_EQ(xg.drumNrpnValue(1, 36, cutoff), 20);
    EXPECT_EQ(xg.drumNrpnValue(0, 36, cutoff), 64);

    expectSkipped(event(gs, EventKind::DrumNrpn, 9, cutoff, 20, 36),
                  "Drum NRPN Filter cutoff frequency not supported in current MIDI mode GS");
    State gm = resetTo(MidiMode::GM);
    expectSkipped(event(gm, EventKind::DrumNrpn, 9, level, 20, 36),
                  "Drum NRPN TVA Level not supported in current MIDI mode GM");
    // A key out of 0..127 never reaches a map.
    EXPECT_TRUE(event(gs, EventKind::DrumNrpn, 9, level, 20, 200).skip);
}

// ---- pressure and pitch bend ----

TEST(InterpreterChannelValues, PressureAndPitchBend)
{
    State state = resetTo(MidiMode::GS);
    expectSentAnyway(event(state, EventKind::ChannelPressure, 0, 0, 0),
                     "Monophonic aftertouch (Channel pressure) current pressure already 0");
    expectValid(event(state, EventKind::ChannelPressure, 0, 40, 0));
    EXPECT_EQ(state.channelPressure(0), 40);

    expectSentAnyway(event(state, EventKind::PolyPressure, 0, 60, 0),
                     "Polyphonic aftertouch (Key pressure) for key 60 Velocity 0 already ");
    expectValid(event(state, EventKind::PolyPressure, 0, 60, 30));
    EXPECT_EQ(state.polyKeyValue(0, 60), 30);
    State gm = resetTo(MidiMode::GM);
    expectSkipped(event(gm, EventKind::PolyPressure, 0, 60, 30),
                  "Polyphonic aftertouch (Key pressure) not supported in current MIDI mode GM\r\nKey 60 Velocity 30");

    expectSentAnyway(event(state, EventKind::PitchBend, 0, 0, 64), "Pitchwheel already 0");
    expectValid(event(state, EventKind::PitchBend, 0, 127, 127));
    expectSentAnyway(event(state, EventKind::PitchBend, 0, 127, 127), "Pitchwheel already 8191");
    expectValid(event(state, EventKind::PitchBend, 0, 0, 127)); // a new LSB alone is a change

    const State before = state;
    expectValid(event(state, EventKind::Note, 0, 60, 100));
    EXPECT_EQ(state, before) << "notes leave the model alone";
}

// ---- system exclusive: modes ----

TEST(InterpreterSysex, XgSystemOnRespectsTheDeviceOnlyWhenAsked)
{
    OutputDevice device(2, "GS only");
    device.gsSupported = true;
    InterpretContext checked;
    checked.device = &device;
    checked.checkDevice = true;

    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(event(state, EventKind::Controller, 0, cc(Cc::Volume), 20).valid);
    const InterpretResult refused = sysex(state, xgSystemOn(), checked);
    expectSkipped(refused, "XG-reset has no affect in device which doesn't support XG");
    EXPECT_FALSE(refused.modeChanged);
    EXPECT_EQ(state.mode(), MidiMode::GS);
    EXPECT_EQ(state.controllerValue(0, cc(Cc::Volume)), 20) << "no reset either";

    InterpretContext unchecked = checked;
    unchecked.checkDevice = false;
    const InterpretResult entered = sysex(state, xgSystemOn(), unchecked);
    expectValid(entered);
    EXPECT_TRUE(entered.modeChanged);
    EXPECT_EQ(state.mode(), MidiMode::XG);
    EXPECT_EQ(state.part(10)->rhythmValue, 2) << "fully reset";
}

TEST(InterpreterSysex, GsResetGmAndGm2Modes)
{
    OutputDevice device(2, "GM only");
    InterpretContext checked;
    checked.device = &device;
    checked.checkDevice = true;
    State state = resetTo(MidiMode::GM);

    expectSkipped(sysex(state, gsReset(), checked), "GS-reset has no affect in device which doesn't support GS");
    expectSkipped(sysex(state, gmMode(3), checked), "GM2 mode enter has no affect in device which doesn't support GM2");
    EXPECT_EQ(state.mode(), MidiMode::GM);

    device.gsSupported = true;
    device.gm2Supported = true;
    EXPECT_TRUE(sysex(state, gsReset(), checked).modeChanged);
    EXPECT_EQ(state.mode(), MidiMode::GS);
    // GS re-reset and GM System Off leave the mode alone.
    const InterpretResult leave = sysex(state, gsReset(0x7F), checked);
    expectValid(leave);
    EXPECT_FALSE(leave.modeChanged);
    expectValid(sysex(state, gmMode(2), checked));
    EXPECT_EQ(state.mode(), MidiMode::GS);

    EXPECT_TRUE(sysex(state, gmMode(3), checked).modeChanged);
    EXPECT_EQ(state.mode(), MidiMode::GM2);
    EXPECT_TRUE(sysex(state, gmMode(1), checked).modeChanged);
    EXPECT_EQ(state.mode(), MidiMode::GM);
}

TEST(InterpreterSysex, AModeMessageRecordsEveryChannel)
{
    State state = resetTo(MidiMode::GM);
    ASSERT_TRUE(event(state, EventKind::ProgramChange, 0, 40, 0).valid);
    ProgramIndex index;
    InterpretContext context;
    context.recordProgram = &index;
    context.track = 1;
    context.eventIndex = 0;
    context.tick = 0;

    ASSERT_TRUE(sysex(state, gsReset(), context).modeChanged);
    for (int channel = 0; channel < 16; ++channel) {
        SCOPED_TRACE(channel);
        ASSERT_EQ(index.records(channel).size(), 1u);
        EXPECT_EQ(index.records(channel)[0].program, 0);
        EXPECT_EQ(index.records(channel)[0].flags, channel == 9 ? ProgramFlag::Drum : 0);
    }
}

TEST(InterpreterSysex, MalformedAndForeignMessages)
{
    State state = resetTo(MidiMode::GM);
    Bytes longer = gsReset();
    longer.insert(longer.end() - 2, 0x00);
    expectSkipped(sysex(state, longer), "SYSEX with wrong total length");
    expectSkipped(sysex(state, {0x7E, 0x7F, 0x09, 0x01, 0x00, 0xF7}), "SYSEX with wrong total length");

    expectSkipped(sysex(state, gsPart(1, kGsMidiChannel, {3})),
                  "GS-SYSEX which is no mode reset has no affect in current MIDI mode GM");
    EXPECT_TRUE(state.receives(0, 1));
    expectSkipped(sysex(state, xgPart(1, kXgMidiChannel, 3)),
                  "XG-SYSEX which is no mode reset has no affect in current MIDI mode GM");

    State gs = resetTo(MidiMode::GS);
    const InterpretResult wrong = sysex(gs, gsPart(1, kGsUseForRhythm, {5}));
    EXPECT_FALSE(wrong.valid);
    EXPECT_FALSE(wrong.skip);
    EXPECT_EQ(wrong.text.rfind("SYSEX with wrong value (", 0), 0u) << wrong.text;
    EXPECT_EQ(wrong.text.back(), ')');
    EXPECT_EQ(gs.part(1)->rhythmValue, 0);

    // Messages the model has no field for are valid and change nothing.
    const State before = gs;
    expectValid(sysex(gs, gsMessage(0x40, 0x01, 0x33, {100}))); // reverb level
    EXPECT_EQ(gs, before);
}

// ---- system exclusive: part parameters ----

TEST(InterpreterSysexPart, GsMidiChannelMovesThePartBetweenRows)
{
    State state = resetTo(MidiMode::GS);
    ASSERT_TRUE(state.assignPartChannel(3, 1));
    ASSERT_TRUE(state.programChangeOfPart(3, 33));
    ProgramIndex index;
    InterpretContext context;
    context.recordProgram = &index;

    expectValid(sysex(state, gsPart(2, kGsMidiChannel, {0}), context));
    EXPECT_TRUE(state.receives(0, 2));
    EXPECT_FALSE(state.receives(1, 2));
    EXPECT_EQ(state.part(2)->midiChannel, 0);
    // Both channels now sound another part: channel 2 its remaining part 3.
    ASSERT_EQ(index.records(1).size(), 1u);
    EXPECT_EQ(index.records(1)[0].program, 33);
    EXPECT_EQ(index.records(0).size(), 1u);

    expectValid(sysex(state, gsPart(2, kGsMidiChannel, {0x10}), context));
    EXPECT_EQ(state.part(2)->midiChannel, -1);
    for (int channel = 0; channel < 16; ++channel)
        EXPECT_FALSE(state.receives(channel, 2)) << channel;
    EXPECT_TRUE(state.receives(0, 1)) << "part 1 stays";

    // From off to a channel: no row is left behind, exactly one entered.
    expectValid(sysex(state, gsPart(2, kGsMidiChannel, {5}), context));
    for (int channel = 0; channel < 16; ++channel)
        EXPECT_EQ(state.receives(channel, 2), channel == 5) << channel;
}

TEST(InterpreterSysexPart, ToneNumberAndNoChannel)
{
    State state = resetTo(MidiMode::GS);
    ProgramIndex index;
    InterpretContext context;
    context.recordProgram = &index;

    expectValid(sysex(state, gsPart(1, kGsToneNumber, {8, 5}), context));
    EXPECT_EQ(state.part(1)->bankMsb, 8);
    EXPECT_EQ(state.part(1)->program, 5);
    ASSERT_EQ(index.records(0).size(), 1u);
    EXPECT_EQ(index.records(0)[0].bankMsb, 8);

    ASSERT_TRUE(state.assignPartChannel(2, -1));
    expectSentAnyway(sysex(state, gsPart(2, kGsToneNumber, {1, 9}), context),
                     "SYSEX tone number : no MIDI channel assigned to part 2");
    EXPECT_EQ(state.part(2)->program, 9) << "the receiver takes it all the same";
    expectSentAnyway(sysex(state, gsPart(2, kGsUseForRhythm, {1})),
                     "SYSEX use for rythm part/part mode : no MIDI channel assigned to part 2");
}

TEST(InterpreterSysexPart, UseForRhythm)
{
    State state = resetTo(MidiMode::GS);
    expectValid(sysex(state, gsPart(1, kGsUseForRhythm, {2})));
    EXPECT_EQ(state.part(1)->rhythmValue, 2);
    EXPECT_EQ(state.drumMapOfPart(1), 1);
    expectSentAnyway(sysex(state, gsPart(1, kGsUseForRhythm, {2})),
                     "SYSEX use for rythm part/part mode for part 1 current value already 2");

    // A value the decoder lets through but the mode has no map for.
    DecodedSysex decoded = decodeSysex(gsPart(1, kGsUseForRhythm, {2}), nullptr, MidiMode::GS);
    decoded.value = 3;
    expectSentAnyway(interpretDecodedSysex(state, decoded, {}),
                     "SYSEX use for rythm part/part mode wrong value 3.\r\nThe greatest Drum-Map value in GS is 2");
    EXPECT_EQ(state.part(1)->rhythmValue, 2);
}

TEST(InterpreterSysexPart, PartNumbersOutside1To16AreRefused)
{
    State state = resetTo(MidiMode::GS);
    DecodedSysex decoded = decodeSysex(gsPart(1, kGsMidiChannel, {4}), nullptr, MidiMode::GS);
    ASSERT_EQ(decoded.partKind, SysexPartKind::MidiChannel);
    decoded.partNumber = 17;
    const State before = state;
    expectSentAnyway(interpretDecodedSysex(state, decoded, {}),
                     "SYSEX part mode for wrong part-number: 17.\r\nOnly Parts 1-16 allowed");
    EXPECT_EQ(state, before);
}

TEST(InterpreterSysexPart, XgBankProgramAndPartMode)
{
    State state = resetTo(MidiMode::XG);
    ProgramIndex index;
    InterpretContext context;
    context.recordProgram = &index;

    // The bank waits for the program number, which makes the part a DRUMS 2 part.
    expectValid(sysex(state, xgPart(3, kXgBankMsb, 127), context));
    EXPECT_EQ(state.part(3)->bankMsb, 127);
    EXPECT_TRUE(index.records(2).empty());
    expectValid(sysex(state, xgPart(3, kXgProgram, 25), context));
    EXPECT_EQ(state.part(3)->rhythmValue, 3);
    EXPECT_EQ(state.drumMap(2)->mapProgram, 25);
    ASSERT_EQ(index.records(2).size(), 1u);
    EXPECT_EQ(index.records(2)[0].flags, ProgramFlag::Drum);

    expectValid(sysex(state, xgPart(4, kXgPartMode, 2), context));
    EXPECT_EQ(state.part(4)->rhythmValue, 2);
    expectValid(sysex(state, xgPart(4, kXgMidiChannel, 0x7F), context));
    EXPECT_EQ(state.part(4)->midiChannel, -1);
    expectSentAnyway(sysex(state, xgPart(4, kXgProgram, 1), context),
                     "SYSEX program number : no MIDI channel assigned to part 4");
    expectSentAnyway(sysex(state, xgPart(4, kXgBankMsb, 0), context),
                     "SYSEX bank select : no MIDI channel assigned to part 4");
}

// ---- system exclusive: XG and GM2 specials ----

TEST(InterpreterSysexXg, ResetDrumSetupMapAndVariationType)
{
    OutputDevice device(2, "XG synth");
    device.xgSupported = true;
    device.liveState = resetTo(MidiMode::XG);
    InterpretContext context;
    context.device = &device;
    State& state = device.liveState;
    const int level = drumNrpn(0x1A);
    ASSERT_TRUE(state.setDrumNrpnValue(1, 36, level, 10));
    ASSERT_TRUE(state.setDrumNrpnValue(2, 36, level, 10));

    expectValid(sysex(state, xgMessage(0x00, 0x00, 0x7D, {0}), context));
    EXPECT_EQ(state.drumNrpnValue(1, 36, level), 127);
    EXPECT_EQ(state.drumNrpnValue(2, 36, level), 10);
    expectValid(sysex(state, xgMessage(0x00, 0x00, 0x7D, {1}), context));
    EXPECT_EQ(state.drumNrpnValue(2, 36, level), 127);

    DecodedSysex decoded = decodeSysex(xgMessage(0x00, 0x00, 0x7D, {1}), &device, MidiMode::XG);
    ASSERT_TRUE(decoded.resetDrumSetupMap);
    decoded.value = 2;
    expectSentAnyway(interpretDecodedSysex(state, decoded, context),
                     "SYSEX reset drum setup map with wrong value 2.\r\nXG allows to reset map DRUMS 1 (value 0) and "
                     "DRUMS 2 (value 1) only");

    // The device remembers the variation type its receiver holds, not one played into a
    // scratch state.
    const Bytes variation = xgMessage(0x02, 0x01, 0x40, {0x05, 0x00});
    device.targetState = resetTo(MidiMode::XG);
    expectValid(sysex(device.targetState, variation, context));
    EXPECT_EQ(device.lastXgVariationType, -1);
    expectValid(sysex(state, variation, context));
    EXPECT_EQ(device.lastXgVariationType, 5 * 128);
    ASSERT_TRUE(sysex(state, xgSystemOn(), context).modeChanged);
    EXPECT_EQ(device.lastXgVariationType, -1);
}

TEST(InterpreterSysexGm2, KeyBasedControllers)
{
    State gs = resetTo(MidiMode::GS);
    const int pan = cc(Cc::Pan);
    expectSkipped(sysex(gs, keyBased(9, 36, {Cc::Pan, 10})),
                  "SYESEX Key-based instr. controller : only supported in GM2, but current MIDI mode is GS");

    State state = resetTo(MidiMode::GM2);
    expectSentAnyway(sysex(state, keyBased(0, 36, {Cc::Pan, 10})),
                     "SYESEX Key-based instr. controller : MIDI channel 1 is no rythm channel. Use bank select MSB "
                     "120 first");

    expectValid(sysex(state, keyBased(9, 36, {Cc::Pan, 10, Cc::Reverb, 90})));
    EXPECT_EQ(state.keyBasedValue(9, 36, pan), 10);
    EXPECT_EQ(state.keyBasedValue(9, 36, cc(Cc::Reverb)), 90);
    EXPECT_NE(state.keyBasedValue(9, 37, pan), 10);
    expectSentAnyway(sysex(state, keyBased(9, 36, {Cc::Pan, 10})),
                     "SYESEX Key-based instr. controller : MIDI channel 10, key 36:\r\nall listed controllers have "
                     "the named values, or no supported controllers are listed.");

    // A controller that cannot be set per key is ignored: the other pairs decide.
    expectValid(sysex(state, keyBased(9, 38, {Cc::BankMsb, 3, Cc::Pan, 20})));
    EXPECT_EQ(state.keyBasedValue(9, 38, pan), 20);
    expectValid(sysex(state, keyBased(9, 38, {Cc::Reverb, 10})));
    const Bytes example{0x7F, 0x7F, 0x0A, 0x01, 0x09, 0x26, 0x10, 0x05, 0x5B, 0x40, 0xF7};
    expectValid(sysex(state, example));
    EXPECT_EQ(state.keyBasedValue(9, 38, cc(Cc::Reverb)), 0x40);
    const std::string nothing = "SYESEX Key-based instr. controller : MIDI channel 10, key 38:\r\nall listed "
                                "controllers have the named values, or no supported controllers are listed.";
    expectSentAnyway(sysex(state, example), nothing);
    for (const int unsupported : {0, 2, 16, 32, 69, 84, 123})
        expectSentAnyway(sysex(state, keyBased(9, 38, {unsupported, 5})), nothing);
}

TEST(InterpreterSysexGm2, KeyBasedBoundsNeverReachTheMaps)
{
    State state = resetTo(MidiMode::GM2);
    DecodedSysex decoded = decodeSysex(keyBased(9, 36, {Cc::Pan, 10}), nullptr, MidiMode::GM2);
    ASSERT_TRUE(decoded.keyBasedController);
    const State before = state;
    for (const auto& [channel, key] : {std::pair{16, 36}, std::pair{9, 128}, std::pair{-1, 36}}) {
        decoded.keyBased.channel = channel;
        decoded.keyBased.key = key;
        const InterpretResult result = interpretDecodedSysex(state, decoded, {});
        EXPECT_FALSE(result.valid) << channel << " " << key;
        EXPECT_FALSE(result.skip);
        EXPECT_EQ(result.text.rfind("SYSEX with wrong value (", 0), 0u) << result.text;
        EXPECT_EQ(state, before);
    }
    decoded.keyBased = {9, 36, {{200, 1}}};
    EXPECT_EQ(interpretDecodedSysex(state, decoded, {}).text, "SYSEX with wrong value (controller 200 value 1)");
}

TEST(InterpreterSysex, AGsMessageWithAWrongChecksumChangesNothing)
{
    State gm = resetTo(MidiMode::GM);
    const Bytes reset42{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x42, 0xF7};
    expectSkipped(sysex(gm, reset42), "SYSEX with wrong checksum (42 wrong, expected 41)");
    EXPECT_EQ(gm.mode(), MidiMode::GM);

    State gs = resetTo(MidiMode::GS);
    Bytes channel = gsPart(1, kGsMidiChannel, {0x05});
    ++channel[channel.size() - 2];
    const State before = gs;
    const InterpretResult result = sysex(gs, channel);
    EXPECT_TRUE(result.skip);
    EXPECT_EQ(result.text.rfind("SYSEX with wrong checksum (", 0), 0u) << result.text;
    EXPECT_EQ(gs, before);
}

TEST(InterpreterSysex, AByteAbove7FKeepsTheMessageFromTheModel)
{
    State gs = resetTo(MidiMode::GS);
    const State before = gs;
    expectSentAnyway(sysex(gs, {0x7E, 0xFF, 0x09, 0x01, 0xF7}), "SYSEX with wrong value (GM mode: byte 2 is FFh)");
    EXPECT_EQ(gs.mode(), MidiMode::GS) << "no GM System On";
    expectSentAnyway(sysex(gs, {0x41, 0x90, 0x42, 0x12, 0x40, 0x11, 0x02, 0x00, 0x2D, 0xF7}),
                     "SYSEX with wrong value (part 1 midi channel: byte 2 is 90h)");
    EXPECT_EQ(gs, before);

    State gm = resetTo(MidiMode::GM);
    expectSentAnyway(sysex(gm, {0x41, 0x90, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}),
                     "SYSEX with wrong value (mode: byte 2 is 90h)");
    EXPECT_EQ(gm.mode(), MidiMode::GM) << "no GS Reset";
}

TEST(InterpreterSysex, SystemModeSetAndMasterVolume)
{
    State gm = resetTo(MidiMode::GM);
    const InterpretResult set = sysex(gm, gsMessage(0x00, 0x00, 0x7F, {0x01}));
    EXPECT_TRUE(set.valid) << set.text;
    EXPECT_TRUE(set.modeChanged);
    EXPECT_EQ(gm.mode(), MidiMode::GS);

    EXPECT_EQ(gm.masterVolume(), State::kMaxMasterVolume);
    expectValid(sysex(gm, {0x7F, 0x7F, 0x04, 0x01, 0x00, 0x40, 0xF7}));
    EXPECT_EQ(gm.masterVolume(), 0x2000);
    expectValid(sysex(gm, gsMessage(0x40, 0x00, 0x04, {0x7F})));
    EXPECT_EQ(gm.masterVolume(), State::kMaxMasterVolume) << "GS master volume 127 is full";
    expectValid(sysex(gm, {0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(gm.masterVolume(), 0);
    ASSERT_TRUE(sysex(gm, gsReset()).modeChanged);
    EXPECT_EQ(gm.masterVolume(), State::kMaxMasterVolume) << "a mode reset";

    State xg = resetTo(MidiMode::XG);
    expectSkipped(sysex(xg, gsMessage(0x40, 0x00, 0x04, {0x10})),
                  "GS-SYSEX which is no mode reset has no affect in current MIDI mode XG");
    EXPECT_EQ(xg.masterVolume(), State::kMaxMasterVolume);
}

TEST(InterpreterSysexGm2, GlobalParameterControl)
{
    const Bytes reverbTime{0x7F, 0x7F, 0x04, 0x05, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x40, 0xF7};
    State gm = resetTo(MidiMode::GM);
    expectSkipped(sysex(gm, reverbTime),
                  "SYESEX Global parameter control : only supported in GM2, but current MIDI mode is GM");
    State gm2 = resetTo(MidiMode::GM2);
    expectValid(sysex(gm2, reverbTime));
    Bytes wide = reverbTime;
    wide[5] = 0x05; // parameter id width 5
    expectSentAnyway(sysex(gm2, wide), "SYSEX 'Global parameter control' with wrong parameter id width or value width");
}

} // namespace
} // namespace velisto

#include "core/midi/SysexTestSupport.h"

namespace velisto {
namespace {

TEST(InterpreterSysexPart, GsPart17FromRealBytesIsRefusedByNumber)
{
    // 50 11 02: "midi channel" of part 17 on a 32-part receiver; checksum 1D.
    const auto bytes = test::stored("F0 41 10 42 12 50 11 02 00 1D F7");
    const DecodedSysex decoded = decodeSysex(bytes, nullptr, MidiMode::GS);
    ASSERT_EQ(decoded.partNumber, 17);
    EXPECT_EQ(decoded.description, "part 17 midi channel");

    DeviceMidiState state;
    state.setMode(MidiMode::GS);
    state.reset(ResetKind::MidiMode);
    const DeviceMidiState before = state;
    const InterpretResult result = interpretSysex(state, bytes, {});
    EXPECT_FALSE(result.valid);
    EXPECT_FALSE(result.skip);
    EXPECT_EQ(result.text, "SYSEX part mode for wrong part-number: 17.\r\nOnly Parts 1-16 allowed");
    EXPECT_EQ(state, before);
}

} // namespace
} // namespace velisto
