#pragma once
// "Split channels into separate tracks": the two options of the split.
//
// Thread contract: user-interface thread only.

#include <QDialog>

class QCheckBox;

namespace velisto {

class CSplitChannels : public QDialog {
public:
    explicit CSplitChannels(QWidget* parent);

    bool drumKeys() const;
    bool sfxKeys() const;
    QCheckBox* drumBox() const { return drums_; }

private:
    QCheckBox* drums_ = nullptr;
    QCheckBox* sfx_ = nullptr;
};

} // namespace velisto
