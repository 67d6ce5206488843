#pragma once
// "MIDI to .wav": plays a song through the Internal Sound Generator on simulated time and
// writes what its voices sound as a 44100 Hz 16-bit stereo WAV file, as fast as the machine
// allows. The play engine runs exactly as for a live run, with every track on the
// generator; the generator's mixer is pulled in blocks in step with the simulated clock,
// and each block's voice refills are done before the next block, so that the output is the
// same on every run.
//
// Thread contract: one call at a time, on any thread but the user interface's; it starts
// and ends its own play run and sampler, and reports progress on the calling thread.

#include "app/Settings.h"

#include <cstdint>
#include <string>

namespace velisto {

class Progress;
class Song;

inline constexpr std::uint32_t kRenderRate = 44100;
// Frames per block: short enough that no voice plays past half its ring (200000 Hz stereo)
// between refills.
inline constexpr std::size_t kRenderBlockFrames = 256;

struct RenderOptions {
    std::string igrPath;
    Progress* progress = nullptr;
    // After the song's end the sound may ring on this long, at most, for its releases.
    double tailSeconds = 5.0;
    // The master gain of the render's mix bus, dB (the stored setting's default unless given).
    double masterGainDb = AudioSettings{}.mastergain;
};

struct RenderResult {
    bool ok = false;
    bool cancelled = false;  // the progress asked to stop: nothing was written
    std::string error;       // why nothing (or not everything) was written
    std::int64_t frames = 0; // written
    std::string warnings;    // the generator's first 100 warnings, each "\r\n"-ended
    std::int64_t limitedFrames = 0; // of frames, those the master limiter turned down
};

// song is played from its first tick to its end with every track on the generator (the
// song itself is left as it is). A progress that is cancelled stops the render between
// blocks; an earlier file at wavPath is then kept.
RenderResult renderSongToWave(const Song& song, const RenderOptions& options, const std::string& wavPath);

} // namespace velisto
