#include "devices/CDeviceParameterDlg.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "devices/CDeviceParameterSlotpathName.h"
#include "midi/DeviceTable.h"
#include "sampler/AudioDeviceList.h"
#include "song/TextFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velisto {
namespace {

QPushButton* plainButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    // Return in a field only takes the field; it never presses a button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QTableWidget* makeTable(const QStringList& headings, QWidget* parent)
{
    auto* widget = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    widget->setHorizontalHeaderLabels(headings);
    widget->verticalHeader()->setVisible(false);
    widget->horizontalHeader()->setStretchLastSection(true);
    widget->setSelectionBehavior(QAbstractItemView::SelectRows);
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    widget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    widget->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // Room for a handful of rows: definitions rarely have more, and the list scrolls.
    widget->setMinimumHeight(widget->fontMetrics().height() * 6);
    return widget;
}

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

CDeviceParameterDlg::CDeviceParameterDlg(DeviceTable& table, int device, const Song& song, AudioDeviceList* audio,
                                         UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), table_(table), device_(device), song_(song), audio_(audio), prompt_(prompt),
      editor_(DeviceParameters::of(table.device(device)), table.device(device).isGenerator())
{
    setWindowTitle(qtext(kDeviceParameterTitle) + QString::fromStdString(table.device(device).name));
    if (audio_)
        for (const DirectSoundDevice& sound : audio_->devices())
            soundDevices_.emplace_back(sound.guidText, sound.description);

    auto* layout = new QVBoxLayout(this);
    // The generator's routes go under the device's own fields, so that the dialog fits a
    // small screen.
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildDeviceGroups());
    if (editor_.generator())
        left->addWidget(buildRouteGroup(), 1);
    columns->addLayout(left);
    columns->addWidget(buildSlotPathGroup(), 1);
    layout->addLayout(columns);
    // Plain buttons: a button box makes OK the default when shown, and Return in a field
    // must only take the field.
    auto* buttons = new QHBoxLayout;
    auto* ok = plainButton("OK", this);
    auto* cancel = plainButton("Cancel", this);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &CDeviceParameterDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(buttons);
    connectFields();
    showAll();
    resize(std::max(sizeHint().width(), fontMetrics().averageCharWidth() * 140), sizeHint().height());
}

// ---- building ----

QWidget* CDeviceParameterDlg::buildDeviceGroups()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* standards = new QGroupBox("Supported MIDI Standards", column);
    auto* standardsLayout = new QVBoxLayout(standards);
    auto* gm = new QCheckBox("GM", standards);
    gm->setChecked(true);
    gm->setEnabled(false);
    gs_ = new QCheckBox("G&S (most ROLAND devices)", standards);
    xg_ = new QCheckBox("&XG (almost every Yamaha device)", standards);
    gm2_ = new QCheckBox("GM&2 (almost every new device)", standards);
    for (QCheckBox* box : {gm, gs_, xg_, gm2_})
        standardsLayout->addWidget(box);
    layout->addWidget(standards);

    auto* power = new QGroupBox("Power on MIDI mode", column);
    auto* powerLayout = new QHBoxLayout(power);
    const std::array<const char*, 4> modeNames{"GM", "GS", "XG", "GM2"};
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        modes_[i] = new QRadioButton(modeNames[i], power);
        powerLayout->addWidget(modes_[i]);
    }
    layout->addWidget(power);

    auto* universal = new QGroupBox("Universal realtime and non-realtime SYSEX (for all devices)", column);
    auto* universalLayout = new QFormLayout(universal);
    universalId_ = new QLineEdit(universal);
    universalLayout->addRow("&Universal Sysex Device ID:", universalId_);
    layout->addWidget(universal);

    auto* nonUniversal = new QGroupBox("Non-universal SYSEX (for GS or XG compatible devices)", column);
    auto* nonUniversalLayout = new QFormLayout(nonUniversal);
    nonUniversalId_ = new QLineEdit(nonUniversal);
    nativeModelId_ = new QLineEdit(nonUniversal);
    nonUniversalLayout->addRow("&Non-Universal Sysex Device ID:", nonUniversalId_);
    nonUniversalLayout->addRow("Native &model ID (for XG device-specific bulk dumps):", nativeModelId_);
    layout->addWidget(nonUniversal);

    runningStatus_ = new QCheckBox("&Running status supported", column);
    layout->addWidget(runningStatus_);
    return column;
}

