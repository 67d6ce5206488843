#include "midi/TrackMode.h"

#include "app/PostLoad.h"
#include "core/midi/DeviceTestSupport.h"
#include "midi/DeviceTable.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/OutputDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Counts = std::array<int, MidiMode::Count>;

int cc(int number) { return slotForSong(ParamKind::Controller, number); }

MidiEvent controller(std::int32_t tick, int channel, int number, int value)
{
    return MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(EventKind::Controller | channel),
                                   static_cast<std::uint8_t>(cc(number)), static_cast<std::uint8_t>(value));
}

MidiEvent program(std::int32_t tick, int channel, int value)
{
    return MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(EventKind::ProgramChange | channel),
                                   static_cast<std::uint8_t>(value), 0);
}

MidiEvent sysex(std::int32_t tick, Bytes bytes) { return MidiEvent::sysexEvent(tick, std::move(bytes)); }

const Bytes kGsReset{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const Bytes kXgSystemOn{0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
const Bytes kGmSystemOn{0x7E, 0x7F, 0x09, 0x01, 0xF7};
const Bytes kGm2SystemOn{0x7E, 0x7F, 0x09, 0x03, 0xF7};
const Bytes kKeyBasedPan{0x7F, 0x7F, 0x0A, 0x01, 0x09, 0x24, 0x0A, 0x10, 0xF7};

Counts countsOf(std::initializer_list<MidiEvent> events)
{
    TrackModeCounter counter;
    for (const MidiEvent& event : events)
        counter.count(event);
    return counter.counts();
}

// ---- counting ----

TEST(TrackModeCounter, SysexCountsForItsStandard)
{
    EXPECT_EQ(countsOf({sysex(0, kGsReset)}), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(countsOf({sysex(0, kXgSystemOn)}), (Counts{0, 0, 1, 0}));
    EXPECT_EQ(countsOf({sysex(0, kGm2SystemOn), sysex(0, kKeyBasedPan)}), (Counts{0, 0, 0, 2}));
    EXPECT_EQ(countsOf({sysex(0, kGmSystemOn), sysex(0, {0x44, 0x00, 0xF7})}), (Counts{0, 0, 0, 0}));
}

TEST(TrackModeCounter, ControllersCountForEveryModeTrackingThemExceptForeignBanks)
{
    EXPECT_EQ(countsOf({controller(0, 0, Cc::Volume, 90)}), (Counts{1, 1, 1, 1}));
    EXPECT_EQ(countsOf({controller(0, 0, 71, 90)}), (Counts{0, 0, 1, 1}));
    EXPECT_EQ(countsOf({controller(0, 0, 16, 1)}), (Counts{0, 1, 0, 0}));

    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankMsb, 8)}), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankMsb, 127)}), (Counts{0, 0, 1, 0}));
    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankMsb, 126)}), (Counts{0, 0, 1, 0}));
    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankMsb, 120)}), (Counts{0, 0, 0, 1}));
    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankMsb, 121)}), (Counts{0, 0, 0, 1}));
    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankLsb, 0)}), (Counts{0, 1, 1, 1}));
    EXPECT_EQ(countsOf({controller(0, 0, Cc::BankLsb, 3)}), (Counts{0, 0, 1, 1}));
}

