#include "song/MidiFileReader.h"

#include "midi/MidiModeDefinition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

void putVlq(Bytes& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

void putBigEndian(Bytes& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The events of one track chunk, written as a test describes them.
class TrackBytes {
public:
    // A delta time followed by the bytes as given (no running-status help).
    TrackBytes& event(std::uint32_t delta, std::initializer_list<int> bytes)
    {
        putVlq(data_, delta);
        return raw(bytes);
    }
    TrackBytes& raw(std::initializer_list<int> bytes)
    {
        for (const int b : bytes)
            data_.push_back(static_cast<std::uint8_t>(b));
        return *this;
    }
    TrackBytes& meta(std::uint32_t delta, int type, std::string_view payload)
    {
        putVlq(data_, delta);
        data_.push_back(0xFF);
        data_.push_back(static_cast<std::uint8_t>(type));
        putVlq(data_, static_cast<std::uint32_t>(payload.size()));
        data_.insert(data_.end(), payload.begin(), payload.end());
        return *this;
    }
    TrackBytes& meta(std::uint32_t delta, int type, std::initializer_list<int> payload)
    {
        std::string bytes;
        for (const int b : payload)
            bytes += static_cast<char>(b);
        return meta(delta, type, bytes);
    }
    TrackBytes& text(std::uint32_t delta, std::string_view content) { return meta(delta, 0x01, content); }
    TrackBytes& cc(std::uint32_t delta, int channel, int number, int value)
    {
        return event(delta, {0xB0 | channel, number, value});
    }
    TrackBytes& end(std::uint32_t delta = 0) { return meta(delta, 0x2F, ""); }
    const Bytes& bytes() const { return data_; }

private:
    Bytes data_;
};

Bytes chunk(std::string_view id, const Bytes& body, std::optional<std::uint32_t> claimedLength = std::nullopt)
{
    Bytes out(id.begin(), id.end());
    putBigEndian(out, claimedLength.value_or(static_cast<std::uint32_t>(body.size())), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes header(int format, int trackCount, int division)
{
    Bytes fields;
    putBigEndian(fields, static_cast<std::uint32_t>(format), 2);
    putBigEndian(fields, static_cast<std::uint32_t>(trackCount), 2);
    putBigEndian(fields, static_cast<std::uint32_t>(division), 2);
    return chunk("MThd", fields);
}

Bytes midiFile(const std::vector<TrackBytes>& tracks, int format = 1, int division = 96)
{
    Bytes out = header(format, static_cast<int>(tracks.size()), division);
    for (const TrackBytes& t : tracks) {
        const Bytes c = chunk("MTrk", t.bytes());
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

Bytes oneTrack(const TrackBytes& t) { return midiFile({t}); }

std::string at(int track, const char* position)
{
    return "in track " + std::to_string(track) + ", position " + position;
}

class MidiFileReaderTest : public ::testing::Test {
protected:
    const LoadResult& read(const Bytes& file, const LoadOptions& options = {})
    {
        result = MidiFileReader::read(file, song, options);
        return result;
    }
    const Track& track(int index) const { return song.tracks[static_cast<std::size_t>(index)]; }
    const MidiEvent& event(int trackIndex, int index) const { return track(trackIndex).event(index); }
    void expectReportHas(const std::string& entry) const
    {
        EXPECT_NE(result.report.find(entry), std::string::npos) << "report:\n" << result.report;
    }

    Song song;
    LoadResult result;
};

// --- Header ------------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, RefusedFilesLeaveTheSongUnchanged)
{
    const std::string notMidi = "This file is not a MIDI file.";
    Bytes shortHeader = chunk("MThd", {0, 1, 0, 1});
    Bytes riff = midiFile({TrackBytes().end()});
    std::copy_n("RIFF", 4, riff.begin());
    Bytes format2 = midiFile({TrackBytes().end()}, 2);
    Bytes formatHighByte = midiFile({TrackBytes().end()}, 0x0100);
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {{}, notMidi},
        {Bytes{'M', 'T', 'h', 'd', 0, 0}, notMidi},
        {shortHeader, notMidi},
        {riff, notMidi},
        {format2, "MIDI file format is neither 0 nor 1.\nThose files are not supported."},
        {formatHighByte, "MIDI file format is neither 0 nor 1.\nThose files are not supported."},
        {midiFile({TrackBytes().end()}, 1, 0xE728),
         "MIDI file uses SMTPE delta time units.\nThose files are not supported yet."},
        {midiFile({TrackBytes().end()}, 1, 0),
         "MIDI file has a time division of 0 ticks per quarter note.\nThose files are not supported."},
    };
    for (const auto& [file, error] : cases) {
        song.ppq = 480;
        song.tracks[2].name = "kept";
        read(file);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, error);
        EXPECT_EQ(song.ppq, 480);
        EXPECT_EQ(track(2).name, "kept");
    }
}

TEST_F(MidiFileReaderTest, FormatZeroIsReportedAndHeaderLengthIsHonoured)
{
    Bytes file = header(0, 1, 240);
    // A header chunk of 8 bytes: two bytes we do not know sit before the track chunk.
    file[7] = 8;
    file.push_back(0x12);
    file.push_back(0x34);
    const Bytes track = chunk("MTrk", TrackBytes().event(0, {0x90, 60, 100}).event(240, {0x80, 60, 0}).end().bytes());
    file.insert(file.end(), track.begin(), track.end());

    read(file);
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.formatZero);
    EXPECT_EQ(song.ppq, 240);
    EXPECT_EQ(result.report,
              "The MIDI file has been created by 'one track format SMF0'.\r\n"
              "If you save this file within Velisto later it will be saved by 'multi track format SMF1'.");
    ASSERT_EQ(this->track(0).eventCount(), 1);
    EXPECT_EQ(event(0, 0).length, 240);
}

TEST_F(MidiFileReaderTest, LoadingClearsTheSongAndSetsDevicesUnlessSilent)
{
    song.tracks[5].append(MidiEvent::textEvent(0, EventKind::Text, "old"));
    song.tracks[5].device = 7;
    song.setTempo(96, 90.0);
    LoadOptions options;
    options.defaultDevice = 3;
    read(oneTrack(TrackBytes().end()), options);
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(track(5).empty());
    EXPECT_EQ(song.tempoCount(), 1);
    EXPECT_EQ(track(5).device, 3);
    EXPECT_EQ(result.report, "");

    song.tracks[5].device = 7;
    options.silent = true;
    read(oneTrack(TrackBytes().end()), options);
    EXPECT_EQ(track(5).device, 7);
}

// --- Chunks ------------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, ChunksAreWalkedByTheirLengths)
{
    Bytes file = header(1, 2, 96);
    for (const Bytes& c : {chunk("Junk", {1, 2, 3}), chunk("MTrk", TrackBytes().meta(0, 3, "One").end().bytes()),
                           chunk("XFIH", {0xFF, 0x2F}), chunk("MTrk", TrackBytes().meta(0, 3, "Two").end().bytes())})
        file.insert(file.end(), c.begin(), c.end());
    file.push_back(0); // a stray byte after the last chunk

    read(file);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(track(0).name, "One");
    EXPECT_EQ(track(1).name, "Two");
    EXPECT_EQ(result.report, "");
}

TEST_F(MidiFileReaderTest, TrackChunkDefectsAreReported)
{
    // A chunk without end of track does not run into the next one.
    const Bytes noEnd = midiFile({TrackBytes().event(0, {0x90, 60, 100}), TrackBytes().event(0, {64, 100}).end()});
    read(noEnd);
    EXPECT_EQ(result.report, "Track 1 ends without an End of track event.");
    EXPECT_EQ(track(0).eventCount(), 1);
    ASSERT_EQ(track(1).eventCount(), 1) << "the running status still carries over";
    EXPECT_EQ(event(1, 0).data1, 64);

    Bytes afterEnd = oneTrack(TrackBytes().end().event(0, {0x90, 60, 100}));
    read(afterEnd);
    EXPECT_EQ(result.report, "Track 1 holds 4 bytes behind its End of track event.\r\nSkipped.");
    EXPECT_TRUE(track(0).empty());

    // The chunk claims 100 bytes more than there are: what is there is read.
    Bytes longChunk = header(1, 2, 96);
    const TrackBytes body = TrackBytes().event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).end();
    const Bytes c = chunk("MTrk", body.bytes(), static_cast<std::uint32_t>(body.bytes().size() + 100));
    longChunk.insert(longChunk.end(), c.begin(), c.end());
    read(longChunk);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.report, "The track chunk of track 1 claims 112 bytes, but the file ends after 12 of them.\r\n"
                             "The track is read up to the end of the file.\r\n\r\n"
                             "The file header announces 2 tracks, but the file holds 1.");
    ASSERT_EQ(track(0).eventCount(), 1);
    EXPECT_EQ(event(0, 0).length, 96);
}

TEST_F(MidiFileReaderTest, TracksBeyond256AreReportedAndSkipped)
{
    std::vector<TrackBytes> tracks(258);
    for (std::size_t i = 0; i < tracks.size(); ++i)
        tracks[i].meta(0, 3, std::to_string(i + 1)).end();
    read(midiFile(tracks));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(track(255).name, "256");
    EXPECT_EQ(result.report, "The file holds 258 tracks. Velisto supports 256 tracks.\r\n"
                             "The tracks from 257 on are skipped.");
}

// --- Status bytes ------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, RunningStatusCarriesAcrossTracksMetaAndSysex)
{
    const TrackBytes first = TrackBytes()
                                 .event(0, {0x91, 60, 100})
                                 .raw({0, 62, 100}) // running status
                                 .meta(0, 0x7F, "x")
                                 .raw({0, 64, 100}) // still 91 behind a meta event
                                 .event(0, {0xF0, 2, 0x7E, 0xF7})
                                 .raw({0, 65, 100}) // and behind a sysex
                                 .end();
    const TrackBytes second = TrackBytes().raw({0, 67, 100}).end();
    read(midiFile({first, second}));
    ASSERT_EQ(track(0).eventCount(), 5);
    for (const int i : {0, 1, 2, 4})
        EXPECT_EQ(event(0, i).status, 0x91) << i;
    EXPECT_EQ(event(0, 2).data1, 64);
    EXPECT_EQ(event(0, 4).data1, 65);
    ASSERT_EQ(track(1).eventCount(), 1);
    EXPECT_EQ(event(1, 0).status, 0x91);
    EXPECT_EQ(event(1, 0).data1, 67);

    // With no status at all, data bytes are a note on of channel 1.
    read(oneTrack(TrackBytes().raw({0, 60, 100, 10, 60, 0}).end()));
    ASSERT_EQ(track(0).eventCount(), 1);
    EXPECT_EQ(event(0, 0).status, 0x90);
    EXPECT_EQ(event(0, 0).length, 10);
}

TEST_F(MidiFileReaderTest, StrayStatusBytesAreSkipped)
{
    const TrackBytes t = TrackBytes()
                             .event(5, {0xF8, 0xFE, 0xF1, 0xC2, 7}) // real-time and MTC bytes before a status
                             .event(0, {0xF7, 3, 0xF2, 0, 0})       // an escape: skipped by its length
                             .event(0, {0xE2, 0, 64})
                             .event(0, {0x90, 0x90, 60, 1}) // a status byte where data belonged
                             .end();
    read(oneTrack(t));
    ASSERT_EQ(track(0).eventCount(), 3);
    EXPECT_EQ(event(0, 0).status, 0xC2);
    EXPECT_EQ(event(0, 0).data1, 7);
    EXPECT_EQ(event(0, 0).tick, 5);
    EXPECT_EQ(event(0, 1).status, 0xE2);
    EXPECT_EQ(event(0, 1).data2, 64);
    EXPECT_EQ(event(0, 2).status, 0x90);
    EXPECT_EQ(event(0, 2).data1, 60);
    EXPECT_EQ(result.report, "F7 h event (Sysex continuation or escape sequence) " + at(1, "0001:01:005") +
                                 ".\r\nNot supported by Velisto and skipped.\r\n\r\n"
                                 "Channel message 90 h with a missing data byte " +
                                 at(1, "0001:01:005") + ".\r\nSkipped.");
}

// --- Defects that end a track -------------------------------------------------------------

TEST_F(MidiFileReaderTest, TruncatedEventsEndTheTrackOnly)
{
    const std::vector<std::pair<TrackBytes, std::string>> cases = {
        {TrackBytes().event(0, {0x90, 60}),
         "Incomplete event at the end of the track data " + at(1, "0001:01:000") + ".\r\nSkipped."},
        {TrackBytes().raw({0x81}),
         "Incomplete event at the end of the track data " + at(1, "0001:01:000") + ".\r\nSkipped."},
        {TrackBytes().event(0, {0xFF, 0x51}),
         "Incomplete event at the end of the track data " + at(1, "0001:01:000") + ".\r\nSkipped."},
        {TrackBytes().event(0, {0xF0, 0x81, 0x48, 1, 0x41, 0x10, 0xF7}),
         "Sysex event with a length of 200 bytes exceeds the track data " + at(1, "0001:01:000") +
             ".\r\nRest of the track skipped."},
        {TrackBytes().event(0, {0xF7, 9, 1}), "F7 h event with a length of 9 bytes exceeds the track data " +
                                                  at(1, "0001:01:000") + ".\r\nRest of the track skipped."},
        {TrackBytes().event(0, {0xFF, 0x01, 0x87, 0x68, 'a', 'b'}),
         "Meta event FF 01 h with a length of 1000 bytes exceeds the track data " + at(1, "0001:01:000") +
             ".\r\nRest of the track skipped."},
        {TrackBytes().raw({0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100}),
         "Variable-length number of more than four bytes " + at(1, "0001:01:000") + ".\r\nRest of the track skipped."},
    };
    for (const auto& [broken, entry] : cases) {
        const TrackBytes first = TrackBytes().event(0, {0x90, 50, 100}).event(0, {0x80, 50, 0});
        Bytes body = first.bytes();
        body.insert(body.end(), broken.bytes().begin(), broken.bytes().end());
        Bytes file = header(1, 2, 96);
        const Bytes c1 = chunk("MTrk", body);
        const Bytes c2 = chunk("MTrk", TrackBytes().meta(0, 3, "next").end().bytes());
        file.insert(file.end(), c1.begin(), c1.end());
        file.insert(file.end(), c2.begin(), c2.end());

        read(file);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.report, entry);
        EXPECT_EQ(track(0).eventCount(), 1) << entry;
        EXPECT_EQ(track(1).name, "next") << entry;
    }
}

