#pragma once
// The song as a file: New, Open, Save, Save As, the file named at start, Undo, and the
// question whether to save changes. The GUI only shows the dialogs, through FileChooser
// and UserPrompt; everything else happens here, on the frame's state.
//
// Thread contract: user-interface thread only, while no run plays or records (every
// operation refuses while the device table says a run is active).

#include "app/FileChooser.h"
#include "app/FrameState.h"
#include "app/PostLoad.h"
#include "app/Settings.h"
#include "app/StartupRules.h"
#include "app/UserPrompt.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"
#include "song/Song.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velisto {

inline constexpr std::string_view kSaveQuestionTitle = "Velisto";
inline constexpr std::string_view kNewSongWaveName = "newsong.wav";

// "Save changes ?" or "Save changes to song.mid ?".
std::string saveQuestionText(std::string_view fileName);

// What a load did.
struct OpenOutcome {
    bool loaded = false;
    // The file was format 0: the frame posts Split channels (CommandId::SplitChannels).
    bool formatZero = false;
};

class SongDocument {
public:
    SongDocument(Song& song, FrameState& frame, UndoStack& undo, DeviceTable& devices, Settings& settings,
                 UserPrompt& prompt, FileChooser& files);
    SongDocument(const SongDocument&) = delete;
    SongDocument& operator=(const SongDocument&) = delete;

    // The device name dialog of the steps after a load; none: tracks stay where they are.
    void setChooseDevice(ChooseDevice choose) { choose_ = std::move(choose); }
    // Closes the windows that show song data before the song is cleared.
    void setClearHandler(std::function<void()> handler) { clearHandler_ = std::move(handler); }

    // The save question of New and of closing: a modified song is offered for saving
    // (Yes saves, and a save that fails or is cancelled answers false; Cancel answers
    // false; No goes on), then the song is cleared. force skips the question and clears
    // without moving the tracks to the default device. True when the song was cleared.
    bool saveQuestion(bool force = false);
    // The question alone: true when the caller may replace the song.
    bool mayDiscardChanges();

    // File "New": the save question, then an empty song without a file name.
    bool newSong();
    // File "Open": the save question, the open dialog, then the load.
    OpenOutcome open();
    // Loads path as the document (no question). On failure nothing changes but the song,
    // which the reader leaves as it was for a refused file.
    OpenOutcome load(const std::filesystem::path& path);
    // File "Save": writes to the file path; without one, Save As. True when written.
    bool save();
    // File "Save As": the save dialog, then the write. True when written.
    bool saveAs();
    // The file named at start (CommandId::OpenStartupFile): ".mid" is appended to a name
    // with neither ".mid" nor ".kar" in it, in any letter case; the start-up file is
    // forgotten afterwards whether it loaded or not. When loaded, the frame plays it.
    OpenOutcome openStartupFile();

    // Edit "Undo": the newest step goes back into the song, and, unless it was a test,
    // the song counts as modified. The user's Undo does nothing while a list editor cell
    // is being edited; one a run posted (taking back a test) always acts.
    UndoOutcome undo(bool postedByRun = false);

    // The open dialog's file types.
    static std::vector<FileFilter> openFilters();
    static std::vector<FileFilter> saveFilters();

private:
    bool idle() const { return !devices_.runActive(); }
    void clearSong(bool force);
    bool writeTo(const std::filesystem::path& path);
    void setWaveFileName(const std::string& name);

    Song& song_;
    FrameState& frame_;
    UndoStack& undo_;
    DeviceTable& devices_;
    Settings& settings_;
    UserPrompt& prompt_;
    FileChooser& files_;
    ChooseDevice choose_;
    std::function<void()> clearHandler_;
};

} // namespace velisto
