#include "song/MidiFileWriter.h"

#include "midi/MidiModeDefinition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An event as the file holds it: status and data; meta events as FF, type and data;
// system exclusive as F0 and data (length fields left out).
struct Listed {
    std::int64_t tick = 0;
    Bytes message;
};

// A small lister of Standard MIDI File bytes, independent of the reader. Refuses
// running status, data bytes from 0x80, wrong chunk lengths and a missing end of track.
std::vector<std::vector<Listed>> listTracks(const Bytes& b, std::string& problem)
{
    std::vector<std::vector<Listed>> tracks;
    std::size_t pos = 14;
    const auto fail = [&](const std::string& why) {
        problem = why + " at byte " + std::to_string(pos);
        return tracks;
    };
    const auto vlq = [&](std::size_t end, std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4 && pos < end; ++i) {
            v = (v << 7) | (b[pos] & 0x7F);
            if (!(b[pos++] & 0x80))
                return true;
        }
        return false;
    };
    if (b.size() < 14 ||
        std::string_view(reinterpret_cast<const char*>(b.data()), 8) != std::string_view("MThd\0\0\0\6", 8))
        return fail("bad header");
    while (pos < b.size()) {
        if (b.size() - pos < 8 || std::string_view(reinterpret_cast<const char*>(&b[pos]), 4) != "MTrk")
            return fail("no MTrk");
        const std::size_t end =
            pos + 8 + (std::size_t(b[pos + 4]) << 24 | b[pos + 5] << 16 | b[pos + 6] << 8 | b[pos + 7]);
        pos += 8;
        if (end > b.size())
            return fail("chunk beyond the file");
        std::vector<Listed>& track = tracks.emplace_back();
        std::int64_t tick = 0;
        while (pos < end) {
            std::uint32_t delta = 0, size = 0;
            if (!vlq(end, delta) || pos >= end)
                return fail("bad delta time");
            tick += delta;
            Listed e{tick, {b[pos++]}};
            const std::uint8_t status = e.message[0];
            const bool meta = status == 0xFF, sysex = status == 0xF0;
            if (meta && pos < end)
                e.message.push_back(b[pos++]);
            if ((meta || sysex) && !vlq(end, size))
                return fail("bad length");
            if (!meta && !sysex)
                size = status < 0x80 || status >= 0xF0 ? 0xFFFFFFFF : (status & 0xE0) == 0xC0 ? 1 : 2;
            if (end - pos < size)
                return fail("event beyond its chunk");
            for (std::uint32_t i = 0; i < size; ++i, ++pos) {
                if (!meta && !sysex && b[pos] >= 0x80)
                    return fail("data byte with the high bit");
                e.message.push_back(b[pos]);
            }
            track.push_back(std::move(e));
        }
        if (track.empty() || track.back().message != Bytes{0xFF, 0x2F} ||
            std::count_if(track.begin(), track.end(), [](const Listed& e) {
                return e.message == Bytes{0xFF, 0x2F};
            }) != 1)
            return fail("end of track is not the last event");
    }
    if (tracks.size() != (std::size_t(b[10]) << 8 | b[11]))
        return fail("track count differs from the chunks");
    return tracks;
}

Bytes meta(std::uint8_t type, std::string_view text)
{
    Bytes m(2 + text.size());
    m[0] = 0xFF;
    m[1] = type;
    std::copy(text.begin(), text.end(), m.begin() + 2);
    return m;
}

std::vector<Bytes> messages(const std::vector<Listed>& events)
{
    std::vector<Bytes> out;
    out.reserve(events.size());
    for (const Listed& e : events)
        out.push_back(e.message);
    return out;
}

std::vector<std::int64_t> ticks(const std::vector<Listed>& events)
{
    std::vector<std::int64_t> out;
    out.reserve(events.size());
    for (const Listed& e : events)
        out.push_back(e.tick);
    return out;
}

std::vector<std::vector<Listed>> encodeAndList(const Song& song, bool withSoloMute = false)
{
    const EncodeResult result = MidiFileWriter::encode(song, withSoloMute);
    EXPECT_EQ(result.error, "");
    std::string problem;
    auto tracks = listTracks(result.bytes, problem);
    EXPECT_EQ(problem, "");
    return tracks;
}

