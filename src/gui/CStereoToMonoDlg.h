#pragma once
// "Convert stereo to mono": how a stereo copy buffer goes into a mono file. The answer is
// kept in the copy buffer's options for later pastes.
//
// Thread contract: user-interface thread only.

#include "waveeditor/WaveCopyBuffer.h"

#include <QDialog>

class QRadioButton;

namespace velisto {

class CStereoToMonoDlg : public QDialog {
public:
    explicit CStereoToMonoDlg(QWidget* parent);
    StereoToMono choice() const;

private:
    QRadioButton* left_ = nullptr;
    QRadioButton* mix_ = nullptr;
    QRadioButton* right_ = nullptr;
};

} // namespace velisto