TEST(TrackModeCounter, NrpnsCountWhereTheSlotExistsOtherKindsNot)
{
    const auto nrpn = [](int number) {
        return MidiEvent::channelEvent(0, EventKind::Nrpn,
                                       static_cast<std::uint8_t>(slotForSong(ParamKind::Nrpn, number)), 64);
    };
    EXPECT_EQ(countsOf({nrpn(0x08)}), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(countsOf({nrpn(0x30)}), (Counts{0, 0, 1, 0}));
    EXPECT_EQ(countsOf({MidiEvent::drumNrpn(0, 9, slotForSong(ParamKind::DrumNrpn, 0x18), 36, 64)}),
              (Counts{0, 1, 1, 0}));
    EXPECT_EQ(countsOf({MidiEvent::drumNrpn(0, 9, slotForSong(ParamKind::DrumNrpn, 0x14), 36, 64)}),
              (Counts{0, 0, 1, 0}));
    EXPECT_EQ(countsOf({MidiEvent::note(0, 0, 60, 100, 10), program(0, 0, 5),
                        MidiEvent::channelEvent(0, EventKind::Rpn, 0, 2)}),
              (Counts{0, 0, 0, 0}));
}

TEST(TrackModeCounter, HighestCountWinsEarlierModesWinTies)
{
    TrackModeCounter none;
    EXPECT_EQ(none.trackMode(true, true), MidiMode::GM);

    TrackModeCounter common;
    common.count(controller(0, 0, Cc::Volume, 90)); // all four equal
    EXPECT_EQ(common.trackMode(true, true), MidiMode::GM);

    TrackModeCounter gm2;
    gm2.count(controller(0, 0, 71, 90)); // XG and GM2 equal: XG comes first
    EXPECT_EQ(gm2.trackMode(false, false), MidiMode::XG);
    gm2.count(sysex(0, kGm2SystemOn));
    EXPECT_EQ(gm2.trackMode(false, false), MidiMode::GM2);
}

TEST(TrackModeCounter, GsXgTieGoesToXgOnlyOnAnXgDevice)
{
    TrackModeCounter tie;
    tie.count(sysex(0, kGsReset));
    tie.count(sysex(0, kXgSystemOn));
    EXPECT_EQ(tie.trackMode(true, true), MidiMode::GS);
    EXPECT_EQ(tie.trackMode(false, false), MidiMode::GS);
    EXPECT_EQ(tie.trackMode(true, false), MidiMode::GS);
    EXPECT_EQ(tie.trackMode(false, true), MidiMode::XG);

    TrackModeCounter gsAhead = tie;
    gsAhead.count(sysex(0, kGsReset));
    EXPECT_EQ(gsAhead.trackMode(false, true), MidiMode::GS);
}

// ---- the rebuild ----

struct Rig {
    std::unique_ptr<Song> song = std::make_unique<Song>();
    OutputDevice device{2, "Synth"};
    static constexpr int kIndex = 2;

    Track& track(int t, int owner = kIndex)
    {
        Track& found = song->tracks[static_cast<std::size_t>(t)];
        found.device = owner;
        return found;
    }
    void rebuild() { rebuildProgramIndex(device, *song, kIndex); }
};

TEST(TrackModeRebuild, PlaysTheDeviceTracksInMergedOrderFromPowerOn)
{
    Rig rig;
    rig.device.gsSupported = true;
    rig.device.targetState.setMode(MidiMode::XG); // leftovers of an earlier run
    rig.track(0).append(sysex(0, kGsReset));
    rig.track(0).append(program(480, 0, 10));
    rig.track(2).append(program(480, 0, 30));
    rig.track(1).append(program(480, 0, 20));
    rig.track(3, 5).append(program(0, 0, 99)); // another device's track

    rig.rebuild();
    EXPECT_EQ(rig.device.trackMode, MidiMode::GS);
    EXPECT_EQ(rig.device.targetState.mode(), MidiMode::GS);
    const auto records = rig.device.programIndex.records(0);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].track, 0) << "the GS reset";
    EXPECT_EQ(records[1].program, 10);
    EXPECT_EQ(records[2].program, 20);
    EXPECT_EQ(records[3].program, 30);
    EXPECT_EQ(rig.device.programIndex.programAt(*rig.song, 1, 0).program, 20);
    EXPECT_TRUE(rig.device.programIndex.programAt(9, 480, 0, 0).drum);

    // A second rebuild starts over instead of adding to the lists.
    rig.rebuild();
    EXPECT_EQ(rig.device.programIndex.records(0).size(), 4u);
}

TEST(TrackModeRebuild, TickOffsetsDecideTheOrder)
{
    Rig rig;
    rig.track(0).append(program(100, 0, 1));
    Track& early = rig.track(1);
    early.tickOffset = -20; // plays at 80, before track 0's change
    early.append(program(100, 0, 2));
    rig.rebuild();
    const auto records = rig.device.programIndex.records(0);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].program, 2);
    EXPECT_EQ(records[0].tick, 80);
    EXPECT_EQ(records[1].program, 1);
}

