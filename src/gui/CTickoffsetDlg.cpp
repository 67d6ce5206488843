#include "CTickoffsetDlg.h"

#include "QtText.h"
#include "app/TrackControls.h"
#include "app/UserPrompt.h"
#include "song/TextFormat.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace velisto {

namespace {

std::string explanation(int ppq)
{
    const int limit = tickOffsetLimit(ppq);
    return "Events will be played earlier (-) or later (+) as they appear in the sequence, actually.\n\n"
           "They will not be moved destructive, they will only be\n"
           "played with dynamic delay in realtime.\n\n"
           "Range " +
           numberText(-limit) + " to " + numberText(limit) + " (-1/16 to +1/16 note), no change is 0.";
}

} // namespace

CTickoffsetDlg::CTickoffsetDlg(int offset, int ppq, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), prompt_(prompt), field_(new QLineEdit(QString::number(offset), this)), ppq_(ppq),
      offset_(offset)
{
    setWindowTitle("Tick offset");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(qtext(explanation(ppq)), this));
    layout->addWidget(field_);
    layout->addWidget(buttons);
    field_->selectAll();
}

void CTickoffsetDlg::accept()
{
    const TickOffsetCheck check = checkTickOffset(field_->text().toStdString(), ppq_);
    if (!check.valid()) {
        prompt_.message(check.message, kWrongValueCaption, PromptIcon::Exclamation);
        field_->setFocus();
        return;
    }
    offset_ = check.offset;
    QDialog::accept();
}

} // namespace velisto
