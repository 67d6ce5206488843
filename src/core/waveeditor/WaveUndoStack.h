#pragma once
// The wave editor's 10 undo levels. Each snapshot records the selection, the marks and
// what the operation did to the data; the bytes it removed or overwrote lie in a file of
// the temporary folder, "~vlxw" + window digit + "undo" + process id + "_" + counter.
// A full stack drops its oldest record together with that record's file.
//
// Thread contract: user-interface thread only.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace velisto {

class Progress;
class WaveFile;

inline constexpr int kWaveUndoLevels = 10;

enum class WaveEditKind {
    Removed,     // Cut, Delete: the file holds the removed bytes
    Inserted,    // Paste as insert: length bytes were inserted at position
    Overwritten, // Paste as mix, Volume: the file holds the bytes before the change
};

struct WaveSnapshot {
    std::int64_t selectionStart = 0;
    std::int64_t selectionEnd = 0;
    bool hasSelection = false;
    std::int64_t position = 0; // where the operation changed the data (file offset)
    std::int64_t length = 0;   // how many bytes it removed, inserted or overwrote
    std::int64_t loopStart = -1;
    std::int64_t loopEnd = -1;
    std::vector<std::int64_t> cuePoints;
    WaveEditKind kind = WaveEditKind::Overwritten;
    std::filesystem::path file;
};

class WaveUndoStack {
public:
    WaveUndoStack(int windowDigit, std::filesystem::path folder = std::filesystem::temp_directory_path(),
                  std::int64_t processId = -1);
    ~WaveUndoStack(); // deletes the files
    WaveUndoStack(const WaveUndoStack&) = delete;
    WaveUndoStack& operator=(const WaveUndoStack&) = delete;

    // Writes the bytes the operation will remove or overwrite ([position, position +
    // length) of wave's data; nothing for an insert) and pushes the record. Called before
    // the file is touched: false, with error set and the stack unchanged, when the file
    // could not be written.
    bool push(WaveSnapshot snapshot, const WaveFile& wave, Progress* progress, std::string& error);

    bool empty() const { return records_.empty(); }
    int size() const { return static_cast<int>(records_.size()); }
    const WaveSnapshot& newest() const { return records_.back(); }
    // size bytes at offset of the newest record's saved bytes.
    bool readNewest(std::int64_t offset, void* buffer, std::int64_t size) const;
    // Forgets the newest record and deletes its file.
    void popNewest();
    // Deletes every file and record (the window closes).
    void clear();
    std::int64_t counter() const { return counter_; }
    std::filesystem::path fileFor(std::int64_t counter) const;

private:
    int digit_;
    std::filesystem::path folder_;
    std::int64_t processId_;
    std::int64_t counter_ = 0; // snapshots taken
    std::deque<WaveSnapshot> records_;
};

} // namespace velisto