QWidget* CDeviceParameterDlg::buildSlotPathGroup()
{
    auto* group = new QGroupBox("GM2 Global parameter control", this);
    slotPathGroup_ = group;
    auto* layout = new QVBoxLayout(group);

    auto* pathRow = new QHBoxLayout;
    slotPaths_ = new QListWidget(group);
    slotPaths_->setMaximumHeight(fontMetrics().height() * 5);
    auto* pathButtons = new QVBoxLayout;
    createSlotPath_ = plainButton("&Create new", group);
    editSlotPath_ = plainButton("&Edit...", group);
    deleteSlotPath_ = plainButton("Delete slotpath", group);
    for (QPushButton* button : {createSlotPath_, editSlotPath_, deleteSlotPath_})
        pathButtons->addWidget(button);
    pathButtons->addStretch(1);
    pathRow->addWidget(slotPaths_, 1);
    pathRow->addLayout(pathButtons);
    layout->addLayout(pathRow);

    auto* widths = new QFormLayout;
    idWidth_ = new QLineEdit(group);
    valueWidth_ = new QLineEdit(group);
    widths->addRow("Parameter &ID width (1-4):", idWidth_);
    widths->addRow("&Value width (1-4):", valueWidth_);
    layout->addLayout(widths);

    auto* parameterRow = new QHBoxLayout;
    parameters_ = makeTable({"ID", "Name"}, group);
    parameters_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* parameterButtons = new QVBoxLayout;
    addParameter_ = plainButton("New &parameter", group);
    deleteParameter_ = plainButton("Delete parameter", group);
    parameterButtons->addWidget(addParameter_);
    parameterButtons->addWidget(deleteParameter_);
    parameterButtons->addStretch(1);
    parameterRow->addWidget(parameters_, 1);
    parameterRow->addLayout(parameterButtons);
    layout->addLayout(parameterRow, 1);

    parameterDetails_ = new QWidget(group);
    auto* details = new QVBoxLayout(parameterDetails_);
    details->setContentsMargins(0, 0, 0, 0);
    auto* identity = new QFormLayout;
    parameterId_ = new QLineEdit(parameterDetails_);
    parameterName_ = new QLineEdit(parameterDetails_);
    identity->addRow("Parameter I&D:", parameterId_);
    identity->addRow("Parameter na&me:", parameterName_);
    details->addLayout(identity);
    auto* kinds = new QHBoxLayout;
    typeList_ = new QRadioButton("&type list", parameterDetails_);
    freeValue_ = new QRadioButton("&free value", parameterDetails_);
    kinds->addWidget(typeList_);
    kinds->addWidget(freeValue_);
    kinds->addStretch(1);
    details->addLayout(kinds);

    typePage_ = new QWidget(parameterDetails_);
    auto* typeLayout = new QHBoxLayout(typePage_);
    typeLayout->setContentsMargins(0, 0, 0, 0);
    types_ = makeTable({"Type", "Name"}, typePage_);
    auto* typeButtons = new QVBoxLayout;
    auto* addType = plainButton("Add t&ype", typePage_);
    auto* deleteType = plainButton("Delete type", typePage_);
    typeButtons->addWidget(addType);
    typeButtons->addWidget(deleteType);
    typeButtons->addStretch(1);
    typeLayout->addWidget(types_, 1);
    typeLayout->addLayout(typeButtons);
    details->addWidget(typePage_);
    connect(addType, &QPushButton::clicked, this, [this] {
        const SlotPathParameter* parameter = editor_.currentParameter();
        if (!parameter)
            return;
        int value = 0;
        while (std::any_of(parameter->types.begin(), parameter->types.end(),
                           [value](const SlotPathType& t) { return t.value == value; }))
            ++value;
        if (std::string error = editor_.addType(numberText(value), ""); !error.empty())
            refuse(error, kGlobalParameterControlCaption);
        showParameter();
    });
    connect(deleteType, &QPushButton::clicked, this, [this] {
        editor_.deleteType(types_->currentRow());
        showParameter();
    });

    freePage_ = new QWidget(parameterDetails_);
    auto* freeLayout = new QFormLayout(freePage_);
    freeLayout->setContentsMargins(0, 0, 0, 0);
    unit_ = new QLineEdit(freePage_);
    formula_ = new QLineEdit(freePage_);
    checkFormula_ = plainButton("Chec&k formula", freePage_);
    auto* formulaRow = new QHBoxLayout;
    formulaRow->addWidget(formula_, 1);
    formulaRow->addWidget(checkFormula_);
    freeLayout->addRow("U&nit:", unit_);
    freeLayout->addRow("F&ormula:", formulaRow);
    freeLayout->addRow("", new QLabel(qtext(kFormulaHint), freePage_));
    details->addWidget(freePage_);
    layout->addWidget(parameterDetails_);
    return group;
}

