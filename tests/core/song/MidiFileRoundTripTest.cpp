// Saving and loading again must give back the song. Where the file form cannot carry the
// song exactly, the saved song is described as the load must give it back:
// - a note that the same key (same channel) starts again before its end is cut there, and
//   a cut to zero ticks loads as length 1;
// - events without a real length load with the placeholders 9999 (channel events) and
//   120 (text and system exclusive);
// - a tempo travels as whole microseconds (at most 0xFFFFFF) and loads rounded to three
//   decimals; meter denominators other than 1, 2, 4, 8, 16, 32 travel as 4;
// - names are cut to 260 bytes; solo and mute travel only on request.

#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"

#include "midi/MidiModeDefinition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace velisto {
namespace {

double expectedBpm(double bpm)
{
    const auto us = static_cast<std::uint64_t>(std::clamp(std::trunc(60000000.0 / bpm), 1.0, 16777215.0));
    const std::uint64_t thousandths = 60000000000ULL / us + (2 * (60000000000ULL % us) > us ? 1 : 0);
    return static_cast<double>(thousandths) / 1000.0;
}

std::int32_t expectedLength(const std::vector<MidiEvent>& events, std::size_t i)
{
    const MidiEvent& e = events[i];
    if (e.kind() != EventKind::Note)
        return e.isChannelEvent() ? kFileChannelEventLength : kDefaultEventLength;
    for (std::size_t j = i + 1; j < events.size() && events[j].tick < e.tick + e.length; ++j)
        if (events[j].status == e.status && events[j].data1 == e.data1)
            return std::max(events[j].tick - e.tick, 1);
    return e.length;
}

// One line per master entry, track setting and event. asSaved: as a load of the saved
// song must give them back; otherwise as they are.
std::vector<std::string> describe(const Song& song, int lastTrack, bool withSoloMute, bool asSaved)
{
    std::vector<std::string> lines{"ppq " + std::to_string(song.ppq)};
    for (int i = 0; i < song.tempoCount(); ++i) {
        const TempoEntry& e = song.tempoList[std::size_t(i)];
        lines.push_back("tempo " + std::to_string(e.tick) + " " + std::to_string(asSaved ? expectedBpm(e.bpm) : e.bpm));
    }
    for (int i = 0; i < song.meterCount(); ++i) {
        const MeterEntry& e = song.meterList[std::size_t(i)];
        const bool known = e.denominator > 0 && e.denominator <= 32 && (e.denominator & (e.denominator - 1)) == 0;
        lines.push_back("meter " + std::to_string(e.measure) + " " + std::to_string(e.numerator) + "/" +
                        std::to_string(asSaved && !known ? 4 : e.denominator));
    }
    for (int i = 0; i < song.keyCount(); ++i) {
        const KeyEntry& e = song.keyList[std::size_t(i)];
        lines.push_back("key " + std::to_string(e.tick) + " " + std::to_string(e.sharpsFlats) + " " +
                        std::to_string(e.major));
    }
    for (int t = 0; t <= lastTrack; ++t) {
        const Track& track = song.tracks[std::size_t(t)];
        std::string settings = "track " + std::to_string(t) + " '" +
                               track.name.substr(0, asSaved ? 260 : std::string::npos) + "' channel " +
                               std::to_string(track.channel) + " offset " + std::to_string(track.tickOffset);
        for (int k = 0; k < kKnobCount; ++k)
            settings += " knob " + std::to_string(track.knobKind[std::size_t(k)]) + ":" +
                        std::to_string(track.knobParam[std::size_t(k)]) + ":" +
                        std::to_string(track.knobDrumMap[std::size_t(k)]) + ":" +
                        std::to_string(track.knobKey[std::size_t(k)]);
        const bool keep = withSoloMute || !asSaved;
        settings +=
            " muted " + std::to_string(keep ? track.muted.load() : 0) + " solo " + std::to_string(keep && song.isSolo(t));
        lines.push_back(settings);
        const std::vector<MidiEvent> events(track.events().begin(), track.events().end());
        for (std::size_t i = 0; i < events.size(); ++i) {
            const MidiEvent& e = events[i];
            std::string line = "  " + std::to_string(e.tick) + " " + std::to_string(e.status) + " " +
                               std::to_string(e.data1) + " " + std::to_string(e.data2) + " " + std::to_string(e.data3) +
                               " length " + std::to_string(asSaved ? expectedLength(events, i) : e.length);
            if (e.text)
                line += " '" + *e.text + "'";
            if (e.sysex)
                for (std::uint8_t b : *e.sysex)
                    line += " " + std::to_string(b);
            lines.push_back(line);
        }
    }
    return lines;
}

// Saves the song, loads it into loaded and describes the first difference; empty when none.
std::string saveAndLoad(const Song& song, Song& loaded, bool withSoloMute = true)
{
    const EncodeResult encoded = MidiFileWriter::encode(song, withSoloMute);
    if (!encoded.error.empty())
        return "encode: " + encoded.error;
    const LoadResult result = MidiFileReader::read(encoded.bytes, loaded, LoadOptions{});
    if (!result.ok)
        return "load: " + result.error;
    if (!result.report.empty())
        return "load report: " + result.report.substr(0, 300);
    const int lastTrack = song.lastTrackToSave();
    const auto expected = describe(song, lastTrack, withSoloMute, true);
    const auto got = describe(loaded, lastTrack, withSoloMute, false);
    const auto [a, b] = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
    if (a == expected.end() && b == got.end())
        return "";
    return "expected " + (a == expected.end() ? "nothing" : *a) + "\n    got " + (b == got.end() ? "nothing" : *b);
}

TEST(MidiFileRoundTripTest, EveryCorpusFileSurvivesSaveAndLoad)
{
    const std::filesystem::path folder = std::filesystem::path(VELISTO_TEST_DATA_DIR) / "corpus/midi";
    int roundTrips = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".txt")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        Song first;
        if (!MidiFileReader::read(bytes, first, LoadOptions{}).ok)
            continue;
        Song second;
        EXPECT_EQ(saveAndLoad(first, second), "") << entry.path();
        ++roundTrips;
    }
    EXPECT_GT(roundTrips, 50);
}

