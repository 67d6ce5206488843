#include "edit/UndoStack.h"

#include "app/UserPrompt.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include <system_error>
#include <unistd.h>

namespace velisto {

namespace {

bool sameRun(std::string_view newest, std::string_view description)
{
    if ((description == "Delete" || description == "Insert") && newest == description)
        return true;
    for (std::string_view list : {"tempo changes", "meter changes", "key changes"}) {
        if (description.find(list) != std::string_view::npos && newest.find(list) != std::string_view::npos)
            return true;
    }
    return false;
}

void removeQuietly(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace

std::int64_t currentProcessId() { return static_cast<std::int64_t>(::getpid()); }

UndoStack::UndoStack(std::filesystem::path folder, std::int64_t processId)
    : folder_(std::move(folder)), processId_(processId)
{
}

std::filesystem::path UndoStack::fileFor(std::int64_t sequence) const
{
    return folder_ / (std::string(kUndoFilePrefix) + std::to_string(processId_) + "_" + std::to_string(sequence));
}

bool UndoStack::record(const Song& song, std::string_view description, UserPrompt& prompt)
{
    if (!descriptions_.empty() && sameRun(descriptions_.back(), description))
        return true;

    // Written before anything is forgotten, so a failed write leaves the stack as it was.
    const std::int64_t next = sequence_ + 1;
    if (!MidiFileWriter::write(fileFor(next), song, true, prompt).ok)
        return false;

    if (size() == kMaxUndoSteps) {
        removeQuietly(fileFor(sequence_ - (kMaxUndoSteps - 1)));
        descriptions_.pop_front();
    }
    sequence_ = next;
    descriptions_.emplace_back(description);
    notifyChanged();
    return true;
}

UndoOutcome UndoStack::undo(Song& song, UserPrompt& prompt)
{
    if (descriptions_.empty())
        return UndoOutcome::Nothing;

    LoadOptions options;
    options.silent = true;
    const std::filesystem::path file = fileFor(sequence_);
    if (!MidiFileReader::load(file, song, options, prompt).ok)
        return UndoOutcome::Failed;

    const bool silently = descriptions_.back().find(kTestUndoDescription) != std::string::npos;
    removeQuietly(file);
    descriptions_.pop_back();
    sequence_ = descriptions_.empty() ? -1 : sequence_ - 1;
    notifyChanged();
    return silently ? UndoOutcome::UndoneSilently : UndoOutcome::Undone;
}

void UndoStack::forget(std::int64_t sequence)
{
    if (descriptions_.empty() || sequence != sequence_)
        return;
    removeQuietly(fileFor(sequence_));
    descriptions_.pop_back();
    sequence_ = descriptions_.empty() ? -1 : sequence_ - 1;
    notifyChanged();
}

void UndoStack::clear(bool quiet)
{
    for (int i = 0; i < size(); ++i)
        removeQuietly(fileFor(sequence_ - i));
    descriptions_.clear();
    sequence_ = -1;
    if (!quiet)
        notifyChanged();
}

void UndoStack::notifyChanged() const
{
    if (changed_)
        changed_();
}

} // namespace velisto
