#include "edit/CChannelDlg.h"

#include "QtText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace velisto {

namespace {

QComboBox* channelBox(int channel, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    for (int number = 1; number <= 16; ++number)
        box->addItem(QString::number(number));
    box->setCurrentIndex(std::clamp(channel, 0, 15));
    return box;
}

QString channelList(const std::vector<int>& channels)
{
    QStringList numbers;
    for (const int channel : channels)
        numbers << QString::number(channel + 1);
    return numbers.isEmpty() ? QString("-") : numbers.join(", ");
}

int channelOf(const QComboBox* box)
{
    return leadingTicks(box->currentText().toStdString()).value_or(1) - 1;
}

} // namespace

CChannelDlg::CChannelDlg(EditContext context, QWidget* parent)
    : CEditDialog(std::move(context), "Channel change", parent)
{
    const EditDialogDefaults& defaults = this->context().settings.editDialogs;
    from_ = channelBox(defaults.chchange_from, this);
    to_ = channelBox(defaults.chchange_to, this);
    const ChannelUsage usage = channelUsage(this->context().song, scope());
    auto* grid = new QGridLayout;
    auto* fromLabel = new QLabel("&From channel:", this);
    fromLabel->setBuddy(from_);
    auto* toLabel = new QLabel("&To channel:", this);
    toLabel->setBuddy(to_);
    grid->addWidget(fromLabel, 0, 0);
    grid->addWidget(from_, 0, 1);
    grid->addWidget(toLabel, 1, 0);
    grid->addWidget(to_, 1, 1);
    const auto listing = [&](int row, const char* text, const QString& value) {
        grid->addWidget(new QLabel(text, this), row, 0);
        auto* shown = new QLabel(value, this);
        shown->setObjectName(QString("usage%1").arg(row));
        grid->addWidget(shown, row, 1);
    };
    listing(2, "Channel events inside selection (in order of appearance):", channelList(usage.inside));
    listing(3, "Channel events beside selection (in order of appearance):", channelList(usage.beside));
    listing(4, "Free MIDI channel:", usage.freeChannel < 0 ? QString("-") : QString::number(usage.freeChannel + 1));
    fields()->addLayout(grid);
    finishLayout();
}

std::string CChannelDlg::checkFields()
{
    for (QComboBox* box : {from_, to_}) {
        if (std::string message = checkChannelText(box->currentText().toStdString()); !message.empty()) {
            box->setFocus();
            return message;
        }
    }
    return {};
}

bool CChannelDlg::changesSomething() const
{
    return true;
}

bool CChannelDlg::apply(Song& song, const EditScope& scope, bool test)
{
    return changeChannel(song, scope, channelOf(from_), channelOf(to_), test);
}

void CChannelDlg::storeDefaults(EditDialogDefaults& defaults) const
{
    defaults.chchange_from = channelOf(from_);
    defaults.chchange_to = channelOf(to_);
}

} // namespace velisto
