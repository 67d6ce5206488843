#include "listeditor/CListEditorKeybInstrContrEditor.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "midi/SysexEdit.h"
#include "midi/UniversalSysex.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace velisto {

namespace {

constexpr const char* kTitle = "Keybased instr. contr.";

} // namespace

CListEditorKeybInstrContrEditor::CListEditorKeybInstrContrEditor(std::span<const std::uint8_t> stored,
                                                                 const DecodedSysex& decoded, UserPrompt& prompt,
                                                                 QWidget* parent)
    : QDialog(parent), deviceId_(stored.size() > 1 ? stored[1] : 0x7F), prompt_(prompt),
      pairs_(decoded.keyBased.pairs), channel_(new QComboBox(this)), key_(new QComboBox(this)),
      list_(new QTreeWidget(this)), controller_(new QComboBox(this)), value_(new QLineEdit(this)),
      add_(new QPushButton("Add", this)), change_(new QPushButton("Change", this)),
      remove_(new QPushButton("Remove", this))
{
    setWindowTitle(kTitle);
    for (int c = 1; c <= 16; ++c)
        channel_->addItem(QString::number(c));
    channel_->setCurrentIndex(std::clamp(decoded.keyBased.channel, 0, 15));
    for (int k = 0; k < 128; ++k)
        key_->addItem(QString("%1 %2").arg(k).arg(qtext(noteName(k))));
    key_->setCurrentIndex(std::clamp(decoded.keyBased.key, 0, 127));
    // Only the controllers GM2 lets a key carry are offered; a stored other one stays
    // in the list as the decoder names it.
    const MidiModeDefinition& gm2 = midiModeDefinition(MidiMode::GM2);
    for (int c = 0; c < 128; ++c)
        if (gm2.keyBasedSlotOf(c) >= 0)
            controller_->addItem(QString("%1 %2").arg(c).arg(qtext(keyBasedControllerName(c))), c);

    list_->setColumnCount(2);
    list_->setHeaderLabels({"Controller", "Value"});
    list_->setRootIsDecorated(false);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { pairChosen(); });
    connect(add_, &QPushButton::clicked, this, [this] { addPair(); });
    connect(change_, &QPushButton::clicked, this, [this] { changePair(); });
    connect(remove_, &QPushButton::clicked, this, [this] { removePair(); });
    for (QPushButton* button : {add_, change_, remove_})
        button->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pairButtons = new QHBoxLayout;
    pairButtons->addWidget(add_);
    pairButtons->addWidget(change_);
    pairButtons->addWidget(remove_);
    auto* form = new QFormLayout(this);
    form->addRow("MIDI channel:", channel_);
    form->addRow("Key:", key_);
    form->addRow(list_);
    form->addRow("Controller:", controller_);
    form->addRow("Value:", value_);
    form->addRow(pairButtons);
    form->addRow(buttons);
    showPairs(0);
}

int CListEditorKeybInstrContrEditor::checkedValue()
{
    const SysexValueCheck check = checkValueOfWidth(value_->text().toStdString(), 1);
    if (!check.accepted()) {
        prompt_.message(check.error, kTitle, PromptIcon::Exclamation);
        value_->setFocus();
        return -1;
    }
    return check.value;
}

void CListEditorKeybInstrContrEditor::addPair()
{
    const int value = checkedValue();
    if (value < 0 || controller_->currentIndex() < 0)
        return;
    pairs_.push_back({controller_->currentData().toInt(), value});
    showPairs(static_cast<int>(pairs_.size()) - 1);
}

void CListEditorKeybInstrContrEditor::changePair()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || controller_->currentIndex() < 0)
        return;
    const int value = checkedValue();
    if (value < 0)
        return;
    pairs_[static_cast<std::size_t>(row)] = {controller_->currentData().toInt(), value};
    showPairs(row);
}

void CListEditorKeybInstrContrEditor::removePair()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    // The message needs a pair to be a key-based controller message at all.
    if (row < 0 || pairs_.size() <= 1)
        return;
    pairs_.erase(pairs_.begin() + row);
    showPairs(std::min(row, static_cast<int>(pairs_.size()) - 1));
}

void CListEditorKeybInstrContrEditor::showPairs(int current)
{
    list_->clear();
    for (const KeyBasedPair& pair : pairs_)
        new QTreeWidgetItem(list_, {QString("%1 %2").arg(pair.controller).arg(qtext(keyBasedControllerName(pair.controller))),
                                    QString::number(pair.value)});
    if (current >= 0 && current < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(current));
    change_->setEnabled(!pairs_.empty());
    remove_->setEnabled(pairs_.size() > 1);
}

void CListEditorKeybInstrContrEditor::pairChosen()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0)
        return;
    const KeyBasedPair& pair = pairs_[static_cast<std::size_t>(row)];
    const int at = controller_->findData(pair.controller);
    if (at >= 0)
        controller_->setCurrentIndex(at);
    value_->setText(QString::number(pair.value));
}

void CListEditorKeybInstrContrEditor::accept()
{
    if (pairs_.empty())
        return;
    message_ = keyBasedControllerMessage(deviceId_, channel_->currentIndex(), key_->currentIndex(), pairs_);
    QDialog::accept();
}

} // namespace velisto