QWidget* CDeviceParameterDlg::buildRouteGroup()
{
    auto* group = new QGroupBox("Sound device per MIDI channel", this);
    auto* layout = new QHBoxLayout(group);
    routes_ = makeTable({"MIDI cha.", "Drum key", "DirectSound device"}, group);
    routes_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* buttons = new QVBoxLayout;
    auto* add = plainButton("Add route", group);
    auto* remove = plainButton("Delete route", group);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addWidget(routes_, 1);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, this, [this] {
        editor_.addRoute(0);
        showRoutes();
        routes_->selectRow(routes_->rowCount() - 1);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        editor_.deleteRoute(routes_->currentRow());
        showRoutes();
    });
    return group;
}

// ---- messages ----

void CDeviceParameterDlg::refuse(const std::string& text, std::string_view caption)
{
    prompt_.message(text, std::string(caption), PromptIcon::Error);
}

void CDeviceParameterDlg::showMessages(const std::vector<std::string>& messages, std::string_view caption,
                                       bool explicitCheck)
{
    const bool accepted = explicitCheck && messages.size() == 1 && messages[0] == "Formula ok.";
    for (const std::string& text : messages)
        prompt_.message(text, std::string(caption), accepted ? PromptIcon::Information : PromptIcon::Error);
}

template <typename Change>
void CDeviceParameterDlg::applyWithQuestion(Change change, std::string_view caption, bool yesNoCancel)
{
    const RuleOutcome outcome = change(false);
    if (!outcome.accepted()) {
        refuse(outcome.error, caption);
    } else if (!outcome.question.empty()) {
        const PromptAnswer answer =
            yesNoCancel ? prompt_.askYesNoCancel(outcome.question, std::string(caption), PromptIcon::Question)
                        : prompt_.askYesNo(outcome.question, std::string(caption), PromptIcon::Question);
        if (answer == PromptAnswer::Yes)
            change(true);
    }
    showAll();
}

// ---- fields ----

