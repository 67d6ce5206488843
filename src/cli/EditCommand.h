#pragma once
// velisto-cli edit: one edit function of the editor applied to a file, for batch work.
// Thread contract: the program's main thread.

#include <iosfwd>
#include <string>
#include <vector>

namespace velisto {

// edit FILE -o OUT [--tracks A-B] [--measures M-N] OPERATION [options]; tracks and
// measures counted from 1, as the user sees them.
int runEdit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "C5" (60), "Eb4", "F#6": a key as Velisto names notes; -1 when the text is none.
int parseNoteName(const std::string& text);

} // namespace velisto
