#pragma once
// velisto-cli install-sounds [--soundfont SF2] [--dest DIR]: converts a General MIDI
// SoundFont into the sound library and makes its instrument group the configured one.
// Thread contract: the program's main thread.

#include <iosfwd>
#include <string>
#include <vector>

namespace velisto {

// args[0] is the command's name. Exit status as runCli's.
int runInstallSounds(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velisto