TEST(TrackModeRebuild, TheDeviceSupportDecidesWhatTheIndexHolds)
{
    Rig rig;
    rig.device.powerOnMode = MidiMode::GM;
    rig.track(0).append(sysex(0, kXgSystemOn));
    rig.track(0).append(controller(10, 0, Cc::BankMsb, 127));
    rig.track(0).append(program(20, 0, 5));
    rig.rebuild();
    // The receiver ignores the XG System On, so GM's program 5 plays: the index says so.
    EXPECT_EQ(rig.device.trackMode, MidiMode::XG);
    EXPECT_EQ(rig.device.targetState.mode(), MidiMode::GM);
    ASSERT_EQ(rig.device.programIndex.records(0).size(), 1u);
    EXPECT_EQ(rig.device.programIndex.records(0)[0].flags, 0);

    rig.device.xgSupported = true;
    rig.rebuild();
    EXPECT_EQ(rig.device.targetState.mode(), MidiMode::XG);
    const auto records = rig.device.programIndex.records(0);
    ASSERT_EQ(records.size(), 2u) << "the System On and the program change";
    EXPECT_EQ(records[1].flags, ProgramFlag::Drum) << "bank 127 makes the part a drum part";

    // The placeholder stands for no receiver: nothing is refused there.
    OutputDevice placeholder(0, std::string(kPlaceholderDeviceName));
    rig.track(0).device = 0;
    rebuildProgramIndex(placeholder, *rig.song, 0);
    EXPECT_EQ(placeholder.targetState.mode(), MidiMode::XG);
}

// ---- where the rebuild is wired ----

TEST(TrackModeRebuild, MovingTracksRebuildsBothDevices)
{
    LoopbackMidiPortSystem ports{{"Synth A", "Synth B"}};
    MemoryProfileStore store;
    test::ScriptedPrompt prompt;
    DeviceTable devices(ports, store);
    auto song = std::make_unique<Song>();
    devices.restoreOpenDevices(*song, prompt);
    song->tracks[0].append(sysex(0, kGsReset));
    song->tracks[0].append(program(0, 0, 7));
    const std::array<int, 1> first{0};

    ASSERT_EQ(devices.assignTracks(*song, first, 2), "");
    EXPECT_EQ(devices.device(2).trackMode, MidiMode::GS);
    EXPECT_FALSE(devices.device(2).programIndex.empty());

    ASSERT_EQ(devices.assignTracks(*song, first, 3), "");
    EXPECT_EQ(devices.device(3).trackMode, MidiMode::GS);
    EXPECT_EQ(devices.device(2).trackMode, MidiMode::GM) << "the device that lost the track";
    EXPECT_TRUE(devices.device(2).programIndex.empty());

    ASSERT_EQ(devices.assignTracks(*song, first, 2, IndexRebuild::Later), "");
    EXPECT_EQ(devices.device(2).trackMode, MidiMode::GM) << "left to the caller";
    devices.rebuildProgramIndexes(*song);
    EXPECT_EQ(devices.device(2).trackMode, MidiMode::GS);
    EXPECT_EQ(devices.device(3).trackMode, MidiMode::GM);

    ASSERT_TRUE(devices.closeFromUserInterface(2, *song, prompt));
    const int receiver = song->tracks[0].device;
    EXPECT_EQ(devices.device(receiver).trackMode, MidiMode::GS);
}

TEST(TrackModeRebuild, TheStandardCheckAfterLoadingSeesTheRealTrackMode)
{
    LoopbackMidiPortSystem ports{{"XG Synth"}};
    MemoryProfileStore store;
    test::ScriptedPrompt prompt;
    DeviceTable devices(ports, store);
    auto song = std::make_unique<Song>();
    devices.restoreOpenDevices(*song, prompt); // the generator: GS and GM2, no XG
    song->tracks[0].append(sysex(0, kXgSystemOn));
    song->tracks[0].append(program(0, 0, 1));

    Settings settings;
    runPostLoadSteps(*song, devices, settings, LoadResult{}, prompt, nullptr);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].title, "MIDI Standard mismatch");
    EXPECT_EQ(prompt.messages[0].text.rfind("Your MIDI sequence uses XG-MIDI Standard.", 0), 0u);
}

} // namespace
} // namespace velisto
