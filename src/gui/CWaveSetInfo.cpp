#include "CWaveSetInfo.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "midi/MidiStandardNames.h"
#include "sampler/IgrEditorModel.h"
#include "sampler/WaveFile.h"
#include "waveeditor/WaveCopyBuffer.h"
#include "waveeditor/WaveDialogRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace velisto {

CWaveSetInfo::CWaveSetInfo(WaveFile& wave, CopyBufferOptions& options, std::int64_t selectionFrames, UserPrompt& prompt,
                           QWidget* parent)
    : QDialog(parent), wave_(wave), options_(options), prompt_(prompt)
{
    setWindowTitle("Set Wave Info");
    auto* layout = new QVBoxLayout(this);

    auto* sound = new QGroupBox("Sound generator", this);
    auto* soundForm = new QFormLayout(sound);
    key_ = new QComboBox(sound);
    drumNames_ = new QCheckBox("Show &drum names instead of keys in combobox", sound);
    fillKeys(false);
    soundForm->addRow("Original &key (unshifted note)", key_);
    soundForm->addRow(drumNames_);
    connect(drumNames_, &QCheckBox::toggled, this, [this](bool on) { fillKeys(on); });

    gain_ = new QSlider(Qt::Horizontal, sound);
    gain_->setRange(kGainSliderMinDb, kGainSliderMaxDb);
    gain_->setPageStep(6); // every 6 dB doubles the gain
    gain_->setValue(std::clamp(wave.gain(), kGainSliderMinDb, kGainSliderMaxDb));
    gainText_ = new QLabel(sound);
    gainText_->setMinimumWidth(gainText_->fontMetrics().horizontalAdvance("+48 dB  "));
    const auto showGain = [this](int db) { gainText_->setText(QString("%1%2 dB").arg(db > 0 ? "+" : "").arg(db)); };
    showGain(gain_->value());
    connect(gain_, &QSlider::valueChanged, this, showGain);
    auto* gainRow = new QHBoxLayout;
    gainRow->addWidget(gain_, 1);
    gainRow->addWidget(gainText_);
    auto* gainLabel = new QLabel("&Gain", sound);
    gainLabel->setBuddy(gain_);
    soundForm->addRow(gainLabel, gainRow);
    auto* soundButtons = new QHBoxLayout;
    auto* reference = new QPushButton("&Reference Sound", sound);
    auto* test = new QPushButton("&Test your wave", sound);
    soundButtons->addWidget(reference);
    soundButtons->addWidget(test);
    soundButtons->addStretch(1);
    soundForm->addRow(soundButtons);
    connect(reference, &QPushButton::clicked, this, [this] {
        if (referenceSound_)
            referenceSound_();
    });
    connect(test, &QPushButton::clicked, this, [this] {
        if (test_)
            test_();
    });
    layout->addWidget(sound);

    auto* velocity = new QGroupBox("Velocity for use in Virtual Sampleplayer", this);
    auto* velocityRow = new QFormLayout(velocity);
    const auto velocityText = [](int value) { return value < 0 ? QString() : QString::number(value); };
    velocityFrom_ = new QLineEdit(velocityText(wave.velocityLow()), velocity);
    velocityTo_ = new QLineEdit(velocityText(wave.velocityHigh()), velocity);
    velocityRow->addRow("&From (1-127)", velocityFrom_);
    velocityRow->addRow("t&o (1-127)", velocityTo_);
    layout->addWidget(velocity);

    auto* tempo = new QGroupBox("Tempo calculation", this);
    auto* tempoLayout = new QVBoxLayout(tempo);
    auto* tempoText = new QLabel(kTempoLineText, tempo);
    tempoText->setWordWrap(true);
    tempo_ = new QLabel(qtext(tempoLine(selectionFrames, wave.samplesPerSecond())), tempo);
    tempoLayout->addWidget(tempoText);
    tempoLayout->addWidget(tempo_);
    layout->addWidget(tempo);

    auto* paste = new QGroupBox("Copy buffer", this);
    auto* pasteForm = new QFormLayout(paste);
    replicate_ = numberField(QString::number(options.replicate));
    volume_ = numberField(QString::number(options.volume));
    stretch_ = numberField(QString::number(options.stretch));
    pasteForm->addRow("Re&plicate copy buffer", replicate_);
    pasteForm->addRow("&Volume factor", volume_);
    pasteForm->addRow("&Stretch factor", stretch_);
    insert_ = new QCheckBox("&Insert when pasting, not mixing", paste);
    zeroLeft_ = new QCheckBox("Zero &left channel if stereo", paste);
    zeroRight_ = new QCheckBox("Zero rig&ht channel if stereo", paste);
    exchange_ = new QCheckBox("&Exchange channels if stereo", paste);
    insert_->setChecked(options.insert);
    zeroLeft_->setChecked(options.zeroLeft);
    zeroRight_->setChecked(options.zeroRight);
    exchange_->setChecked(options.exchange);
    for (QCheckBox* box : {insert_, zeroLeft_, zeroRight_, exchange_})
        pasteForm->addRow(box);
    layout->addWidget(paste);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CWaveSetInfo::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    key_->setFocus();
}

QLineEdit* CWaveSetInfo::numberField(const QString& text)
{
    auto* field = new QLineEdit(text, this);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QString(12, '0')));
    return field;
}

void CWaveSetInfo::fillKeys(bool drumNames)
{
    const int current = key_->count() > 0 ? key_->currentData().toInt() : wave_.originalKey();
    key_->clear();
    for (int key = 0; key <= kLastJokerKey; ++key) {
        const std::string_view drum = drumNames && key < 128 ? drumName(0, key, 0) : std::string_view();
        key_->addItem(qtext(drum.empty() ? editorKeyText(key) : std::string(drum)), key);
    }
    key_->addItem("-1", kNoOriginalKey);
    const int index = key_->findData(current);
    key_->setCurrentIndex(index >= 0 ? index : key_->count() - 1);
}

void CWaveSetInfo::accept()
{
    bool replicateIsNumber = false;
    const int replicate = replicate_->text().trimmed().toInt(&replicateIsNumber);
    const std::optional<double> volume = factorFromField(volume_->text().toStdString());
    const std::optional<double> stretch = factorFromField(stretch_->text().toStdString());
    // Unreadable numbers are refused by the same rules as out-of-range ones.
    std::string problem = checkCopyBufferOptions(replicateIsNumber ? replicate : 0, stretch.value_or(0));
    if (problem.empty() && !volume)
        problem = checkVolumeFactor(volume);
    if (!problem.empty()) {
        prompt_.message(problem, {}, PromptIcon::Exclamation);
        return;
    }
    wave_.setOriginalKey(key_->currentData().toInt());
    wave_.setGain(gain_->value());
    const auto [low, high] =
        velocityRangeFromFields(velocityFrom_->text().toStdString(), velocityTo_->text().toStdString());
    if (low < 0)
        wave_.clearVelocityRange();
    else
        wave_.setVelocityRange(low, high);
    options_.replicate = replicate;
    options_.volume = *volume;
    options_.stretch = *stretch;
    options_.insert = insert_->isChecked();
    options_.zeroLeft = zeroLeft_->isChecked();
    options_.zeroRight = zeroRight_->isChecked();
    options_.exchange = exchange_->isChecked();
    QDialog::accept();
}

} // namespace velisto
