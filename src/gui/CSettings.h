#pragma once
// The modal "Settings" dialog: a "Category" combo and six pages (MIDI play/output, MIDI
// record/input, MIDI file load, Piano Roll, MIDI to .wav, Karaoke) over the core's
// SettingsDialogValues. The pages only show and collect; the enabling, the field checks,
// the input port test and the storing are the core's (applySettingsDialog).
//
// Thread contract: user-interface thread only.

#include "app/Settings.h"
#include "app/SettingsDialogModel.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTableWidget;
class QWidget;

namespace velisto {

class DeviceTable;
class UserPrompt;

class CSettings : public QDialog {
public:
    CSettings(Settings& settings, SettingsInput input, const DeviceTable& devices, bool runExists, UserPrompt& prompt,
              QWidget* parent = nullptr);

    // The page on show, as the "Category" combo names it.
    SettingsPage currentPage() const;
    void showPage(SettingsPage page);

    // OK's work, also for tests: true when the values were stored and the dialog closes.
    bool applyAndClose();

private:
    QWidget* buildPlayPage();
    QWidget* buildRecordPage();
    QWidget* buildMidiLoadPage();
    QWidget* buildPianoRollPage();
    QWidget* buildMidi2WavPage();
    QWidget* buildKaraokePage();
    QWidget* page(QWidget* content);
    void refreshEnabling();
    void refreshMappingList();
    // The typed fields into values_; false (the message shown) at the first bad one.
    bool collect();

    Settings& settings_;
    SettingsInput input_;
    const DeviceTable& devices_;
    bool runExists_;
    UserPrompt& prompt_;
    SettingsDialogValues values_;

    QComboBox* category_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::map<SettingsPage, QWidget*> pageWidgets_;
    // Play page.
    QCheckBox* determine_ = nullptr;
    QLabel* delayLabel_ = nullptr;
    QLineEdit* delay_ = nullptr;
    QCheckBox* timingClock_ = nullptr;
    // Record page.
    QCheckBox* metronome_ = nullptr;
    QComboBox* metronomeKey_ = nullptr;
    QComboBox* inputPort_ = nullptr;
    QCheckBox* midithru_ = nullptr;
    QCheckBox* route_ = nullptr;
    QComboBox* splitKey_ = nullptr;
    QComboBox* splitChannel_ = nullptr;
    QCheckBox* shiftFront_ = nullptr;
    QLineEdit* shiftFrontOct_ = nullptr;
    QCheckBox* shiftBeyond_ = nullptr;
    QLineEdit* shiftBeyondOct_ = nullptr;
    QWidget* splitGroup_ = nullptr;
    // MIDI file load page.
    QCheckBox* knobRecords_ = nullptr;
    QCheckBox* knobsByUsage_ = nullptr;
    QTableWidget* mapping_ = nullptr;
    // Piano roll, MIDI to .wav, karaoke.
    QCheckBox* finegrid_ = nullptr;
    QComboBox* taskPriority_ = nullptr;
    QCheckBox* openWindow_ = nullptr;
    QCheckBox* insertBlank_ = nullptr;
    QLineEdit* songTextTrack_ = nullptr;
    QCheckBox* textAsLyric_ = nullptr;
    QLineEdit* measuresPerRow_ = nullptr;
};

} // namespace velisto
