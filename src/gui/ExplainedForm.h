#pragma once
// The frame of the track row's insert dialogs: title, the text that says what OK inserts
// and sends, the value rows the caller adds, and OK/Cancel at the bottom.
//
// Thread contract: user-interface thread only.

#include <QString>

class QDialog;
class QFormLayout;

namespace velisto {

// Sets the title and puts the explanation (object name "explanation") on top of a new form.
QFormLayout* explainedForm(QDialog& dialog, const QString& title, const QString& explanation);
// OK accepts, Cancel rejects; call after the value rows.
void addOkCancel(QDialog& dialog, QFormLayout& form);

} // namespace velisto
