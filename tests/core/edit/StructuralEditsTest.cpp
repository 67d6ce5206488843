#include "edit/StructuralEdits.h"

#include "app/UserPrompt.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "midi/OutputDevice.h"
#include "midi/TrackMode.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace velisto {
namespace {

struct RecordingPrompt : SilentPrompt {
    std::vector<std::string> messages;
    void message(const std::string& text, const std::string&, PromptIcon) override { messages.push_back(text); }
};

Track& trackOf(Song& song, int t) { return song.tracks[static_cast<std::size_t>(t)]; }

std::unique_ptr<Song> song480()
{
    auto song = std::make_unique<Song>();
    song->ppq = 480;
    return song;
}

TEST(MeasureEditTest, DeleteClosesTheGapOnTheRangeTracksOnly)
{
    auto song = song480();
    for (int t : {0, 1}) {
        for (std::int32_t tick : {100, 1920, 3839, 3840, 4000})
            trackOf(*song, t).append(MidiEvent::note(tick, 0, 60, 90, 10));
    }
    song->setTempo(4000, 90.0);
    const int tempos = song->tempoCount();

    ASSERT_TRUE(deleteMeasures(*song, measureRange(*song, std::nullopt, 0, 1)));
    const Track& track = trackOf(*song, 0);
    ASSERT_EQ(track.eventCount(), 3);
    EXPECT_EQ(track.event(0).tick, 100);
    EXPECT_EQ(track.event(1).tick, 1920);
    EXPECT_EQ(track.event(2).tick, 2080);
    EXPECT_EQ(trackOf(*song, 1).eventCount(), 5);
    EXPECT_EQ(song->tempoCount(), tempos);
    EXPECT_EQ(song->tempoList[1].tick, 4000);

    EXPECT_FALSE(deleteMeasures(*song, measureRange(*song, std::nullopt, 0, 5)));
}

TEST(MeasureEditTest, InsertOpensAGapAsLongAsTheSelectedMeasures)
{
    auto song = song480();
    song->setMeterAtMeasure(2, 3, 4);
    for (std::int32_t tick : {1919, 1920, 5000})
        trackOf(*song, 2).append(MidiEvent::note(tick, 0, 60, 90, 10));
    trackOf(*song, 3).append(MidiEvent::note(5000, 0, 60, 90, 10));

    // Measures 2 and 3 (from 0): 4/4 then 3/4 make 1920 + 1440 ticks.
    const Selection selection{2, 2, 1, 2};
    ASSERT_TRUE(insertMeasures(*song, measureRange(*song, selection, 0, 0)));
    const Track& track = trackOf(*song, 2);
    EXPECT_EQ(track.event(0).tick, 1919);
    EXPECT_EQ(track.event(1).tick, 1920 + 3360);
    EXPECT_EQ(track.event(2).tick, 5000 + 3360);
    EXPECT_EQ(trackOf(*song, 3).event(0).tick, 5000);
    EXPECT_EQ(song->meterList[1].measure, 2);

    EXPECT_FALSE(insertMeasures(*song, measureRange(*song, std::nullopt, 2, 10)));
}

TEST(TrackEditTest, InsertDropsTheLastTrackAndShiftsSoloAndDevice)
{
    auto song = song480();
    trackOf(*song, 255).append(MidiEvent::textEvent(0, EventKind::Text, "lost"));
    trackOf(*song, 0).append(MidiEvent::note(0, 0, 60, 90, 10));
    trackOf(*song, 0).device = 3;
    trackOf(*song, 254).name = "last but one";
    song->setSolo(0, true);
    song->setSolo(255, true);
    RecordingPrompt prompt;

    EXPECT_FALSE(insertTrack(*song, 0, true, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], kInsertTrackSelectionText);
    EXPECT_EQ(trackOf(*song, 1).eventCount(), 0);

    ASSERT_TRUE(insertTrack(*song, 0, false, prompt));
    EXPECT_TRUE(trackOf(*song, 0).empty());
    EXPECT_EQ(trackOf(*song, 0).device, 3);
    EXPECT_EQ(trackOf(*song, 1).eventCount(), 1);
    EXPECT_EQ(trackOf(*song, 255).name, "last but one");
    EXPECT_TRUE(trackOf(*song, 255).empty());
    EXPECT_EQ(song->soloList(), std::vector<int>{1});

    ASSERT_TRUE(deleteTrack(*song, 0, false, prompt));
    EXPECT_EQ(trackOf(*song, 0).eventCount(), 1);
    EXPECT_EQ(trackOf(*song, 254).name, "last but one");
    EXPECT_TRUE(trackOf(*song, 255).name.empty());
    EXPECT_EQ(song->soloList(), std::vector<int>{0});
}

// ---- split channels ----

struct SplitRig {
    std::unique_ptr<Song> song = std::make_unique<Song>();
    OutputDevice device{2, "Synth"};
    RecordingPrompt prompt;

