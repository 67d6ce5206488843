#include "edit/CEventFilterDlg.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "edit/EventFilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velisto {

CEventFilterDlg::CEventFilterDlg(EventFilterSettings& filter, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), target_(filter), working_(filter), prompt_(prompt)
{
    setWindowTitle("Event filter");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("<b>Event</b>", this), 0, 0);
    grid->addWidget(new QLabel("<b>Mode</b>", this), 0, 1);
    grid->addWidget(new QLabel("<b>From</b>", this), 0, 2);
    grid->addWidget(new QLabel("<b>To</b>", this), 0, 3);
    for (int row = 0; row < kFilterRowCount; ++row) {
        const auto kind = static_cast<FilterRow>(row);
        RowWidgets& widgets = rows_[static_cast<std::size_t>(row)];
        auto* name = new QLabel(qtext(filterRowName(kind)), this);
        widgets.mode = new QComboBox(this);
        widgets.mode->addItems({"including", "excluding"});
        name->setBuddy(widgets.mode);
        grid->addWidget(name, row + 1, 0);
        grid->addWidget(widgets.mode, row + 1, 1);
        const std::vector<ValueChoice> choices = filterRangeChoices(kind);
        if (choices.empty())
            continue;
        widgets.from = new QComboBox(this);
        widgets.to = new QComboBox(this);
        for (QComboBox* box : {widgets.from, widgets.to}) {
            for (const ValueChoice& choice : choices)
                box->addItem(QString("%1 %2").arg(choice.value).arg(qtext(choice.text)), choice.value);
            box->setMaxVisibleItems(20);
            box->setMinimumContentsLength(18);
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        }
        grid->addWidget(widgets.from, row + 1, 2);
        grid->addWidget(widgets.to, row + 1, 3);
    }
    layout->addLayout(grid);

    auto* channelGrid = new QGridLayout;
    for (int channel = 0; channel < 16; ++channel) {
        channels_[static_cast<std::size_t>(channel)] = new QCheckBox(QString("Ch %1").arg(channel + 1), this);
        channelGrid->addWidget(channels_[static_cast<std::size_t>(channel)], channel / 8, channel % 8);
    }
    layout->addLayout(channelGrid);

    auto* setters = new QHBoxLayout;
    const auto setter = [&](const char* text, std::function<void()> change) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, [this, change = std::move(change)] {
            readValues();
            change();
            showValues();
        });
        setters->addWidget(button);
    };
    setter("including", [this] { setAllFilterModes(working_, 0); });
    setter("excluding", [this] { setAllFilterModes(working_, 1); });
    setter("all on", [this] { setAllFilterChannels(working_, true); });
    setter("all off", [this] { setAllFilterChannels(working_, false); });
    setter("Reset", [this] { working_ = EventFilterSettings{}; });
    layout->addLayout(setters);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CEventFilterDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CEventFilterDlg::reject);
    showValues();
}

void CEventFilterDlg::showValues()
{
    for (int row = 0; row < kFilterRowCount; ++row) {
        const FilterRowFields fields = filterRowFields(working_, static_cast<FilterRow>(row));
        const RowWidgets& widgets = rows_[static_cast<std::size_t>(row)];
        widgets.mode->setCurrentIndex(*fields.mode != 0 ? 1 : 0);
        if (widgets.from) {
            widgets.from->setCurrentIndex(widgets.from->findData(*fields.from));
            widgets.to->setCurrentIndex(widgets.to->findData(*fields.to));
        }
    }
    for (std::size_t channel = 0; channel < channels_.size(); ++channel)
        channels_[channel]->setChecked(working_.ch[channel] != 0);
}

void CEventFilterDlg::readValues()
{
    for (int row = 0; row < kFilterRowCount; ++row) {
        const FilterRowFields fields = filterRowFields(working_, static_cast<FilterRow>(row));
        const RowWidgets& widgets = rows_[static_cast<std::size_t>(row)];
        *fields.mode = widgets.mode->currentIndex();
        if (widgets.from) {
            *fields.from = widgets.from->currentData().toInt();
            *fields.to = widgets.to->currentData().toInt();
        }
    }
    for (std::size_t channel = 0; channel < channels_.size(); ++channel)
        working_.ch[channel] = channels_[channel]->isChecked() ? 1 : 0;
}

void CEventFilterDlg::accept()
{
    readValues();
    for (int row = 0; row < kFilterRowCount; ++row) {
        const FilterRowFields fields = filterRowFields(working_, static_cast<FilterRow>(row));
        if (!fields.from)
            continue;
        if (const std::string message = checkFilterRange(*fields.from, *fields.to); !message.empty()) {
            prompt_.message(message, "", PromptIcon::Exclamation);
            rows_[static_cast<std::size_t>(row)].from->setFocus();
            return;
        }
    }
    target_ = working_;
    QDialog::accept();
}

} // namespace velisto
