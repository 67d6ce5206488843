#pragma once
// "Device parameter - " + name: what the device understands (standards, power-on mode,
// sysex ids, running status), its GM2 global parameter control definitions, and for the
// Internal Sound Generator the sound device of each MIDI channel. Every change goes through
// DeviceParameterEditor, whose refusals and questions are shown here. OK applies the
// parameters to the table (a run's refusal is shown and the dialog stays), rebuilds the
// program index when the power-on mode changed, and opens the sound devices the routes name.
//
// Thread contract: user-interface thread only.

#include "midi/DeviceParameterEditor.h"

#include <QDialog>

#include <array>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace velisto {

class AudioDeviceList;
class DeviceTable;
class Song;
class UserPrompt;

class CDeviceParameterDlg : public QDialog {
public:
    // audio: the sound devices the routes choose from and open; may be null.
    CDeviceParameterDlg(DeviceTable& table, int device, const Song& song, AudioDeviceList* audio, UserPrompt& prompt,
                        QWidget* parent);

    const DeviceParameterEditor& editor() const { return editor_; }
    void accept() override;

    // For tests and the walkthrough.
    QCheckBox* gm2Box() const { return gm2_; }
    QRadioButton* modeButton(int mode) const { return modes_[static_cast<std::size_t>(mode)]; }
    QLineEdit* universalIdEdit() const { return universalId_; }
    QLineEdit* nonUniversalIdEdit() const { return nonUniversalId_; }
    QListWidget* slotPathList() const { return slotPaths_; }
    QLineEdit* idWidthEdit() const { return idWidth_; }
    QLineEdit* valueWidthEdit() const { return valueWidth_; }
    QTableWidget* parameterTable() const { return parameters_; }
    QLineEdit* parameterIdEdit() const { return parameterId_; }
    QLineEdit* parameterNameEdit() const { return parameterName_; }
    QLineEdit* formulaEdit() const { return formula_; }
    QPushButton* checkFormulaButton() const { return checkFormula_; }
    QPushButton* createSlotPathButton() const { return createSlotPath_; }
    QTableWidget* routeTable() const { return routes_; }

private:
    QWidget* buildDeviceGroups();
    QWidget* buildSlotPathGroup();
    QWidget* buildRouteGroup();
    void connectFields();

    void showAll();
    void showSlotPaths();
    void showSlotPath();
    void showParameter();
    void showRoutes();

    void refuse(const std::string& text, std::string_view caption);
    void showMessages(const std::vector<std::string>& messages, std::string_view caption, bool explicitCheck);
    // A rule that may ask first: refused, asked (Yes repeats it confirmed) or taken.
    template <typename Change> void applyWithQuestion(Change change, std::string_view caption, bool yesNoCancel);
    void editSlotPathDialog(bool create);

    DeviceTable& table_;
    int device_;
    const Song& song_;
    AudioDeviceList* audio_;
    UserPrompt& prompt_;
    DeviceParameterEditor editor_;
    bool showing_ = false;

    QCheckBox* gs_ = nullptr;
    QCheckBox* xg_ = nullptr;
    QCheckBox* gm2_ = nullptr;
    std::array<QRadioButton*, 4> modes_{};
    QLineEdit* universalId_ = nullptr;
    QLineEdit* nonUniversalId_ = nullptr;
    QLineEdit* nativeModelId_ = nullptr;
    QCheckBox* runningStatus_ = nullptr;

    QWidget* slotPathGroup_ = nullptr;
    QListWidget* slotPaths_ = nullptr;
    QPushButton* createSlotPath_ = nullptr;
    QPushButton* editSlotPath_ = nullptr;
    QPushButton* deleteSlotPath_ = nullptr;
    QLineEdit* idWidth_ = nullptr;
    QLineEdit* valueWidth_ = nullptr;
    QTableWidget* parameters_ = nullptr;
    QPushButton* addParameter_ = nullptr;
    QPushButton* deleteParameter_ = nullptr;
    QWidget* parameterDetails_ = nullptr;
    QLineEdit* parameterId_ = nullptr;
    QLineEdit* parameterName_ = nullptr;
    QRadioButton* typeList_ = nullptr;
    QRadioButton* freeValue_ = nullptr;
    QWidget* typePage_ = nullptr;
    QWidget* freePage_ = nullptr;
    QTableWidget* types_ = nullptr;
    QLineEdit* unit_ = nullptr;
    QLineEdit* formula_ = nullptr;
    QPushButton* checkFormula_ = nullptr;

    QTableWidget* routes_ = nullptr;
    std::vector<std::pair<std::string, std::string>> soundDevices_; // id, name
};

} // namespace velisto
