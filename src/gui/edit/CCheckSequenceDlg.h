#pragma once
// "Check MIDI sequence": each track checked against the receiver of its device, the
// findings whose event passes the dialog's copy of the event filter listed with their
// explanation; the filter warning blinks while the copy restricts anything.
//
// Thread contract: user-interface thread only.

#include "app/Settings.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace velisto {

class DeviceTable;
class Song;
class UserPrompt;

inline constexpr std::string_view kCheckWarningText =
    "WARNING: Current event filter settings contain restrictions !";

class CCheckSequenceDlg : public QDialog {
public:
    CCheckSequenceDlg(const Song& song, const DeviceTable& devices, const EventFilterSettings& filter,
                      UserPrompt& prompt, QWidget* parent);

    QLabel* warning() const { return warning_; }
    QTreeWidget* findings() const { return findings_; }
    QPlainTextEdit* explanation() const { return explanation_; }
    QPushButton* checkButton() const { return check_; }
    QPushButton* deleteButton() const { return delete_; }
    const QTimer& blinkTimer() const { return blink_; }

private:
    void runCheck();
    void openFilter();
    void refreshWarning();
    void showExplanation();

    const Song& song_;
    const DeviceTable& devices_;
    EventFilterSettings filter_;
    UserPrompt& prompt_;
    QTimer blink_;
    QLabel* warning_ = nullptr;
    QLabel* summary_ = nullptr;
    QTreeWidget* findings_ = nullptr;
    QPlainTextEdit* explanation_ = nullptr;
    QPushButton* check_ = nullptr;
    QPushButton* delete_ = nullptr;
    std::vector<std::string> explanations_;
};

} // namespace velisto