TEST_F(MidiFileReaderTest, TicksNeverPassThe32BitRange)
{
    TrackBytes t;
    t.event(0, {0x90, 60, 100});
    for (int i = 0; i < 8; ++i)
        t.event(0x0FFFFFFF, {0xA0, 60, i});
    t.event(0x0FFFFFFF, {0x80, 60, 0}).end();
    read(oneTrack(t));
    ASSERT_EQ(track(0).eventCount(), 9);
    EXPECT_EQ(event(0, 8).tick, 8 * 0x0FFFFFFF);
    EXPECT_EQ(event(0, 0).length, 9999) << "the note off beyond the range is not read";
    EXPECT_NE(result.report.find("Delta time leads beyond the last possible position in track 1, position "),
              std::string::npos);
    EXPECT_NE(result.report.find(".\r\nRest of the track skipped."), std::string::npos);
}

// --- Controllers ---------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, ParameterSequencesFoldIntoParameterEvents)
{
    const TrackBytes t = TrackBytes()
                             .cc(0, 2, 99, 1)
                             .cc(0, 2, 98, 8)
                             .cc(0, 2, 6, 70)
                             .cc(10, 2, 6, 71) // a second data entry for the same address
                             .cc(0, 3, 99, 0x18)
                             .cc(0, 3, 98, 38)
                             .cc(0, 3, 6, 52) // drum NRPN: the LSB is the key
                             .cc(0, 4, 101, 0)
                             .cc(0, 4, 100, 0)
                             .cc(0, 4, 6, 12)
                             .cc(0, 4, 101, 127)
                             .cc(0, 4, 100, 127) // RPN lock in
                             .cc(0, 5, 99, 127)
                             .cc(0, 5, 98, 127) // NRPN lock in
                             .cc(0, 6, 7, 90)
                             .end();
    read(oneTrack(t));
    EXPECT_EQ(result.report, "");
    ASSERT_EQ(track(0).eventCount(), 7);
    const int vibratoRate = slotForSong(ParamKind::Nrpn, 8);
    ASSERT_GE(vibratoRate, 0);
    EXPECT_EQ(event(0, 0), MidiEvent::channelEvent(0, 0x52, static_cast<std::uint8_t>(vibratoRate), 70, 9999));
    EXPECT_EQ(event(0, 1), MidiEvent::channelEvent(10, 0x52, static_cast<std::uint8_t>(vibratoRate), 71, 9999));
    MidiEvent drum = MidiEvent::drumNrpn(10, 3, slotForSong(ParamKind::DrumNrpn, 0x18), 38, 52);
    drum.length = 9999;
    EXPECT_EQ(event(0, 2), drum);
    EXPECT_EQ(event(0, 3), MidiEvent::channelEvent(10, 0x64, 0, 12, 9999));
    EXPECT_EQ(event(0, 4), MidiEvent::channelEvent(10, 0x64, kRpnLockInSlot, 0, 9999));
    EXPECT_EQ(event(0, 5), MidiEvent::channelEvent(10, 0x55, kNrpnLockInSlot, 0, 9999));
    EXPECT_EQ(event(0, 6), MidiEvent::channelEvent(
                               10, 0xB6, static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, 7)), 90, 9999));
}

