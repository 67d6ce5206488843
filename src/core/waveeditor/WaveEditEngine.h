#pragma once
// What one wave editor window does to its file, without the window: the file opened for
// writing with cue points and fast view image, a frame-aligned selection and caret, the
// edit commands (Copy, Cut, Delete, Paste as insert or mix, Export selection, Volume,
// Undo), the marks, and the texts the window shows for each refusal or failure. Every
// change is made in place on the file in blocks; the bytes it removes or overwrites go
// to the undo stack (and, for Cut, the copy buffer) before the file is touched.
//
// Thread contract: user-interface thread only. Playback must not read the file while a
// command changes it: the stop-playback hook runs (and must join the feeder) first.

#include "sampler/WaveFile.h"
#include "waveeditor/FastViewEdit.h"
#include "waveeditor/WaveEditorSlots.h"
#include "waveeditor/WaveUndoStack.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velisto {

class Progress;
class WaveCopyBuffer;

enum class WaveEditStatus {
    Done,
    Refused,         // nothing changed; show text
    Failed,          // a file operation failed; show text
    AskStereoToMono, // a stereo buffer into a mono file: ask "Convert stereo to mono", then paste again
    Cancelled,       // the user cancelled before the file was touched
};

struct WaveEditResult {
    WaveEditStatus status = WaveEditStatus::Done;
    std::string text;    // the message box text; empty when Done
    std::string caption; // empty: the application's title
    bool done() const { return status == WaveEditStatus::Done; }
};

inline constexpr const char* kFirstZoomMoreText = "First zoom more !";
inline constexpr const char* kSelectionTooSmallText = "Selection too small";
inline constexpr const char* kAnotherNameText = "Please select another name,\nnot the current wave name !";

class WaveEditEngine {
public:
    // windowDigit 0..9 names the undo files; the copy buffer is the one all windows share.
    WaveEditEngine(int windowDigit, WaveCopyBuffer& copyBuffer,
                   std::filesystem::path tempFolder = std::filesystem::temp_directory_path(),
                   std::int64_t processId = -1);
    ~WaveEditEngine(); // closes (commits) a file still open
    WaveEditEngine(const WaveEditEngine&) = delete;
    WaveEditEngine& operator=(const WaveEditEngine&) = delete;

    // Opens path writable with cue points and fast view image; error is the text to show.
    // A file still open is closed (committed) first.
    bool open(const std::string& path, Progress* progress, std::string& error);
    // Commits the file (Part of closing the window) and deletes the undo files. False,
    // with error set, when the commit failed.
    bool close(std::string& error);
    bool isOpen() const { return wave_.isOpen(); }
    const WaveFile& wave() const { return wave_; }
    WaveFile& wave() { return wave_; }
    std::optional<FileIdentity> identity() const { return identity_; }
    std::string title() const;
    // Runs before any change to the file: stops playback and joins its worker.
    void setBeforeChange(std::function<void()> hook) { beforeChange_ = std::move(hook); }

    // ---- selection and caret: file offsets inside the data, on frame boundaries ----
    // Rounded down to a frame from the data start, limited to the data.
    std::int64_t alignToFrame(std::int64_t offset) const;
    // The frames between a and b (either order); an empty range drops the selection.
    void select(std::int64_t a, std::int64_t b);
    void selectAll() { select(dataStart(), dataEnd()); }
    void clearSelection() { hasSelection_ = false; }
    bool hasSelection() const { return hasSelection_; }
    std::int64_t selectionStart() const { return selectionStart_; }
    std::int64_t selectionEnd() const { return selectionEnd_; }
    void setCaret(std::int64_t offset) { caret_ = alignToFrame(offset); }
    std::int64_t caret() const { return caret_; }
    // The selection after the alignment rule: a mono 8- or 24-bit file loses a frame at
    // the end of an odd byte count, so the data keeps an even length. None when that
    // leaves nothing (or there is no selection).
    std::optional<std::pair<std::int64_t, std::int64_t>> alignedSelection() const;

