#include "midi/SongCheck.h"

#include "app/MemoryProfileStore.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "song/MidiFileReader.h"

#include "DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace velisto {
namespace {

const std::filesystem::path kGsDrumPartChange =
    std::filesystem::path(VELISTO_TEST_DATA_DIR) /
    "corpus/midi/public/jazz-soft/test-sysex-gs-40-1x-15-drum-part-change.mid";

// As the song stores them: the bytes after F0.
const std::vector<std::uint8_t> kGsReset = {0x41, 0x7F, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const std::vector<std::uint8_t> kGsDrumPart = {0x41, 0x7F, 0x42, 0x12, 0x40, 0x10, 0x15, 0x00, 0x1B, 0xF7};

std::unique_ptr<Song> loadedSong(const std::filesystem::path& path)
{
    auto song = std::make_unique<Song>();
    test::ScriptedPrompt prompt;
    LoadOptions options;
    options.silent = true;
    if (!MidiFileReader::load(path, *song, options, prompt).ok)
        return nullptr;
    return song;
}

DeviceParameters receiverWithGs(bool gs)
{
    CheckReceiver receiver;
    receiver.gsSupported = gs;
    return receiver.parameters();
}

TEST(SongCheckTest, GsFileAgainstAGmReceiverNamesEachRefusedMessage)
{
    const auto song = loadedSong(kGsDrumPartChange);
    ASSERT_TRUE(song);

    const CheckResult gm = checkSong(*song, CheckReceiver{});
    EXPECT_EQ(gm.checked, 11);
    EXPECT_EQ(gm.skippedCount(), 3);
    EXPECT_EQ(gm.finalMode, MidiMode::GM);
    ASSERT_FALSE(gm.findings.empty());
    const CheckFinding& reset = gm.findings.front();
    EXPECT_EQ(reset.track, 0);
    EXPECT_EQ(reset.tick, 0);
    EXPECT_EQ(reset.channel, -1);
    EXPECT_EQ(reset.event, "SYSEX F0 41 7F 42 12 40 00 7F 00 41 F7");
    EXPECT_EQ(reset.text, "GS-reset has no affect in device which doesn't support GS");
    EXPECT_TRUE(reset.skipped);
    // The finding leads back to its event.
    const MidiEvent& event = song->tracks[0].event(reset.index);
    ASSERT_TRUE(event.isSysex());
    EXPECT_EQ(*event.sysex, kGsReset);

    CheckReceiver gs;
    gs.gsSupported = true;
    const CheckResult accepted = checkSong(*song, gs);
    EXPECT_EQ(accepted.checked, 11);
    EXPECT_TRUE(accepted.findings.empty());
    EXPECT_EQ(accepted.finalMode, MidiMode::GS);
}

TEST(SongCheckTest, OverTheCorpusOneSharedDeviceFindsWhatOneReceiverFinds)
{
    CheckReceiver gs;
    gs.powerOnMode = MidiMode::GS;
    gs.xgSupported = true;
    const std::vector<std::optional<DeviceParameters>> receivers = {std::nullopt, gs.parameters()};
    int files = 0;
    std::int64_t findings = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::filesystem::path(VELISTO_TEST_DATA_DIR) / "corpus/midi")) {
        if (!entry.is_regular_file())
            continue;
        const auto song = loadedSong(entry.path());
        if (!song)
            continue;
        for (Track& track : song->tracks)
            track.device = 1;
        const CheckResult one = checkSong(*song, gs);
        const CheckResult perDevice = checkSong(*song, receivers);
        EXPECT_EQ(perDevice.checked, one.checked) << entry.path();
        EXPECT_EQ(perDevice.finalMode, one.finalMode) << entry.path();
        EXPECT_TRUE(perDevice.findings == one.findings) << entry.path();
        ++files;
        findings += static_cast<std::int64_t>(one.findings.size());
    }
    EXPECT_GT(files, 40);
    EXPECT_GT(findings, 0);
}

