#pragma once
// "Velocity / controller value / keybased instr. contr. value": one kind of value over
// the selection set or scaled, from a number or from a curve drawn over its span.
//
// Thread contract: user-interface thread only.

#include "edit/CEditDialog.h"
#include "edit/ValueChange.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

namespace velisto {

class CCurveView;

class CVolumeDlg : public CEditDialog {
public:
    CVolumeDlg(EditContext context, QWidget* parent);

    void previewStep(std::int32_t tick) override;

    QComboBox* target() const { return target_; }
    QRadioButton* absolute() const { return absolute_; }
    QRadioButton* percent() const { return percent_; }
    QRadioButton* curveSource() const { return curve_; }
    QSpinBox* constant() const { return constant_; }
    CCurveView* curveView() const { return view_; }
    ValueChangeOptions options() const;

protected:
    std::string checkFields() override;
    bool apply(Song& song, const EditScope& scope, bool test) override;
    std::string_view undoDescription() const override { return "Value change"; }
    std::string_view progressText() const override { return "Changing values..."; }
    PlayKind playKind() const override { return PlayKind::ValueChange; }
    std::int32_t previewStepTicks() const override;
    void storeDefaults(EditDialogDefaults& defaults) const override;

private:
    // The parameter list of the target, and which fields and scale apply.
    void targetChanged();
    void refreshScale();

    QComboBox* target_ = nullptr;
    QComboBox* parameter_ = nullptr;
    QComboBox* drumKey_ = nullptr;
    QRadioButton* absolute_ = nullptr;
    QRadioButton* percent_ = nullptr;
    QRadioButton* constantSource_ = nullptr;
    QRadioButton* curve_ = nullptr;
    QCheckBox* signed_ = nullptr;
    QSpinBox* constant_ = nullptr;
    CCurveView* view_ = nullptr;
};

} // namespace velisto
