#include "midi/KnobSupport.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceMidiState.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/MidiModeDefinition.h"
#include "playback/OutputMonitor.h"
#include "song/Track.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace velisto {
namespace {

using Texts = std::vector<std::string>;

constexpr int kRhythmChannel = 9; // part 10 after every mode reset
const std::string kDevice = "Synth";

DeviceMidiState stateIn(int mode)
{
    DeviceMidiState state;
    state.setMode(mode);
    state.reset(ResetKind::MidiMode);
    return state;
}

int cc(int number) { return slotForSong(ParamKind::Controller, number); }

KnobAssignment controllerKnob(int number) { return {KnobKind::CommonController, cc(number), 0, 0}; }
KnobAssignment nrpnKnob() { return {KnobKind::Nrpn, slotForSong(ParamKind::Nrpn, 0x08), 0, 0}; }
KnobAssignment drumKnob(int map) { return {KnobKind::DrumNrpn, slotForSong(ParamKind::DrumNrpn, 0x18), map, 38}; }
KnobAssignment keyBasedKnob(int number, int key) { return {KnobKind::KeyBasedController, cc(number), 0, key}; }

const std::string kNrpnInGm = "NRPN messages are not supported in current MIDI mode GM.\n\n"
                              "But they are supported in MIDI modes GS and XG.\n"
                              "Switch to one of these modes or select a device which supports such mode.";

TEST(KnobSupportTest, ControllerKnobsNameTheModeThatHasTheController)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode)
        EXPECT_EQ(knobSupportText(stateIn(mode), kDevice, 0, controllerKnob(1)), "") << midiModeName(mode);

    // Controller 71 is an XG controller only.
    const KnobAssignment harmonic = controllerKnob(71);
    for (const int mode : {MidiMode::GM, MidiMode::GS})
        EXPECT_EQ(knobSupportText(stateIn(mode), kDevice, 0, harmonic),
                  "Controller Harmonic Content is not supported in current MIDI mode " +
                      std::string(midiModeName(mode)) + ".\n\n" +
                      "But it is supported in MIDI mode XG.\nSwitch to that mode or select a device which supports "
                      "it.");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::XG), kDevice, 0, harmonic), "");
}

TEST(KnobSupportTest, NrpnAndDrumNrpnKnobsNeedGsOrXg)
{
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GM), kDevice, 0, nrpnKnob()), kNrpnInGm);
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GM2), kDevice, 0, nrpnKnob()).substr(0, 58),
              "NRPN messages are not supported in current MIDI mode GM2.\n");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GS), kDevice, 0, nrpnKnob()), "");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::XG), kDevice, 0, nrpnKnob()), "");

    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GM), kDevice, kRhythmChannel, drumKnob(0)),
              "Drum-NRPN messages are not supported in current MIDI mode GM.\n\n"
              "But they are supported in MIDI modes GS and XG.\n"
              "Switch to one of these modes or select a device which supports such mode.");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GS), kDevice, kRhythmChannel, drumKnob(0)), "");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::XG), kDevice, kRhythmChannel, drumKnob(1)), "");
}

TEST(KnobSupportTest, DrumNrpnKnobsNeedAnEditableMapOnARhythmChannel)
{
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GS), kDevice, kRhythmChannel, drumKnob(2)),
              "Your selected drum-map is not supported in the current MIDI mode GS.\n\n"
              "Please assign another drum-map to this Knob.");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::XG), kDevice, kRhythmChannel, drumKnob(0)),
              "Your selected drum-map is not an editable drum-map in the current MIDI mode.\n\n"
              "(XG only allows to edit the maps 'DRUMS 1' and 'DRUMS 2')\n\n"
              "Please use the SYSEX event 'use for rythm part' to select an editable drum-map in the track's MIDI "
              "channel.");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GS), kDevice, 0, drumKnob(0)),
              "No Part of MIDI channel 1 of device 'Synth'\nis in use for rythm.\n\n"
              "Please simply insert the SYSEX event 'use for rythm part' to switch a MIDI channel part to drummode.");
}

TEST(KnobSupportTest, KeyBasedKnobsNeedGm2AndARhythmChannel)
{
    for (const int mode : {MidiMode::GM, MidiMode::GS, MidiMode::XG})
        EXPECT_EQ(knobSupportText(stateIn(mode), kDevice, kRhythmChannel, keyBasedKnob(91, 36)),
                  "Key-based instr. controllers are not supported in current MIDI mode " +
                      std::string(midiModeName(mode)) + ".\n\nBut they are supported in MIDI mode GM2.\n" +
                      "Switch to that mode or select a device which supports it.");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GM2), kDevice, 2, keyBasedKnob(91, 36)),
              "Key-based instr. controllers can only be send in MIDI channels which are in use for rythm.\n\n"
              "Switch MIDI channel 3 to rythm by sending controller 'Bank MSB' with value 120 (78h) and a "
              "Program-Change, first.");
    EXPECT_EQ(knobSupportText(stateIn(MidiMode::GM2), kDevice, kRhythmChannel, keyBasedKnob(91, 36)), "");
}