TEST(SongCheckTest, EachTrackMeetsTheModelOfItsOwnDevice)
{
    Song song;
    song.clear(0);
    for (int t = 0; t < 3; ++t) {
        Track& track = song.tracks[static_cast<std::size_t>(t)];
        track.device = t; // the placeholder, a GS receiver, a GM receiver
        track.append(MidiEvent::sysexEvent(0, kGsReset));
        track.append(MidiEvent::sysexEvent(10, kGsDrumPart));
    }
    std::vector<std::optional<DeviceParameters>> receivers(3);
    receivers[1] = receiverWithGs(true);
    receivers[2] = receiverWithGs(false);

    const CheckResult result = checkSong(song, receivers);
    // The placeholder's track is not checked; the GS reset of track 1 does not switch the
    // model of track 2's device.
    EXPECT_EQ(result.checked, 4);
    ASSERT_EQ(result.findings.size(), 2u);
    for (const CheckFinding& finding : result.findings) {
        EXPECT_EQ(finding.track, 2);
        EXPECT_TRUE(finding.skipped);
    }
    EXPECT_EQ(result.findings[1].tick, 10);
    EXPECT_EQ(result.findings[1].index, 1);

    // A device index the table does not have checks nothing either.
    song.tracks[2].device = 7;
    EXPECT_EQ(checkSong(song, receivers).findings.size(), 0u);
}

TEST(SongCheckTest, DeviceReceiversCarryWhatTheParameterDialogSet)
{
    LoopbackMidiPortSystem ports{{"Synth A", "Synth B"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    DeviceParameters changed = DeviceParameters::of(table.device(3));
    changed.powerOnMode = MidiMode::XG;
    changed.xgSupported = true;
    changed.universalSysexId = "10";
    changed.slotPaths = {"0\\Reverb\\"};
    ASSERT_EQ(table.applyParameters(3, changed), "");

    const auto receivers = deviceReceivers(table);
    ASSERT_EQ(receivers.size(), 4u);
    EXPECT_FALSE(receivers[0]) << "the placeholder passes nothing on";
    ASSERT_TRUE(receivers[1]);
    ASSERT_TRUE(receivers[3]);
    EXPECT_EQ(*receivers[3], changed);
    EXPECT_EQ(*receivers[2], DeviceParameters::of(table.device(2)));

    // An XG receiver knows controller 71, which GM refuses.
    Song song;
    song.clear(3);
    song.tracks[0].append(
        MidiEvent::channelEvent(0, 0xB0, static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 71)), 30));
    EXPECT_TRUE(checkSong(song, receivers).findings.empty());
    song.tracks[0].device = 2;
    EXPECT_EQ(checkSong(song, receivers).skippedCount(), 1);
}

TEST(SongCheckTest, OnlyFindingsWhoseEventPassesTheFilterAreListed)
{
    Song song;
    song.clear(1);
    song.tracks[0].append(MidiEvent::sysexEvent(0, kGsReset));
    const auto volume = static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 7));
    song.tracks[0].append(MidiEvent::channelEvent(0, 0xB4, volume, 100)); // the reset value: flagged
    const CheckResult result = checkSong(song, CheckReceiver{});
    ASSERT_EQ(result.findings.size(), 2u);
    const auto listed = [&](const EventFilterSettings& filter) {
        return std::count_if(result.findings.begin(), result.findings.end(),
                             [&](const CheckFinding& f) { return listedFinding(f, song, filter); });
    };

    EXPECT_EQ(listed(EventFilterSettings{}), 2);
    EventFilterSettings noSysex;
    noSysex.sysex_bool = 1;
    EXPECT_EQ(listed(noSysex), 1);
    EventFilterSettings channelOff;
    channelOff.ch[4] = 0;
    EXPECT_EQ(listed(channelOff), 1);
    EXPECT_FALSE(listedFinding(result.findings[1], song, channelOff));
    EventFilterSettings otherControllers;
    otherControllers.contrch_from = volume + 1;
    EXPECT_FALSE(listedFinding(result.findings[1], song, otherControllers));
}

} // namespace
} // namespace velisto
