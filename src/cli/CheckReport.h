#pragma once
// What `velisto-cli check` tells a musician before playing: checkSong against one receiver
// (its power-on mode and supported standards), as a readable listing or JSON.
// Thread contract: pure functions over a song the caller does not change meanwhile.

#include "midi/SongCheck.h"
#include "song/Song.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

// "GM", "GS", "XG", "GM2" in any case; nullopt for anything else.
std::optional<int> parseCheckMode(std::string_view text);
// A comma-separated list of "GS", "XG", "GM2" (and "GM", always supported) into receiver;
// returns the first name it does not know, empty when all were understood.
std::string parseCheckSupports(std::string_view list, CheckReceiver& receiver);

// Readable: the receiver, the counts, then per finding track, position, channel, event and
// verdict, with the explanation indented below.
std::string checkText(const Song& song, const CheckReceiver& receiver, const CheckResult& result);
// {"ok":true,"receiver":{...},"checked":N,"skipped":N,"sentAnyhow":N,"finalMode":"GM","findings":[...]}
std::string checkJson(const Song& song, const CheckReceiver& receiver, const CheckResult& result);

} // namespace velisto
