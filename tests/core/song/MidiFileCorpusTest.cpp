// Loads every file of the test corpus and holds the result against the facts its
// MANIFEST.txt records for it (measured by another tool).

#include "midi/DeviceMidiState.h"
#include "midi/Interpreter.h"
#include "midi/SysexDecoder.h"
#include "song/MidiFileReader.h"
#include "song/Positions.h"

#include "core/song/SmfScanTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace velisto {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kCorpus = fs::path(VELISTO_TEST_DATA_DIR) / "corpus";

struct Facts {
    bool noHeader = false;
    int format = -1;
    int declaredTracks = 0;
    int foundTracks = 0;
    std::optional<int> ppq; // empty for SMPTE timing
    int events = 0;
    int channels = 0;
    int tempoEvents = 0;
    std::string readerErrors;
};

// "midi/..." -> facts, from the MANIFEST's "facts:" lines.
std::map<std::string, Facts> readManifest()
{
    std::map<std::string, Facts> manifest;
    std::ifstream in(kCorpus / "MANIFEST.txt");
    const std::regex entry(R"(^(midi/\S+) \|)");
    const std::regex counts(
        R"(format (\d+), (\d+) track\(s\) declared/(\d+) found, division (SMPTE \S+|(\d+) ppq), (\d+) events, (\d+) channel\(s\), (\d+) tempo)");
    std::string line;
    std::string current;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, entry)) {
            current = m[1];
            continue;
        }
        if (current.empty() || line.find("facts:") == std::string::npos)
            continue;
        Facts& facts = manifest[current];
        facts.noHeader = line.find("parse: no MThd") != std::string::npos;
        if (std::regex_search(line, m, counts)) {
            facts.format = std::stoi(m[1]);
            facts.declaredTracks = std::stoi(m[2]);
            facts.foundTracks = std::stoi(m[3]);
            if (m[5].matched)
                facts.ppq = std::stoi(m[5]);
            facts.events = std::stoi(m[6]);
            facts.channels = std::stoi(m[7]);
            facts.tempoEvents = std::stoi(m[8]);
        }
        if (const auto at = line.find("reader errors: "); at != std::string::npos)
            facts.readerErrors = line.substr(at);
        current.clear();
    }
    return manifest;
}

Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Report entries that say the file's structure is broken (as opposed to events that the
// song cannot hold).
const std::vector<std::string> kDefectTexts = {
    "Incomplete event", "ends without an End of track", "exceeds the track data", "Variable-length number", "claims",
    "announces",        "behind its End of track",
};

bool reportsDefect(const std::string& report)
{
    return std::any_of(kDefectTexts.begin(), kDefectTexts.end(),
                       [&](const std::string& text) { return report.find(text) != std::string::npos; });
}

// The defects the manifest names that are ours to report too, each with the text we use.
const std::vector<std::pair<std::string, std::string>> kDefectKinds = {
    {"overruns file", "claims"},
    {"VLQ longer than 4 bytes", "Variable-length number"},
    {"meta overruns track", "exceeds the track data"},
    {"sysex overruns track", "exceeds the track data"},
    {"bytes after EOT", "behind its End of track"},
    {"truncated channel message", "Incomplete event"},
};

class MidiFileCorpusTest : public ::testing::Test {
protected:
    LoadResult load(const std::string& relative)
    {
        return MidiFileReader::read(readBytes(kCorpus / relative), *song, LoadOptions{});
    }
    std::unique_ptr<Song> song = std::make_unique<Song>();
};