// A track's events behind its name and "VLX:" records, without the end of track.
std::vector<Listed> bodyOf(const Song& song, std::size_t track)
{
    const auto tracks = encodeAndList(song);
    std::vector<Listed> out;
    for (const Listed& e : track < tracks.size() ? tracks[track] : std::vector<Listed>{}) {
        const std::string_view text(reinterpret_cast<const char*>(e.message.data()), e.message.size());
        if (!text.starts_with("\xFF\x03") && !text.starts_with("\xFF\x01VLX:") && !text.starts_with("\xFF\x2F"))
            out.push_back(e);
    }
    return out;
}

// A song without master entries, so that track 0 holds only what a test puts there.
Song bareSong()
{
    Song song;
    song.ppq = 480;
    song.tempoList.clear();
    song.meterList.clear();
    song.keyList.clear();
    return song;
}

const std::vector<Bytes> kDefaultStartRecords{meta(0x03, ""), meta(0x01, "VLX:KNOB_0:1/0"),
                                              meta(0x01, "VLX:KNOB_1:11/0"), meta(0x01, "VLX:KNOB_2:10/0"),
                                              meta(0x01, "VLX:MIDICHANNEL:1")};

TEST(MidiFileWriterTest, WritesTracksUpToTheLastUsedOneEachWithItsStartRecords)
{
    Song song;
    song.tracks[5].append(MidiEvent::channelEvent(0, 0xC3, 5, 0));
    const Bytes bytes = MidiFileWriter::encode(song, false).bytes;
    ASSERT_GE(bytes.size(), 22u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 14), (Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 6, 0, 120}));
    // Track 0's length: name 4, knobs 18 + 19 + 19, channel 21, end of track 4, tempo 7, key 6, meter 8.
    EXPECT_EQ(Bytes(bytes.begin() + 14, bytes.begin() + 22), (Bytes{'M', 'T', 'r', 'k', 0, 0, 0, 85 + 7 + 6 + 8}));

    const auto tracks = encodeAndList(song);
    ASSERT_EQ(tracks.size(), 6u);
    for (const auto& track : tracks)
        EXPECT_EQ(messages({track.begin(), track.begin() + 5}), kDefaultStartRecords);
    EXPECT_EQ(messages(bodyOf(song, 0)),
              (std::vector<Bytes>{{0xFF, 0x51, 0x07, 0xA1, 0x20}, {0xFF, 0x59, 0, 0}, {0xFF, 0x58, 4, 2, 24, 8}}));
    EXPECT_TRUE(bodyOf(song, 3).empty());
    EXPECT_EQ(messages(bodyOf(song, 5)), (std::vector<Bytes>{{0xC3, 0x05}}));

    // A track with settings only counts too; an empty song still writes track 0 with its master lists.
    Song settings;
    EXPECT_EQ(encodeAndList(settings).size(), 1u);
    EXPECT_EQ(bodyOf(settings, 0).size(), 3u);
    settings.tracks[9].muted = 1;
    EXPECT_EQ(encodeAndList(settings).size(), 10u);
    settings.tracks[12].tickOffset = 3;
    EXPECT_EQ(encodeAndList(settings).size(), 13u);
    settings.setSolo(40, true);
    EXPECT_EQ(encodeAndList(settings).size(), 41u);
    settings.tracks[255].name = "last";
    EXPECT_EQ(encodeAndList(settings).size(), 256u);
    EXPECT_EQ(MidiFileWriter::encode(settings, false).bytes[10], 0x01);
}

