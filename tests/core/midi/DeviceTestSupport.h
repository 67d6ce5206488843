#pragma once
// Doubles for the device table's tests: a prompt that records what it shows and answers
// from a script, and a store that logs every write in order.

#include "app/MemoryProfileStore.h"
#include "app/UserPrompt.h"

#include <deque>
#include <string>
#include <vector>

namespace velisto::test {

struct Shown {
    std::string text;
    std::string title;
    PromptIcon icon = PromptIcon::None;
};

class ScriptedPrompt : public UserPrompt {
public:
    std::vector<Shown> messages;
    std::vector<Shown> questions;
    // Answers to the questions in order; an unscripted question is answered Cancel.
    std::deque<PromptAnswer> answers;

    void message(const std::string& text, const std::string& title, PromptIcon icon) override
    {
        messages.push_back({text, title, icon});
    }
    PromptAnswer askYesNo(const std::string& text, const std::string& title, PromptIcon icon) override
    {
        return ask(text, title, icon);
    }
    PromptAnswer askYesNoCancel(const std::string& text, const std::string& title, PromptIcon icon) override
    {
        return ask(text, title, icon);
    }
    PromptAnswer askRetryCancel(const std::string& text, const std::string& title, PromptIcon icon) override
    {
        return ask(text, title, icon);
    }
    void showReport(const std::string&, const std::string&) override {}
    void status(const std::string&) override {}

private:
    PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon)
    {
        questions.push_back({text, title, icon});
        if (answers.empty())
            return PromptAnswer::Cancel;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Every write and delete as "section|key=value" or "delete section", in call order.
class RecordingProfileStore : public MemoryProfileStore {
public:
    std::vector<std::string> log;

    void writeInt(const std::string& section, const std::string& key, int value) override
    {
        log.push_back(section + "|" + key + "=" + std::to_string(value));
        MemoryProfileStore::writeInt(section, key, value);
    }
    void writeString(const std::string& section, const std::string& key, const std::string& value) override
    {
        log.push_back(section + "|" + key + "=" + value);
        MemoryProfileStore::writeString(section, key, value);
    }
    void deleteSection(const std::string& section) override
    {
        log.push_back("delete " + section);
        MemoryProfileStore::deleteSection(section);
    }
};

} // namespace velisto::test
