#include "midi/EventOutput.h"

#include "app/MemoryProfileStore.h"
#include "midi/DeviceTable.h"
#include "midi/GeneratorSink.h"
#include "midi/Interpreter.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/OutputNotifier.h"
#include "playback/OutputMonitor.h"
#include "song/MidiFileReader.h"
#include "song/Positions.h"
#include "song/TextFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }
int cc(int number) { return slotForSong(ParamKind::Controller, number); }
int nrpn(int lsb) { return slotForSong(ParamKind::Nrpn, lsb); }
int rpn(int lsb) { return slotForSong(ParamKind::Rpn, lsb); }
int drumNrpn(int msb) { return slotForSong(ParamKind::DrumNrpn, msb); }

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
Bytes gsReset() { return gsMessage(0x40, 0x00, 0x7F, {0x00}); }
Bytes gsPart(int part, int address, int value)
{
    return gsMessage(0x40, MidiModeDefinition::gsPartAddress(part, false), address, {value});
}
constexpr int kGsUseForRhythm = 0x15;
const Bytes kXgSystemOn{0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
const Bytes kMasterVolume{0x7F, 0x7F, 0x04, 0x01, 0x00, 0x60, 0xF7}; // universal real-time

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct DeviceSetup {
    int mode = MidiMode::GM;
    bool runningStatus = false;
    bool gs = false;
    bool xg = false;
    bool gm2 = false;
    std::string nonUniversalId = "10";
};

// Everything the device under test records, for the notifier's side.
struct RecordingNotifier : OutputNotifier {
    Texts calls;
    void keyboardKey(int, int channel, int key, int velocity) override
    {
        calls.push_back("key " + std::to_string(channel) + " " + std::to_string(key) + " " + std::to_string(velocity));
    }
    void levelMeter(int track, int level) override
    {
        calls.push_back("level " + std::to_string(track) + " " + std::to_string(level));
    }
    void deviceWindowRefresh(int, std::string_view field) override { calls.push_back("window " + std::string(field)); }
    void keyboardReset(int, int channel) override { calls.push_back("reset " + std::to_string(channel)); }
    void channelTracksChanged(int, int channel) override { calls.push_back("tracks " + std::to_string(channel)); }
    void knobsChanged(int, int channel) override { calls.push_back("knobs " + std::to_string(channel)); }
    void programNamesChanged(int) override { calls.push_back("program names"); }
};

class EventOutputTest : public ::testing::Test {
protected:
    EventOutputTest() { monitor.open(); }

    OutputDevice& openPort(const DeviceSetup& setup)
    {
        DeviceParameters parameters = DeviceParameters::of(table.device(2));
        parameters.powerOnMode = setup.mode;
        parameters.useRunningStatus = setup.runningStatus;
        parameters.gsSupported = setup.gs;
        parameters.xgSupported = setup.xg;
        parameters.gm2Supported = setup.gm2;
        parameters.nonUniversalSysexId = setup.nonUniversalId;
        EXPECT_EQ(table.applyParameters(2, parameters), "");
        EXPECT_EQ(table.open(2), "");
        record->clear();
        monitor.clear();
        return table.device(2);
    }
    // What the port received since the last call.
    Texts sent()
    {
        Texts texts = record->texts();
        record->clear();
        return texts;
    }
    void event(OutputDevice& device, int status, int data1, int data2, int data3 = kNoDrumKey,
               const SendOptions& options = {})
    {
        output.sendEvent(device, byte(status), byte(data1), byte(data2), byte(data3), options);
    }
    void sysex(OutputDevice& device, const Bytes& stored, const SendOptions& options = {})
    {
        output.sendSysex(device, stored, options);
    }

    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::shared_ptr<LoopbackPortRecord> record = ports.record(0);
    OutputMonitor monitor;
    std::vector<std::chrono::milliseconds> sleeps;
    EventOutput output{monitor, [this](std::chrono::milliseconds ms) { sleeps.push_back(ms); }};
};

// ---- running status ----

TEST_F(EventOutputTest, RunningStatusLeavesOutRepeatedStatusUntilASysex)
{
    OutputDevice& device = openPort({.runningStatus = true});
    event(device, 0x90, 60, 100);
    event(device, 0x90, 62, 90);
    event(device, 0xD0, 40, 0);
    event(device, 0xD0, 41, 0);
    event(device, 0xB0, cc(7), 50);
    sysex(device, kMasterVolume);
    event(device, 0xB0, cc(7), 51);
    event(device, 0xB0, cc(10), 20);
    EXPECT_EQ(sent(), (Texts{"90 3C 64", "3E 5A", "D0 28", "29", "B0 07 32", "long F0 7F 7F 04 01 00 60 F7", "B0 07 33",
                             "0A 14"}));
    EXPECT_TRUE(contains(monitor.text(), "Statusbyte 90 skipped by running status\r\n"));
    EXPECT_EQ(record->refusedCount(), 0u) << "the port framed every message it received";

    // Timing clock is real-time: it does not break running status.
    sysex(device, {0xF8});
    event(device, 0xB0, cc(10), 21);
    EXPECT_EQ(sent(), (Texts{"F8", "0A 15"}));
    EXPECT_TRUE(contains(monitor.text(), "F8 timing clock\r\n"));
}

TEST_F(EventOutputTest, WithoutRunningStatusEveryMessageCarriesItsStatus)
{
    OutputDevice& device = openPort({});
    event(device, 0x90, 60, 100);
    event(device, 0x90, 60, 0);
    event(device, 0x80, 61, 64);
    output.sendShortMessage(device, 0x90, 62, 1);
    EXPECT_EQ(sent(), (Texts{"90 3C 64", "90 3C 00", "80 3D 40", "90 3E 01"}));
    EXPECT_EQ(device.runningStatus, 0x90);
    EXPECT_FALSE(contains(monitor.text(), "skipped by running status"));
}

// ---- parameter addresses ----

TEST_F(EventOutputTest, NrpnAddressIsSentOncePerChannelUntilControllerOrModeReset)
{
    OutputDevice& device = openPort({.mode = MidiMode::GS, .gs = true});
    const int vibratoRate = nrpn(0x08);
    event(device, 0x50, vibratoRate, 70);
    event(device, 0x50, vibratoRate, 71);
    event(device, 0x51, vibratoRate, 72); // another channel has its own address
    EXPECT_EQ(sent(), (Texts{"B0 63 01", "B0 62 08", "B0 06 46", "B0 06 47", "B1 63 01", "B1 62 08", "B1 06 48"}));
    EXPECT_TRUE(
        contains(monitor.text(), "Last RPN/NRPN in channel 1 was NRPN " +
                                     std::string(device.liveState.definition().longName(ParamKind::Nrpn, vibratoRate)) +
                                     ", so no NRPN MSB and LSB needed\r\n"))
        << monitor.text();

    event(device, 0xB0, cc(121), 0);
    event(device, 0x50, vibratoRate, 73);
    event(device, 0x51, vibratoRate, 74); // channel 2 still knows its address
    EXPECT_EQ(sent(), (Texts{"B0 79 00", "B0 63 01", "B0 62 08", "B0 06 49", "B1 06 4A"}));

    sysex(device, gsReset());
    event(device, 0x51, vibratoRate, 75);
    const Texts afterReset = sent();
    ASSERT_EQ(afterReset.size(), 4u);
    EXPECT_EQ(afterReset[0].rfind("long F0 41 10 42 12 40 00 7F 00 41 F7", 0), 0u);
    EXPECT_EQ((Texts{afterReset.begin() + 1, afterReset.end()}), (Texts{"B1 63 01", "B1 62 08", "B1 06 4B"}));
}

TEST_F(EventOutputTest, RpnAfterNrpnOfTheSameSlotSendsItsAddressAndLockInSendsNoData)
{
    OutputDevice& device = openPort({.mode = MidiMode::GS, .gs = true});
    const int bendRange = rpn(0x00);
    const int sameNumberedNrpn = bendRange; // the slot numbers match, the kinds do not
    ASSERT_GE(device.liveState.definition().numberOf(ParamKind::Nrpn, sameNumberedNrpn), 0);
    const int nrpnLsb = device.liveState.definition().numberOf(ParamKind::Nrpn, sameNumberedNrpn);

    event(device, 0x50, sameNumberedNrpn, 80);
    event(device, 0x60, bendRange, 12);
    event(device, 0x60, bendRange, 2);
    EXPECT_EQ(sent(), (Texts{"B0 63 01", "B0 62 " + hexByte(nrpnLsb).substr(0, 2), "B0 06 50", "B0 65 00", "B0 64 00",
                             "B0 06 0C", "B0 06 02"}));

    event(device, 0x60, kRpnLockInSlot, 0);
    event(device, 0x60, kRpnLockInSlot, 0);
    event(device, 0x50, kNrpnLockInSlot, 0);
    EXPECT_EQ(sent(), (Texts{"B0 65 7F", "B0 64 7F", "B0 63 7F", "B0 62 7F"}))
        << "the null parameter has no data, and its repeat sends nothing";
}

TEST_F(EventOutputTest, DrumNrpnAddressRepeatsOnlyForTheSameKeyAndReachesTheMapsOfTheChannel)
{
    OutputDevice& device = openPort({.mode = MidiMode::GS, .gs = true});
    const int pitch = drumNrpn(0x18);
    // Part 11 (channel 11) becomes a rhythm part playing from the second map.
    sysex(device, gsPart(11, kGsUseForRhythm, 2));
    ASSERT_EQ(device.liveState.drumMapOfPart(11), 1);
    sent();

    event(device, 0x29, pitch, 70, 38);
    event(device, 0x29, pitch, 71, 38);
    event(device, 0x29, pitch, 72, 40);
    event(device, 0x2A, pitch, 73, 40);
    EXPECT_EQ(sent(), (Texts{"B9 63 18", "B9 62 26", "B9 06 46", "B9 06 47", "B9 63 18", "B9 62 28", "B9 06 48",
                             "BA 63 18", "BA 62 28", "BA 06 49"}));
    EXPECT_EQ(device.liveState.drumNrpnValue(0, 38, pitch), 71);
    EXPECT_EQ(device.liveState.drumNrpnValue(0, 40, pitch), 72);
    EXPECT_EQ(device.liveState.drumNrpnValue(1, 40, pitch), 73) << "channel 11 plays the second map";
    EXPECT_NE(device.liveState.drumNrpnValue(1, 38, pitch), 71);

    const std::string drum(device.liveState.drumName(10, 38));
    ASSERT_FALSE(drum.empty());
    EXPECT_TRUE(
        contains(monitor.text(), "was DrumNRPN " +
                                     std::string(device.liveState.definition().longName(ParamKind::DrumNrpn, pitch)) +
                                     " of drum " + drum + ", so no DrumNRPN MSB and LSB needed"))
        << monitor.text();
}

// ---- the interpreter's verdicts ----

TEST_F(EventOutputTest, RedundantValuesAreSentAnyhowAndUnsupportedOnesSkipped)
{
    RecordingNotifier notifier;
    output.setNotifier(&notifier);
    OutputDevice& device = openPort({});
    event(device, 0xB0, cc(7), 100); // the reset value
    EXPECT_EQ(sent(), Texts{"B0 07 64"});
    EXPECT_TRUE(contains(monitor.text(), " already ")) << monitor.text();
    EXPECT_TRUE(contains(monitor.text(), ", sending event anyhow\r\n"));

    monitor.clear();
    event(device, 0xB0, cc(71), 10);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(contains(monitor.text(), "not supported in current MIDI mode GM\r\nMIDI event skipped.\r\n"))
        << monitor.text();
    EXPECT_EQ(notifier.calls.back(), "window ");

    // Key pressure does not exist in GM either; the same event passes in GS.
    event(device, 0xA0, 60, 10);
    EXPECT_TRUE(sent().empty());
    output.setNotifier(nullptr);
}

TEST_F(EventOutputTest, LocalOnClosedDevicesAndBadBytesSendNothing)
{
    OutputDevice& device = openPort({});
    SendOptions modelOnly;
    modelOnly.send = false;
    event(device, 0xB0, cc(7), 30, kNoDrumKey, modelOnly);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(device.liveState.controllerValue(0, cc(7)), 30);
    EXPECT_TRUE(
        contains(monitor.text(), "MIDI event updated MIDI states, but is finaly not send to device (LocalOn)\r\n"));

    event(device, 0x90, 60, 0x80); // a data byte with the status bit set
    EXPECT_TRUE(sent().empty());

    ASSERT_EQ(table.close(2), "");
    monitor.clear();
    event(device, 0x90, 60, 100);
    sysex(device, kMasterVolume);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(monitor.text(), "");
}

TEST_F(EventOutputTest, MonitorLinesNameOriginDeviceChannelAndValues)
{
    Song song;
    monitor.setSong(&song);
    RecordingNotifier notifier;
    output.setNotifier(&notifier);
    OutputDevice& device = openPort({});
    SendOptions fromSong;
    fromSong.tick = song.ppq * 4; // measure 2
    fromSong.fromPlayThread = true;
    fromSong.track = 3;
    event(device, 0x92, 60, 127, kNoDrumKey, fromSong);
    event(device, 0xE2, 127, 127);
    event(device, 0xE2, 0, 0);
    event(device, 0xC2, 5, 0);
    EXPECT_EQ(monitor.text(), "\r\n"
                              "0002:01:000   midithread: Synth, MIDI channel 3\r\n"
                              "Note on key C5 Velocity 127\r\n"
                              "\r\n"
                              "mainthread: Synth, MIDI channel 3\r\n"
                              "Pitchchange 8191\r\n"
                              "\r\n"
                              "mainthread: Synth, MIDI channel 3\r\n"
                              "Pitchchange -8192\r\n"
                              "\r\n"
                              "mainthread: Synth, MIDI channel 3\r\n"
                              "Program change #6\r\n");
    EXPECT_EQ(sent(), (Texts{"92 3C 7F", "E2 7F 7F", "E2 00 00", "C2 05"}));
    // Full velocity at the reset volume of 100: 10 * 100 / 127.
    EXPECT_EQ(notifier.calls[0], "key 2 60 127");
    EXPECT_EQ(notifier.calls[1], "level 3 7");
    output.setNotifier(nullptr);
}

// ---- system exclusive and mode resets ----

TEST_F(EventOutputTest, ModeResetsUseTheDeviceIdsAndAreRefusedWhereUnsupported)
{
    OutputDevice& device = openPort({.runningStatus = true, .nonUniversalId = "3"});
    event(device, 0x90, 60, 100);
    output.sendModeReset(device, MidiMode::XG);
    EXPECT_EQ(sent(), Texts{"90 3C 64"});
    EXPECT_EQ(device.liveState.mode(), MidiMode::GM);
    EXPECT_TRUE(contains(monitor.text(),
                         "XG-reset has no affect in device which doesn't support XG\r\nSYSEX-message skipped\r\n"));
    event(device, 0x90, 62, 100);
    EXPECT_EQ(sent(), Texts{"3E 64"}) << "a skipped message does not break running status";

    ASSERT_EQ(table.close(2), "");
    openPort({.runningStatus = true, .xg = true, .nonUniversalId = "3"});
    output.sendModeReset(device, MidiMode::XG);
    EXPECT_EQ(device.liveState.mode(), MidiMode::XG);
    event(device, 0x90, 60, 100);
    EXPECT_EQ(sent(), (Texts{"long F0 43 13 4C 00 00 7E 00 F7", "90 3C 64"}));

    ASSERT_EQ(table.close(2), "");
    openPort({.gs = true, .xg = true, .gm2 = true, .nonUniversalId = "10"});
    output.sendModeReset(device, MidiMode::XG);
    output.sendModeReset(device, MidiMode::GS);
    output.sendModeReset(device, MidiMode::GM2);
    output.sendModeReset(device, MidiMode::GM);
    EXPECT_EQ(sent(), (Texts{"long F0 43 10 4C 00 00 7E 00 F7", "long F0 41 10 42 12 40 00 7F 00 41 F7",
                             "long F0 7E 7F 09 03 F7", "long F0 7E 7F 09 01 F7"}));
    EXPECT_EQ(device.liveState.mode(), MidiMode::GM);
}

TEST_F(EventOutputTest, SysexOfAnotherStandardAndWrongValuesAreExplained)
{
    OutputDevice& device = openPort({.gs = true});
    sysex(device, gsPart(1, kGsUseForRhythm, 1));
    EXPECT_TRUE(sent().empty()) << "GS part message in GM mode";
    EXPECT_TRUE(contains(monitor.text(), "SYSEX-message: F0 41 10 42 12 40 11 15 01 19 F7\r\n")) << monitor.text();
    EXPECT_TRUE(contains(monitor.text(), "GS-SYSEX which is no mode reset has no affect in current MIDI mode GM"
                                         "\r\nSYSEX-message skipped\r\n"));

    output.sendModeReset(device, MidiMode::GS);
    sent();
    monitor.clear();
    sysex(device, gsPart(1, kGsUseForRhythm, 3)); // the highest GS map value is 2
    EXPECT_TRUE(contains(monitor.text(), " *** WRONG VALUE-BYTES *** ")) << monitor.text();
    EXPECT_TRUE(contains(monitor.text(), ", sending SYSEX-message to device anyhow\r\n")) << monitor.text();
    EXPECT_EQ(sent().size(), 1u);
}

TEST_F(EventOutputTest, APartBeyondSixteenLeavesTheModelAloneAndIsSentAnyhow)
{
    OutputDevice& device = openPort({.mode = MidiMode::GS, .gs = true});
    const DeviceMidiState before = device.liveState;
    // The second port's part area (50 1x) of receivers with 32 parts: part 17's channel.
    const Bytes part17 = gsMessage(0x50, 0x11, 0x02, {0x04});
    sysex(device, part17);
    EXPECT_EQ(sent(), Texts{"long F0 41 10 42 12 50 11 02 04 19 F7"});
    EXPECT_EQ(device.liveState, before);
}

TEST_F(EventOutputTest, SysexTellsTheWindowsWhatChanged)
{
    RecordingNotifier notifier;
    output.setNotifier(&notifier);
    monitor.close(); // the windows hear of changes whether the monitor is open or not
    OutputDevice& device = openPort({.gs = true, .xg = true, .gm2 = true});

    output.sendModeReset(device, MidiMode::GS);
    EXPECT_EQ(notifier.calls, (Texts{"window devicemode", "window parts", "reset -1", "program names"}));
    notifier.calls.clear();
    sysex(device, gsPart(2, 0x02, 0x05)); // part 2 moves from channel 2 to channel 6
    EXPECT_EQ(notifier.calls, (Texts{"window parts", "tracks 1", "tracks 5"}));

    output.sendModeReset(device, MidiMode::XG);
    notifier.calls.clear();
    sysex(device, {0x43, 0x10, 0x4C, 0x02, 0x01, 0x40, 0x01, 0x00, 0xF7}); // variation type Hall 1
    EXPECT_EQ(notifier.calls, Texts{"window lastxgvarigrp"});

    output.sendModeReset(device, MidiMode::GM2);
    notifier.calls.clear();
    sysex(device, {0x7F, 0x7F, 0x0A, 0x01, 0x09, 0x26, 0x07, 0x64, 0xF7}); // key 38 of the drum channel
    EXPECT_EQ(notifier.calls, Texts{"knobs 9"});
    EXPECT_EQ(sent().size(), 6u);
    output.setNotifier(nullptr);
}

// ---- note-offs ----

TEST_F(EventOutputTest, TheNoteOffTableHoldsFortyNotesAndSendsThemWhenDue)
{
    OutputDevice& device = openPort({});
    for (int i = 0; i < static_cast<int>(kNoteOffSlots); ++i)
        ASSERT_TRUE(output.insertNoteOff(device, 0, 10 + i, i % 16, 40 + i));
    EXPECT_FALSE(output.insertNoteOff(device, 5, 10, 2, 61));
    EXPECT_TRUE(contains(monitor.text(), "Can't insert NoteOff-entry for C#5 MIDI channel 3: no free entries\r\n"))
        << monitor.text();

    output.sendDueNoteOffs(device, 11); // notes 0 and 1 end at ticks 10 and 11
    EXPECT_EQ(sent(), (Texts{"90 28 00", "91 29 00"}));
    ASSERT_TRUE(output.insertNoteOff(device, 20, 100, 9, 38)) << "a sent note-off frees its slot";
    output.sendAllNoteOffs(device);
    EXPECT_EQ(sent().size(), kNoteOffSlots - 1);
    output.sendDueNoteOffs(device, 1000000);
    EXPECT_TRUE(sent().empty());
    output.clearNoteOffs(device);
    EXPECT_TRUE(output.insertNoteOff(device, INT32_MAX, INT32_MAX, 0, 60)) << "the off tick saturates";
    EXPECT_EQ(device.noteOffs[0].offTick, static_cast<std::uint32_t>(INT32_MAX));
}

// ---- the Internal Sound Generator ----

struct FakeGenerator : GeneratorSink {
    Texts calls;
    std::vector<int> tooHigh;
    void startVoice(int channel, int key, int velocity) override
    {
        calls.push_back("start " + std::to_string(channel) + " " + std::to_string(key) + " " +
                        std::to_string(velocity));
    }
    void releaseVoices(int channel, int key) override
    {
        calls.push_back("release " + std::to_string(channel) + " " + std::to_string(key));
    }
    void stopOpenHiHat(int channel) override { calls.push_back("choke " + std::to_string(channel)); }
    std::vector<int> retuneChannel(int channel) override
    {
        calls.push_back("retune " + std::to_string(channel));
        return tooHigh;
    }
    void updateChannelMix(int channel, int number) override
    {
        calls.push_back("mix " + std::to_string(channel) + " " + std::to_string(number));
    }
    void releaseChannel(int channel) override { calls.push_back("release channel " + std::to_string(channel)); }
    void releaseAll() override { calls.push_back("release all"); }
    void reloadSamples() override { calls.push_back("reload"); }
};

TEST_F(EventOutputTest, TheGeneratorGetsVoiceOperationsInsteadOfBytes)
{
    ASSERT_EQ(table.open(1), "");
    OutputDevice& generator = table.device(1);
    FakeGenerator voices;
    generator.generatorSink = &voices;
    monitor.clear();

    event(generator, 0x99, 42, 100); // closed hi-hat on the rhythm channel
    event(generator, 0x90, 42, 100); // an instrument channel: no choke
    event(generator, 0x90, 42, 0);
    event(generator, 0xB0, cc(7), 90);
    event(generator, 0xB0, cc(123), 0);
    voices.tooHigh = {72};
    event(generator, 0xE0, 0, 127);
    event(generator, 0xC0, 3, 0);
    output.sendModeReset(generator, MidiMode::GS);
    EXPECT_EQ(voices.calls, (Texts{"choke 9", "start 9 42 100", "start 0 42 100", "release 0 42", "mix 0 7",
                                   "release channel 0", "retune 0", "reload", "release all", "reload"}));
    const std::string text = monitor.text();
    EXPECT_TRUE(contains(text, "drum 42,44,46 stopper\r\n"));
    EXPECT_TRUE(contains(
        text, "MIDI controller " +
                  std::string(generator.liveState.definition().longName(ParamKind::Controller, cc(123))) + "\r\n"));
    EXPECT_TRUE(contains(text, "Warning : Velisto's Internal Sound Generator, MIDI channel 1, key C6\r\nfrequency "
                               "adjustment by pitchwheel ignored, total frequency too high\r\n"));
    EXPECT_TRUE(contains(text, "MIDI command 'Mode reset'\r\n"));
    EXPECT_EQ(generator.liveState.mode(), MidiMode::GS);

    generator.generatorSink = nullptr;
    event(generator, 0x90, 60, 100); // no sampler yet: silent, but modelled
    EXPECT_TRUE(sent().empty());
}

// ---- adjusting ----

// The song's events before tick `end`, in playing order, applied to the target state.
void playIntoTarget(const Song& song, OutputDevice& device, std::int32_t end)
{
    struct Due {
        std::int32_t tick;
        int track;
        int index;
    };
    std::vector<Due> due;
    for (int t = 0; t < kTrackCount; ++t) {
        const auto events = song.tracks[static_cast<std::size_t>(t)].events();
        for (int i = 0; i < static_cast<int>(events.size()); ++i)
            if (events[static_cast<std::size_t>(i)].tick < end)
                due.push_back({events[static_cast<std::size_t>(i)].tick, t, i});
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Due& a, const Due& b) { return a.tick != b.tick ? a.tick < b.tick : a.track < b.track; });
    const InterpretContext context{&device, true};
    for (const Due& d : due) {
        const MidiEvent& e = song.tracks[static_cast<std::size_t>(d.track)].event(d.index);
        if (e.isSysex() && e.sysex)
            interpretSysex(device.targetState, *e.sysex, context);
        else if (e.isChannelEvent() && e.kind() != EventKind::ChannelPrefix)
            interpretEvent(device.targetState, e.status, e.data1, e.data2, e.data3, context);
    }
}