TEST(MidiFileWriterTest, StartRecordsCarryNameOffsetKnobsChannelAndOnRequestSoloAndMute)
{
    Song song = bareSong();
    Track& bass = song.tracks[0];
    bass.name = "Bass";
    bass.tickOffset = -12;
    bass.channel = 1;
    const auto records = [&](bool withSoloMute) {
        auto out = messages(encodeAndList(song, withSoloMute).at(0));
        out.pop_back(); // end of track
        return out;
    };
    EXPECT_EQ(records(false), (std::vector<Bytes>{meta(0x03, "Bass"), meta(0x01, "VLX:TICKOFFSET:-12"),
                                                  meta(0x01, "VLX:KNOB_0:1/0"), meta(0x01, "VLX:KNOB_1:11/0"),
                                                  meta(0x01, "VLX:KNOB_2:10/0"), meta(0x01, "VLX:MIDICHANNEL:2")}));

    bass.knobKind = {KnobKind::Nrpn, KnobKind::DrumNrpn, KnobKind::KeyBasedController};
    bass.knobParam = {slotForSong(ParamKind::Nrpn, 0x08), slotForSong(ParamKind::DrumNrpn, 0x18),
                      slotForSong(ParamKind::Controller, 10)};
    bass.knobDrumMap = {5, 1, 6};
    bass.knobKey = {7, 38, 36};
    bass.muted = 1;
    song.setSolo(0, true);
    const auto all = records(true);
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(std::vector<Bytes>(all.begin() + 2, all.begin() + 5),
              (std::vector<Bytes>{meta(0x01, "VLX:KNOB_0:8/1"), meta(0x01, "VLX:KNOB_1:24/2/1/38"),
                                  meta(0x01, "VLX:KNOB_2:10/3/36")}));
    EXPECT_EQ(std::vector<Bytes>(all.begin() + 6, all.end()),
              (std::vector<Bytes>{meta(0x01, "VLX:SOLOTRACK"), meta(0x01, "VLX:MUTEDTRACK")}));
    EXPECT_EQ(records(false).size(), 6u) << "solo and mute travel in the undo file only";

    bass.knobParam[2] = slotForSong(ParamKind::Controller, 0); // bank select is never key-based
    EXPECT_EQ(records(false)[4], meta(0x01, "VLX:KNOB_2:7/3/36"));

    bass.name = std::string(300, 'n');
    EXPECT_EQ(records(false)[0], meta(0x03, std::string(260, 'n')));
    bass.name = std::string(259, 'n') + "\xC3\xA9"; // the cut would split "é"
    EXPECT_EQ(records(false)[0], meta(0x03, std::string(259, 'n')));
    bass.name = std::string(300, '\xA9'); // not UTF-8: a plain cut
    EXPECT_EQ(records(false)[0], meta(0x03, std::string(260, '\xA9')));
}

TEST(MidiFileWriterTest, EncodesEveryEventKindAndLeavesOutWhatHasNoFileForm)
{
    Song song = bareSong();
    Track& t = song.tracks[0];
    t.append(MidiEvent::channelEvent(0, 0x13, 0, 0));
    t.append(MidiEvent::sysexEvent(0, {0x41, 0x10, 0xF7, 0x55}));
    t.append(MidiEvent::channelEvent(0, 0xC2, 17, 0));
    t.append(MidiEvent::channelEvent(0, 0xD2, 90, 0));
    t.append(MidiEvent::channelEvent(0, 0xA2, 60, 33));
    t.append(MidiEvent::channelEvent(0, 0xE2, 0x81, 0xFF)); // data bytes keep seven bits
    t.append(MidiEvent::channelEvent(0, 0xB2, static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 7)), 100));
    for (std::uint8_t kind = EventKind::Lyric; kind <= EventKind::DeviceName; ++kind)
        t.append(MidiEvent::textEvent(0, kind, "t"));
    // Left out without a trace, not even a delta time: the next event carries all 400 ticks.
    t.append(MidiEvent::sysexEvent(100, {}));
    t.append(MidiEvent::channelEvent(100, 0xB2, 33, 1));
    t.append(MidiEvent::channelEvent(100, 0x52, 19, 1));
    t.append(MidiEvent::drumNrpn(100, 2, 23, 36, 1));
    t.append(MidiEvent::channelEvent(100, 0x62, 3, 1));
    t.append(MidiEvent::channelEvent(100, 0x35, 1, 1));
    t.append(MidiEvent::channelEvent(100, 0xF8, 1, 1));
    t.append(MidiEvent::channelEvent(400, 0xC0, 2, 0));

    const auto events = bodyOf(song, 0);
    EXPECT_EQ(messages(events), (std::vector<Bytes>{{0xFF, 0x20, 0x03},
                                                    {0xF0, 0x41, 0x10, 0xF7},
                                                    {0xC2, 17},
                                                    {0xD2, 90},
                                                    {0xA2, 60, 33},
                                                    {0xE2, 0x01, 0x7F},
                                                    {0xB2, 7, 100},
                                                    meta(0x05, "t"),
                                                    meta(0x06, "t"),
                                                    meta(0x04, "t"),
                                                    meta(0x01, "t"),
                                                    meta(0x07, "t"),
                                                    meta(0x02, "t"),
                                                    meta(0x08, "t"),
                                                    meta(0x09, "t"),
                                                    {0xC0, 2}}));
    const Bytes bytes = MidiFileWriter::encode(song, false).bytes;
    const Bytes last{0x09, 0x01, 't', 0x83, 0x10, 0xC0, 0x02};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), last.begin(), last.end()), bytes.end());
}

