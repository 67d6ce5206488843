#pragma once
// "Event filter": per kind of event a mode and a value range, and the sixteen channels.
// Works on a copy; OK checks every range and stores the copy into the filter it was given.
//
// Thread contract: user-interface thread only.

#include "app/Settings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;

namespace velisto {

class UserPrompt;

class CEventFilterDlg : public QDialog {
public:
    CEventFilterDlg(EventFilterSettings& filter, UserPrompt& prompt, QWidget* parent);

    void accept() override;

    QComboBox* modeBox(int row) const { return rows_[static_cast<std::size_t>(row)].mode; }
    QComboBox* fromBox(int row) const { return rows_[static_cast<std::size_t>(row)].from; }
    QComboBox* toBox(int row) const { return rows_[static_cast<std::size_t>(row)].to; }
    QCheckBox* channelBox(int channel) const { return channels_[static_cast<std::size_t>(channel)]; }

private:
    struct RowWidgets {
        QComboBox* mode = nullptr;
        QComboBox* from = nullptr; // null for a row without a range
        QComboBox* to = nullptr;
    };
    // The widgets from the working copy, and back.
    void showValues();
    void readValues();

    EventFilterSettings& target_;
    EventFilterSettings working_;
    UserPrompt& prompt_;
    std::array<RowWidgets, 12> rows_{};
    std::array<QCheckBox*, 16> channels_{};
};

} // namespace velisto
