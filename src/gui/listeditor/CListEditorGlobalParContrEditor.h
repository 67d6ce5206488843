#pragma once
// "Global parameter control": the slot path and the parameter id/value groups of a GM2
// Global Parameter Control message, named by the output device's slot path definitions.
// Changing the slot path starts the groups afresh, since ids mean something else there.
//
// Thread contract: user-interface thread only.

#include "midi/SlotPathDefinition.h"
#include "midi/SysexDecoder.h"

#include <QDialog>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace velisto {

class OutputDevice;
class UserPrompt;

class CListEditorGlobalParContrEditor : public QDialog {
public:
    // device: the track's device, one that checkGlobalParameterControl let through.
    CListEditorGlobalParContrEditor(std::span<const std::uint8_t> stored, const DecodedSysex& decoded,
                                    const OutputDevice& device, UserPrompt& prompt, QWidget* parent);

    // After OK: the message as the dialog shows it.
    const std::vector<std::uint8_t>& message() const { return message_; }
    const std::vector<GpcGroup>& groups() const { return groups_; }

    QComboBox* slotPath() const { return slotPath_; }
    QTreeWidget* groupList() const { return list_; }
    QComboBox* parameter() const { return parameter_; }
    // The value of a type-list parameter.
    QComboBox* valueChoice() const { return valueChoice_; }
    // The value of a free-value parameter.
    QLineEdit* valueEdit() const { return valueEdit_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* changeButton() const { return change_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* okButton() const { return ok_; }

    void accept() override;

private:
    const SlotPathDefinition& definition() const;
    const SlotPathParameter* parameterOf(int id) const;
    void slotPathChosen();
    void parameterChosen();
    void groupChosen();
    // The value as chosen or typed, or -1 after its refusal was shown.
    int checkedValue();
    void addGroup();
    void changeGroup();
    void removeGroup();
    void showGroups(int current);

    std::uint8_t deviceId_;
    UserPrompt& prompt_;
    std::vector<SlotPathDefinition> definitions_;
    std::vector<GpcGroup> groups_;
    QComboBox* slotPath_;
    QTreeWidget* list_;
    QComboBox* parameter_;
    QComboBox* valueChoice_;
    QLineEdit* valueEdit_;
    QPushButton* add_;
    QPushButton* change_;
    QPushButton* remove_;
    QPushButton* ok_ = nullptr;
    std::vector<std::uint8_t> message_;
};

} // namespace velisto
