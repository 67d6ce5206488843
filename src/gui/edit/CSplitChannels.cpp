#include "edit/CSplitChannels.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace velisto {

CSplitChannels::CSplitChannels(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Split channels into separate tracks");
    auto* layout = new QVBoxLayout(this);
    drums_ = new QCheckBox("Create own track for each &drum instrument of a drum set (kit)", this);
    sfx_ = new QCheckBox("XG : Create own track for each &SFX instrument of a SFX kit", this);
    layout->addWidget(drums_);
    layout->addWidget(sfx_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool CSplitChannels::drumKeys() const
{
    return drums_->isChecked();
}

bool CSplitChannels::sfxKeys() const
{
    return sfx_->isChecked();
}

} // namespace velisto