    SplitRig() { device.gsSupported = true; }
    bool split(int source, SplitOptions options)
    {
        for (Track& track : song->tracks)
            track.device = 2;
        rebuildProgramIndex(device, *song, 2);
        return splitChannels(*song, source, false, device.programIndex, MidiMode::GS, options, prompt);
    }
};

const std::filesystem::path kDrumPartFile = std::filesystem::path(VELISTO_TEST_DATA_DIR) /
                                            "corpus/midi/public/jazz-soft/test-sysex-gs-40-1x-15-drum-part-change.mid";

TEST(SplitChannelsTest, GsFormatZeroFileSplitsPerChannelAndDrumKey)
{
    SplitRig rig;
    SilentPrompt silent;
    ASSERT_TRUE(MidiFileReader::load(kDrumPartFile, *rig.song, {}, silent).ok);
    const int total = trackOf(*rig.song, 0).eventCount();
    trackOf(*rig.song, 1).append(MidiEvent::note(0, 5, 1, 1, 1)); // must move up, not be overwritten

    // The file turns channel 1 into a drum part and channel 10 into a normal one.
    ASSERT_TRUE(rig.split(0, {true, false}));
    EXPECT_TRUE(trackOf(*rig.song, 0).empty());
    // Meta and sysex, then the four drum keys of channel 1, then channel 10's notes.
    const Track& meta = trackOf(*rig.song, 1);
    EXPECT_TRUE(std::all_of(meta.events().begin(), meta.events().end(),
                            [](const MidiEvent& e) { return !e.isChannelEvent(); }));
    int moved = meta.eventCount();
    const int keys[] = {48, 52, 55, 60};
    for (int i = 0; i < 4; ++i) {
        const Track& drum = trackOf(*rig.song, 2 + i);
        EXPECT_EQ(drum.name, drumName(MidiMode::GS, keys[i], 0));
        EXPECT_FALSE(drum.name.empty());
        ASSERT_FALSE(drum.empty());
        EXPECT_EQ(drum.event(0).data1, keys[i]);
        EXPECT_EQ(drum.channel, 0);
        moved += drum.eventCount();
    }
    const Track& piano = trackOf(*rig.song, 6);
    EXPECT_EQ(piano.eventCount(), 4);
    EXPECT_TRUE(piano.name.empty());
    EXPECT_EQ(piano.channel, 9);
    EXPECT_EQ(moved + piano.eventCount(), total);
    EXPECT_EQ(trackOf(*rig.song, 7).event(0).channel(), 5);
}

TEST(SplitChannelsTest, SetautoGivesEachNewTrackTheKnobsOfItsMostUsedParameters)
{
    const auto cc = [](int number) { return static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, number)); };
    const auto fill = [&](Track& source) {
        source.clearEvents();
        for (int i = 0; i < 5; ++i)
            source.append(MidiEvent::channelEvent(i, 0xB2, cc(91), 40)); // reverb on channel 3
        source.append(MidiEvent::note(10, 5, 60, 90, 10));
        for (int i = 0; i < 3; ++i)
            source.append(MidiEvent::channelEvent(20 + i, 0xB5, cc(93), 40)); // chorus on channel 6
    };

    SplitRig rig;
    fill(trackOf(*rig.song, 0));
    SplitOptions options;
    options.chooseKnobsByUsage = true;
    ASSERT_TRUE(rig.split(0, options));
    const Track& reverb = trackOf(*rig.song, 1);
    const Track& chorus = trackOf(*rig.song, 2);
    ASSERT_EQ(reverb.eventCount(), 5);
    EXPECT_EQ(reverb.channel, 2);
    EXPECT_EQ(chorus.channel, 5);
    const auto knobs = [](const Track& track) {
        return std::vector<int>(track.knobParam.begin(), track.knobParam.end());
    };
    const auto hasKnob = [&](const Track& track, int slot) {
        const std::vector<int> params = knobs(track);
        return std::find(params.begin(), params.end(), slot) != params.end();
    };
    EXPECT_TRUE(hasKnob(reverb, cc(91)));
    EXPECT_FALSE(hasKnob(reverb, cc(93))) << "each track by its own events";
    EXPECT_TRUE(hasKnob(chorus, cc(93)));

    // Without the setting the new tracks keep a new track's knobs.
    SplitRig plain;
    fill(trackOf(*plain.song, 0));
    ASSERT_TRUE(plain.split(0, {}));
    EXPECT_EQ(knobs(trackOf(*plain.song, 1)), knobs(Track{}));
    EXPECT_NE(knobs(reverb), knobs(Track{}));
}