void CDeviceParameterDlg::connectFields()
{
    connect(gs_, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_)
            editor_.setGsSupported(on);
    });
    connect(xg_, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_)
            editor_.setXgSupported(on);
    });
    connect(gm2_, &QCheckBox::toggled, this, [this](bool on) {
        if (showing_)
            return;
        applyWithQuestion([this, on](bool confirmed) { return editor_.setGm2Supported(on, confirmed); },
                          kGm2SupportedCaption, true);
    });
    for (std::size_t i = 0; i < modes_.size(); ++i)
        connect(modes_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!showing_ && on)
                editor_.setPowerOnMode(static_cast<int>(i));
        });
    connect(universalId_, &QLineEdit::textEdited, this,
            [this](const QString& text) { editor_.setUniversalSysexId(text.toStdString()); });
    connect(nonUniversalId_, &QLineEdit::textEdited, this,
            [this](const QString& text) { editor_.setNonUniversalSysexId(text.toStdString()); });
    connect(nativeModelId_, &QLineEdit::editingFinished, this, [this] {
        const std::string text = nativeModelId_->text().toStdString();
        if (text == editor_.fields().nativeModelId)
            return;
        const std::string error = editor_.setNativeModelId(text);
        // The field goes back before the box shows, so that losing the focus to it asks nothing twice.
        nativeModelId_->setText(qtext(editor_.fields().nativeModelId));
        if (!error.empty())
            refuse(error, kGlobalParameterControlCaption);
    });
    connect(runningStatus_, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_)
            editor_.setUseRunningStatus(on);
    });

    connect(slotPaths_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (showing_)
            return;
        editor_.selectSlotPath(row);
        showSlotPath();
    });
    connect(slotPaths_, &QListWidget::itemDoubleClicked, this, [this] { editSlotPathDialog(false); });
    connect(createSlotPath_, &QPushButton::clicked, this, [this] { editSlotPathDialog(true); });
    connect(editSlotPath_, &QPushButton::clicked, this, [this] { editSlotPathDialog(false); });
    connect(deleteSlotPath_, &QPushButton::clicked, this, [this] {
        editor_.deleteSlotPath();
        showSlotPaths();
    });
    const auto widthField = [this](QLineEdit* field, bool idWidth) {
        connect(field, &QLineEdit::editingFinished, this, [this, field, idWidth] {
            const SlotPathDefinition* current = editor_.currentSlotPath();
            if (!current)
                return;
            const std::string text = field->text().toStdString();
            const int width = idWidth ? current->parameterIdWidth : current->valueWidth;
            if (text == numberText(width))
                return;
            field->setText(qtext(numberText(width)));
            applyWithQuestion(
                [this, text, idWidth](bool confirmed) {
                    return idWidth ? editor_.setParameterIdWidth(text, confirmed)
                                   : editor_.setValueWidth(text, confirmed);
                },
                kGlobalParameterControlCaption, false);
        });
    };
    widthField(idWidth_, true);
    widthField(valueWidth_, false);

    connect(parameters_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (showing_)
            return;
        editor_.selectParameter(row);
        showParameter();
    });
    connect(addParameter_, &QPushButton::clicked, this, [this] {
        if (std::string error = editor_.addParameter(); !error.empty())
            refuse(error, kGlobalParameterControlCaption);
        showSlotPath();
        parameterId_->setFocus();
        parameterId_->selectAll();
    });
    connect(deleteParameter_, &QPushButton::clicked, this, [this] {
        editor_.deleteParameter();
        showSlotPath();
    });
    // A parameter field: the rule's refusal keeps the old text.
    const auto parameterField = [this](QLineEdit* field, auto set, auto current) {
        connect(field, &QLineEdit::editingFinished, this, [this, field, set, current] {
            const SlotPathParameter* parameter = editor_.currentParameter();
            if (!parameter || showing_)
                return;
            const std::string text = field->text().toStdString();
            if (text == current(*parameter))
                return;
            const std::string error = set(text);
            field->setText(qtext(current(*editor_.currentParameter())));
            if (!error.empty())
                refuse(error, kGlobalParameterControlCaption);
            else
                showSlotPath();
        });
    };
    parameterField(
        parameterId_, [this](const std::string& text) { return editor_.setParameterId(text); },
        [](const SlotPathParameter& p) { return numberText(p.id); });
    parameterField(
        parameterName_, [this](const std::string& text) { return editor_.setParameterName(text); },
        [](const SlotPathParameter& p) { return p.name; });
    parameterField(
        unit_, [this](const std::string& text) { return editor_.setUnit(text); },
        [](const SlotPathParameter& p) { return p.unit; });
    connect(formula_, &QLineEdit::editingFinished, this, [this] {
        const SlotPathParameter* parameter = editor_.currentParameter();
        if (!parameter || showing_ || formula_->text().toStdString() == parameter->formula)
            return;
        const std::vector<std::string> messages = editor_.setFormula(formula_->text().toStdString());
        formula_->setText(qtext(editor_.currentParameter()->formula));
        showMessages(messages, kFormulaCaption, false);
    });
    connect(checkFormula_, &QPushButton::clicked, this, [this] {
        showMessages(DeviceParameterEditor::checkFormulaText(formula_->text().toStdString()), kFormulaCaption, true);
    });
    connect(typeList_, &QRadioButton::toggled, this, [this](bool on) {
        if (showing_)
            return;
        editor_.setParameterKind(on ? SlotPathParameter::Kind::TypeList : SlotPathParameter::Kind::FreeValue);
        showParameter();
    });
    connect(types_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (showing_)
            return;
        const std::string text = item->text().toStdString();
        const std::string error = item->column() == 0 ? editor_.setTypeValue(item->row(), text)
                                                      : editor_.setTypeName(item->row(), text);
        showParameter();
        if (!error.empty())
            refuse(error, kGlobalParameterControlCaption);
    });
}

