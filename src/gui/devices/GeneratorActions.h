#pragma once
// What the Internal Sound Generator's controls do: load another instrument group, release
// the loaded one, show what is in memory, render the song to a .wav file, and the
// instrument group editor, whose saves reload the group the generator plays. The main
// frame owns one; the device window's buttons and the menu call it.
//
// Thread contract: user-interface thread only; the render runs on a worker of its own and
// this thread waits for it behind the progress window.

#include <QPointer>

#include <string>

class QWidget;

namespace velisto {

class CIgrContent;
class CInstrumentGroupFileEditor;
class Engine;
class FileChooser;
class PlayController;
class Sampler;
class UserPrompt;

inline constexpr const char* kNothingChangedText = "- nothing changed -";

class GeneratorActions {
public:
    // All must outlive the actions.
    GeneratorActions(Engine& engine, PlayController& controller, UserPrompt& prompt, FileChooser& files);
    ~GeneratorActions();
    GeneratorActions(const GeneratorActions&) = delete;
    GeneratorActions& operator=(const GeneratorActions&) = delete;

    // "Load .igr file": ignored while a run exists or the generator is closed. The group
    // already in memory again only says so on the status line.
    void loadIgrFile(QWidget* owner);
    // "Release .igr": forgets the path and frees every sample.
    void releaseIgr();
    // "Memory content": the content window (one at a time).
    void showContent(QWidget* owner);
    // "MIDI to .wav": the song through the generator's group into the file the "MIDI2WAV"
    // settings name, behind a progress window whose Cancel stops it. False when refused,
    // cancelled or failed (the user was told).
    bool midiToWave(QWidget* owner);
    // The instrument group editor (one at a time).
    void showIgrEditor(QWidget* owner);

    // At exit: closes the editor (which asks about unsaved changes) and the content
    // window. False when the user kept the editor open.
    bool closeWindows();

    // The windows while they are open; null otherwise.
    CIgrContent* contentWindow() const;
    CInstrumentGroupFileEditor* igrEditor() const;

private:
    Sampler* sampler() const;
    // A saved group that the generator plays is loaded again, so the change is heard.
    void groupSaved(const std::string& path);

    Engine& engine_;
    PlayController& controller_;
    UserPrompt& prompt_;
    FileChooser& files_;
    std::string sampleFolder_; // where the editor's add dialog starts
    QPointer<CIgrContent> content_;
    QPointer<CInstrumentGroupFileEditor> editor_;
};

} // namespace velisto
