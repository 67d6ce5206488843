#include "edit/CMoveDlg.h"

#include <QFormLayout>
#include <QSpinBox>

#include <limits>

namespace velisto {

CMoveDlg::CMoveDlg(EditContext context, QWidget* parent) : CEditDialog(std::move(context), "Move midi events", parent)
{
    delta_ = new QSpinBox(this);
    delta_->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    delta_->setValue(this->context().settings.editDialogs.move_delta);
    delta_->setMinimumWidth(delta_->fontMetrics().horizontalAdvance("-2147483648") + 40);
    auto* form = new QFormLayout;
    form->addRow("&Ticks (negative: to the left):", delta_);
    fields()->addLayout(form);
    finishLayout();
}

std::string CMoveDlg::checkFields()
{
    return {};
}

bool CMoveDlg::changesSomething() const
{
    return delta_->value() != 0;
}

bool CMoveDlg::apply(Song& song, const EditScope& scope, bool)
{
    return moveEvents(song, scope, delta_->value());
}

void CMoveDlg::storeDefaults(EditDialogDefaults& defaults) const
{
    defaults.move_delta = delta_->value();
}

} // namespace velisto