void CDeviceParameterDlg::editSlotPathDialog(bool create)
{
    const SlotPathDefinition* current = editor_.currentSlotPath();
    if (!create && !current)
        return;
    CDeviceParameterSlotpathName::Entries entries{};
    std::string name(kNewSlotPathName);
    if (!create) {
        entries = current->dialogEntries();
        name = current->name;
    }
    CDeviceParameterSlotpathName dialog(
        name, entries,
        [this, create](std::string_view taken, const CDeviceParameterSlotpathName::Entries& values) {
            return create ? editor_.createSlotPath(taken, values) : editor_.editSlotPath(taken, values);
        },
        prompt_, this);
    dialog.exec();
    showSlotPaths();
}

// ---- showing the editor ----

void CDeviceParameterDlg::showAll()
{
    showing_ = true;
    const DeviceParameters& fields = editor_.fields();
    gs_->setChecked(fields.gsSupported);
    xg_->setChecked(fields.xgSupported);
    gm2_->setChecked(fields.gm2Supported);
    if (fields.powerOnMode >= 0 && fields.powerOnMode < static_cast<int>(modes_.size()))
        modes_[static_cast<std::size_t>(fields.powerOnMode)]->setChecked(true);
    universalId_->setText(qtext(fields.universalSysexId));
    nonUniversalId_->setText(qtext(fields.nonUniversalSysexId));
    nativeModelId_->setText(qtext(fields.nativeModelId));
    runningStatus_->setChecked(fields.useRunningStatus);
    showing_ = false;
    showSlotPaths();
    if (routes_)
        showRoutes();
}

void CDeviceParameterDlg::showSlotPaths()
{
    showing_ = true;
    slotPaths_->clear();
    for (const SlotPathDefinition& definition : editor_.slotPaths()) {
        std::string text;
        for (const std::string& entry : definition.dialogEntries())
            text += entry;
        slotPaths_->addItem(qtext(text.empty() ? definition.name : text + "  " + definition.name));
    }
    slotPaths_->setCurrentRow(editor_.selectedSlotPath());
    showing_ = false;
    const bool enabled = editor_.slotPathsEnabled();
    for (QWidget* widget : {static_cast<QWidget*>(slotPaths_), static_cast<QWidget*>(createSlotPath_)})
        widget->setEnabled(enabled);
    showSlotPath();
}

void CDeviceParameterDlg::showSlotPath()
{
    showing_ = true;
    const SlotPathDefinition* current = editor_.currentSlotPath();
    const bool enabled = editor_.slotPathsEnabled() && current;
    for (QWidget* widget : std::initializer_list<QWidget*>{editSlotPath_, deleteSlotPath_, idWidth_, valueWidth_,
                                                           parameters_, addParameter_, deleteParameter_})
        widget->setEnabled(enabled);
    idWidth_->setText(current ? qtext(numberText(current->parameterIdWidth)) : QString());
    valueWidth_->setText(current ? qtext(numberText(current->valueWidth)) : QString());
    parameters_->setRowCount(0);
    if (current) {
        parameters_->setRowCount(static_cast<int>(current->parameters.size()));
        for (std::size_t i = 0; i < current->parameters.size(); ++i) {
            const int row = static_cast<int>(i);
            parameters_->setItem(row, 0, readOnlyItem(qtext(numberText(current->parameters[i].id))));
            parameters_->setItem(row, 1, readOnlyItem(qtext(current->parameters[i].name)));
        }
        if (editor_.selectedParameter() >= 0)
            parameters_->setCurrentCell(editor_.selectedParameter(), 0);
    }
    showing_ = false;
    showParameter();
}

