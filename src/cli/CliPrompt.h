#pragma once
// The command line's answer to every question: texts go to stderr (unless quiet), every
// question is answered No or Cancel, so nothing is changed behind the user's back.

#include "app/UserPrompt.h"

#include <iosfwd>

namespace velisto {

class CliPrompt : public UserPrompt {
public:
    // quiet: print nothing (the caller reports in its own format, e.g. JSON).
    CliPrompt(std::ostream& err, bool quiet) : err_(err), quiet_(quiet) {}

    void message(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer askYesNo(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer askYesNoCancel(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer askRetryCancel(const std::string& text, const std::string& title, PromptIcon icon) override;
    void showReport(const std::string& text, const std::string& title) override;
    void status(const std::string&) override {}

private:
    void print(const std::string& title, const std::string& text, const char* answer);

    std::ostream& err_;
    bool quiet_;
};

} // namespace velisto
