#include "CliPrompt.h"

#include <ostream>

namespace velisto {

namespace {
// Message texts carry Windows-style "\r\n" line breaks; a terminal wants plain ones.
std::string plainLines(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}
} // namespace

void CliPrompt::print(const std::string& title, const std::string& text, const char* answer)
{
    if (quiet_)
        return;
    if (!title.empty())
        err_ << title << ": ";
    err_ << plainLines(text);
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
    err_ << "== " << title << " ==\n" << plainLines(text) << "\n";
}

} // namespace velisto