void CDeviceParameterDlg::showParameter()
{
    showing_ = true;
    const SlotPathParameter* parameter = editor_.currentParameter();
    parameterDetails_->setEnabled(editor_.slotPathsEnabled() && parameter);
    const bool typeList = !parameter || parameter->kind == SlotPathParameter::Kind::TypeList;
    parameterId_->setText(parameter ? qtext(numberText(parameter->id)) : QString());
    parameterName_->setText(parameter ? qtext(parameter->name) : QString());
    typeList_->setChecked(typeList);
    freeValue_->setChecked(!typeList);
    typePage_->setVisible(typeList);
    freePage_->setVisible(!typeList);
    types_->setRowCount(0);
    if (parameter) {
        types_->setRowCount(static_cast<int>(parameter->types.size()));
        for (std::size_t i = 0; i < parameter->types.size(); ++i) {
            const int row = static_cast<int>(i);
            types_->setItem(row, 0, new QTableWidgetItem(qtext(numberText(parameter->types[i].value))));
            types_->setItem(row, 1, new QTableWidgetItem(qtext(parameter->types[i].name)));
        }
    }
    unit_->setText(parameter ? qtext(parameter->unit) : QString());
    formula_->setText(parameter ? qtext(parameter->formula) : QString());
    showing_ = false;
}

void CDeviceParameterDlg::showRoutes()
{
    const int current = routes_->currentRow();
    routes_->setRowCount(0);
    const std::vector<IsgChannelRoute>& routes = editor_.routes();
    routes_->setRowCount(static_cast<int>(routes.size()));
    for (std::size_t i = 0; i < routes.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* channel = new QComboBox(routes_);
        for (int c = 1; c <= 16; ++c)
            channel->addItem(QString::number(c));
        channel->setCurrentIndex(routes[i].channel);
        connect(channel, &QComboBox::currentIndexChanged, this,
                [this, row](int index) { editor_.setRouteChannel(row, index); });
        routes_->setCellWidget(row, 0, channel);

        auto* key = new QComboBox(routes_);
        key->addItem("");
        for (int k = 0; k < 128; ++k)
            key->addItem(QString("%1 %2").arg(k).arg(qtext(noteName(k, false))));
        key->setCurrentIndex(routes[i].drumKey ? *routes[i].drumKey + 1 : 0);
        connect(key, &QComboBox::currentIndexChanged, this, [this, row](int index) {
            editor_.setRouteDrumKey(row, index > 0 ? std::optional<int>(index - 1) : std::nullopt);
        });
        routes_->setCellWidget(row, 1, key);

        auto* sound = new QComboBox(routes_);
        std::vector<std::pair<std::string, std::string>> choices = soundDevices_;
        const auto known = std::find_if(choices.begin(), choices.end(), [&](const auto& choice) {
            return choice.first == routes[i].deviceId && choice.second == routes[i].deviceName;
        });
        // A device of an earlier run that is not here now stays selectable as it was.
        std::size_t selected = static_cast<std::size_t>(known - choices.begin());
        if (known == choices.end())
            choices.emplace_back(routes[i].deviceId, routes[i].deviceName);
        for (const auto& [id, name] : choices)
            sound->addItem(qtext(name), qtext(id));
        sound->setCurrentIndex(static_cast<int>(selected));
        connect(sound, &QComboBox::currentIndexChanged, this, [this, row, sound](int index) {
            editor_.setRouteDevice(row, sound->itemData(index).toString().toStdString(),
                                   sound->itemText(index).toStdString());
        });
        routes_->setCellWidget(row, 2, sound);
    }
    routes_->resizeColumnsToContents();
    routes_->horizontalHeader()->setStretchLastSection(true);
    if (current >= 0 && current < routes_->rowCount())
        routes_->selectRow(current);
}

// ---- OK ----

void CDeviceParameterDlg::accept()
{
    const ParameterAcceptance acceptance = editor_.accept();
    if (!acceptance.parameters) {
        for (const std::string& text : acceptance.messages)
            refuse(text, acceptance.caption);
        return;
    }
    if (std::string refusal = table_.applyParameters(device_, *acceptance.parameters); !refusal.empty()) {
        refuse(refusal, kDeviceQuestionCaption);
        return;
    }
    if (acceptance.powerOnModeChanged)
        table_.rebuildProgramIndex(device_, song_);
    if (audio_ && editor_.generator())
        audio_->openRoutedDevices(editor_.routes(), prompt_);
    QDialog::accept();
}

} // namespace velisto