std::unique_ptr<Song> loadCorpusSong(const std::string& name)
{
    const std::filesystem::path file = std::filesystem::path(VELISTO_SHARED_DIR) / "corpus/midi/public" / name;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return nullptr;
    const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    auto song = std::make_unique<Song>();
    if (!MidiFileReader::read(image, *song, LoadOptions{}).ok)
        return nullptr;
    return song;
}

TEST_F(EventOutputTest, AdjustingBringsAResetReceiverToTheStartOfRealGsSongs)
{
    struct Case {
        std::string file;
        int measures; // the song's start lies after this many measures
        Texts expected;
    };
    const std::string gsReset = "long F0 41 10 42 12 40 00 7F 00 41 F7";
    const std::vector<Case> cases{
        // Bank MSB 16 with program 1 is the last sound chosen in the first eight measures.
        {"jazz-soft/test-all-gs-sounds.mid", 8, {gsReset, "B0 00 10", "B0 20 00", "C0 00"}},
        // Part 1 becomes a rhythm part, part 10 stops being one.
        {"jazz-soft/test-sysex-gs-40-1x-15-drum-part-change.mid",
         12,
         {gsReset, "long F0 41 10 42 12 40 11 15 02 18 F7", "long F0 41 10 42 12 40 10 15 00 1B F7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const auto song = loadCorpusSong(c.file);
        if (!song)
            GTEST_SKIP() << "no shared corpus";
        OutputDevice& device = openPort({.mode = MidiMode::GM, .gs = true});
        sleeps.clear();
        output.copyLiveToTarget(device);
        playIntoTarget(*song, device, measureStart(*song, c.measures));
        ASSERT_EQ(device.targetState.mode(), MidiMode::GS) << "the song starts with a GS reset";

        output.setAdjustDelay(5);
        ASSERT_TRUE(output.adjustDevice(device));
        EXPECT_EQ(device.liveState, device.targetState);
        const Texts bytes = sent();
        EXPECT_EQ(bytes, c.expected);

        const std::string text = monitor.text();
        EXPECT_EQ(text.rfind("***Adjusting device Synth to values at sequence-beginning***\r\n", 0), 0u) << text;
        EXPECT_TRUE(contains(text, "waiting 50 ms...\r\n"));
        EXPECT_TRUE(contains(text, "Waiting 5ms ...\r\n"));
        EXPECT_TRUE(contains(text, "***Finished adjusting***\r\n"));
        ASSERT_FALSE(sleeps.empty());
        EXPECT_EQ(sleeps.front(), EventOutput::kModeResetWait);
        EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), std::chrono::milliseconds(5)),
                  static_cast<long>(bytes.size() - 1))
            << "one wait after each adjusting message";

        // Already there: nothing to send, nothing to wait for.
        sleeps.clear();
        ASSERT_TRUE(output.adjustDevice(device));
        EXPECT_TRUE(sent().empty());
        EXPECT_TRUE(sleeps.empty());
        ASSERT_EQ(table.close(2), "");
    }
}

