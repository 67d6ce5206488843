#include "SongReport.h"

#include "Json.h"
#include "song/Positions.h"
#include "song/TextFormat.h"

#include <cstdio>
#include <sstream>
#include <utility>

namespace velisto {

namespace {

std::string sysexPayload(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (const auto byte : bytes)
        text += hexByte(byte);
    if (!text.empty())
        text.pop_back(); // the blank behind the last byte
    return text;
}

std::string eventJson(const MidiEvent& e)
{
    std::ostringstream out;
    out << '[' << e.tick << ',' << int(e.status) << ',' << int(e.data1) << ',' << int(e.data2) << ','
        << int(e.data3) << ',' << e.length << ',';
    if (e.text)
        out << jsonString(*e.text);
    else if (e.sysex)
        out << jsonString(sysexPayload(*e.sysex));
    else
        out << "null";
    out << ']';
    return out.str();
}

std::string trackJson(const Song& song, int index, bool withEvents)
{
    const Track& track = song.tracks[static_cast<std::size_t>(index)];
    std::ostringstream out;
    out << "{\"index\":" << index << ",\"name\":" << jsonString(track.name) << ",\"channel\":" << track.channel
        << ",\"tickOffset\":" << track.tickOffset << ",\"muted\":" << (track.muted ? 1 : 0)
        << ",\"solo\":" << (song.isSolo(index) ? 1 : 0) << ",\"knobs\":[";
    for (int k = 0; k < kKnobCount; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        out << (k ? "," : "") << '[' << track.knobKind[kk] << ',' << track.knobParam[kk] << ','
            << track.knobDrumMap[kk] << ',' << track.knobKey[kk] << ']';
    }
    out << "],\"eventCount\":" << track.eventCount();
    if (withEvents) {
        out << ",\"events\":[";
        bool first = true;
        for (const auto& e : track.events()) {
            out << (first ? "" : ",") << eventJson(e);
            first = false;
        }
        out << ']';
    }
    out << '}';
    return out.str();
}

} // namespace

std::string songJson(const Song& song, const LoadResult& load, bool withEvents)
{
    std::ostringstream out;
    out << "{\"ok\":true,\"ppq\":" << song.ppq << ",\"tempo\":[";
    const char* separator = "";
    for (const TempoEntry& t : usedEntries(song.tempoList)) {
        out << std::exchange(separator, ",") << "{\"tick\":" << t.tick << ",\"bpm\":" << jsonNumber(t.bpm) << '}';
    }
    out << "],\"meter\":[";
    separator = "";
    for (const MeterEntry& m : usedEntries(song.meterList)) {
        out << std::exchange(separator, ",") << "{\"measure\":" << m.measure << ",\"numerator\":" << m.numerator
            << ",\"denominator\":" << m.denominator << '}';
    }
    out << "],\"key\":[";
    separator = "";
    for (const KeyEntry& k : usedEntries(song.keyList)) {
        out << std::exchange(separator, ",") << "{\"tick\":" << k.tick << ",\"sharpsFlats\":" << k.sharpsFlats
            << ",\"major\":" << (k.major ? 1 : 0) << '}';
    }
    out << "],\"tracks\":[";
    for (int i = 0; i <= song.lastTrackToSave(); ++i)
        out << (i ? "," : "") << trackJson(song, i, withEvents);
    out << "],\"report\":" << jsonString(load.report) << ",\"message\":" << jsonString(load.message) << '}';
    return out.str();
}

std::string refusalJson(const std::string& error)
{
    return "{\"ok\":false,\"error\":" + jsonString(error) + "}";
}

std::string songSummaryText(const Song& song)
{
    const SongSummary summary = SongSummary::of(song, {});
    std::ostringstream out;
    char bpm[32];
    out << "Ticks per quarter note: " << summary.ppq << '\n';
    out << "Tempo:";
    const char* separator = " ";
    for (const SongSummary::Tempo& t : summary.tempos) {
        std::snprintf(bpm, sizeof bpm, "%.3f", t.bpm);
        out << std::exchange(separator, ", ") << t.position << ' ' << bpm << " BPM";
    }
    out << "\nMeter:";
    separator = " ";
    for (const SongSummary::Meter& m : summary.meters)
        out << std::exchange(separator, ", ") << "measure " << m.measure + 1 << ' ' << m.numerator << '/'
            << m.denominator;
    out << "\nKey:";
    separator = " ";
    for (const SongSummary::Key& k : summary.keys)
        out << std::exchange(separator, ", ") << k.position << ' ' << k.name;
    out << "\nTracks:\n";
    for (const SongSummary::TrackLine& t : summary.tracks) {
        char line[96];
        std::snprintf(line, sizeof line, "%4d  ch %2d  %7d events  ", t.index + 1, t.channel + 1, t.events);
        out << line << (t.name.empty() ? "(no name)" : t.name);
        if (t.muted)
            out << "  [muted]";
        if (t.solo)
            out << "  [solo]";
        if (t.tickOffset)
            out << "  [offset " << t.tickOffset << ']';
        out << '\n';
    }
    return out.str();
}

} // namespace velisto
