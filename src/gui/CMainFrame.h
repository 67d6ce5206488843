#pragma once
// The program's one top-level window: menus, toolbar and status bar built from the
// command table, the song document, the transport through PlayController, undo, the menu
// state, and the dispatch of the commands and messages that other threads and windows
// post. Every decision is a core function; this class calls them and draws.
//
// Thread contract: user-interface thread only; other threads reach it through notifier().

#include "GuiKaraokeHooks.h"
#include "GuiOutputNotifier.h"
#include "QtUiNotifier.h"
#include "app/FileChooser.h"
#include "app/FrameState.h"
#include "app/StartupRules.h"
#include "app/UserPrompt.h"
#include "edit/Clipboard.h"
#include "edit/UndoStack.h"
#include "engine/Engine.h"
#include "playback/MidiInputConnection.h"
#include "playback/MidiInputRouter.h"
#include "playback/PlayController.h"
#include "sampler/AudioSystem.h"
#include "sampler/DialogSounds.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QKeyEvent;
class QToolBar;
class QVBoxLayout;

namespace velisto {

class CEditCommands;
class COutputMonitor;
class CKeyboard;
class GeneratorActions;
class CListEditor;
class CWavedList;
class SongDocument;
class CMidiWnd;
class DeviceStripColumn;

// What the frame works with besides the engine's parts; tests script the dialogs.
struct FrameParts {
    EngineParts engine;
    UserPrompt* prompt = nullptr;         // must outlive the frame
    FileChooser* files = nullptr;         // must outlive the frame
    ChooseInputPort chooseInputPort;      // the "MIDI input device" dialog
    std::unique_ptr<AudioSystem> audio;   // empty: the system's audio
    // How long the file named at start waits before it is opened and played.
    std::chrono::milliseconds startupFileDelay{5000};
    std::string startupFile;              // from the command line; empty for none
};

class CMainFrame : public QMainWindow {
public:
    explicit CMainFrame(FrameParts parts);
    ~CMainFrame() override;

    // The window's creation: the device table, the input port loop (Cancel ends the
    // program), the audio check and the generator, input started. False: the program ends
    // and nothing may be written.
    bool create();
    // Whether the exit may write the settings: the creation got through.
    bool settingsMayBeSaved() const { return settingsMayBeSaved_; }
    // False when the accepted close could not write the settings (the user was told).
    bool settingsWritten() const { return settingsWritten_; }

    // A command as the menu, an accelerator or a post gives it; false when it has no
    // handler or is grayed. postedByRun: a play run posted it (its Undo takes back the song).
    bool runCommand(unsigned id, bool postedByRun = false);
    QAction* action(unsigned id) const;

