#include "listeditor/CListEditorGlobalParContrEditor.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "midi/OutputDevice.h"
#include "midi/SysexEdit.h"
#include "midi/UniversalSysex.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>

namespace velisto {

namespace {

constexpr const char* kTitle = "Global parameter control";

} // namespace

CListEditorGlobalParContrEditor::CListEditorGlobalParContrEditor(std::span<const std::uint8_t> stored,
                                                                 const DecodedSysex& decoded,
                                                                 const OutputDevice& device, UserPrompt& prompt,
                                                                 QWidget* parent)
    : QDialog(parent), deviceId_(stored.size() > 1 ? stored[1] : 0x7F), prompt_(prompt),
      slotPath_(new QComboBox(this)), list_(new QTreeWidget(this)), parameter_(new QComboBox(this)),
      valueChoice_(new QComboBox(this)), valueEdit_(new QLineEdit(this)), add_(new QPushButton("Add", this)),
      change_(new QPushButton("Change", this)), remove_(new QPushButton("Remove", this))
{
    setWindowTitle(kTitle);
    for (const std::string& text : device.slotPaths)
        if (std::optional<SlotPathDefinition> parsed = SlotPathDefinition::parse(text).definition)
            definitions_.push_back(std::move(*parsed));
    if (definitions_.empty())
        definitions_.push_back(SlotPathDefinition::created()); // checkGlobalParameterControl refuses this

    // The stored message keeps its groups when a definition describes its slot path.
    int chosen = 0;
    const GlobalParameterControlInfo& gpc = decoded.gpc;
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        const SlotPathDefinition& d = definitions_[i];
        if (gpc.widthsValid && d.slotPath == gpc.slotPath && d.parameterIdWidth == gpc.parameterIdWidth &&
            d.valueWidth == gpc.valueWidth) {
            chosen = static_cast<int>(i);
            groups_ = gpc.groups;
            break;
        }
    }
    for (const SlotPathDefinition& d : definitions_)
        slotPath_->addItem(qtext(d.name));
    slotPath_->setCurrentIndex(chosen);

    list_->setColumnCount(2);
    list_->setHeaderLabels({"Parameter", "Value"});
    list_->setRootIsDecorated(false);
    connect(slotPath_, &QComboBox::currentIndexChanged, this, [this] { slotPathChosen(); });
    connect(parameter_, &QComboBox::currentIndexChanged, this, [this] { parameterChosen(); });
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { groupChosen(); });
    connect(add_, &QPushButton::clicked, this, [this] { addGroup(); });
    connect(change_, &QPushButton::clicked, this, [this] { changeGroup(); });
    connect(remove_, &QPushButton::clicked, this, [this] { removeGroup(); });
    for (QPushButton* button : {add_, change_, remove_})
        button->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* values = new QHBoxLayout;
    values->addWidget(valueChoice_, 1);
    values->addWidget(valueEdit_, 1);
    auto* groupButtons = new QHBoxLayout;
    groupButtons->addWidget(add_);
    groupButtons->addWidget(change_);
    groupButtons->addWidget(remove_);
    auto* form = new QFormLayout(this);
    form->addRow("Slot path:", slotPath_);
    form->addRow(list_);
    form->addRow("Parameter:", parameter_);
    form->addRow("Value:", values);
    form->addRow(groupButtons);
    form->addRow(buttons);

    // Choosing the slot path starts the groups afresh: the stored ones come back after.
    std::vector<GpcGroup> kept = std::move(groups_);
    slotPathChosen();
    groups_ = std::move(kept);
    showGroups(0);
}

const SlotPathDefinition& CListEditorGlobalParContrEditor::definition() const
{
    return definitions_[static_cast<std::size_t>(std::clamp(slotPath_->currentIndex(), 0,
                                                            static_cast<int>(definitions_.size()) - 1))];
}

const SlotPathParameter* CListEditorGlobalParContrEditor::parameterOf(int id) const
{
    for (const SlotPathParameter& p : definition().parameters)
        if (p.id == id)
            return &p;
    return nullptr;
}

