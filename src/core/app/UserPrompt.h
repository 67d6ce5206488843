#pragma once
// How core code asks the user something or tells them something. The GUI answers with
// message boxes and dialogs; velisto-cli prints the texts to stderr and answers No or
// Cancel; tests script the answers. Called on the user-interface thread only.

#include <string>
#include <string_view>

namespace velisto {

enum class PromptIcon { None, Information, Question, Exclamation, Error };
enum class PromptAnswer { Ok, Yes, No, Cancel, Retry };

class UserPrompt {
public:
    virtual ~UserPrompt() = default;

    // A message box with an OK button. An empty title shows the application's title.
    virtual void message(const std::string& text, const std::string& title, PromptIcon icon) = 0;
    // Yes or No.
    virtual PromptAnswer askYesNo(const std::string& text, const std::string& title, PromptIcon icon) = 0;
    // Yes, No or Cancel.
    virtual PromptAnswer askYesNoCancel(const std::string& text, const std::string& title, PromptIcon icon) = 0;
    // Retry or Cancel.
    virtual PromptAnswer askRetryCancel(const std::string& text, const std::string& title, PromptIcon icon) = 0;
    // A long read-only text in a dialog with an OK button (the load report).
    virtual void showReport(const std::string& text, const std::string& title) = 0;
    // The status bar text ("Reading midi file...", "Ready.").
    virtual void status(const std::string& text) = 0;
};

// Message texts carry Windows-style "\r\n" line breaks; terminals and message boxes want
// plain ones.
inline std::string plainLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

// Answers No and Cancel to everything and shows nothing: silent loads and tests.
class SilentPrompt : public UserPrompt {
public:
    void message(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer askYesNo(const std::string&, const std::string&, PromptIcon) override { return PromptAnswer::No; }
    PromptAnswer askYesNoCancel(const std::string&, const std::string&, PromptIcon) override
    {
        return PromptAnswer::Cancel;
    }
    PromptAnswer askRetryCancel(const std::string&, const std::string&, PromptIcon) override
    {
        return PromptAnswer::Cancel;
    }
    void showReport(const std::string&, const std::string&) override {}
    void status(const std::string&) override {}
};

} // namespace velisto
