#include "edit/CVolumeDlg.h"

#include "QtText.h"
#include "edit/CCurveView.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace velisto {

namespace {

constexpr const char* kTargetNames[] = {"Volume", "Controller", "NRPN", "DrumNRPN", "KeybasedInstrContr"};

struct PresetButton {
    const char* text;
    CurvePreset preset;
};
constexpr PresetButton kPresets[] = {{"Rising", CurvePreset::Rising},
                                     {"Falling", CurvePreset::Falling},
                                     {"Middle", CurvePreset::Middle},
                                     {"Peak", CurvePreset::Peak},
                                     {"Valley", CurvePreset::Valley}};

} // namespace

CVolumeDlg::CVolumeDlg(EditContext context, QWidget* parent)
    : CEditDialog(std::move(context), "Velocity / controller value / keybased instr. contr. value", parent)
{
    const EditDialogDefaults& defaults = this->context().settings.editDialogs;
    auto* grid = new QGridLayout;
    target_ = new QComboBox(this);
    for (const char* name : kTargetNames)
        target_->addItem(name);
    auto* targetLabel = new QLabel("Change values of events of Status...", this);
    targetLabel->setBuddy(target_);
    parameter_ = new QComboBox(this);
    parameter_->setMaxVisibleItems(20);
    auto* parameterLabel = new QLabel("Which controller or parameter", this);
    parameterLabel->setBuddy(parameter_);
    drumKey_ = new QComboBox(this);
    drumKey_->setMaxVisibleItems(24);
    for (int key = 0; key < 128; ++key)
        drumKey_->addItem(QString("%1 %2").arg(key).arg(qtext(noteName(key))), key);
    drumKey_->setCurrentIndex(std::clamp(defaults.valch_drumkey, 0, 127));
    auto* drumLabel = new QLabel("Drum key for 'Drum NRPN' or 'Keybased instr. controller' events", this);
    drumLabel->setBuddy(drumKey_);
    grid->addWidget(targetLabel, 0, 0);
    grid->addWidget(target_, 0, 1);
    grid->addWidget(parameterLabel, 1, 0);
    grid->addWidget(parameter_, 1, 1);
    grid->addWidget(drumLabel, 2, 0);
    grid->addWidget(drumKey_, 2, 1);

    absolute_ = new QRadioButton("&Absolute", this);
    percent_ = new QRadioButton("&Percent", this);
    auto* modes = new QButtonGroup(this);
    modes->addButton(absolute_);
    modes->addButton(percent_);
    (defaults.valch_percent ? percent_ : absolute_)->setChecked(true);
    constantSource_ = new QRadioButton("&Constant value:", this);
    curve_ = new QRadioButton("C&urve", this);
    auto* sources = new QButtonGroup(this);
    sources->addButton(constantSource_);
    sources->addButton(curve_);
    (defaults.valch_curve ? curve_ : constantSource_)->setChecked(true);
    constant_ = new QSpinBox(this);
    // Wider than any valid value, so that the check can refuse what is out of range.
    constant_->setRange(-999, 999);
    constant_->setValue(defaults.valch_value);
    signed_ = new QCheckBox("&Signed (-64..63)", this);
    signed_->setChecked(defaults.valch_signed);
    auto* modeRow = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{absolute_, percent_, signed_})
        modeRow->addWidget(widget);
    modeRow->addStretch();
    auto* sourceRow = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{constantSource_, constant_, curve_})
        sourceRow->addWidget(widget);
    sourceRow->addStretch();
    grid->addLayout(modeRow, 3, 0, 1, 2);
    grid->addLayout(sourceRow, 4, 0, 1, 2);
    fields()->addLayout(grid);

    view_ = new CCurveView(this);
    if (const std::optional<CurveLevels> stored = curveLevelsFromText(defaults.valch_levels))
        view_->setCurve(*stored);
    fields()->addWidget(view_, 1);
    auto* presets = new QHBoxLayout;
    auto* horizontal = new QPushButton("&Horizontal", this);
    connect(horizontal, &QPushButton::clicked, this, [this] {
        CurveLevels levels = view_->curve();
        setCurveHorizontal(levels, levels[static_cast<std::size_t>(view_->selectedPoint())]);
        view_->setCurve(levels);
    });
    presets->addWidget(horizontal);
    presets->addWidget(new QLabel("Quick defaults:", this));
    for (const PresetButton& preset : kPresets) {
        auto* button = new QPushButton(preset.text, this);
        connect(button, &QPushButton::clicked, this, [this, which = preset.preset] { view_->setCurve(curvePreset(which)); });
        presets->addWidget(button);
    }
    presets->addStretch();
    fields()->addLayout(presets);

    target_->setCurrentIndex(std::clamp(defaults.valch_target, 0, 4));
    targetChanged();
    parameter_->setCurrentIndex(std::max(0, parameter_->findData(defaults.valch_param)));
    connect(target_, &QComboBox::currentIndexChanged, this, &CVolumeDlg::targetChanged);
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{absolute_, percent_, signed_})
        connect(button, &QAbstractButton::toggled, this, &CVolumeDlg::refreshScale);
    refreshScale();
    finishLayout();
}

