#pragma once
// "Select knob assignment": the kind of parameter a knob controls, the parameter by its
// name, and for drum NRPNs and key-based controllers the drum map and key.
//
// Thread contract: user-interface thread only.

#include "midi/KnobSupport.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace velisto {

inline constexpr const char* kKnobDialogTitle = "Select knob assignment";

class CKnobDlg : public QDialog {
public:
    CKnobDlg(const KnobAssignment& assignment, QWidget* parent);
    KnobAssignment assignment() const;
    QComboBox* kinds() const { return kinds_; }
    QComboBox* names() const { return names_; }

private:
    // Fills the name list of the chosen kind, selecting slot when it is there.
    void fillNames(int slot);

    QComboBox* kinds_;
    QComboBox* names_;
    QSpinBox* drumMap_;
    QSpinBox* key_;
};

} // namespace velisto
