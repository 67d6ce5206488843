#pragma once
// What `velisto-cli wav-info` prints about an opened wave file: format, lengths, the
// sampler values (original key, gain, velocity range, loop), cue points and the fast view
// image's size, as readable lines or one JSON object.
// Thread contract: pure functions of the file object.

#include <string>

namespace velisto {

class WaveFile;

// "C4 (60)", "E* (joker)" or "none": an original key as people read it.
std::string originalKeyText(int key);

std::string waveInfoText(const WaveFile& wave);
// {"ok":true,"file":..,"format":{..},"frames":..,"seconds":..,"originalKey":..,"gainDb":..,
//  "velocity":[low,high]|null,"loop":[startFrame,endFrame]|null,"cuePoints":[frames],
//  "fastViewEntries":..}
std::string waveInfoJson(const WaveFile& wave);

} // namespace velisto