void CVolumeDlg::targetChanged()
{
    const auto target = static_cast<ValueTarget>(target_->currentIndex());
    parameter_->clear();
    const auto addChoices = [this](ParamKind kind) {
        for (const ValueChoice& choice : parameterChoices(kind))
            parameter_->addItem(QString("%1 %2").arg(choice.value).arg(qtext(choice.text)), choice.value);
    };
    if (target == ValueTarget::Controller)
        addChoices(ParamKind::Controller);
    else if (target == ValueTarget::Nrpn)
        addChoices(ParamKind::Nrpn);
    else if (target == ValueTarget::DrumNrpn)
        addChoices(ParamKind::DrumNrpn);
    else if (target == ValueTarget::KeyBasedController)
        for (int number = 0; number < 128; ++number)
            parameter_->addItem(QString::number(number), number);
    parameter_->setEnabled(target != ValueTarget::Velocity);
    drumKey_->setEnabled(target == ValueTarget::DrumNrpn || target == ValueTarget::KeyBasedController);
}

void CVolumeDlg::refreshScale()
{
    signed_->setEnabled(absolute_->isChecked());
    view_->setScale(percent_->isChecked()                          ? CCurveView::Scale::Percent
                    : signed_->isChecked() && absolute_->isChecked() ? CCurveView::Scale::Signed
                                                                     : CCurveView::Scale::Absolute);
}

ValueChangeOptions CVolumeDlg::options() const
{
    ValueChangeOptions options;
    options.target = static_cast<ValueTarget>(target_->currentIndex());
    options.parameter = parameter_->currentData().toInt();
    options.drumKey = drumKey_->currentData().toInt();
    options.percent = percent_->isChecked();
    options.useCurve = curve_->isChecked();
    options.signedRange = signed_->isChecked() && absolute_->isChecked();
    options.constant = constant_->value();
    options.curve = view_->curve();
    return options;
}

std::string CVolumeDlg::checkFields()
{
    std::string message = checkValueChange(options());
    if (!message.empty())
        constant_->setFocus();
    return message;
}

bool CVolumeDlg::apply(Song& song, const EditScope& scope, bool)
{
    return changeValues(song, scope, options());
}

std::int32_t CVolumeDlg::previewStepTicks() const
{
    return curvePreviewStep(scope().ticks);
}

void CVolumeDlg::previewStep(std::int32_t tick)
{
    view_->setMarker(curvePointOfTick(scope().ticks, tick));
}

void CVolumeDlg::storeDefaults(EditDialogDefaults& defaults) const
{
    const ValueChangeOptions values = options();
    defaults.valch_target = target_->currentIndex();
    defaults.valch_param = values.parameter;
    defaults.valch_drumkey = values.drumKey;
    defaults.valch_percent = values.percent;
    defaults.valch_curve = values.useCurve;
    defaults.valch_signed = signed_->isChecked();
    defaults.valch_value = values.constant;
    defaults.valch_levels = curveLevelsText(values.curve);
}

} // namespace velisto
