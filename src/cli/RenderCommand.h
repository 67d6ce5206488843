#pragma once
// `velisto-cli render FILE [--igr GROUP.igr] [--gain DB] -o OUT.wav`: plays a MIDI file
// through the Internal Sound Generator offline and writes the sound as a 44100 Hz 16-bit
// stereo WAV. --gain sets the master gain of this render instead of the stored one.
// The group is required for now: the generator's stored group path is not kept yet.
//
// Thread contract: called on the command's main thread.

#include <iosfwd>
#include <string>
#include <vector>

namespace velisto {

int runRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velisto