TEST_F(MidiFileReaderTest, UnusableDataEntriesAreReported)
{
    struct Case {
        std::vector<std::pair<int, int>> address; // controller, value, all on channel 1
        std::string reason;
        int stored = 0;
    };
    const std::vector<Case> cases = {
        {{}, "No previous (supported) RPN/NRPN found, or it was RPN/NRPN lockin. Event is skipped."},
        {{{101, 127}, {100, 127}},
         "No previous (supported) RPN/NRPN found, or it was RPN/NRPN lockin. Event is skipped.",
         1},
        {{{99, 127}, {98, 5}}, "Last NRPN MSB was 7F h, that NRPN address is NRPN lockin. Data entry skipped."},
        {{{99, 1}, {98, 127}}, "Last NRPN LSB was 7F h, that NRPN address is NRPN lockin. Data entry skipped."},
        {{{99, 1}, {98, 0x50}}, "Last NRPN LSB was 50 h, that NRPN address is unsupported. Data entry skipped."},
        {{{101, 5}, {100, 0}}, "Last RPN MSB was 05 h, that RPN address is unsupported. Data entry skipped."},
        {{{100, 0}, {101, 127}}, "Last RPN MSB was 7F h, that RPN address is RPN lockin. Data entry skipped."},
        {{{100, 127}, {101, 0}}, "Last RPN LSB was 7F h, that RPN address is RPN lockin. Data entry skipped."},
        {{{101, 0}, {100, 1}}, "Last RPN LSB was 01 h, that RPN address is unsupported. Data entry skipped."},
    };
    for (const Case& c : cases) {
        TrackBytes t;
        for (const auto& [number, value] : c.address)
            t.cc(0, 0, number, value);
        t.cc(96, 0, 6, 33).end();
        read(oneTrack(t));
        EXPECT_EQ(result.report, "Controller cc #6 Data entry MSB, value 33\r\n" + at(1, "0001:02:000") +
                                     ", MIDI channel 1.\r\n" + c.reason);
        EXPECT_EQ(track(0).eventCount(), c.stored) << c.reason;
    }
}

