#include "CStereoToMonoDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velisto {

CStereoToMonoDlg::CStereoToMonoDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Convert stereo to mono");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("How should I convert the stereo signal to mono ?", this));
    left_ = new QRadioButton("Use only &left channel", this);
    mix_ = new QRadioButton("&Mix both channels", this);
    right_ = new QRadioButton("Use only &right channel", this);
    mix_->setChecked(true);
    for (QRadioButton* button : {left_, mix_, right_})
        layout->addWidget(button);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

StereoToMono CStereoToMonoDlg::choice() const
{
    if (left_->isChecked())
        return StereoToMono::Left;
    return right_->isChecked() ? StereoToMono::Right : StereoToMono::Mix;
}

} // namespace velisto