TEST(MidiFileWriterTest, DeltaTimesTakeOneToFourBytesAndALargerOneIsAnError)
{
    Song song = bareSong();
    const std::int32_t at[] = {127, 128, 16383, 16384, 2097151, 2097152, 268435455};
    for (std::int32_t tick : at)
        song.tracks[1].append(MidiEvent::channelEvent(tick, 0xC0, 0, 0));
    EXPECT_EQ(ticks(bodyOf(song, 1)), (std::vector<std::int64_t>(std::begin(at), std::end(at))));
    Song largest = bareSong();
    largest.tracks[0].append(MidiEvent::channelEvent(268435455, 0xC0, 0, 0));
    const Bytes bytes = MidiFileWriter::encode(largest, false).bytes;
    const Bytes delta{0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x00};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), delta.begin(), delta.end()), bytes.end());

    song.meterList = {MeterEntry{4, 4, 0}};
    song.tracks[1].append(MidiEvent::channelEvent(268435455 + 268435456, 0xC0, 0, 0));
    const EncodeResult result = MidiFileWriter::encode(song, false);
    EXPECT_TRUE(result.bytes.empty());
    // Tick 536870911 in 4/4 at 480 ppq: 279620 whole measures, 1 beat and 31 ticks.
    EXPECT_EQ(result.error, "Delta time too large for a MIDI file (more than 268435455 ticks) in track 2, "
                            "position 279621:02:031.\nThe file was not saved.");
    Song longNote;
    longNote.tracks[0].append(MidiEvent::note(0, 0, 60, 100, 268435456));
    EXPECT_NE(MidiFileWriter::encode(longNote, false).error, "") << "a note off that far away too";
}

TEST(MidiFileWriterTest, NoteOffsComeFromLengthsAndCutWhereTheSameKeyStartsAgain)
{
    Song song = bareSong();
    Track& t = song.tracks[0];
    t.append(MidiEvent::note(0, 0, 60, 100, 480));
    t.append(MidiEvent::note(0, 1, 62, 90, 480)); // same key on another channel: no cut
    t.append(MidiEvent::note(100, 0, 61, 80, 1000));
    t.append(MidiEvent::note(240, 0, 60, 70, 120));
    t.append(MidiEvent::channelEvent(240, 0xA0, 60, 5)); // same key, another status: no cut
    t.append(MidiEvent::note(240, 0, 62, 70, 20));
    const auto events = bodyOf(song, 0);
    EXPECT_EQ(messages(events), (std::vector<Bytes>{{0x90, 60, 100},
                                                    {0x91, 62, 90},
                                                    {0x90, 61, 80},
                                                    {0x90, 60, 0},
                                                    {0x90, 60, 70},
                                                    {0xA0, 60, 5},
                                                    {0x90, 62, 70},
                                                    {0x90, 62, 0},
                                                    {0x90, 60, 0},
                                                    {0x91, 62, 0},
                                                    {0x90, 61, 0}}));
    EXPECT_EQ(ticks(events), (std::vector<std::int64_t>{0, 0, 100, 240, 240, 240, 240, 260, 360, 480, 1100}));

    // Events at negative ticks go out at tick 0, their note offs where their length ends.
    Song early = bareSong();
    early.tracks[0].append(MidiEvent::channelEvent(-50, 0xC0, 3, 0));
    early.tracks[0].append(MidiEvent::note(-50, 0, 60, 100, 300));
    early.tracks[0].append(MidiEvent::channelEvent(20, 0xC0, 4, 0));
    EXPECT_EQ(ticks(bodyOf(early, 0)), (std::vector<std::int64_t>{0, 0, 20, 250}));
}

