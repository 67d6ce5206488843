#pragma once
// What the song's properties show and `velisto-cli info` prints: the file, ticks per
// quarter, the tempo, meter and key lists, the tracks, and the song's length.
// Thread contract: built on the user-interface thread from a song nothing changes meanwhile;
// the summary itself is a plain copy.

#include "song/Song.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velisto {

// "G major", "E minor", "Bb major" ...; "?" beyond seven sharps or flats.
std::string keySignatureName(int sharpsFlats, bool major);

struct SongSummary {
    struct Tempo {
        std::int32_t tick = 0;
        std::string position; // "MMMM:BB:TTT"
        double bpm = 120.0;
    };
    struct Meter {
        std::int32_t measure = 0; // from 0
        int numerator = 4;
        int denominator = 4;
    };
    struct Key {
        std::int32_t tick = 0;
        std::string position;
        std::string name; // keySignatureName
    };
    struct TrackLine {
        int index = 0;   // 0..255
        int channel = 0; // 0..15
        std::int32_t events = 0;
        std::string name;
        bool muted = false;
        bool solo = false;
        std::int32_t tickOffset = 0;
        bool used() const { return events > 0; }
    };

    std::string fileName;
    std::int32_t ppq = 0;
    std::vector<Tempo> tempos;
    std::vector<Meter> meters;
    std::vector<Key> keys;
    // Every track up to the last one worth saving, empty ones between included.
    std::vector<TrackLine> tracks;
    // The end of the song as playing sees it (songEndTick), as a position and as
    // minutes:seconds ("3:07"; hours as "1:02:03").
    std::int32_t lengthTicks = 0;
    std::string lengthPosition;
    std::string lengthTime;

    static SongSummary of(const Song& song, std::string fileName);
};

// Whole seconds of a duration in milliseconds as "m:ss", or "h:mm:ss" from an hour on.
std::string minutesSecondsText(double milliseconds);

} // namespace velisto
