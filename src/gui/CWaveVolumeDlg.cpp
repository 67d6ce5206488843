#include "CWaveVolumeDlg.h"

#include "app/UserPrompt.h"
#include "waveeditor/WaveDialogRules.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace velisto {

CWaveVolumeDlg::CWaveVolumeDlg(UserPrompt& prompt, QWidget* parent) : QDialog(parent), prompt_(prompt)
{
    setWindowTitle("Volume");
    auto* layout = new QFormLayout(this);
    layout->addRow(new QLabel("The selection, or all audio data without one, is multiplied by the factor.", this));
    field_ = new QLineEdit("1.0", this);
    field_->selectAll();
    layout->addRow("&Volume factor (0 - 16)", field_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CWaveVolumeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CWaveVolumeDlg::accept()
{
    const std::optional<double> value = factorFromField(field_->text().toStdString());
    if (const std::string problem = checkVolumeFactor(value); !problem.empty()) {
        prompt_.message(problem, "Volume", PromptIcon::Exclamation);
        field_->setFocus();
        return;
    }
    factor_ = *value;
    QDialog::accept();
}

} // namespace velisto