TEST(SplitChannelsTest, WithoutKeyOptionsEachChannelIsOneTrackAndPayloadsMove)
{
    SplitRig rig;
    Track& source = trackOf(*rig.song, 3);
    source.append(MidiEvent::note(0, 2, 60, 90, 10));
    source.append(MidiEvent::sysexEvent(0, {0x41, 0xF7}));
    source.append(MidiEvent::drumNrpn(5, 9, 0, 36, 64));
    source.append(MidiEvent::note(10, 9, 36, 90, 10));
    source.append(MidiEvent::note(20, 2, 255 & 0x7F, 90, 10));
    source.event(4).data3 = 255; // a stray marker value must not make the event vanish
    const std::uint8_t* payload = source.event(1).sysex->data();

    ASSERT_TRUE(rig.split(3, {}));
    EXPECT_EQ(trackOf(*rig.song, 4).event(0).sysex->data(), payload); // moved, not copied
    EXPECT_EQ(trackOf(*rig.song, 5).eventCount(), 2);
    EXPECT_EQ(trackOf(*rig.song, 6).eventCount(), 2);
    EXPECT_TRUE(trackOf(*rig.song, 6).name.empty());

    SplitRig drums;
    Track& kit = trackOf(*drums.song, 0);
    kit.append(MidiEvent::channelEvent(0, 0xB9, 7, 100));
    kit.append(MidiEvent::note(0, 9, 36, 90, 10));
    ASSERT_TRUE(drums.split(0, {true, false}));
    EXPECT_EQ(trackOf(*drums.song, 1).name, kNotDrumRelatedName);
    EXPECT_EQ(trackOf(*drums.song, 2).name, drumName(MidiMode::GS, 36, 0));
}

TEST(SplitChannelsTest, XgSfxKitKeysGetTracksOfTheirOwnOnlyWithTheSfxOption)
{
    const auto sfxKitSong = [](Track& track) {
        track.append(MidiEvent::sysexEvent(0, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
        track.append(MidiEvent::channelEvent(0, EventKind::Controller | 3,
                                             static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, Cc::BankMsb)),
                                             126));
        track.append(MidiEvent::channelEvent(0, EventKind::ProgramChange | 3, 0, 0));
        track.append(MidiEvent::note(10, 3, 52, 90, 10));
        track.append(MidiEvent::note(20, 3, 41, 90, 10));
        track.append(MidiEvent::note(30, 3, 52, 90, 10));
    };
    SplitRig rig;
    rig.device.xgSupported = true;
    sfxKitSong(trackOf(*rig.song, 0));
    ASSERT_TRUE(rig.split(0, {true, true}));
    EXPECT_EQ(trackOf(*rig.song, 2).name, kNotSfxRelatedName);
    EXPECT_EQ(trackOf(*rig.song, 2).eventCount(), 2);
    EXPECT_EQ(trackOf(*rig.song, 3).name, drumName(MidiMode::GS, 41, 56));
    EXPECT_EQ(trackOf(*rig.song, 4).eventCount(), 2);
    EXPECT_EQ(trackOf(*rig.song, 4).name, drumName(MidiMode::GS, 52, 56));
    EXPECT_FALSE(trackOf(*rig.song, 4).name.empty());

    SplitRig plain;
    plain.device.xgSupported = true;
    sfxKitSong(trackOf(*plain.song, 0));
    ASSERT_TRUE(plain.split(0, {true, false}));
    EXPECT_EQ(trackOf(*plain.song, 2).eventCount(), 5);
    EXPECT_TRUE(trackOf(*plain.song, 3).empty());
}

TEST(SplitChannelsTest, RefusesWhenTracksBehindCannotTakeItAndChangesNothing)
{
    SplitRig rig;
    for (int t = 250; t < 256; ++t)
        trackOf(*rig.song, t).append(MidiEvent::note(0, 0, 60, 90, 10));
    Track& source = trackOf(*rig.song, 250);
    source.append(MidiEvent::note(1, 1, 60, 90, 10));
    source.append(MidiEvent::textEvent(1, EventKind::Text, "x"));
    ASSERT_FALSE(rig.split(250, {}));
    EXPECT_EQ(rig.prompt.messages.back(), kSplitNoRoomText);
    EXPECT_EQ(source.eventCount(), 3);
    EXPECT_EQ(trackOf(*rig.song, 255).eventCount(), 1);

    // Empty tracks behind are reused, so the same split fits once they are free.
    for (int t = 251; t < 256; ++t)
        trackOf(*rig.song, t).clearEvents();
    EXPECT_TRUE(rig.split(250, {}));
    EXPECT_EQ(trackOf(*rig.song, 253).eventCount(), 1);

    EXPECT_FALSE(rig.split(250, {}));
    EXPECT_EQ(rig.prompt.messages.back(), kSplitEmptyTrackText);
}

} // namespace
} // namespace velisto
