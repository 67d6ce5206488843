#pragma once
// Progress of a long piece of work, shown by whoever asked for it (a progress window in
// the GUI, a line on stderr in velisto-cli, nothing in tests).
//
// Thread contract: called on the thread doing the work; an implementation that shows a
// window posts to it.

#include <string_view>

namespace velisto {

class Progress {
public:
    virtual ~Progress() = default;
    // The work begins; text says what it is.
    virtual void begin(std::string_view text) = 0;
    // done out of total units so far.
    virtual void advance(long long done, long long total) = 0;
    virtual void end() = 0;
    // True once the user asked to stop (Cancel); work that can stop cleanly asks between
    // blocks. Shows without a Cancel button answer false.
    virtual bool cancelled() const { return false; }
};

} // namespace velisto