    Engine& engine() { return *engine_; }
    FrameState& state() { return state_; }
    PlayController& controller() { return *controller_; }
    UndoStack& undoStack() { return undo_; }
    UiNotifier& notifier() { return notifier_; }
    GuiOutputNotifier& outputNotifier() { return outputNotifier_; }
    MidiInputConnection& input() { return input_; }
    MidiInputRouter& inputRouter() { return *router_; }
    QToolBar* toolbar() const { return toolbar_; }
    // The virtual keyboard window; null while it is closed.
    CKeyboard* keyboard() const { return keyboard_; }
    GuiKaraokeHooks& karaoke() { return *karaoke_; }
    CWavedList& waveEditors() { return *waveEditors_; }
    // The track area; null until create().
    CMidiWnd* trackArea() const { return trackArea_; }
    // The device strips below the toolbar; null until create().
    DeviceStripColumn* deviceStrips() const { return deviceStrips_; }
    // The event list editor below the track area; null while it is closed.
    CListEditor* listEditor() const { return listEditor_; }
    CEditCommands& editCommands() { return *edits_; }
    const Clipboard& clipboard() const { return clipboard_; }
    GeneratorActions& generatorActions() { return *generatorActions_; }
    // The MIDI output monitor window; null while it is closed.
    COutputMonitor* outputMonitor() const;
    // The id of the last result or undo sound asked for; 0 before any.
    int lastDialogSound() const { return lastDialogSound_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The keyboard filter: computer keys that play the virtual keyboard while it is open.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void connectHandlers();
    void handlePost(unsigned message, std::uintptr_t wparam);
    void completeStartup();
    void refreshMenuState();
    void refreshTitle();
    void updateLockIndicators();
    void layoutChildren();

    // Command handlers.
    void newSong();
    void openSong();
    void saveSong();
    void saveSongAs();
    void undo(bool postedByRun);
    void toggleStatusBar();
    void showSettings();
    void showAbout();
    void play();
    void playLoop();
    void record();
    void stop();
    void recordMarker();
    void openStartupFile();
    void startupFileDue();
    void runEnded();
    void setMouseTool(std::string_view tool);
    void toggleKeyboard();
    void openDevice();
    void closeDevice(int device);
    void showDeviceParameters(int device);
    void showModeReset(int device);
    void devicesChanged();
    void toggleOutputMonitor();
    // takeFront: the opened list editor becomes the foreground editor.
    void toggleListEditor(bool takeFront);
    // Ctrl+Tab: the other editor comes to the front and takes the keyboard focus.
    void switchEditor();
    // The track area, or the list editor while it is in front, takes the command.
    void routeToForeground(unsigned id);
    // The track area's and the bottom editor's heights in the central container.
    void placeBottomEditor();
    // The song changed under the editors: both show it again.
    void refreshEditors();
    void playDialogSound(int id);
    bool filterKeyboardKey(QObject* watched, QKeyEvent& event);

    QtUiNotifier notifier_;
    GuiOutputNotifier outputNotifier_;
    FrameParts parts_;
    UserPrompt& prompt_;
    FileChooser& files_;
    std::unique_ptr<Engine> engine_;
    FrameState state_;
    UndoStack undo_;
    Clipboard clipboard_;
    std::unique_ptr<MidiInputRouter> router_;
    MidiInputConnection input_;
    std::unique_ptr<GuiKaraokeHooks> karaoke_;
    std::unique_ptr<PlayController> controller_;
    std::unique_ptr<SongDocument> document_;
    std::unique_ptr<DialogSoundPlayer> sounds_;
    std::unique_ptr<CEditCommands> edits_;
    // After the engine and the controller: its windows read them until they go.
    std::unique_ptr<GeneratorActions> generatorActions_;
    QPointer<COutputMonitor> outputMonitor_;
    int lastDialogSound_ = 0;

    std::map<unsigned, QAction*> actions_;
    std::map<unsigned, std::function<void(bool postedByRun)>> handlers_;
    std::map<std::string_view, QAction*> toolActions_;
    QToolBar* toolbar_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    QLabel* capsLabel_ = nullptr;
    QLabel* numLabel_ = nullptr;
    QLabel* rollLabel_ = nullptr;
    // The central container: the track area, and the bottom editor below it.
    QWidget* central_ = nullptr;
    QVBoxLayout* centralLayout_ = nullptr;
    CMidiWnd* trackArea_ = nullptr;
    DeviceStripColumn* deviceStrips_ = nullptr;
    CListEditor* listEditor_ = nullptr;
    // Read by the play thread: it posts every tick's position while the list editor is open.
    std::atomic<bool> listEditorFollows_{false};
    // Which editor is in front follows the keyboard focus.
    QMetaObject::Connection focusWatch_;
    CKeyboard* keyboard_ = nullptr;
    QTimer startupFileTimer_;
    bool settingsMayBeSaved_ = false;
    bool settingsWritten_ = true;
    // Last: the wave editors commit their files while the engine and sounds still exist.
    std::unique_ptr<CWavedList> waveEditors_;
};

} // namespace velisto
