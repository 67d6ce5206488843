#include "CliPrompt.h"

#include <ostream>

namespace velisto {

void CliPrompt::print(const std::string& title, const std::string& text, const char* answer)
{
    if (quiet_)
        return;
    if (!title.empty())
        err_ << title << ": ";
    err_ << plainLineBreaks(text);
    if (answer)
        err_ << " [" << answer << "]";
    err_ << '\n';
}

void CliPrompt::message(const std::string& text, const std::string& title, PromptIcon)
{
    print(title, text, nullptr);
}

PromptAnswer CliPrompt::askYesNo(const std::string& text, const std::string& title, PromptIcon)
{
    print(title, text, "answered No");
    return PromptAnswer::No;
}

PromptAnswer CliPrompt::askYesNoCancel(const std::string& text, const std::string& title, PromptIcon)
{
    print(title, text, "answered Cancel");
    return PromptAnswer::Cancel;
}

PromptAnswer CliPrompt::askRetryCancel(const std::string& text, const std::string& title, PromptIcon)
{
    print(title, text, "answered Cancel");
    return PromptAnswer::Cancel;
}

void CliPrompt::showReport(const std::string& text, const std::string& title)
{
    if (quiet_)
        return;
    err_ << "== " << title << " ==\n" << plainLineBreaks(text) << "\n";
}

} // namespace velisto
