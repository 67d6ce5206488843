#include "edit/CEditDialog.h"

#include "QtText.h"
#include "app/CommandIds.h"
#include "app/UiNotifier.h"
#include "app/UserPrompt.h"
#include "edit/CEventFilterDlg.h"
#include "edit/EventFilter.h"
#include "edit/UndoStack.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velisto {

CEditDialog::CEditDialog(EditContext context, std::string_view title, QWidget* parent)
    : QDialog(parent), context_(std::move(context)),
      testMode_(context_.song, context_.undo, context_.player, reinterpret_cast<std::uintptr_t>(this))
{
    setWindowTitle(qtext(title));
    auto* layout = new QVBoxLayout(this);
    fields_ = new QVBoxLayout;
    layout->addLayout(fields_);
}

CEditDialog::~CEditDialog()
{
    // A dialog destroyed mid-test still has its run take the test back.
    testMode_.stop();
}

void CEditDialog::finishLayout()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    warning_ = new QLabel(qtext(kFilterWarningText), this);
    warning_->setStyleSheet("color: rgb(200, 0, 0);");
    layout->addWidget(warning_);
    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton("&OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    test_ = new QPushButton("&Test", this);
    stop_ = new QPushButton("&Stop test", this);
    filter_ = new QPushButton("Event &filter", this);
    for (QPushButton* button : {ok_, cancel_, test_, stop_, filter_})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &CEditDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CEditDialog::reject);
    connect(test_, &QPushButton::clicked, this, &CEditDialog::startTest);
    connect(stop_, &QPushButton::clicked, this, &CEditDialog::stopTest);
    connect(filter_, &QPushButton::clicked, this, &CEditDialog::openFilter);
    test_->setVisible(hasTest());
    refreshButtons();
}

EditScope CEditDialog::scope() const
{
    return editScope(context_.song, context_.selection, context_.settings.eventFilter);
}

void CEditDialog::refreshButtons()
{
    stop_->setVisible(testMode_.running());
    test_->setVisible(hasTest() && !testMode_.running());
    warning_->setVisible(filterRestricts(context_.settings.eventFilter));
}

bool CEditDialog::fieldsValid()
{
    const std::string message = checkFields();
    if (message.empty())
        return true;
    context_.prompt.message(message, "", PromptIcon::Exclamation);
    return false;
}

void CEditDialog::accept()
{
    if (!testMode_.allowApply(context_.prompt) || !fieldsValid())
        return;
    storeDefaults(context_.settings.editDialogs);
    if (!changesSong()) {
        context_.playSound(apply(context_.song, scope(), false) ? kSoundChanged : kSoundUnchanged);
    } else if (changesSomething()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const EditScope where = scope();
        const int sound = applyEdit(context_.undo, context_.song, undoDescription(), progressText(), context_.prompt,
                                    [&](Song& song) { return apply(song, where, false); });
        QApplication::restoreOverrideCursor();
        context_.playSound(sound);
        context_.notifier.post(kSongModifiedMessage, 0, 0);
    }
    QDialog::accept();
}

void CEditDialog::reject()
{
    if (testMode_.running()) {
        // Cancel during a test stops it; the dialog stays for the user's next choice.
        stopTest();
        return;
    }
    QDialog::reject();
}

void CEditDialog::closeEvent(QCloseEvent* event)
{
    testMode_.stop();
    QDialog::closeEvent(event);
}

void CEditDialog::startTest()
{
    if (!testMode_.settled() || !fieldsValid())
        return;
    const EditScope where = scope();
    testMode_.start(context_.selection, playKind(), previewStepTicks(), context_.settings,
                    [&] { apply(context_.song, where, true); }, context_.prompt);
    refreshButtons();
    if (testMode_.running())
        stop_->setFocus();
}

void CEditDialog::stopTest()
{
    testMode_.stop();
    refreshButtons();
    test_->setFocus();
}

void CEditDialog::previewFinished()
{
    if (testMode_.running())
        stopTest();
}

void CEditDialog::openFilter()
{
    CEventFilterDlg dialog(context_.settings.eventFilter, context_.prompt, this);
    dialog.exec();
    refreshButtons();
}

} // namespace velisto
