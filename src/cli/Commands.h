#pragma once
// velisto-cli's commands. Exit status: 0 success, 1 a file was refused or could not be
// written, or a device or port could not be used, 2 wrong usage. Results go to out,
// messages to err.
// Thread contract: the program's main thread.

#include <iosfwd>
#include <string>
#include <vector>

namespace velisto {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// Tells the problem and the usage text on err; returns kExitUsage.
int reportUsage(std::ostream& err, const std::string& problem);

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velisto
