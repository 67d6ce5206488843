#pragma once
// "Enter flag's position by address": the marks and the data's addresses, and a byte
// address for the chosen mark, checked and set by the engine on OK.
//
// Thread contract: user-interface thread only.

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace velisto {

class UserPrompt;
class WaveEditEngine;

class CAskFlagPosDlg : public QDialog {
public:
    CAskFlagPosDlg(WaveEditEngine& engine, UserPrompt& prompt, QWidget* parent);

    QLabel* positions() const { return positions_; }
    QComboBox* markField() const { return mark_; }
    QLineEdit* addressField() const { return address_; }

    void accept() override; // keeps the dialog open on an address the engine refuses

private:
    WaveEditEngine& engine_;
    UserPrompt& prompt_;
    QLabel* positions_ = nullptr;
    QComboBox* mark_ = nullptr;
    QLineEdit* address_ = nullptr;
};

} // namespace velisto
