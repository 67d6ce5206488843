#pragma once
// "Create new .wav file": length, rate, channels and bits of a new silent file.
//
// Thread contract: user-interface thread only.

#include "waveeditor/WaveDialogRules.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velisto {

class UserPrompt;

class CNewWaveDlg : public QDialog {
public:
    CNewWaveDlg(UserPrompt& prompt, QWidget* parent);
    // The fields as checked by accept().
    NewWaveFields fields() const { return fields_; }

    QLineEdit* minutesField() const { return minutes_; }
    QComboBox* rateField() const { return rate_; }
    QCheckBox* stereoField() const { return stereo_; }
    QComboBox* bitsField() const { return bits_; }

    void accept() override;

private:
    UserPrompt& prompt_;
    QLineEdit* minutes_ = nullptr;
    QComboBox* rate_ = nullptr;
    QCheckBox* stereo_ = nullptr;
    QComboBox* bits_ = nullptr;
    NewWaveFields fields_;
};

} // namespace velisto
