#include "app/SongSummary.h"

#include "playback/PlayController.h"
#include "song/Positions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace velisto {

std::string keySignatureName(int sharpsFlats, bool major)
{
    // Circle of fifths from 7 flats to 7 sharps.
    static constexpr std::array<const char*, 15> kMajor{"Cb", "Gb", "Db", "Ab", "Eb", "Bb", "F", "C",
                                                        "G",  "D",  "A",  "E",  "B",  "F#", "C#"};
    static constexpr std::array<const char*, 15> kMinor{"Ab", "Eb", "Bb", "F",  "C",  "G",  "D", "A",
                                                        "E",  "B",  "F#", "C#", "G#", "D#", "A#"};
    if (sharpsFlats < -7 || sharpsFlats > 7)
        return "?";
    const auto index = static_cast<std::size_t>(sharpsFlats + 7);
    return std::string(major ? kMajor[index] : kMinor[index]) + (major ? " major" : " minor");
}

std::string minutesSecondsText(double milliseconds)
{
    const auto seconds = static_cast<long long>(std::max(0.0, std::floor(milliseconds / 1000.0)));
    char text[48];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

SongSummary SongSummary::of(const Song& song, std::string fileName)
{
    SongSummary summary;
    summary.fileName = std::move(fileName);
    summary.ppq = song.ppq;
    for (const TempoEntry& t : usedEntries(song.tempoList))
        summary.tempos.push_back({t.tick, positionText(song, t.tick), t.bpm});
    for (const MeterEntry& m : usedEntries(song.meterList))
        summary.meters.push_back({m.measure, m.numerator, m.denominator});
    for (const KeyEntry& k : usedEntries(song.keyList))
        summary.keys.push_back({k.tick, positionText(song, k.tick), keySignatureName(k.sharpsFlats, k.major != 0)});
    for (int i = 0; i <= song.lastTrackToSave(); ++i) {
        const Track& t = song.tracks[static_cast<std::size_t>(i)];
        summary.tracks.push_back({i, t.channel, t.eventCount(), t.name, t.muted != 0, song.isSolo(i), t.tickOffset});
    }
    summary.lengthTicks = songEndTick(song);
    summary.lengthPosition = positionText(song, summary.lengthTicks);
    summary.lengthTime = minutesSecondsText(tickToMilliseconds(song, summary.lengthTicks));
    return summary;
}

} // namespace velisto
