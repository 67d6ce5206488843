#include "ExplainedForm.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

namespace velisto {

QFormLayout* explainedForm(QDialog& dialog, const QString& title, const QString& explanation)
{
    dialog.setWindowTitle(title);
    auto* text = new QLabel(explanation, &dialog);
    text->setObjectName("explanation");
    auto* form = new QFormLayout(&dialog);
    form->addRow(text);
    return form;
}

void addOkCancel(QDialog& dialog, QFormLayout& form)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form.addRow(buttons);
}

} // namespace velisto
