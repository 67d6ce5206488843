#pragma once
// What `velisto-cli info` prints about a loaded song: a readable summary, or one JSON object.

#include "app/SongSummary.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"

#include <string>

namespace velisto {

// Tempo, meter and key lists, then one line per track up to the last one worth saving.
std::string songSummaryText(const Song& song);

// {"ok":true,"ppq":..,"tempo":[..],"meter":[..],"key":[..],"tracks":[..],"report":..,"message":..}
// withEvents adds each track's events as [tick,status,data1,data2,data3,length,payload].
std::string songJson(const Song& song, const LoadResult& load, bool withEvents);

// {"ok":false,"error":"..."}
std::string refusalJson(const std::string& error);

} // namespace velisto
