#pragma once
// The Edit menu's commands for the track area, the check and the properties dialogs: the
// opening rules (idle only, track area in front, a selection or the temporary one), the
// undo steps, the result sounds and what the frame redraws afterwards. The frame keeps
// one and hands it the commands and the preview messages of the open dialog.
//
// Thread contract: user-interface thread only.

#include "app/FrameState.h"
#include "app/Settings.h"
#include "edit/CEditDialog.h"
#include "edit/Clipboard.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>

class QWidget;

namespace velisto {

class DeviceTable;

// The frame's parts the commands work on; all outlive the commands.
struct EditCommandParts {
    Song& song;
    FrameState& state;
    UndoStack& undo;
    Clipboard& clipboard;
    PlayController& player;
    Settings& settings;
    DeviceTable& devices;
    UserPrompt& prompt;
    UiNotifier& notifier;
    std::function<void(int)> playSound;
    // After an edit: the track area and the menu state redrawn.
    std::function<void()> refresh;
    QWidget* parent = nullptr;
};

class CEditCommands {
public:
    explicit CEditCommands(EditCommandParts parts);

    // Adds the handlers of the commands it carries out.
    void registerHandlers(std::map<unsigned, std::function<void(bool)>>& handlers);

    // The open edit dialog; null when none is open.
    CEditDialog* dialog() const { return dialog_; }
    // The check dialog while open, for the tests.
    QWidget* checkDialog() const { return check_; }
    // kPreviewStepMessage and kPreviewFinishedMessage for the dialog that owns the run.
    void previewMessage(unsigned message, std::uintptr_t owner, std::intptr_t tick);

private:
    // The selection-based dialogs: idle, track area in front, the selection or a
    // temporary one (none: "No selection").
    std::optional<Selection> editSelection();
    template <class Dialog>
    void openDialog(bool oneDevice = false);
    void copy();
    void cut();
    void paste();
    void deleteMeasures();
    void insertMeasures();
    void insertTrack();
    void deleteTrack();
    // Insert or delete the current track, refused while a selection exists.
    void trackEdit(TrackFunction function, std::string_view description, std::string_view progress,
                   bool (*edit)(Song&, int, bool, UserPrompt&));
    void splitChannels();
    void checkSequence();
    void properties();
    // Whether a command may run: nothing plays and the track area is in front.
    bool idleInTrackArea() const;
    void changed(int sound);

    EditCommandParts parts_;
    QPointer<CEditDialog> dialog_;
    QPointer<QWidget> check_;
};

} // namespace velisto
