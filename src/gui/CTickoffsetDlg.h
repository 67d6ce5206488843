#pragma once
// Typing a track's tick offset: the explanation with the song's range, and a value
// outside it refused with "Please enter a value between ..." (caption "Wrong value").
//
// Thread contract: user-interface thread only.

#include <QDialog>

class QLineEdit;

namespace velisto {

class UserPrompt;

class CTickoffsetDlg : public QDialog {
public:
    CTickoffsetDlg(int offset, int ppq, UserPrompt& prompt, QWidget* parent);
    // The accepted offset.
    int offset() const { return offset_; }
    QLineEdit* field() const { return field_; }

    void accept() override;

private:
    UserPrompt& prompt_;
    QLineEdit* field_;
    int ppq_;
    int offset_;
};

} // namespace velisto