TEST(MidiFileWriterTest, NoteOffsAtOneTickGoByTheSlotOfTheirNoteAndNoneIsLostBeyondForty)
{
    Song song = bareSong();
    Track& t = song.tracks[0];
    t.append(MidiEvent::note(0, 0, 60, 100, 100)); // slot 0
    t.append(MidiEvent::note(0, 0, 61, 100, 50));  // slot 1, free again at 50
    t.append(MidiEvent::note(10, 0, 62, 100, 90)); // slot 2
    t.append(MidiEvent::note(60, 0, 63, 100, 40)); // slot 1 again
    const auto events = bodyOf(song, 0);
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(messages({events.begin() + 5, events.end()}),
              (std::vector<Bytes>{{0x90, 60, 0}, {0x90, 63, 0}, {0x90, 62, 0}}));

    Song crowded = bareSong();
    const auto noteOff = [](int i) { return Bytes{std::uint8_t(0x90 | (i % 16)), std::uint8_t(20 + i / 16), 0}; };
    for (int i = 0; i < 200; ++i)
        crowded.tracks[0].append(MidiEvent::note(i, i % 16, 20 + i / 16, 100, i < 100 ? 1000 : 2000 - i));
    const auto offs = bodyOf(crowded, 0);
    ASSERT_EQ(offs.size(), 400u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(offs[std::size_t(200 + i)].tick, i < 100 ? 1000 + i : 2000);
        EXPECT_EQ(offs[std::size_t(200 + i)].message, noteOff(i));
    }
}

TEST(MidiFileWriterTest, ParameterAddressesAreWrittenOnlyWhenTheChannelNeedsANewOne)
{
    const auto param = [](std::uint8_t kind, ParamKind slots, int channel, int number, int value) {
        return MidiEvent::channelEvent(0, std::uint8_t(kind | channel), std::uint8_t(slotForSong(slots, number)),
                                       std::uint8_t(value));
    };
    const auto nrpn = [&](int channel, int lsb, int value) {
        return param(0x50, ParamKind::Nrpn, channel, lsb, value);
    };
    const auto rpn = [&](int lsb, int value) { return param(0x60, ParamKind::Rpn, 3, lsb, value); };
    const auto drum = [](int key, int value) {
        return MidiEvent::drumNrpn(0, 3, slotForSong(ParamKind::DrumNrpn, 0x18), key, value);
    };
    Song song = bareSong();
    Track& t = song.tracks[0];
    for (MidiEvent e : {nrpn(3, 0x08, 70), param(0xB0, ParamKind::Controller, 3, 7, 90), nrpn(3, 0x08, 71),
                        nrpn(4, 0x08, 72), rpn(0x00, 12), drum(38, 60), drum(38, 61), drum(40, 62), nrpn(3, 0x08, 73),
                        nrpn(3, 0x7F, 0), nrpn(3, 0x08, 74), rpn(0x7F, 0), rpn(0x02, 64)})
        t.append(std::move(e));
    // clang-format off
    EXPECT_EQ(messages(bodyOf(song, 0)), (std::vector<Bytes>{
        {0xB3, 99, 1}, {0xB3, 98, 8}, {0xB3, 6, 70},
        {0xB3, 7, 90},                                 // a controller leaves the address alone
        {0xB3, 6, 71},
        {0xB4, 99, 1}, {0xB4, 98, 8}, {0xB4, 6, 72},   // each channel has its own
        {0xB3, 101, 0}, {0xB3, 100, 0}, {0xB3, 6, 12},
        {0xB3, 99, 0x18}, {0xB3, 98, 38}, {0xB3, 6, 60},
        {0xB3, 6, 61},
        {0xB3, 99, 0x18}, {0xB3, 98, 40}, {0xB3, 6, 62}, // another drum key
        {0xB3, 99, 1}, {0xB3, 98, 8}, {0xB3, 6, 73},
        {0xB3, 99, 0x7F}, {0xB3, 98, 0x7F},             // lock in: no data entry, address forgotten
        {0xB3, 99, 1}, {0xB3, 98, 8}, {0xB3, 6, 74},
        {0xB3, 101, 0x7F}, {0xB3, 100, 0x7F},
        {0xB3, 101, 0}, {0xB3, 100, 2}, {0xB3, 6, 64}}));
    // clang-format on

    song.tracks[1].append(nrpn(3, 0x08, 75));
    EXPECT_EQ(bodyOf(song, 1).size(), 3u) << "every track starts without an address";
}

