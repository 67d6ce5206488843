#pragma once
// What `velisto-cli check` tells a musician before playing: the song played from start to
// end into the model of one receiver (its power-on mode and supported standards), nothing
// sent, and every event the receiver would refuse or that carries a redundant or wrong
// value, with the explanation that the output monitor would show.
// Thread contract: pure functions over a song the caller does not change meanwhile.

#include "song/Song.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

// The receiver a song is checked against.
struct CheckReceiver {
    int powerOnMode = 0; // MidiMode: GM, GS, XG, GM2
    bool gsSupported = false;
    bool xgSupported = false;
    bool gm2Supported = false;
};

// "GM", "GS", "XG", "GM2" in any case; nullopt for anything else.
std::optional<int> parseCheckMode(std::string_view text);
// A comma-separated list of "GS", "XG", "GM2" (and "GM", always supported) into receiver;
// returns the first name it does not know, empty when all were understood.
std::string parseCheckSupports(std::string_view list, CheckReceiver& receiver);

struct CheckFinding {
    int track = 0;         // 0..255
    std::int32_t tick = 0; // the tick it plays at (tick offset applied)
    int channel = -1;      // 0..15; -1 for system exclusive
    std::string event;     // "Controller Reverb Send Level value 40", "SYSEX F0 41 ..."
    std::string text;      // the explanation; may hold "\r\n"
    bool skipped = false;  // false: sent anyhow
};

struct CheckResult {
    std::int64_t checked = 0; // events interpreted
    std::vector<CheckFinding> findings;
    int finalMode = 0; // the receiver's mode after the last event
    int skippedCount() const;
};

// Plays every channel, parameter and system exclusive event of the song in playing order
// (by tick with the tracks' offsets, then track, then position in the track).
CheckResult checkSong(const Song& song, const CheckReceiver& receiver);

// Readable: the receiver, the counts, then per finding track, position, channel, event and
// verdict, with the explanation indented below.
std::string checkText(const Song& song, const CheckReceiver& receiver, const CheckResult& result);
// {"ok":true,"receiver":{...},"checked":N,"skipped":N,"sentAnyhow":N,"finalMode":"GM","findings":[...]}
std::string checkJson(const Song& song, const CheckReceiver& receiver, const CheckResult& result);

} // namespace velisto
