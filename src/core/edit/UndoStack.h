#pragma once
// The undo steps: before every edit the whole song is written as a MIDI file (with the
// solo and mute records) to a temporary folder, and undo reads the newest back silently.
// Up to 100 steps; the oldest is forgotten beyond that. The files are named "~vlxundo",
// the process id, "_" and a sequence number, so two running programs never share one.
//
// Thread contract: user-interface thread only (it writes the song on undo).

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velisto {

class Song;
class UserPrompt;

inline constexpr int kMaxUndoSteps = 100;
inline constexpr std::string_view kUndoFilePrefix = "~vlxundo";
inline constexpr std::string_view kTestUndoDescription = "Test";

enum class UndoOutcome {
    Nothing,        // the stack was empty
    Failed,         // the file could not be loaded; the stack is unchanged
    Undone,         // play the undo sound
    UndoneSilently, // a "Test" step: no sound
};

// The process id used in undo file names.
std::int64_t currentProcessId();

class UndoStack {
public:
    explicit UndoStack(std::filesystem::path folder = std::filesystem::temp_directory_path(),
                       std::int64_t processId = currentProcessId());
    UndoStack(const UndoStack&) = delete;
    UndoStack& operator=(const UndoStack&) = delete;

    // Called immediately before an edit changes the song. A run of "Delete", of "Insert"
    // or of edits of one master list ("tempo changes", "meter changes", "key changes")
    // shares the step of its first edit. When the file cannot be written the writer has
    // already told the user (Retry/Cancel) and no step is pushed; the edit goes on anyway.
    // True when the song's state before the edit can be undone.
    bool record(const Song& song, std::string_view description, UserPrompt& prompt);

    // Reloads the newest step into the song and forgets it.
    UndoOutcome undo(Song& song, UserPrompt& prompt);

    // Forgets the newest step unread when it is the one of sequence: an edit recorded it
    // and then changed nothing, so Undo must not offer it. A step shared by a run of edits
    // has an older sequence and stays.
    void forget(std::int64_t sequence);

    // Deletes every undo file and empties the stack; quiet: no change notification
    // (program exit).
    void clear(bool quiet = false);

    bool empty() const { return descriptions_.empty(); }
    int size() const { return static_cast<int>(descriptions_.size()); }
    // Oldest first; the newest is what Undo takes back.
    const std::deque<std::string>& descriptions() const { return descriptions_; }
    // The sequence number of the newest file, -1 when empty.
    std::int64_t newestSequence() const { return sequence_; }
    std::filesystem::path fileFor(std::int64_t sequence) const;

    // Called whenever the Undo command's state may have changed (menu and toolbar).
    void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

private:
    void notifyChanged() const;

    std::filesystem::path folder_;
    std::int64_t processId_;
    std::int64_t sequence_ = -1;
    std::deque<std::string> descriptions_;
    std::function<void()> changed_;
};

} // namespace velisto