TEST_F(MidiFileReaderTest, AddressesArePerChannelAndPerTrack)
{
    const TrackBytes first = TrackBytes().cc(0, 0, 101, 0).cc(0, 0, 100, 0).cc(0, 1, 6, 2).end();
    const TrackBytes second = TrackBytes().cc(0, 0, 6, 2).end();
    read(midiFile({first, second}));
    EXPECT_TRUE(track(0).empty());
    EXPECT_TRUE(track(1).empty());
    EXPECT_EQ(result.report,
              "Controller cc #6 Data entry MSB, value 2\r\n" + at(1, "0001:01:000") +
                  ", MIDI channel 2.\r\n"
                  "No previous (supported) RPN/NRPN found, or it was RPN/NRPN lockin. Event is skipped.\r\n\r\n"
                  "Controller cc #6 Data entry MSB, value 2\r\n" +
                  at(2, "0001:01:000") +
                  ", MIDI channel 1.\r\n"
                  "No previous (supported) RPN/NRPN found, or it was RPN/NRPN lockin. Event is skipped.");
}

TEST_F(MidiFileReaderTest, UnsupportedControllersAreReported)
{
    read(oneTrack(TrackBytes().cc(0, 15, 38, 9).cc(192, 3, 3, 5).end()));
    EXPECT_TRUE(track(0).empty());
    EXPECT_EQ(result.report,
              "Controller cc #38 Data entry LSB, value 9\r\n" + at(1, "0001:01:000") +
                  ", MIDI channel 16.\r\n"
                  "Currently no RPN/NRPN parameter with optional Data entry LSB is supported by Velisto.\r\n"
                  "Event skipped.\r\n\r\n"
                  "Controller cc #3 Undefined, value 5\r\n" +
                  at(1, "0001:03:000") +
                  ", MIDI channel 4.\r\n"
                  "Currently not supported by Velisto and skipped.");
}

// --- Notes ---------------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, NotesTakeTheirLengthFromTheirNoteOff)
{
    const TrackBytes t = TrackBytes()
                             .event(0, {0x90, 60, 100})
                             .event(0, {0x91, 60, 90}) // same key, other channel
                             .event(0, {0x92, 62, 80})
                             .event(0, {0x92, 62, 0})   // velocity 0 at the same tick
                             .event(0, {0x80, 61, 0})   // nothing open: ignored
                             .event(48, {0x81, 60, 64}) // ends the channel 2 note only
                             .event(48, {0x90, 60, 0})
                             .event(0, {0x93, 70, 1}) // never released
                             .end(10);
    read(oneTrack(t));
    ASSERT_EQ(track(0).eventCount(), 4);
    EXPECT_EQ(event(0, 0), MidiEvent::channelEvent(0, 0x90, 60, 100, 96));
    EXPECT_EQ(event(0, 1), MidiEvent::channelEvent(0, 0x91, 60, 90, 48));
    EXPECT_EQ(event(0, 2), MidiEvent::channelEvent(0, 0x92, 62, 80, 1));
    EXPECT_EQ(event(0, 3), MidiEvent::channelEvent(96, 0x93, 70, 1, 9999));
}