// Songs of every event kind and setting, as a cleared song plus edits could hold them.
class RandomSong {
  public:
    explicit RandomSong(unsigned seed) : rng_(seed)
    {
        for (int kind = 0; kind < kParamKindCount; ++kind)
            for (int slot = 0; slot < slotCount(ParamKind(kind)); ++slot)
                if (numberForOutput(ParamKind(kind), slot) >= 0)
                    slots_[std::size_t(kind)].push_back(slot);
        for (int slot = 0; slot < kControllerSlotCount; ++slot)
            if (midiModeDefinition(MidiMode::GM2).isKeyBasedCapable(slot))
                keyBasedSlots_.push_back(slot);
    }

    // keys: how many keys the notes use; few keys make notes repeat while they sound.
    Song make(int lastTrack, int eventsPerTrack, int keys)
    {
        Song song;
        song.ppq = pick({24, 96, 120, 480, 960, 32767});
        keys_ = keys;
        // Every list starts at the song's start, as a cleared song's do; neighbouring tempos differ.
        for (int i = 0, tick = 0, tempos = chance(20) ? 250 : uniform(1, 8), bpm = 0; i < tempos;
             ++i, tick += uniform(1, 5000)) {
            const int previous = bpm;
            while (bpm == previous)
                bpm = uniform(20000, 300000);
            song.setTempo(tick, bpm / 1000.0);
        }
        for (int i = 0, measure = 0, meters = chance(20) ? 150 : uniform(1, 6); i < meters;
             ++i, measure += uniform(1, 20))
            song.setMeterAtMeasure(measure, uniform(1, 16), pick({1, 2, 4, 8, 16, 32}));
        for (int i = 0, tick = 0, count = uniform(1, 6); i < count; ++i, tick += uniform(1, 20000))
            song.setKey(tick, uniform(-7, 7), uniform(0, 1));
        for (int t = 0; t <= lastTrack; ++t)
            if (t == lastTrack || chance(70))
                fillTrack(song, t, eventsPerTrack);
        return song;
    }

