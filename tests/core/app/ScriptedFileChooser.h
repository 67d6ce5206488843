#pragma once
// A FileChooser for tests: records every request and answers from a script, one answer
// per dialog in order; an unscripted dialog is cancelled.

#include "app/FileChooser.h"

#include <deque>
#include <vector>

namespace velisto::test {

class ScriptedFileChooser : public FileChooser {
public:
    enum class Kind { Open, Save, OpenMany };
    struct Asked {
        Kind kind = Kind::Open;
        FileDialogRequest request;
    };

    std::vector<Asked> asked;
    // nullopt entries cancel their dialog.
    std::deque<std::optional<std::filesystem::path>> answers;
    // The multi-select dialogs' answers, their own queue; empty entries cancel.
    std::deque<std::vector<std::filesystem::path>> manyAnswers;

    std::optional<std::filesystem::path> openFile(const FileDialogRequest& request) override
    {
        return answer(Kind::Open, request);
    }
    std::optional<std::filesystem::path> saveFile(const FileDialogRequest& request) override
    {
        return answer(Kind::Save, request);
    }
    std::vector<std::filesystem::path> openFiles(const FileDialogRequest& request) override
    {
        asked.push_back({Kind::OpenMany, request});
        if (manyAnswers.empty())
            return {};
        std::vector<std::filesystem::path> next = std::move(manyAnswers.front());
        manyAnswers.pop_front();
        return next;
    }

private:
    std::optional<std::filesystem::path> answer(Kind kind, const FileDialogRequest& request)
    {
        asked.push_back({kind, request});
        if (answers.empty())
            return std::nullopt;
        std::optional<std::filesystem::path> next = answers.front();
        answers.pop_front();
        return next;
    }
};

} // namespace velisto::test