TEST(MidiFileWriterTest, MasterEventsMergeIntoTrackZeroAfterDueNoteOffsAndBeforeTheEvent)
{
    Song song = bareSong();
    song.meterList = {MeterEntry{4, 4, 0}};
    song.setMeterAtMeasure(1, 3, 4);
    song.setTempo(480, 120.0);
    song.setKey(480, -3, 0);
    song.setTempo(3000, 60.0);
    song.tracks[0].append(MidiEvent::note(0, 0, 60, 100, 480));
    song.tracks[0].append(MidiEvent::note(480, 0, 64, 100, 10));
    song.tracks[1].append(MidiEvent::note(480, 0, 64, 100, 10));
    const auto events = bodyOf(song, 0);
    EXPECT_EQ(messages(events), (std::vector<Bytes>{{0xFF, 0x58, 4, 2, 24, 8},
                                                    {0x90, 60, 100},
                                                    {0x90, 60, 0},
                                                    {0xFF, 0x51, 0x07, 0xA1, 0x20},
                                                    {0xFF, 0x59, 0xFD, 1},
                                                    {0x90, 64, 100},
                                                    {0x90, 64, 0},
                                                    {0xFF, 0x58, 3, 2, 24, 8},
                                                    {0xFF, 0x51, 0x0F, 0x42, 0x40}}));
    EXPECT_EQ(ticks(events), (std::vector<std::int64_t>{0, 0, 480, 480, 480, 480, 490, 1920, 3000}));
    EXPECT_EQ(bodyOf(song, 1).size(), 2u) << "master events only go to track 0";
}

TEST(MidiFileWriterTest, MetersGoToTheStartOfTheirMeasureAndTemposFitTheirField)
{
    Song song = bareSong();
    song.meterList = {{4, 4, 0}, {6, 8, 3}, {5, 1, 4}, {2, 32, 5}, {7, 3, 6}};
    EXPECT_EQ(ticks(bodyOf(song, 0)), (std::vector<std::int64_t>{0, 5760, 5760 + 1440, 7200 + 9600, 16800 + 120}));
    EXPECT_EQ(messages(bodyOf(song, 0)), (std::vector<Bytes>{{0xFF, 0x58, 4, 2, 24, 8},
                                                             {0xFF, 0x58, 6, 3, 12, 8},
                                                             {0xFF, 0x58, 5, 0, 96, 8},
                                                             {0xFF, 0x58, 2, 5, 3, 8},
                                                             {0xFF, 0x58, 7, 2, 24, 8}}));

    Song tempos = bareSong();
    tempos.tempoList = {
        {3.0, 0},    // 20000000 us: more than three bytes hold
        {1e9, 10},   // 0.06 us
        {-5.0, 20},  // not a tempo: left out
        {100.0, 30}, // 600000 us
    };
    EXPECT_EQ(
        messages(bodyOf(tempos, 0)),
        (std::vector<Bytes>{{0xFF, 0x51, 0xFF, 0xFF, 0xFF}, {0xFF, 0x51, 0, 0, 1}, {0xFF, 0x51, 0x09, 0x27, 0xC0}}));
}

// --- saving to a file --------------------------------------------------------------------

class ScriptedPrompt : public SilentPrompt {
  public:
    std::deque<PromptAnswer> answers;
    std::vector<std::string> asked; // title|text of each Retry/Cancel question
    std::vector<std::string> shown; // title|text of each message

