#pragma once
// The wave editor windows of the main window: at most 10 in their slots, the copy buffer
// they share, where a new one is placed, which one a forwarded command goes to, and the
// settings, prompts and sound devices they work with.
//
// Thread contract: user-interface thread only.

#include "waveeditor/WaveCopyBuffer.h"
#include "waveeditor/WaveEditorSlots.h"

#include <array>
#include <filesystem>
#include <functional>
#include <vector>

class QWidget;

namespace velisto {

class CWaved;
class DialogSoundPlayer;
class Engine;
class FileChooser;
class UserPrompt;

class CWavedList {
public:
    // owner: the main window; everything given must outlive the list. frameCommand runs a
    // command of the main window (its accelerators act in the wave editors too).
    CWavedList(QWidget* owner, Engine& engine, UserPrompt& prompt, FileChooser& files, DialogSoundPlayer& sounds,
               std::function<void(unsigned)> frameCommand);
    // Closes the windows still open (each commits its file).
    ~CWavedList();
    CWavedList(const CWavedList&) = delete;
    CWavedList& operator=(const CWavedList&) = delete;

    // View "Wave editor": a new window in the first free slot, placed from the settings and
    // cascaded, then the open dialog. Null when refused (the user was told).
    CWaved* open();
    // Sends a command to the wave editor that is the active window, when it takes it.
    bool forward(unsigned id, bool postedByRun);
    CWaved* active() const;
    CWaved* window(int digit) const { return windows_[static_cast<std::size_t>(digit)]; }
    int count() const { return slots_.count(); }
    void closeAll();

    // The window that has path open (another name of the same file included).
    CWaved* windowWithFile(const std::filesystem::path& path) const;
    // The files of all windows, for Export and New, which must not write onto one.
    std::vector<FileIdentity> openFiles() const;
    void fileOpened(int digit, std::optional<FileIdentity> file) { slots_.setFile(digit, file); }
    // A window closed: its slot is free again and its place remembered.
    void closed(CWaved& window);
    // The copy buffer changed: every window's Paste follows.
    void refreshAll();
    void runFrameCommand(unsigned id) { frameCommand_(id); }
    // Plays a dialog sound on the wave editor's device.
    void playDialogSound(int id);

    WaveCopyBuffer& copyBuffer() { return copyBuffer_; }
    Engine& engine() { return engine_; }
    UserPrompt& prompt() { return prompt_; }
    FileChooser& files() { return files_; }
    DialogSoundPlayer& sounds() { return sounds_; }

private:
    QWidget* owner_;
    Engine& engine_;
    UserPrompt& prompt_;
    FileChooser& files_;
    DialogSoundPlayer& sounds_;
    std::function<void(unsigned)> frameCommand_;
    WaveCopyBuffer copyBuffer_;
    WaveEditorSlots slots_;
    std::array<CWaved*, kMaxWaveEditors> windows_{};
};

} // namespace velisto