TEST_F(EventOutputTest, AdjustingSendsPartsProgramsAndValuesAndWaitsWithoutTheLock)
{
    OutputDevice& device = openPort({.mode = MidiMode::GS, .gs = true});
    output.copyLiveToTarget(device);
    const InterpretContext context{&device, true};
    DeviceMidiState& target = device.targetState;
    interpretSysex(target, gsPart(2, 0x02, 0x05), context); // part 2 listens to channel 6
    interpretEvent(target, 0xB5, byte(cc(0)), 8, kNoDrumKey, context);
    interpretEvent(target, 0xC5, 24, 0, kNoDrumKey, context);
    interpretEvent(target, 0xB5, byte(cc(91)), 10, kNoDrumKey, context);
    interpretEvent(target, 0x65, byte(rpn(0)), 12, kNoDrumKey, context);
    interpretEvent(target, 0xE5, 0, 80, kNoDrumKey, context);
    interpretEvent(target, 0x29, byte(drumNrpn(0x18)), 50, 38, context);

    bool lockedDuringWait = false;
    EventOutput probing(monitor, [&](std::chrono::milliseconds) {
        if (device.sendMutex().try_lock())
            device.sendMutex().unlock();
        else
            lockedDuringWait = true;
    });
    probing.setAdjustDelay(1);
    ASSERT_TRUE(probing.adjustDevice(device));
    EXPECT_FALSE(lockedDuringWait);
    EXPECT_EQ(device.liveState, device.targetState);
    const Texts bytes = sent();
    ASSERT_GE(bytes.size(), 10u);
    EXPECT_EQ(bytes[0], "long F0 41 10 42 12 40 12 02 05 27 F7");
    EXPECT_EQ((Texts{bytes.begin() + 1, bytes.begin() + 4}), (Texts{"B5 00 08", "B5 20 00", "C5 18"}));
    EXPECT_TRUE(std::find(bytes.begin(), bytes.end(), "B5 5B 0A") != bytes.end());
    EXPECT_TRUE(std::find(bytes.begin(), bytes.end(), "E5 00 50") != bytes.end());
    EXPECT_EQ((Texts{bytes.end() - 3, bytes.end()}), (Texts{"B9 63 18", "B9 62 26", "B9 06 32"}))
        << "drum maps come last";
}