    PromptAnswer askRetryCancel(const std::string& text, const std::string& title, PromptIcon) override
    {
        asked.push_back(title + "|" + text);
        const PromptAnswer answer = answers.empty() ? PromptAnswer::Cancel : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    void message(const std::string& text, const std::string& title, PromptIcon) override
    {
        shown.push_back(title + "|" + text);
    }
};

class MidiFileWriterSaveTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        folder_ =
            std::filesystem::temp_directory_path() / ("velisto-writer-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        std::ofstream(path_ = folder_ / "song.mid", std::ios::binary) << "old contents";
        song_.tracks[0].append(MidiEvent::note(0, 0, 60, 100, 480));
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    static std::string contents(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string encoded() const
    {
        const Bytes bytes = MidiFileWriter::encode(song_, false).bytes;
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<std::string> folderNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path folder_;
    std::filesystem::path path_;
    Song song_;
    ScriptedPrompt prompt_;
};

TEST_F(MidiFileWriterSaveTest, ReplacesTheFileKeepingItsPermissionsAndLinks)
{
    using std::filesystem::perms;
    std::filesystem::permissions(path_, perms::owner_read | perms::owner_write);
    const SaveResult result = MidiFileWriter::write(path_, song_, false, prompt_);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(contents(path_), encoded());
    EXPECT_EQ(folderNames(), std::vector<std::string>{"song.mid"}) << "no temporary file is left";
    EXPECT_EQ(std::filesystem::status(path_).permissions(), perms::owner_read | perms::owner_write);
    EXPECT_TRUE(prompt_.asked.empty() && prompt_.shown.empty());

    const auto link = folder_ / "link.mid";
    std::filesystem::create_symlink("song.mid", link);
    song_.tracks[0].name = "changed";
    ASSERT_TRUE(MidiFileWriter::write(link, song_, false, prompt_).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(contents(path_), encoded());
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"link.mid", "song.mid"}));
}

TEST_F(MidiFileWriterSaveTest, AnOpenFailureAsksRetryOrCancel)
{
    const auto taken = folder_ / "taken";
    std::filesystem::create_directory(taken);
    prompt_.answers = {PromptAnswer::Retry};
    const SaveResult result = MidiFileWriter::write(taken, song_, false, prompt_);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Can't open MIDI file for writing");
    EXPECT_EQ(prompt_.asked, (std::vector<std::string>(2, "MIDI file save|Can't open MIDI file for writing")));
    EXPECT_TRUE(std::filesystem::is_directory(taken));
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"song.mid", "taken"}));

    ScriptedPrompt again;
    EXPECT_FALSE(MidiFileWriter::write(folder_ / "missing" / "song.mid", song_, false, again).ok);
    EXPECT_EQ(again.asked.size(), 1u);
}

TEST_F(MidiFileWriterSaveTest, AWriteErrorKeepsThePreviousFileAndIsReported)
{
    for (int i = 0; i < 2000; ++i)
        song_.tracks[1].append(MidiEvent::channelEvent(i, 0xC0, 1, 0));
    // A file size limit makes the writing itself fail, even for root.
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 1000;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult result = MidiFileWriter::write(path_, song_, false, prompt_);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.starts_with("Can't write MIDI file " + path_.string() + ".\n")) << result.error;
    EXPECT_EQ(prompt_.shown, std::vector<std::string>{"MIDI file save|" + result.error});
    EXPECT_EQ(contents(path_), "old contents");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"song.mid"});
}

TEST_F(MidiFileWriterSaveTest, ASongThatCannotBeEncodedWritesNothing)
{
    song_.tracks[0].append(MidiEvent::channelEvent(300000000, 0xC0, 1, 0));
    const SaveResult result = MidiFileWriter::write(path_, song_, false, prompt_);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.starts_with("Delta time too large")) << result.error;
    EXPECT_EQ(prompt_.shown, std::vector<std::string>{"MIDI file save|" + result.error});
    EXPECT_EQ(contents(path_), "old contents");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"song.mid"});
}

} // namespace
} // namespace velisto