    // ---- commands ----
    WaveEditResult copy(Progress* progress);
    WaveEditResult cut(Progress* progress) { return removeSelection(true, progress); }
    WaveEditResult remove(Progress* progress) { return removeSelection(false, progress); }
    // At the caret, as insert or mix after the copy buffer's options. exactPosition is
    // false while the view is zoomed out too far to place the caret on a frame.
    WaveEditResult paste(bool exactPosition, Progress* progress);
    // The selection, or all data without one, multiplied by factor.
    WaveEditResult changeVolume(double factor, Progress* progress);
    // The selection as a new file through a temporary file; never onto a file open in a
    // wave editor (openFiles: the files of all windows, this one included).
    WaveEditResult exportSelection(const std::filesystem::path& path, const std::vector<FileIdentity>& openFiles,
                                   Progress* progress);
    bool canUndo() const { return !undo_.empty(); }
    WaveEditResult undo(Progress* progress);
    const WaveUndoStack& undoStack() const { return undo_; }

    // ---- marks ----
    WaveEditResult loopFromSelection();
    // "Enter flag's position by address" (also where a dragged flag is dropped): mark is
    // kLoopStartMark, kLoopEndMark or kFirstCueMark + n; the address is a file offset,
    // rounded down to its frame.
    WaveEditResult setMarkByAddress(int mark, std::int64_t address);
    // A cue point at the caret.
    void addCuePoint();
    void removeCuePoint(int index);

private:
    std::int64_t dataStart() const { return wave_.dataStart(); }
    std::int64_t dataEnd() const { return wave_.dataStart() + wave_.frames() * wave_.frameSize(); }
    WaveEditResult removeSelection(bool toCopyBuffer, Progress* progress);
    WaveSnapshot snapshot(WaveEditKind kind, std::int64_t position, std::int64_t length) const;
    // Rewrites [at, at + length) block by block: each block read first (read), changed by
    // work (given the block and its distance from at), and written back.
    using BlockWork = std::function<bool(std::span<std::uint8_t>, std::int64_t)>;
    bool rewriteBlocks(std::int64_t at, std::int64_t length, const char* text, Progress* progress, bool read,
                       const BlockWork& work);
    // Mixes the copy buffer into [at, at + length), block by block.
    bool mixCopyBuffer(std::int64_t at, std::int64_t length, Progress* progress);
    bool fillSilence(std::int64_t at, std::int64_t length, Progress* progress);
    // The fast view image of an edit at at that replaces removed bytes of data by inserted
    // ones, made before the file changes.
    FastViewEdit fastViewEdit(std::int64_t at, std::int64_t removed, std::int64_t inserted) const;
    // Hands the bytes a data resize moves to view.
    WaveFile::MovedData movedInto(FastViewEdit& view) const;
    // Reads the bytes view still needs that lie before movedFrom (the first byte the move
    // handed over, as an offset from the data start) and stores the image.
    void storeFastView(FastViewEdit& view, std::int64_t movedFrom);
    // Removes length bytes of data at at, the fast view image following the move.
    bool removeData(std::int64_t at, std::int64_t length, Progress* progress, std::string& error);
    void stopPlayback() const;
    bool cancelledBeforeChange(Progress* progress);
    WaveEditResult failure(const std::string& text, const std::string& caption = {}) const;

    int digit_;
    WaveCopyBuffer& copyBuffer_;
    WaveFile wave_;
    WaveUndoStack undo_;
    std::optional<FileIdentity> identity_;
    std::function<void()> beforeChange_;
    bool hasSelection_ = false;
    std::int64_t selectionStart_ = 0;
    std::int64_t selectionEnd_ = 0;
    std::int64_t caret_ = 0;
};

// Writes a new silent file of the given format and length through a temporary file
// ("Can't create file." when that fails), never over a file open in a wave editor.
WaveEditResult createWaveFile(const std::filesystem::path& path, int minutes, std::uint32_t rate, bool stereo,
                              int bits, const std::vector<FileIdentity>& openFiles, Progress* progress);

} // namespace velisto