  private:
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return uniform(1, 100) <= percent; }
    int pick(const std::vector<int>& values) { return values[std::size_t(uniform(0, int(values.size()) - 1))]; }
    int slot(ParamKind kind) { return pick(slots_[std::size_t(kind)]); }
    std::string text(int maxLength)
    {
        static const std::string kChars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -.!";
        std::string s(1, char('a' + uniform(0, 25)));
        for (int n = uniform(0, maxLength - 1); n > 0; --n)
            s += kChars[std::size_t(uniform(0, int(kChars.size()) - 1))];
        return s;
    }

    void fillTrack(Song& song, int index, int eventsPerTrack)
    {
        Track& track = song.tracks[std::size_t(index)];
        if (chance(70))
            track.name = text(40);
        track.channel = uniform(0, 15);
        track.tickOffset = uniform(-song.ppq / 4, song.ppq / 4);
        track.muted = chance(20) ? 1 : 0;
        song.setSolo(index, chance(10));
        for (std::size_t k = 0; k < kKnobCount; ++k) {
            track.knobKind[k] = uniform(0, 3);
            const bool drum = track.knobKind[k] == KnobKind::DrumNrpn,
                       keyBased = track.knobKind[k] == KnobKind::KeyBasedController;
            track.knobParam[k] = keyBased ? pick(keyBasedSlots_) : slot(ParamKind(track.knobKind[k]));
            track.knobDrumMap[k] = drum ? uniform(0, 2) : 0;
            track.knobKey[k] = drum || keyBased ? uniform(0, 127) : 0;
        }
        for (std::int32_t i = uniform(0, eventsPerTrack), tick = 0; i > 0; --i) {
            tick += chance(40) ? 0 : uniform(1, 200);
            track.append(randomEvent(tick));
        }
    }

    MidiEvent randomEvent(std::int32_t tick)
    {
        const int channel = uniform(0, keys_ < 16 ? 1 : 15);
        const auto status = [&](std::uint8_t kind) { return std::uint8_t(kind | channel); };
        const auto byte = [&] { return std::uint8_t(uniform(0, 127)); };
        switch (uniform(0, 14)) {
        case 0:
            return MidiEvent::channelEvent(tick, status(EventKind::ChannelPrefix), 0, 0);
        case 1:
            return MidiEvent::drumNrpn(tick, channel, slot(ParamKind::DrumNrpn), uniform(0, 126), byte());
        case 2: {
            std::vector<std::uint8_t> bytes(std::size_t(uniform(0, 40)));
            std::generate(bytes.begin(), bytes.end(), byte);
            bytes.push_back(0xF7);
            return MidiEvent::sysexEvent(tick, std::move(bytes));
        }
        case 3: {
            const int nrpn = slot(ParamKind::Nrpn);
            return MidiEvent::channelEvent(tick, status(EventKind::Nrpn), std::uint8_t(nrpn),
                                           nrpn == kNrpnLockInSlot ? 0 : byte());
        }
        case 4: {
            const int rpn = slot(ParamKind::Rpn);
            return MidiEvent::channelEvent(tick, status(EventKind::Rpn), std::uint8_t(rpn),
                                           rpn == kRpnLockInSlot ? 0 : byte());
        }
        case 5:
            return MidiEvent::textEvent(tick, std::uint8_t(EventKind::Lyric + uniform(0, 7)), text(30));
        case 6:
            return MidiEvent::channelEvent(tick, status(EventKind::PolyPressure), byte(), byte());
        case 7:
            return MidiEvent::channelEvent(tick, status(EventKind::Controller),
                                           std::uint8_t(slot(ParamKind::Controller)), byte());
        case 8:
            return MidiEvent::channelEvent(tick, status(EventKind::ProgramChange), byte(), 0);
        case 9:
            return MidiEvent::channelEvent(tick, status(EventKind::ChannelPressure), byte(), 0);
        case 10:
            return MidiEvent::channelEvent(tick, status(EventKind::PitchBend), byte(), byte());
        default: {
            const int key = keys_ >= 128 ? uniform(0, 127) : 60 + uniform(0, keys_ - 1);
            return MidiEvent::note(tick, channel, key, uniform(1, 127), uniform(1, 1500));
        }
        }
    }

    std::mt19937 rng_;
    std::array<std::vector<int>, kParamKindCount> slots_;
    std::vector<int> keyBasedSlots_;
    int keys_ = 128;
};

