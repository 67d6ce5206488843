#pragma once
// "Keybased instr. contr.": the channel, the key and the controller/value pairs of a GM2
// key-based instrument controller message. Pairs are added, changed and removed one at a
// time; a message keeps at least one pair.
//
// Thread contract: user-interface thread only.

#include "midi/SysexDecoder.h"

#include <QDialog>

#include <cstdint>
#include <span>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace velisto {

class UserPrompt;

class CListEditorKeybInstrContrEditor : public QDialog {
public:
    // stored: the message after F0; decoded: its decoding (a key-based controller message).
    CListEditorKeybInstrContrEditor(std::span<const std::uint8_t> stored, const DecodedSysex& decoded,
                                    UserPrompt& prompt, QWidget* parent);

    // After OK: the message as the dialog shows it.
    const std::vector<std::uint8_t>& message() const { return message_; }
    const std::vector<KeyBasedPair>& pairs() const { return pairs_; }

    QComboBox* channel() const { return channel_; }
    QComboBox* key() const { return key_; }
    QTreeWidget* pairList() const { return list_; }
    QComboBox* controller() const { return controller_; }
    QLineEdit* value() const { return value_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* changeButton() const { return change_; }
    QPushButton* removeButton() const { return remove_; }

    void accept() override;

private:
    // The typed value, or -1 after its refusal was shown.
    int checkedValue();
    void addPair();
    void changePair();
    void removePair();
    void showPairs(int current);
    void pairChosen();

    std::uint8_t deviceId_;
    UserPrompt& prompt_;
    std::vector<KeyBasedPair> pairs_;
    QComboBox* channel_;
    QComboBox* key_;
    QTreeWidget* list_;
    QComboBox* controller_;
    QLineEdit* value_;
    QPushButton* add_;
    QPushButton* change_;
    QPushButton* remove_;
    std::vector<std::uint8_t> message_;
};

} // namespace velisto