void CListEditorGlobalParContrEditor::slotPathChosen()
{
    groups_.clear();
    {
        const QSignalBlocker blocker(parameter_);
        parameter_->clear();
        for (const SlotPathParameter& p : definition().parameters)
            parameter_->addItem(QString("%1 %2").arg(p.id).arg(qtext(p.name)), p.id);
    }
    parameterChosen();
    showGroups(-1);
}

void CListEditorGlobalParContrEditor::parameterChosen()
{
    const SlotPathParameter* p = parameter_->currentIndex() < 0 ? nullptr : parameterOf(parameter_->currentData().toInt());
    const bool typeList = p && p->kind == SlotPathParameter::Kind::TypeList;
    valueChoice_->clear();
    if (typeList)
        for (const SlotPathType& type : p->types)
            valueChoice_->addItem(QString("%1 %2").arg(type.value).arg(qtext(type.name)), type.value);
    valueChoice_->setVisible(typeList);
    valueEdit_->setVisible(!typeList);
    valueEdit_->setToolTip(p && !typeList ? qtext(p->unit) : QString());
}

void CListEditorGlobalParContrEditor::groupChosen()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0)
        return;
    const GpcGroup& group = groups_[static_cast<std::size_t>(row)];
    const int at = parameter_->findData(group.id);
    if (at >= 0)
        parameter_->setCurrentIndex(at);
    const int type = valueChoice_->findData(group.value);
    if (valueChoice_->isVisibleTo(this) && type >= 0)
        valueChoice_->setCurrentIndex(type);
    valueEdit_->setText(QString::number(group.value));
}

int CListEditorGlobalParContrEditor::checkedValue()
{
    if (valueChoice_->isVisibleTo(this)) {
        if (valueChoice_->currentIndex() < 0) {
            prompt_.message(std::string(SysexEditMessage::NoItem), kTitle, PromptIcon::Exclamation);
            return -1;
        }
        return valueChoice_->currentData().toInt();
    }
    const SysexValueCheck check = checkValueOfWidth(valueEdit_->text().toStdString(), definition().valueWidth);
    if (!check.accepted()) {
        prompt_.message(check.error, kTitle, PromptIcon::Exclamation);
        valueEdit_->setFocus();
        return -1;
    }
    return check.value;
}

void CListEditorGlobalParContrEditor::addGroup()
{
    if (parameter_->currentIndex() < 0)
        return;
    const int value = checkedValue();
    if (value < 0)
        return;
    groups_.push_back({parameter_->currentData().toInt(), value});
    showGroups(static_cast<int>(groups_.size()) - 1);
}

void CListEditorGlobalParContrEditor::changeGroup()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || parameter_->currentIndex() < 0)
        return;
    const int value = checkedValue();
    if (value < 0)
        return;
    groups_[static_cast<std::size_t>(row)] = {parameter_->currentData().toInt(), value};
    showGroups(row);
}

void CListEditorGlobalParContrEditor::removeGroup()
{
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0)
        return;
    groups_.erase(groups_.begin() + row);
    showGroups(std::min(row, static_cast<int>(groups_.size()) - 1));
}

void CListEditorGlobalParContrEditor::showGroups(int current)
{
    list_->clear();
    for (const GpcGroup& group : groups_) {
        const SlotPathParameter* p = parameterOf(group.id);
        QString value = QString::number(group.value);
        if (p && p->kind == SlotPathParameter::Kind::TypeList)
            for (const SlotPathType& type : p->types)
                if (type.value == group.value)
                    value += " " + qtext(type.name);
        new QTreeWidgetItem(list_, {p ? QString("%1 %2").arg(group.id).arg(qtext(p->name)) : QString::number(group.id),
                                    value});
    }
    if (current >= 0 && current < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(current));
    change_->setEnabled(!groups_.empty());
    remove_->setEnabled(!groups_.empty());
    // A message without a group sets nothing.
    if (ok_)
        ok_->setEnabled(!groups_.empty());
}

void CListEditorGlobalParContrEditor::accept()
{
    if (groups_.empty())
        return;
    const SlotPathDefinition& d = definition();
    message_ = globalParameterControlMessage(deviceId_, d.slotPath, d.parameterIdWidth, d.valueWidth, groups_);
    QDialog::accept();
}

} // namespace velisto