TEST_F(EventOutputTest, AdjustingAbortsWhenTheReceiverCannotEnterTheMode)
{
    OutputDevice& device = openPort({});
    output.copyLiveToTarget(device);
    ASSERT_TRUE(device.targetState.setMode(MidiMode::XG));
    device.targetState.reset(ResetKind::MidiMode);
    EXPECT_FALSE(output.adjustDevice(device));
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(contains(monitor.text(), "waiting 50 ms...\r\n***INTERNAL ERROR: CAN'T SET MIDIMODE FOR DEVICE "
                                         "Synth***\r\n***Adjusting aborted for device Synth***\r\n"))
        << monitor.text();
    EXPECT_FALSE(contains(monitor.text(), "Finished"));
}

// ---- the keyboard's view of a channel ----

TEST_F(EventOutputTest, ChannelViewReadsTheLiveStateOfOneChannel)
{
    OutputDevice& device = openPort({});
    const ChannelView fresh = output.channelView(device, 3);
    EXPECT_EQ(fresh.mainVolumeSlot, cc(7));
    EXPECT_EQ(fresh.bendSensitivitySlot, rpn(0));
    EXPECT_EQ(fresh.pitchBend, 8192);

    event(device, 0xB3, cc(7), 90);
    event(device, 0xE3, 5, 70);
    event(device, 0x63, rpn(0), 12);
    event(device, 0xC3, 33, 0);
    EXPECT_EQ(output.channelView(device, 3),
              (ChannelView{.mainVolume = 90,
                           .mainVolumeSlot = cc(7),
                           .pitchBend = 70 * 128 + 5,
                           .bendSensitivity = 12,
                           .bendSensitivitySlot = rpn(0),
                           .program = 33}));
    EXPECT_EQ(output.channelView(device, 4), fresh) << "other channels keep their values";
    EXPECT_EQ(output.channelView(device, 16), ChannelView{});
}

