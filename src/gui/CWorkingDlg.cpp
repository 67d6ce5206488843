#include "CWorkingDlg.h"

#include "QtText.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velisto {

namespace {
// Events are let through this often: Cancel answers quickly without slowing block copies.
constexpr int kPumpMilliseconds = 30;
// Work that ends sooner shows no window: it would only flash and take the focus away.
constexpr int kShowAfterMilliseconds = 300;
} // namespace

CWorkingDlg::CWorkingDlg(QWidget* owner) : QDialog(owner)
{
    setWindowTitle("Working...");
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setMinimumWidth(text_->fontMetrics().horizontalAdvance(QString(48, 'x')));
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1000);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setDefault(true);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

void CWorkingDlg::start()
{
    cancelled_ = false;
    cancel_->setEnabled(true);
    sinceStart_.start();
}

void CWorkingDlg::finish()
{
    if (!isVisible())
        return;
    hide();
    // The keys go back to the editor window, not to whichever window the system picks.
    if (QWidget* owner = parentWidget()) {
        owner->activateWindow();
        owner->raise();
    }
}

void CWorkingDlg::begin(std::string_view text)
{
    // The operation's texts are padded with blanks for a fixed-width field; they are not
    // part of what the line says.
    text_->setText(qtext(text).trimmed());
    bar_->setValue(0);
    if (!sinceStart_.isValid())
        sinceStart_.start();
    if (isVisible())
        pump();
}

void CWorkingDlg::advance(long long done, long long total)
{
    if (total > 0)
        bar_->setValue(static_cast<int>(std::clamp(done * 1000 / total, 0LL, 1000LL)));
    if (!isVisible() && sinceStart_.elapsed() >= kShowAfterMilliseconds) {
        show();
        pump();
    }
    // Events are only let through while the modal window keeps the other windows out.
    if (isVisible() && sincePump_.elapsed() >= kPumpMilliseconds)
        pump();
}

void CWorkingDlg::end() { bar_->setValue(bar_->maximum()); }

QString CWorkingDlg::text() const { return text_->text(); }

void CWorkingDlg::reject()
{
    cancelled_ = true;
    cancel_->setEnabled(false);
}

void CWorkingDlg::pump()
{
    QApplication::processEvents();
    sincePump_.restart();
}

} // namespace velisto
