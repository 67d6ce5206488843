#include "QtUserPrompt.h"

#include "app/FrameState.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace velisto {

namespace {

QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString caption(const std::string& title)
{
    return QString::fromStdString(title.empty() ? std::string(kApplicationTitle) : title);
}

QMessageBox::StandardButton ask(QWidget* parent, const std::string& text, const std::string& title,
                                PromptIcon icon, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(boxIcon(icon), caption(title), QString::fromStdString(plainLineBreaks(text)), buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

PromptAnswer answerOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    default:
        return PromptAnswer::Cancel;
    }
}

} // namespace

void QtUserPrompt::message(const std::string& text, const std::string& title, PromptIcon icon)
{
    ask(parent_, text, title, icon, QMessageBox::Ok);
}

PromptAnswer QtUserPrompt::askYesNo(const std::string& text, const std::string& title, PromptIcon icon)
{
    // Closing the box with Escape or its frame means No.
    const QMessageBox::StandardButton button = ask(parent_, text, title, icon, QMessageBox::Yes | QMessageBox::No);
    return button == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}

PromptAnswer QtUserPrompt::askYesNoCancel(const std::string& text, const std::string& title, PromptIcon icon)
{
    return answerOf(ask(parent_, text, title, icon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
}

PromptAnswer QtUserPrompt::askRetryCancel(const std::string& text, const std::string& title, PromptIcon icon)
{
    return answerOf(ask(parent_, text, title, icon, QMessageBox::Retry | QMessageBox::Cancel));
}

void QtUserPrompt::showReport(const std::string& text, const std::string& title)
{
    QDialog dialog(parent_);
    dialog.setWindowTitle(caption(title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* view = new QPlainTextEdit(QString::fromStdString(plainLineBreaks(text)), &dialog);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(dialog.fontMetrics().averageCharWidth() * 90, dialog.fontMetrics().height() * 25);
    dialog.exec();
}

void QtUserPrompt::status(const std::string& text)
{
    if (!statusBar_)
        return;
    statusBar_->showMessage(QString::fromStdString(text));
    // Long operations announce themselves before they block the event loop.
    statusBar_->repaint();
}

} // namespace velisto
