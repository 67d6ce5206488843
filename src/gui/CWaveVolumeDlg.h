#pragma once
// The wave editor's volume dialog: one factor for the selection, or all data without one.
//
// Thread contract: user-interface thread only.

#include <QDialog>

class QLineEdit;

namespace velisto {

class UserPrompt;

class CWaveVolumeDlg : public QDialog {
public:
    CWaveVolumeDlg(UserPrompt& prompt, QWidget* parent);
    double factor() const { return factor_; }
    QLineEdit* factorField() const { return field_; }

    void accept() override; // refuses a factor the audio cannot be rescaled by

private:
    UserPrompt& prompt_;
    QLineEdit* field_ = nullptr;
    double factor_ = 1.0;
};

} // namespace velisto