// ---- several threads through one device ----

// The user interface, the play timer and the MIDI input callback send through the same
// device. Every byte on the wire must still belong to a whole message, running status must
// name the status actually in force, and each data entry must follow its own address.
TEST_F(EventOutputTest, ThreadsSendingThroughOneDeviceKeepMessagesWholeAndAddressesRight)
{
    OutputDevice& device = openPort({.mode = MidiMode::GS, .runningStatus = true, .gs = true});
    const int rate = nrpn(0x08);  // values 0..63 from the first thread
    const int depth = nrpn(0x09); // values 64..127 from the second
    constexpr int kRounds = 1500;

    std::atomic<bool> go{false};
    const auto player = [&] {
        while (!go.load())
            std::this_thread::yield();
        for (int i = 0; i < kRounds; ++i)
            event(device, 0x50, rate, i % 64);
    };
    const auto thru = [&] {
        while (!go.load())
            std::this_thread::yield();
        for (int i = 0; i < kRounds; ++i) {
            event(device, 0x50, depth, 64 + i % 64);
            event(device, 0x91, 60 + i % 12, 100);
        }
    };
    std::thread a(player);
    std::thread b(thru);
    go = true;
    // The user-interface thread meanwhile sends sysex and reads the state.
    for (int i = 0; i < 50; ++i) {
        sysex(device, kMasterVolume);
        EXPECT_EQ(output.copyLiveState(device).mode(), MidiMode::GS);
        std::this_thread::yield();
    }
    a.join();
    b.join();

    EXPECT_EQ(record->refusedCount(), 0u);
    int runningStatus = -1;
    int msb = -1;
    int lsb = -1;
    int rateEntries = 0;
    int depthEntries = 0;
    int notes = 0;
    for (const LoopbackMessage& m : record->messages()) {
        ASSERT_FALSE(m.bytes.empty());
        if (m.isLong) {
            runningStatus = -1;
            continue;
        }
        const bool full = m.bytes[0] >= 0x80;
        if (full)
            runningStatus = m.bytes[0];
        ASSERT_NE(runningStatus, -1) << "data bytes without a status in force";
        const std::vector<std::uint8_t> data(m.bytes.begin() + (full ? 1 : 0), m.bytes.end());
        ASSERT_EQ(data.size(), 2u) << "a message split or merged";
        if (runningStatus == 0x91) {
            EXPECT_TRUE(data[0] >= 60 && data[0] < 72 && data[1] == 100);
            ++notes;
            continue;
        }
        ASSERT_EQ(runningStatus, 0xB0);
        if (data[0] == 99)
            msb = data[1];
        else if (data[0] == 98)
            lsb = data[1];
        else {
            ASSERT_EQ(data[0], 6);
            const bool fromRate = data[1] < 64;
            EXPECT_EQ(msb, 1);
            EXPECT_EQ(lsb, fromRate ? 8 : 9) << "a data entry after the other thread's address";
            ++(fromRate ? rateEntries : depthEntries);
        }
    }
    EXPECT_EQ(rateEntries, kRounds);
    EXPECT_EQ(depthEntries, kRounds);
    EXPECT_EQ(notes, kRounds);
}

} // namespace
} // namespace velisto
