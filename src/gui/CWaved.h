#pragma once
// One wave editor window: a top-level window owned by the main window, with its own menu,
// the view and a scroll bar. Commands call WaveEditEngine under the "Working..." window
// and show what it answers; playback stops before every change and before closing.
// Closing commits the file, reloads the sample map when it lists the file and deletes
// the undo files.
//
// Thread contract: user-interface thread only; the playback worker only posts to it.

#include "CWavedPlayback.h"
#include "app/FileChooser.h"
#include "waveeditor/WaveEditEngine.h"
#include "waveeditor/WavePlaybackFeeder.h"
#include "waveeditor/WaveViewModel.h"

#include <QMainWindow>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

class QAction;
class QScrollBar;

namespace velisto {

class CWaveView;
class CWavedList;
class CWorkingDlg;

class CWaved : public QMainWindow {
public:
    // digit 0..9: the window's slot; owner is the main window.
    CWaved(int digit, CWavedList& list, QWidget* owner);
    ~CWaved() override;

    int digit() const { return digit_; }
    WaveEditEngine& engine() { return engine_; }
    WaveViewModel& model() { return model_; }
    CWaveView* view() const { return view_; }
    CWorkingDlg* working() const { return working_; }
    // The window's own actions by name ("cut", "paste", "setinfo", ...), for the menu state.
    QAction* action(const std::string& name) const;

    // "Open wave file": the chooser, then openFile. A file already open in a window
    // activates that window instead. The window that shows the file; null when the user
    // cancelled or it could not be opened (the user was told).
    CWaved* openWithDialog();
    CWaved* openFile(const std::filesystem::path& path);
    // A command the main window forwards (Delete, Cut, Copy, Paste, Undo, Esc); false when
    // it is not one of them.
    bool runCommand(unsigned id);

    bool playing() const { return playback_.playing(); }
    void togglePlay();
    void stopPlayback() { playback_.stop(); }
    // Plays the whole file once ("Test your wave").
    void playWholeFile();
    // Grays what cannot be done now (Paste with an empty copy buffer, ...).
    void refreshActions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addAction(QMenu* menu, const std::string& name, const QString& text, const QList<QKeySequence>& keys,
                       std::function<void()> handler);
    void forwardFrameAccelerators();
    void viewChanged();
    void fileChanged(bool fit);
    // Commits the file, reports a failure, and reloads the sample map when it lists it.
    void closeFile();
    void refreshTitle();
    // Runs an engine command under the working window and shows what it answers.
    void run(const std::function<WaveEditResult(Progress*)>& command);
    bool report(const WaveEditResult& result);
    bool requireFile();
    void startPlayback(std::int64_t from, std::int64_t to, bool loop, std::int64_t wrapTo);

    // Commands.
    FileDialogRequest saveRequest(const std::string& title) const;
    void newFile();
    void exportSelection();
    void paste();
    void changeVolume();
    void escape();
    void loopFromSelection();
    void addCuePoint();
    void removeCueAtCaret();
    void flagDropped(int mark, std::int64_t offset, bool snapped);
    void flagMenu(int mark, QPoint globalPos);
    void askFlagPosition();
    void setWaveInfo();

    int digit_;
    CWavedList& list_;
    WaveEditEngine engine_;
    WaveViewModel model_;
    CWavedPlayback playback_; // after engine_: its feeder reads the engine's file
    CWaveView* view_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    CWorkingDlg* working_ = nullptr;
    std::map<std::string, QAction*, std::less<>> actions_;
    WaveLoopMode loopMode_ = WaveLoopMode::None;
    bool busy_ = false;
    bool closed_ = false;
};

} // namespace velisto