TEST_F(MidiFileReaderTest, SameKeyOverlapsEndTheEarliestNoteFirst)
{
    const TrackBytes t = TrackBytes()
                             .event(0, {0x90, 60, 100})
                             .event(10, {0x90, 60, 90})
                             .event(10, {0x80, 60, 0})
                             .event(10, {0x80, 60, 0})
                             .end();
    read(oneTrack(t));
    ASSERT_EQ(track(0).eventCount(), 2);
    EXPECT_EQ(event(0, 0).length, 20);
    EXPECT_EQ(event(0, 1).length, 20);
    EXPECT_EQ(event(0, 1).tick, 10);
}

TEST_F(MidiFileReaderTest, TheFortyFirstOpenNoteIsDroppedWithoutHarm)
{
    TrackBytes t;
    for (int key = 20; key <= 60; ++key) // 41 notes
        t.event(1, {0x90, key, 100});
    for (int key = 20; key <= 60; ++key)
        t.event(1, {0x80, key, 0});
    t.event(0, {0x90, 60, 100}).event(5, {0x80, 60, 0}).end();
    read(oneTrack(t));
    EXPECT_EQ(result.report,
              "More than 40 open Note on events " + at(1, "0001:01:041") + "\r\nOne Note on event skipped.");
    ASSERT_EQ(track(0).eventCount(), 41);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(event(0, i).data1, 20 + i);
        EXPECT_EQ(event(0, i).length, 41) << i;
    }
    EXPECT_EQ(event(0, 40).tick, 82);
    EXPECT_EQ(event(0, 40).length, 5) << "the table works after the overflow";
}

// --- System exclusive ----------------------------------------------------------------------