TEST_F(MidiFileCorpusTest, EveryFileLoadsOrIsRefusedAsItsManifestSays)
{
    const auto manifest = readManifest();
    ASSERT_GT(manifest.size(), 50u);
    int checked = 0;
    for (const auto& item : fs::recursive_directory_iterator(kCorpus / "midi")) {
        if (!item.is_regular_file() || item.path().extension() == ".txt")
            continue;
        const std::string relative = item.path().lexically_relative(kCorpus).generic_string();
        SCOPED_TRACE(relative);
        const auto found = manifest.find(relative);
        ASSERT_NE(found, manifest.end()) << "not in the manifest";
        const Facts& facts = found->second;
        const LoadResult result = load(relative);
        ++checked;

        if (facts.noHeader || item.path().extension() == ".rmi") {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.error, "This file is not a MIDI file.");
            continue;
        }
        if (facts.format >= 2) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.error, "MIDI file format is neither 0 nor 1.\nThose files are not supported.");
            continue;
        }
        if (!facts.ppq) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.error, "MIDI file uses SMTPE delta time units.\nThose files are not supported yet.");
            continue;
        }

        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(song->ppq, *facts.ppq);
        EXPECT_EQ(result.formatZero, facts.format == 0);

        int stored = 0;
        int tracksWithContent = 0;
        std::set<int> channels;
        for (const Track& track : song->tracks) {
            stored += track.eventCount();
            tracksWithContent += !track.empty() || !track.name.empty();
            for (const MidiEvent& event : track.events())
                if (event.isChannelEvent() && event.kind() != EventKind::ChannelPrefix)
                    channels.insert(event.channel());
        }
        EXPECT_LE(tracksWithContent, std::min(facts.foundTracks, kTrackCount));
        EXPECT_LE(song->tempoCount(), facts.tempoEvents + 1);
        // Data bytes without a status are read under the running status 90, where the
        // manifest's tool drops them; elsewhere events and channels must agree.
        if (facts.readerErrors.find("without status") == std::string::npos) {
            EXPECT_LE(stored, facts.events) << "no more events than the file holds";
            EXPECT_EQ(static_cast<int>(channels.size()), facts.channels);
        }

        if (facts.readerErrors.empty()) {
            EXPECT_FALSE(reportsDefect(result.report)) << result.report;
        }
        for (const auto& [kind, text] : kDefectKinds) {
            if (facts.readerErrors.find(kind) != std::string::npos) {
                EXPECT_NE(result.report.find(text), std::string::npos) << kind << "\n" << result.report;
            }
        }
        if (facts.foundTracks < facts.declaredTracks) {
            EXPECT_NE(result.report.find("The file header announces"), std::string::npos);
        }
    }
    EXPECT_GT(checked, 50);
}

using NoteKey = std::tuple<std::int32_t, int, int, int, std::int32_t>; // tick, channel, key, velocity, length

std::multiset<NoteKey> notesOf(const Song& song)
{
    std::multiset<NoteKey> notes;
    for (const Track& track : song.tracks)
        for (const MidiEvent& e : track.events())
            if (e.kind() == EventKind::Note)
                notes.insert({e.tick, e.channel(), e.data1, e.data2, e.length});
    return notes;
}

TEST_F(MidiFileCorpusTest, FormatZeroAndFormatOneOfTheSameMusicGiveTheSameNotes)
{
    const LoadResult one = load("midi/public/jazz-soft/test-2-tracks-type-1.mid");
    ASSERT_TRUE(one.ok);
    const auto notes = notesOf(*song);
    const LoadResult zero = load("midi/public/jazz-soft/test-2-tracks-type-0.mid");
    ASSERT_TRUE(zero.ok);
    EXPECT_TRUE(zero.formatZero);
    EXPECT_FALSE(notes.empty());
    EXPECT_EQ(notesOf(*song), notes);
}

TEST_F(MidiFileCorpusTest, AlienChunksTruncationsAndTrackLimits)
{
    // The alien chunk before the track chunk is skipped and the track read as usual.
    LoadResult result = load("midi/public/jazz-soft/test-non-midi-track.mid");
    ASSERT_TRUE(result.ok);
    EXPECT_FALSE(reportsDefect(result.report)) << result.report;
    EXPECT_GT(song->tracks[0].eventCount(), 10);

    // A header of 8 bytes reads like the same file with a header of 6.
    result = load("midi/generated/malformed/mthd_len8_valid.mid");
    ASSERT_TRUE(result.ok);
    const auto notes = notesOf(*song);
    EXPECT_FALSE(notes.empty());
    result = load("midi/generated/malformed/missing_eot.mid");
    EXPECT_EQ(notesOf(*song), notes);

    // Everything before the cut is kept.
    result = load("midi/generated/malformed/trunc_mid_event.mid");
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.report.find("Incomplete event at the end of the track data in track 1"), std::string::npos);

    result = load("midi/public/shkyrockett/empty-65535-tracks.mid");
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.report.find("The file holds 65535 tracks."), std::string::npos);
}

