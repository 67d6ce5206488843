#include "edit/CCheckSequenceDlg.h"

#include "QtText.h"
#include "edit/CEventFilterDlg.h"
#include "edit/EventFilter.h"
#include "midi/SongCheck.h"
#include "song/Positions.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velisto {

CCheckSequenceDlg::CCheckSequenceDlg(const Song& song, const DeviceTable& devices, const EventFilterSettings& filter,
                                     UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), song_(song), devices_(devices), filter_(filter), prompt_(prompt)
{
    setWindowTitle("Check MIDI sequence");
    auto* layout = new QVBoxLayout(this);
    warning_ = new QLabel(qtext(kCheckWarningText), this);
    warning_->setStyleSheet("QLabel { color: rgb(200, 0, 0); } QLabel:disabled { color: rgb(160, 160, 160); }");
    layout->addWidget(warning_);
    summary_ = new QLabel("Each track is checked against the receiver of its MIDI output device.", this);
    layout->addWidget(summary_);
    findings_ = new QTreeWidget(this);
    findings_->setRootIsDecorated(false);
    findings_->setHeaderLabels({"Track", "Position", "Channel", "Event", "Action"});
    findings_->header()->setStretchLastSection(false);
    findings_->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    findings_->setMinimumSize(720, 240);
    layout->addWidget(findings_, 1);
    explanation_ = new QPlainTextEdit(this);
    explanation_->setReadOnly(true);
    explanation_->setMaximumHeight(explanation_->fontMetrics().lineSpacing() * 5 + 12);
    layout->addWidget(explanation_);

    auto* buttons = new QHBoxLayout;
    auto* filterButton = new QPushButton("Event &Filter", this);
    check_ = new QPushButton("&Check", this);
    delete_ = new QPushButton("&Delete error events", this);
    // No deletion is defined for a finding; the button stays for its place only.
    delete_->setEnabled(false);
    auto* close = new QPushButton("Close", this);
    buttons->addWidget(filterButton);
    buttons->addWidget(check_);
    buttons->addWidget(delete_);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(filterButton, &QPushButton::clicked, this, &CCheckSequenceDlg::openFilter);
    connect(check_, &QPushButton::clicked, this, &CCheckSequenceDlg::runCheck);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(findings_, &QTreeWidget::currentItemChanged, this, &CCheckSequenceDlg::showExplanation);
    check_->setDefault(true);

    blink_.setInterval(600);
    connect(&blink_, &QTimer::timeout, this, [this] { warning_->setEnabled(!warning_->isEnabled()); });
    refreshWarning();
}

void CCheckSequenceDlg::refreshWarning()
{
    const bool restricts = filterRestricts(filter_);
    warning_->setVisible(restricts);
    warning_->setEnabled(true);
    if (restricts)
        blink_.start();
    else
        blink_.stop();
}

void CCheckSequenceDlg::openFilter()
{
    CEventFilterDlg dialog(filter_, prompt_, this);
    dialog.exec();
    refreshWarning();
}

void CCheckSequenceDlg::runCheck()
{
    const CheckResult result = checkSong(song_, deviceReceivers(devices_));
    findings_->clear();
    explanations_.clear();
    int listed = 0;
    for (const CheckFinding& finding : result.findings) {
        if (!listedFinding(finding, song_, filter_))
            continue;
        ++listed;
        auto* item = new QTreeWidgetItem(findings_);
        item->setText(0, QString::number(finding.track + 1));
        item->setText(1, qtext(positionText(song_, finding.tick)));
        item->setText(2, finding.channel >= 0 ? QString::number(finding.channel + 1) : QString());
        item->setText(3, qtext(finding.event));
        item->setText(4, finding.skipped ? "skipped" : "sent anyhow");
        item->setData(0, Qt::UserRole, static_cast<int>(explanations_.size()));
        explanations_.push_back(finding.text);
    }
    for (int column = 0; column < 5; ++column)
        if (column != 3)
            findings_->resizeColumnToContents(column);
    summary_->setText(QString("Checked %1 events: %2 findings listed.").arg(result.checked).arg(listed));
    explanation_->clear();
    if (findings_->topLevelItemCount() > 0)
        findings_->setCurrentItem(findings_->topLevelItem(0));
}

void CCheckSequenceDlg::showExplanation()
{
    const QTreeWidgetItem* item = findings_->currentItem();
    if (!item)
        return;
    QString text = qtext(explanations_.at(static_cast<std::size_t>(item->data(0, Qt::UserRole).toInt())));
    explanation_->setPlainText(text.remove('\r'));
}

} // namespace velisto