TEST_F(MidiFileReaderTest, SysexMustEndWithF7AndHoldSevenBitData)
{
    const TrackBytes t = TrackBytes()
                             .event(0, {0xF0, 5, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
                             .event(96, {0xF0, 0})
                             .event(0, {0xF0, 3, 0x41, 0x10, 0x42})
                             .event(0, {0xF0, 3, 0x41, 0x80, 0xF7})
                             .end();
    read(oneTrack(t));
    ASSERT_EQ(track(0).eventCount(), 1);
    EXPECT_EQ(event(0, 0), MidiEvent::sysexEvent(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    const std::string where = at(1, "0001:02:000");
    EXPECT_EQ(result.report, "Lonely F0 (Sysex-beginning) without Sysex-data " + where +
                                 ".\r\nSkipped.\r\n\r\n"
                                 "Sysex data chain doesn't end with F7 h " +
                                 where +
                                 ".\r\nSkipped.\r\n\r\n"
                                 "Sysex data chain contains data with most significant bit set (>7F h) " +
                                 where + ".\r\nSkipped.");
}

// --- Meta events ---------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, TemposAreRoundedToThreeDecimals)
{
    const TrackBytes t = TrackBytes()
                             .meta(0, 0x51, {0x07, 0xA1, 0x20})     // 500000: 120, already in effect
                             .meta(96, 0x51, {0x09, 0x27, 0xC0})    // 600000: 100
                             .meta(96, 0x51, {0x07, 0xA1, 0x21})    // 500001: 120.0
                             .meta(96, 0x51, {0x07, 0xA1, 0x23})    // 500003: 119.999
                             .meta(96, 0x51, {0x07, 0xA1, 0x23})    // unchanged: not stored
                             .meta(96, 0x51, {0x07, 0xA1, 0x20, 0}) // a longer tempo event stays in step
                             .event(0, {0x90, 60, 1})
                             .end();
    read(oneTrack(t));
    EXPECT_EQ(result.report, "");
    ASSERT_EQ(song.tempoCount(), 5);
    EXPECT_EQ(song.tempoList[0].bpm, 120.0);
    EXPECT_EQ(song.tempoList[1].bpm, 100.0);
    EXPECT_EQ(song.tempoList[1].tick, 96);
    EXPECT_EQ(song.tempoList[2].bpm, 120.0);
    EXPECT_EQ(song.tempoList[3].bpm, 119.999);
    EXPECT_EQ(song.tempoList[3].tick, 288);
    EXPECT_EQ(song.tempoList[4].tick, 480);
    ASSERT_EQ(track(0).eventCount(), 1);
    EXPECT_EQ(event(0, 0).data1, 60);
}

TEST_F(MidiFileReaderTest, EveryTempoChangeIsKept)
{
    TrackBytes t;
    for (int i = 0; i < 250; ++i)
        t.meta(10, 0x51, {0x07, 0xA1, i % 2 == 0 ? 0x00 : 0x40});
    read(oneTrack(t.end()));
    ASSERT_EQ(song.tempoCount(), 251);
    EXPECT_EQ(song.tempoList[250].tick, 2500);
    EXPECT_EQ(song.tempoList[250].bpm, 119.992);
    // Tempo events that repeat the tempo in force are no changes.
    TrackBytes same;
    for (int i = 0; i < 150; ++i)
        same.meta(10, 0x51, {0x07, 0xA1, 0x30});
    read(oneTrack(same.end()));
    EXPECT_EQ(song.tempoCount(), 2);
}

TEST_F(MidiFileReaderTest, KeyAndTimeSignaturesGoToTheMasterLists)
{
    const TrackBytes t = TrackBytes()
                             .meta(0, 0x59, {0xFD, 1})     // 3 flats, minor
                             .meta(0, 0x58, {3, 3, 24, 8}) // 3/8
                             .meta(288, 0x58, {2, 1})      // 2/2 at the start of measure 3
                             .meta(0, 0x59, {8, 0})        // out of range: skipped
                             .meta(0, 0x58, {0, 2, 24, 8}) // numerator 0: skipped
                             .meta(0, 0x58, {4, 9, 24, 8}) // 4/512: skipped
                             .meta(0, 0x59, {2})           // too short: skipped
                             .meta(0, 0x59, {2, 0})        // D major
                             .end();
    read(oneTrack(t));
    ASSERT_EQ(song.keyCount(), 2);
    EXPECT_EQ(song.keyList[0].sharpsFlats, -3);
    EXPECT_EQ(song.keyList[0].major, 0);
    EXPECT_EQ(song.keyList[1].sharpsFlats, 2);
    EXPECT_EQ(song.keyList[1].major, 1);
    EXPECT_EQ(song.keyList[1].tick, 288);
    ASSERT_EQ(song.meterCount(), 2);
    EXPECT_EQ(song.meterList[0].numerator, 3);
    EXPECT_EQ(song.meterList[0].denominator, 8);
    EXPECT_EQ(song.meterList[1].measure, 2);
    EXPECT_EQ(song.meterList[1].denominator, 2);
    const std::string where = at(1, "0003:01:000");
    EXPECT_EQ(result.report, "Key signature with 8 sharps/flats " + where +
                                 ".\r\nSkipped.\r\n\r\n"
                                 "Time signature 0/4 " +
                                 where +
                                 ".\r\nSkipped.\r\n\r\n"
                                 "Time signature 4/2^9 " +
                                 where +
                                 ".\r\nSkipped.\r\n\r\n"
                                 "Meta event FF 59 h with a length of 1 bytes " +
                                 where + ".\r\nSkipped.");
}

TEST_F(MidiFileReaderTest, ChannelPrefixAndOtherMetaEvents)
{
    const TrackBytes t = TrackBytes()
                             .meta(0, 0x20, {9})
                             .meta(0, 0x20, {16})
                             .meta(0, 0x7F, {0x00, 0x20, 0x3C})
                             .meta(0, 0x0A, "not a text kind")
                             .meta(0, 0x21, {0})
                             .end();
    read(oneTrack(t));
    ASSERT_EQ(track(0).eventCount(), 1);
    EXPECT_EQ(event(0, 0), MidiEvent::channelEvent(0, 0x19, 0, 0, 9999));
    EXPECT_EQ(result.report, "Channel prefix for channel 17 " + at(1, "0001:01:000") + ".\r\nSkipped.");
}

// --- Texts ---------------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, TextsAreCleanedAndStoredByKind)
{
    TrackBytes t;
    t.meta(0, 0x03, "Lead\r\nVoice").meta(0, 0x01, " ").meta(0, 0x01, "").meta(0, 0x01, "a\rb\nc");
    for (int type = 2; type <= 9; ++type)
        if (type != 3)
            t.meta(0, type, "t" + std::to_string(type));
    t.meta(0, 0x05, std::string(4095, 'x')).meta(0, 0x05, std::string(4096, 'x')).end();
    read(oneTrack(t));

    EXPECT_EQ(track(0).name, "Lead//Voice");
    const std::vector<std::pair<std::uint8_t, std::string>> expected = {
        {EventKind::Text, "a/b/c"},     {EventKind::Copyright, "t2"},  {EventKind::InstrumentName, "t4"},
        {EventKind::Lyric, "t5"},       {EventKind::Marker, "t6"},     {EventKind::CuePoint, "t7"},
        {EventKind::ProgramName, "t8"}, {EventKind::DeviceName, "t9"}, {EventKind::Lyric, std::string(4095, 'x')},
    };
    ASSERT_EQ(track(0).eventCount(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MidiEvent& e = event(0, static_cast<int>(i));
        EXPECT_EQ(e.status, expected[i].first);
        ASSERT_TRUE(e.text);
        EXPECT_EQ(*e.text, expected[i].second);
        EXPECT_EQ(e.length, 120);
    }
    EXPECT_EQ(result.report, "Text of 4096 characters " + at(1, "0001:01:000") +
                                 ".\r\nTexts of 4096 characters and more are not supported. Skipped.");
    EXPECT_EQ(result.textCount[0], 1);
    EXPECT_EQ(result.lyricCount[0], 2);
    EXPECT_TRUE(result.deviceNameSeen);
}

TEST_F(MidiFileReaderTest, OwnRecordsBecomeTrackSettings)
{
    const TrackBytes first = TrackBytes()
                                 .text(0, "VLX:KNOB_0:1/0")
                                 .text(0, "VLX:TICKOFFSET:-12")
                                 .text(0, "vlx:midichannel:5")
                                 .text(0, "VLX:MutedTrack")
                                 .text(0, "VLX:SOLOTRACK")
                                 .text(0, "VLX:MESSAGE:Hello\\nWorld")
                                 .text(0, "VLX:SOMETHINGNEW")
                                 .end();
    const TrackBytes second = TrackBytes().text(0, "VLX:TICKOFFSET:100").text(0, "VLX:MIDICHANNEL:17").end();
    read(midiFile({first, second}));
    EXPECT_EQ(track(0).tickOffset, -12);
    EXPECT_EQ(track(0).channel, 4);
    EXPECT_EQ(track(0).muted, 1);
    EXPECT_TRUE(song.isSolo(0));
    EXPECT_EQ(result.message, "Hello\\nWorld");
    ASSERT_EQ(track(0).eventCount(), 2);
    EXPECT_EQ(*event(0, 0).text, "VLX:MESSAGE:Hello\\nWorld");
    EXPECT_EQ(*event(0, 1).text, "VLX:SOMETHINGNEW");
    EXPECT_EQ(result.textCount[0], 2);
    EXPECT_EQ(track(1).tickOffset, 24) << "clamped to ppq / 4";
    EXPECT_EQ(track(1).channel, 0) << "channel 17 is no channel";
    EXPECT_FALSE(song.isSolo(1));
    EXPECT_EQ(track(1).muted, 0);
}

TEST_F(MidiFileReaderTest, KnobRecordsSetTheKnobsWhenAllowed)
{
    const TrackBytes t = TrackBytes()
                             .text(0, "VLX:KNOB_0:74/0")
                             .text(0, "VLX:KNOB_1:24/2/1/38")
                             .text(0, "VLX:KNOB_2:8/1")
                             .event(0, {0x95, 60, 100})
                             .end();
    const TrackBytes keyBased = TrackBytes().text(0, "VLX:KNOB_2:74/3/60").text(0, "VLX:KNOB_0:3/0").end();
    const Bytes file = midiFile({t, keyBased});

    read(file);
    EXPECT_TRUE(result.knobRecordsSeen);
    EXPECT_EQ(track(0).eventCount(), 1) << "records are not stored";
    EXPECT_EQ(track(0).knobKind, (std::array<std::int32_t, 3>{0, 2, 1}));
    EXPECT_EQ(track(0).knobParam,
              (std::array<std::int32_t, 3>{slotForSong(ParamKind::Controller, 74), slotForSong(ParamKind::DrumNrpn, 24),
                                           slotForSong(ParamKind::Nrpn, 8)}));
    EXPECT_EQ(track(0).knobDrumMap[1], 1);
    EXPECT_EQ(track(0).knobKey[1], 38);
    EXPECT_EQ(track(0).channel, 0) << "knob records seen: channels are not derived";
    EXPECT_EQ(track(1).knobKind[2], KnobKind::KeyBasedController);
    EXPECT_EQ(track(1).knobParam[2], midiModeDefinition(MidiMode::GM2).keyBasedSlotOf(74));
    EXPECT_EQ(track(1).knobKey[2], 60);
    EXPECT_EQ(track(1).knobParam[0], slotForSong(ParamKind::Controller, 1)) << "an unknown controller is ignored";

    LoadOptions noKnobs;
    noKnobs.applyKnobRecords = false;
    read(file, noKnobs);
    EXPECT_TRUE(result.knobRecordsSeen);
    EXPECT_EQ(track(0).knobParam[0], slotForSong(ParamKind::Controller, 1));
    EXPECT_EQ(track(0).eventCount(), 1);

    noKnobs.silent = true;
    read(file, noKnobs);
    EXPECT_EQ(track(0).knobParam[0], slotForSong(ParamKind::Controller, 74)) << "undo reloads always apply them";
}

TEST_F(MidiFileReaderTest, ASilentLoadKeepsNoReportAndLoadsTheSameSong)
{
    TrackBytes t;
    for (int i = 0; i < 1500; ++i) // more skipped events than the report keeps
        t.cc(10, 0, 2, i % 128).event(0, {0x90, 60, 100}).event(5, {0x80, 60, 0});
    t.cc(0, 0, 38, 1).meta(0, 0x51, {0, 0, 0}).cc(0, 0, 99, 1).cc(0, 0, 98, 99).cc(0, 0, 6, 3);
    const Bytes file = oneTrack(t.end());

    read(file);
    EXPECT_NE(result.report.find("Controller cc #2 "), std::string::npos);
    EXPECT_NE(result.report.find("more report entries like these are left out"), std::string::npos);
    const std::vector<MidiEvent> reported(track(0).events().begin(), track(0).events().end());
    ASSERT_GT(reported.size(), 1000u);

    LoadOptions silent;
    silent.silent = true;
    read(file, silent);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.report, "");
    EXPECT_TRUE(std::equal(reported.begin(), reported.end(), track(0).events().begin(), track(0).events().end()));
}

// --- After reading -------------------------------------------------------------------------

TEST_F(MidiFileReaderTest, ChannelsComeFromTheFirstChannelEventUnlessSilent)
{
    const Bytes file = midiFile({TrackBytes().text(0, "x").event(0, {0xC7, 5}).event(0, {0xC2, 5}).end(),
                                 TrackBytes().text(0, "VLX:MIDICHANNEL:9").end()});
    read(file);
    EXPECT_EQ(track(0).channel, 7);
    EXPECT_EQ(track(1).channel, 0);

    LoadOptions silent;
    silent.silent = true;
    read(file, silent);
    EXPECT_EQ(track(0).channel, 0);
    EXPECT_EQ(track(1).channel, 8);
}

TEST_F(MidiFileReaderTest, KnobsAreChosenFromTheMostUsedParameters)
{
    TrackBytes t;
    const auto repeat = [&](int times, auto add) {
        for (int i = 0; i < times; ++i)
            add();
    };
    repeat(1, [&] { t.cc(0, 0, 1, 10); });
    repeat(5, [&] { t.cc(0, 0, 74, 10); });
    repeat(3, [&] { t.cc(0, 0, 91, 10); });
    repeat(10, [&] { t.cc(0, 0, 7, 10); }); // volume never takes a knob
    t.cc(0, 0, 99, 1).cc(0, 0, 98, 8);
    repeat(4, [&] { t.cc(0, 0, 6, 10); });
    const Bytes file = oneTrack(t.end());

    LoadOptions options;
    options.chooseKnobsByUsage = true;
    read(file, options);
    EXPECT_EQ(track(0).knobKind, (std::array<std::int32_t, 3>{0, 1, 0}));
    EXPECT_EQ(track(0).knobParam,
              (std::array<std::int32_t, 3>{slotForSong(ParamKind::Controller, 1), slotForSong(ParamKind::Nrpn, 8),
                                           slotForSong(ParamKind::Controller, 74)}));
    EXPECT_EQ(track(1).knobParam[2], slotForSong(ParamKind::Controller, 10)) << "an empty track keeps its knobs";

    options.silent = true;
    read(file, options);
    EXPECT_EQ(track(0).knobKind, (std::array<std::int32_t, 3>{0, 0, 0}));
}

// --- Loading from a path -------------------------------------------------------------------

class RecordingPrompt : public SilentPrompt {
public:
    void message(const std::string& text, const std::string& title, PromptIcon) override
    {
        log.push_back("message[" + title + "] " + text);
    }
    void showReport(const std::string& text, const std::string& title) override
    {
        log.push_back("report[" + title + "] " + text);
    }
    void status(const std::string& text) override { log.push_back("status " + text); }
    std::vector<std::string> log;
};

class MidiFileReaderLoadTest : public MidiFileReaderTest {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("velisto-reader-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path write(const std::string& name, const Bytes& bytes)
    {
        auto path = folder / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::filesystem::path folder;
    RecordingPrompt prompt;
};

TEST_F(MidiFileReaderLoadTest, ShowsStatusReportAndMessage)
{
    const auto path =
        write("My Song.mid", oneTrack(TrackBytes().text(0, "VLX:MESSAGE:one\\ntwo").cc(0, 0, 38, 1).end()));
    const LoadResult loaded = MidiFileReader::load(path, song, {}, prompt);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(song.waveFileName, "My Song.wav");
    ASSERT_EQ(prompt.log.size(), 4u);
    EXPECT_EQ(prompt.log[0], "status Reading midi file...");
    EXPECT_EQ(prompt.log[1], "status Ready.");
    EXPECT_EQ(prompt.log[2].rfind("report[MIDI file load] Controller cc #38", 0), 0u);
    EXPECT_EQ(prompt.log[3], "message[Message after loading MIDI file] one\ntwo");

    prompt.log.clear();
    song.waveFileName = "kept.wav";
    LoadOptions silent;
    silent.silent = true;
    ASSERT_TRUE(MidiFileReader::load(path, song, silent, prompt).ok);
    EXPECT_TRUE(prompt.log.empty());
    EXPECT_EQ(song.waveFileName, "kept.wav");
}

TEST_F(MidiFileReaderLoadTest, RefusalsAreShownUnderOpenMidiFile)
{
    const auto missing = folder / "missing.mid";
    EXPECT_FALSE(MidiFileReader::load(missing, song, {}, prompt).ok);
    ASSERT_FALSE(prompt.log.empty());
    EXPECT_EQ(prompt.log[0], "message[Open midi file] Can't open " + missing.string());

    prompt.log.clear();
    EXPECT_FALSE(MidiFileReader::load(folder, song, {}, prompt).ok) << "a folder is no file";
    ASSERT_FALSE(prompt.log.empty());
    EXPECT_EQ(prompt.log[0], "message[Open midi file] Can't open " + folder.string());

    prompt.log.clear();
    const auto text = write("text.mid", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(MidiFileReader::load(text, song, {}, prompt).ok);
    EXPECT_NE(std::find(prompt.log.begin(), prompt.log.end(), "message[Open midi file] This file is not a MIDI file."),
              prompt.log.end());
    EXPECT_EQ(std::count_if(prompt.log.begin(), prompt.log.end(),
                            [](const std::string& line) { return line.rfind("report", 0) == 0; }),
              0);
}

} // namespace
} // namespace velisto

namespace velisto {
namespace {

TEST_F(MidiFileReaderTest, ReportOfAFlawedFileStopsAtAThousandEntries)
{
    TrackBytes body;
    for (int i = 0; i < 1500; ++i)
        body.cc(1, 0, 38, i % 128); // a data entry LSB is always reported
    body.event(0, {0x90, 60, 100}).event(10, {0x80, 60, 0}).end();
    read(oneTrack(body));
    ASSERT_TRUE(result.ok);
    std::size_t entries = 0;
    for (std::size_t at = result.report.find("Controller cc #38"); at != std::string::npos;
         at = result.report.find("Controller cc #38", at + 1))
        ++entries;
    EXPECT_EQ(entries, 1000u);
    EXPECT_NE(result.report.find("\r\n\r\n500 more report entries like these are left out."), std::string::npos);
    EXPECT_EQ(track(0).eventCount(), 1) << "reading goes on behind the last shown entry";
}

} // namespace
} // namespace velisto

namespace velisto {
namespace {

TEST_F(MidiFileReaderTest, KnobRecordsWithoutDrumMapOrKeyStillSetTheParameter)
{
    read(oneTrack(TrackBytes().text(0, "VLX:KNOB_1:24/2").text(0, "VLX:KNOB_2:74/3/x").end()));
    EXPECT_EQ(track(0).knobKind[1], KnobKind::DrumNrpn);
    EXPECT_EQ(track(0).knobParam[1], slotForSong(ParamKind::DrumNrpn, 24));
    EXPECT_EQ(track(0).knobDrumMap[1], 0);
    EXPECT_EQ(track(0).knobKey[1], 0);
    EXPECT_EQ(track(0).knobKind[2], KnobKind::KeyBasedController);
    EXPECT_EQ(track(0).knobKey[2], 0);
}

} // namespace
} // namespace velisto
