#pragma once
// velisto-cli's transport commands: `play` sends a song (or a range of measures of it)
// through the play engine to one output device, `record` records an input port into a new
// song and saves it. The command itself is the engine's user-interface thread: it takes
// the engine's posts in a short loop, finishes each run and restarts loop play.
//
// Thread contract: call from one thread (the program's main thread); SIGINT and SIGTERM
// are caught while a command runs and ask for the normal stop, a second one exits at once.

#include <iosfwd>
#include <string>
#include <vector>

namespace velisto {

int runPlay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runRecord(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velisto
