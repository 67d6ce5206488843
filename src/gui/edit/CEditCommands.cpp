#include "edit/CEditCommands.h"

#include "app/CommandIds.h"
#include "app/UiNotifier.h"
#include "app/UserPrompt.h"
#include "edit/CChannelDlg.h"
#include "edit/CCheckSequenceDlg.h"
#include "edit/CCutCopyDlg.h"
#include "edit/CMIDISequenceProperties.h"
#include "edit/CMoveDlg.h"
#include "edit/CNotelengthDlg.h"
#include "edit/CPitchDlg.h"
#include "edit/CQuantDlg.h"
#include "edit/CSplitChannels.h"
#include "edit/CVolumeDlg.h"
#include "edit/StructuralEdits.h"
#include "edit/UndoStack.h"
#include "midi/DeviceTable.h"
#include "playback/PlayMessages.h"
#include "song/Song.h"

#include <QApplication>

namespace velisto {

CEditCommands::CEditCommands(EditCommandParts parts) : parts_(std::move(parts)) {}

void CEditCommands::registerHandlers(std::map<unsigned, std::function<void(bool)>>& handlers)
{
    handlers[CommandId::Velocity] = [this](bool) { openDialog<CVolumeDlg>(); };
    handlers[CommandId::Quantize] = [this](bool) { openDialog<CQuantDlg>(); };
    handlers[CommandId::Pitch] = [this](bool) { openDialog<CPitchDlg>(); };
    handlers[CommandId::Move] = [this](bool) { openDialog<CMoveDlg>(); };
    handlers[CommandId::Notelength] = [this](bool) { openDialog<CNotelengthDlg>(); };
    handlers[CommandId::Channel] = [this](bool) { openDialog<CChannelDlg>(true); };
    handlers[CommandId::Copy] = [this](bool) { copy(); };
    handlers[CommandId::Cut] = [this](bool) { cut(); };
    handlers[CommandId::Paste] = [this](bool) { paste(); };
    handlers[CommandId::Delete] = [this](bool) { deleteMeasures(); };
    handlers[CommandId::Insert] = [this](bool) { insertMeasures(); };
    handlers[CommandId::InsertTrack] = [this](bool) { insertTrack(); };
    handlers[CommandId::DeleteTrack] = [this](bool) { deleteTrack(); };
    handlers[CommandId::SplitChannels] = [this](bool) { splitChannels(); };
    handlers[CommandId::CheckSequence] = [this](bool) { checkSequence(); };
    handlers[CommandId::Properties] = [this](bool) { properties(); };
}

void CEditCommands::previewMessage(unsigned message, std::uintptr_t owner, std::intptr_t tick)
{
    // A run that outlived its dialog reports to nobody.
    if (!dialog_ || reinterpret_cast<std::uintptr_t>(dialog_.data()) != owner)
        return;
    if (message == kPreviewFinishedMessage)
        dialog_->previewFinished();
    else if (message == kPreviewStepMessage)
        dialog_->previewStep(static_cast<std::int32_t>(tick));
}

bool CEditCommands::idleInTrackArea() const
{
    return !parts_.player.runExists() && parts_.state.foreground == ForegroundEditor::TrackArea && !dialog_;
}

std::optional<Selection> CEditCommands::editSelection()
{
    if (!idleInTrackArea())
        return std::nullopt;
    return selectionForEdit(parts_.song, parts_.state.selection, parts_.state.cursorTrack, parts_.state.cursorMeasure,
                            parts_.prompt);
}

template <class Dialog>
void CEditCommands::openDialog(bool oneDevice)
{
    const std::optional<Selection> selection = editSelection();
    if (!selection || (oneDevice && !selectionOnOneDevice(parts_.song, *selection, parts_.prompt)))
        return;
    EditContext context{parts_.song,   parts_.undo,     parts_.player, parts_.settings,
                        parts_.prompt, parts_.notifier, *selection,    parts_.playSound};
    Dialog* dialog = nullptr;
    if constexpr (std::is_constructible_v<Dialog, EditContext, Clipboard&, QWidget*>)
        dialog = new Dialog(std::move(context), parts_.clipboard, parts_.parent);
    else
        dialog = new Dialog(std::move(context), parts_.parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog_ = dialog;
    // Copy and Cut leave the user's own selection for the next command; the transforms
    // are done with it.
    constexpr bool keepsSelection = std::is_same_v<Dialog, CCopyDlg> || std::is_same_v<Dialog, CCutDlg>;
    QObject::connect(dialog, &QDialog::finished, dialog, [this] {
        // Gone for the frame at once; Qt deletes it later.
        dialog_.clear();
        if (!keepsSelection)
            parts_.state.selection.reset();
        parts_.refresh();
    });
    dialog->open();
}

void CEditCommands::copy()
{
    openDialog<CCopyDlg>();
}

void CEditCommands::cut()
{
    openDialog<CCutDlg>();
}

void CEditCommands::changed(int sound)
{
    if (sound == kSoundChanged)
        parts_.notifier.post(kSongModifiedMessage, 0, 0);
    parts_.refresh();
}

void CEditCommands::paste()
{
    if (!idleInTrackArea() || parts_.clipboard.empty())
        return;
    PasteCursor cursor{parts_.state.cursorTrack, parts_.state.cursorMeasure};
    const std::optional<Selection> selection = parts_.state.selection;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int sound = applyEdit(parts_.undo, parts_.song, "Paste", "Pasting...", parts_.prompt, [&](Song& song) {
        return pasteEvents(song, parts_.clipboard, cursor, selection);
    });
    QApplication::restoreOverrideCursor();
    parts_.state.cursorTrack = cursor.track;
    parts_.state.cursorMeasure = cursor.measure;
    changed(sound);
}

void CEditCommands::deleteMeasures()
{
    if (!idleInTrackArea())
        return;
    const MeasureRange range =
        measureRange(parts_.song, parts_.state.selection, parts_.state.cursorTrack, parts_.state.cursorMeasure);
    const int sound = applyEdit(parts_.undo, parts_.song, "Delete", "Deleting...", parts_.prompt,
                                [&](Song& song) { return velisto::deleteMeasures(song, range); });
    parts_.state.selection.reset();
    changed(sound);
}

void CEditCommands::insertMeasures()
{
    if (!idleInTrackArea())
        return;
    const MeasureRange range =
        measureRange(parts_.song, parts_.state.selection, parts_.state.cursorTrack, parts_.state.cursorMeasure);
    const int sound = applyEdit(parts_.undo, parts_.song, "Insert", "Inserting...", parts_.prompt,
                                [&](Song& song) { return velisto::insertMeasures(song, range); });
    changed(sound);
}

void CEditCommands::insertTrack()
{
    trackEdit(TrackFunction::InsertTrack, "Insert Track", "Inserting track...", velisto::insertTrack);
}

void CEditCommands::deleteTrack()
{
    trackEdit(TrackFunction::DeleteTrack, "Delete Track", "Deleting track...", velisto::deleteTrack);
}

void CEditCommands::trackEdit(TrackFunction function, std::string_view description, std::string_view progress,
                              bool (*edit)(Song&, int, bool, UserPrompt&))
{
    if (!idleInTrackArea() || !acceptsCurrentTrackFunction(function, parts_.state.selection, parts_.prompt))
        return;
    const int sound = applyEdit(parts_.undo, parts_.song, description, progress, parts_.prompt, [&](Song& song) {
        return edit(song, parts_.state.cursorTrack, false, parts_.prompt);
    });
    changed(sound);
}

void CEditCommands::splitChannels()
{
    if (!idleInTrackArea() ||
        !acceptsCurrentTrackFunction(TrackFunction::SplitChannels, parts_.state.selection, parts_.prompt))
        return;
    const int current = parts_.state.cursorTrack;
    if (parts_.song.tracks[static_cast<std::size_t>(current)].empty()) {
        parts_.prompt.message(std::string(kSplitEmptyTrackText), "", PromptIcon::Exclamation);
        return;
    }
    auto* dialog = new CSplitChannels(parts_.parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog, [this, dialog, current] {
        SplitOptions options;
        options.drumKeys = dialog->drumKeys();
        options.sfxKeys = dialog->sfxKeys();
        options.chooseKnobsByUsage = parts_.settings.mixer.setauto;
        const OutputDevice& device =
            parts_.devices.device(parts_.song.tracks[static_cast<std::size_t>(current)].device);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const std::int64_t before = parts_.undo.newestSequence();
        const int sound = applyEdit(parts_.undo, parts_.song, "Split Channels", "Splitting channels...",
                                    parts_.prompt, [&](Song& song) {
                                        return velisto::splitChannels(song, current, false, device.programIndex,
                                                                      device.trackMode, options, parts_.prompt);
                                    });
        QApplication::restoreOverrideCursor();
        // A split of a non-empty track always moves events, so nothing changed means it was
        // refused (no room behind the track): Undo must not offer a step that does nothing.
        if (sound == kSoundUnchanged && parts_.undo.newestSequence() != before)
            parts_.undo.forget(parts_.undo.newestSequence());
        parts_.devices.rebuildProgramIndexes(parts_.song);
        changed(sound);
    });
    dialog->open();
}

void CEditCommands::checkSequence()
{
    if (parts_.player.runExists() || check_)
        return;
    auto* dialog =
        new CCheckSequenceDlg(parts_.song, parts_.devices, parts_.settings.eventFilter, parts_.prompt, parts_.parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    check_ = dialog;
    QObject::connect(dialog, &QDialog::finished, dialog, [this] { check_.clear(); });
    dialog->open();
}

void CEditCommands::properties()
{
    if (parts_.player.runExists())
        return;
    auto* dialog = new CMIDISequenceProperties(parts_.song, parts_.state.fileName, parts_.parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName("properties");
    dialog->open();
}

} // namespace velisto
