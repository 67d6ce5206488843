#include "CNewWaveDlg.h"

#include "QtText.h"
#include "app/UserPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace velisto {

CNewWaveDlg::CNewWaveDlg(UserPrompt& prompt, QWidget* parent) : QDialog(parent), prompt_(prompt)
{
    setWindowTitle("Create new .wav file");
    const NewWaveFields defaults;
    auto* layout = new QFormLayout(this);
    minutes_ = new QLineEdit(QString::number(defaults.minutes), this);
    layout->addRow("&Length in minutes", minutes_);
    rate_ = new QComboBox(this);
    for (const char* rate : kNewFileRates)
        rate_->addItem(rate);
    rate_->setCurrentText(QString::number(defaults.rate));
    layout->addRow("&Samples per Second", rate_);
    stereo_ = new QCheckBox("S&tereo", this);
    stereo_->setChecked(defaults.stereo);
    layout->addRow(stereo_);
    bits_ = new QComboBox(this);
    for (const char* bits : {"8", "16", "24"})
        bits_->addItem(bits);
    bits_->setCurrentText(QString::number(defaults.bits));
    layout->addRow("&Bits per sample", bits_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewWaveDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CNewWaveDlg::accept()
{
    NewWaveFields fields;
    bool number = false;
    fields.minutes = minutes_->text().trimmed().toInt(&number);
    if (!number)
        fields.minutes = 0; // not a number: out of range, with the range's text
    fields.rate = rate_->currentText().toUInt();
    fields.stereo = stereo_->isChecked();
    fields.bits = bits_->currentText().toInt();
    if (const std::string problem = checkNewWaveFields(fields); !problem.empty()) {
        prompt_.message(problem, {}, PromptIcon::Exclamation);
        minutes_->setFocus();
        return;
    }
    fields_ = fields;
    QDialog::accept();
}

} // namespace velisto