TEST(MidiFileRoundTripTest, RandomSongsSurviveSaveAndLoadTwice)
{
    struct Case {
        unsigned seed;
        int lastTrack, eventsPerTrack, keys;
    };
    for (const Case& c :
         {Case{1, 3, 400, 128}, Case{2, 20, 300, 4}, Case{3, 255, 40, 68}, Case{4, 7, 2000, 2}, Case{5, 0, 1000, 12}}) {
        const Song song = RandomSong(c.seed).make(c.lastTrack, c.eventsPerTrack, c.keys);
        Song first, second;
        EXPECT_EQ(saveAndLoad(song, first), "") << "seed " << c.seed;
        // What a user gets from the first load must not change again on the next save.
        EXPECT_EQ(saveAndLoad(first, second), "") << "seed " << c.seed;
    }
}

TEST(MidiFileRoundTripTest, SoloAndMuteStayBehindUnlessAsked)
{
    Song song = RandomSong(11).make(9, 50, 128);
    song.tracks[4].muted = 1;
    song.setSolo(6, true);
    Song loaded;
    EXPECT_EQ(saveAndLoad(song, loaded, false), "");
    EXPECT_EQ(loaded.tracks[4].muted, 0);
    EXPECT_FALSE(loaded.isSolo(6));
}

TEST(MidiFileRoundTripTest, MasterListsOfASongWithoutEventsSurvive)
{
    Song song;
    song.ppq = 96;
    song.setTempo(0, 3.576); // the slowest tempo a file holds
    song.setTempo(960, 250.0);
    song.setMeterAtMeasure(2, 7, 16);
    song.setKey(0, 5, 0);
    song.setKey(7000, -6, 1);
    Song loaded;
    EXPECT_EQ(saveAndLoad(song, loaded), "");
    EXPECT_EQ(loaded.tempoList[0].bpm, 3.576);
}

TEST(MidiFileRoundTripTest, HundredsOfTempoAndMeterChangesComeBackExactly)
{
    Song song;
    song.ppq = 480;
    // Quarter-note tempos up to 170 BPM with at most two decimals come back unchanged
    // through whole microseconds; neighbours differ, so no change is redundant.
    for (int i = 1; i < 250; ++i)
        ASSERT_EQ(song.setTempo(i * 500 + i % 3, 40 + (i * 37) % 130 + (i % 4) * 0.25), MasterListChange::Inserted);
    for (int i = 1; i < 150; ++i)
        ASSERT_EQ(song.setMeterAtMeasure(2 * i + i % 2, 1 + i % 12, 1 << (i % 6)), MasterListChange::Inserted);
    song.tracks[0].append(MidiEvent::note(200000, 0, 60, 100, 480));

    const EncodeResult file = MidiFileWriter::encode(song, false);
    ASSERT_EQ(file.error, "");
    Song loaded;
    const LoadResult result = MidiFileReader::read(file.bytes, loaded, LoadOptions{});
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.report, "");
    ASSERT_EQ(loaded.tempoCount(), 250);
    ASSERT_EQ(loaded.meterCount(), 150);
    for (std::size_t i = 0; i < 250; ++i) {
        EXPECT_EQ(loaded.tempoList[i].tick, song.tempoList[i].tick) << i;
        EXPECT_EQ(loaded.tempoList[i].bpm, song.tempoList[i].bpm) << i;
    }
    for (std::size_t i = 0; i < 150; ++i) {
        EXPECT_EQ(loaded.meterList[i].measure, song.meterList[i].measure) << i;
        EXPECT_EQ(loaded.meterList[i].numerator, song.meterList[i].numerator) << i;
        EXPECT_EQ(loaded.meterList[i].denominator, song.meterList[i].denominator) << i;
    }
    EXPECT_EQ(MidiFileWriter::encode(loaded, false).bytes, file.bytes) << "a second save writes the same file";
}

} // namespace
} // namespace velisto