TEST(KnobSupportTest, KnobValuesComeFromTheParameterInTheState)
{
    const DeviceMidiState gm2 = stateIn(MidiMode::GM2);
    EXPECT_EQ(knobValue(gm2, 0, controllerKnob(11)), 127); // expression
    EXPECT_EQ(knobValue(gm2, 0, controllerKnob(10)), 64);  // pan
    // Reverb per drum key: none on the bass drums, full elsewhere.
    EXPECT_EQ(knobValue(gm2, kRhythmChannel, keyBasedKnob(91, 36)), 0);
    EXPECT_EQ(knobValue(gm2, kRhythmChannel, keyBasedKnob(91, 38)), 127);
    EXPECT_EQ(knobValue(gm2, 16, keyBasedKnob(91, 38)), -1);

    DeviceMidiState gs = stateIn(MidiMode::GS);
    ASSERT_TRUE(gs.setNrpnValue(4, nrpnKnob().param, 90));
    EXPECT_EQ(knobValue(gs, 4, nrpnKnob()), 90);
    ASSERT_TRUE(gs.setDrumNrpnValue(1, 38, drumKnob(1).param, 17));
    EXPECT_EQ(knobValue(gs, kRhythmChannel, drumKnob(1)), 17);
    EXPECT_EQ(knobValue(gs, kRhythmChannel, {7, 0, 0, 0}), -1);
}

TEST(KnobSupportTest, AssignmentIsReadFromTheTrack)
{
    Track track;
    track.knobKind[2] = KnobKind::DrumNrpn;
    track.knobParam[2] = 5;
    track.knobDrumMap[2] = 1;
    track.knobKey[2] = 40;
    const KnobAssignment green = knobAssignment(track, 2);
    EXPECT_EQ(green.kind, KnobKind::DrumNrpn);
    EXPECT_EQ(green.param, 5);
    EXPECT_EQ(green.drumMap, 1);
    EXPECT_EQ(green.key, 40);
    EXPECT_EQ(knobAssignment(track, 0).param, cc(1));
}

class KnobSendTest : public ::testing::Test {
protected:
    OutputDevice& openPort(int mode)
    {
        DeviceParameters parameters = DeviceParameters::of(table.device(2));
        parameters.powerOnMode = mode;
        parameters.gsSupported = true;
        parameters.xgSupported = true;
        parameters.gm2Supported = true;
        EXPECT_EQ(table.applyParameters(2, parameters), "");
        EXPECT_EQ(table.open(2), "");
        record->clear();
        return table.device(2);
    }

    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::shared_ptr<LoopbackPortRecord> record = ports.record(0);
    OutputMonitor monitor;
    EventOutput output{monitor, [](std::chrono::milliseconds) {}};
};

TEST_F(KnobSendTest, ARefusedKnobSendsNothingAndAnAcceptedOneUpdatesTheState)
{
    OutputDevice& device = openPort(MidiMode::GM);
    EXPECT_EQ(sendKnobValue(output, device, 0, nrpnKnob(), 70), kNrpnInGm);
    EXPECT_EQ(record->texts(), Texts{});

    EXPECT_EQ(sendKnobValue(output, device, 3, controllerKnob(1), 200), "");
    EXPECT_EQ(record->texts(), Texts{"B3 01 7F"}) << "clamped to 7 bits";
    EXPECT_EQ(knobValue(device.liveState, 3, controllerKnob(1)), 127);
}

TEST_F(KnobSendTest, KeyBasedKnobsSendTheUniversalMessage)
{
    OutputDevice& device = openPort(MidiMode::GM2);
    ASSERT_EQ(device.liveState.mode(), MidiMode::GM2);
    EXPECT_EQ(sendKnobValue(output, device, kRhythmChannel, keyBasedKnob(91, 38), 0x40), "");
    EXPECT_EQ(record->texts(), Texts{"long F0 7F 7F 0A 01 09 26 5B 40 F7"});
    EXPECT_EQ(knobValue(device.liveState, kRhythmChannel, keyBasedKnob(91, 38)), 0x40);
}

} // namespace
} // namespace velisto