// The tempo map of a file as its raw tempo events give it, read with the bare event scan: microseconds per quarter note from each tick on (a later event at the same tick
// wins), and the tick at which the last track ends.
struct RawTempoMap {
    int ppq = 0;
    std::map<std::int64_t, std::uint32_t> microseconds{{0, 500000}};
    std::int64_t endTick = 0;

    // The distinct changes, counting the start.
    int changes() const
    {
        int count = 0;
        std::uint32_t previous = 0;
        for (const auto& [tick, us] : microseconds) {
            count += us != previous;
            previous = us;
        }
        return count;
    }

    double milliseconds(std::int64_t tick) const
    {
        double ms = 0.0;
        for (auto it = microseconds.begin(); it != microseconds.end() && it->first < tick; ++it) {
            const auto next = std::next(it);
            const std::int64_t until = next == microseconds.end() ? tick : std::min(next->first, tick);
            ms += static_cast<double>(until - it->first) * it->second / ppq / 1000.0;
        }
        return ms;
    }
};

RawTempoMap scanTempoEvents(const Bytes& file)
{
    RawTempoMap map;
    map.ppq = (file.at(12) << 8) | file.at(13);
    const bool ok = test::scanSmfEvents(
        file,
        [&](const test::SmfEvent& event) {
            if (event.status == 0xFF && event.metaType == 0x51 && event.data.size() == 3)
                map.microseconds[event.tick] = (std::uint32_t(event.data[0]) << 16) |
                                               (std::uint32_t(event.data[1]) << 8) | event.data[2];
        },
        [&](int, std::int64_t tick) { map.endTick = std::max(map.endTick, tick); });
    EXPECT_TRUE(ok);
    return map;
}

TEST_F(MidiFileCorpusTest, EveryTempoChangeOfALongTempoMapIsKept)
{
    for (const std::string_view name : {"bartok__concerto_for_orchestra_1.mid", "debussy__childrens_corner_2.mid"}) {
        SCOPED_TRACE(name);
        const std::string relative = "midi/public/tonejs/" + std::string(name);
        const RawTempoMap raw = scanTempoEvents(readBytes(kCorpus / relative));
        ASSERT_TRUE(load(relative).ok);
        EXPECT_EQ(song->tempoCount(), raw.changes());
        const double ms = tickToMilliseconds(*song, static_cast<std::int32_t>(raw.endTick));
        EXPECT_NEAR(ms, raw.milliseconds(raw.endTick), 1.0);
        if (name.starts_with("bartok")) {
            EXPECT_EQ(song->tempoCount(), 158);
            EXPECT_NEAR(ms / 1000.0, 530.5, 0.05);
        }
    }
}

// Every system exclusive message of every file decodes in every mode, with its value inside
// the stored bytes, and the interpreter takes it; the GS messages real files carry are all
// known addresses.
TEST_F(MidiFileCorpusTest, EverySysexDecodesAndInterpretsWithinItsBytes)
{
    int messages = 0;
    int unknownGs = 0;
    for (const auto& item : fs::recursive_directory_iterator(kCorpus / "midi")) {
        if (!item.is_regular_file() || item.path().extension() == ".txt")
            continue;
        const std::string relative = item.path().lexically_relative(kCorpus).generic_string();
        SCOPED_TRACE(relative);
        if (!load(relative).ok)
            continue;
        for (const Track& track : song->tracks)
            for (const MidiEvent& event : track.events()) {
                if (!event.sysex || event.sysex->empty())
                    continue;
                const std::vector<std::uint8_t>& stored = *event.sysex;
                ++messages;
                for (int mode = MidiMode::GM; mode <= MidiMode::GM2; ++mode) {
                    const DecodedSysex decoded = decodeSysex(stored, nullptr, mode);
                    EXPECT_LE(decoded.length, stored.size());
                    EXPECT_LE(decoded.valueOffset + decoded.valueLength, stored.size());
                    unknownGs += mode == MidiMode::GM && decoded.error == SysexError::UnknownGs;
                    DeviceMidiState state;
                    state.setMode(mode);
                    state.reset(ResetKind::MidiMode);
                    const InterpretResult result = interpretDecodedSysex(state, decoded, {});
                    EXPECT_TRUE(result.valid || !result.text.empty());
                }
            }
    }
    EXPECT_GT(messages, 100);
    EXPECT_EQ(unknownGs, 0);
}

} // namespace
} // namespace velisto
