#include "devices/CDirectXAudioDevice.h"

#include "QtText.h"
#include "audio/GeneratorAudio.h"
#include "engine/Engine.h"
#include "sampler/AudioDeviceList.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace velisto {

namespace {

// Far enough down to tame any song, and up to where a quiet one reaches the limiter.
constexpr int kMinGainDb = -40;
constexpr int kMaxGainDb = 12;

} // namespace

CDirectXAudioDevice::CDirectXAudioDevice(AudioDeviceList& devices, const std::string& caption,
                                         const std::string& currentName, std::optional<int> gainDb, QWidget* owner)
    : QDialog(owner), devices_(devices), gainDb_(gainDb.value_or(0)), startGainDb_(gainDb_)
{
    setWindowTitle(caption.empty() ? QString("DirectSound device") : qtext(caption));
    auto* layout = new QVBoxLayout(this);
    box_ = new QComboBox(this);
    for (const DirectSoundDevice& device : devices_.devices())
        box_->addItem(qtext(device.description));
    box_->setCurrentIndex(std::max(0, box_->findText(qtext(currentName))));
    layout->addWidget(box_);
    layout->addWidget(new QLabel("Device capabilities", this));
    capabilities_ = new QPlainTextEdit(this);
    capabilities_->setReadOnly(true);
    capabilities_->setLineWrapMode(QPlainTextEdit::NoWrap);
    capabilities_->setMinimumWidth(capabilities_->fontMetrics().horizontalAdvance(QString(64, 'x')));
    capabilities_->setFixedHeight(capabilities_->fontMetrics().lineSpacing() * 6 + 12);
    layout->addWidget(capabilities_);
    if (gainDb) {
        gainLabel_ = new QLabel(this);
        gain_ = new QSlider(Qt::Horizontal, this);
        gain_->setRange(kMinGainDb, kMaxGainDb);
        gain_->setPageStep(3);
        gain_->setTickPosition(QSlider::TicksBelow);
        gain_->setTickInterval(6);
        gain_->setValue(std::clamp(*gainDb, kMinGainDb, kMaxGainDb));
        gain_->setAccessibleName("Master gain");
        showGain(gain_->value());
        connect(gain_, &QSlider::valueChanged, this, [this](int db) {
            gainDb_ = db;
            devices_.setMasterGainDb(db);
            showGain(db);
        });
        layout->addWidget(gainLabel_);
        layout->addWidget(gain_);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(box_, &QComboBox::currentIndexChanged, this, [this] { showCapabilities(); });
    showCapabilities();
}

AudioDeviceChoice CDirectXAudioDevice::choice() const
{
    const int at = box_->currentIndex();
    if (at < 0 || at >= static_cast<int>(devices_.devices().size()))
        return {};
    const DirectSoundDevice& device = devices_.devices()[static_cast<std::size_t>(at)];
    return {device.description, device.guidText};
}

void CDirectXAudioDevice::showCapabilities()
{
    const int at = box_->currentIndex();
    capabilities_->setPlainText(at < 0 ? QString()
                                       : qtext(devices_.devices()[static_cast<std::size_t>(at)].capabilities));
}

void CDirectXAudioDevice::showGain(int db)
{
    gainLabel_->setText(QString("Master gain of the Internal Sound Generator: %1 dB").arg(db));
}

void CDirectXAudioDevice::reject()
{
    // What the slider let the user hear is taken back with the rest.
    if (gain_ && gainDb_ != startGainDb_) {
        gainDb_ = startGainDb_;
        devices_.setMasterGainDb(startGainDb_);
    }
    QDialog::reject();
}

std::optional<AudioDeviceChoice> CDirectXAudioDevice::choose(AudioDeviceList& devices, const std::string& caption,
                                                             const std::string& currentName, QWidget* owner)
{
    CDirectXAudioDevice dialog(devices, caption, currentName, std::nullopt, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

void CDirectXAudioDevice::chooseDialogSoundsDevice(Engine& engine, UserPrompt& prompt, QWidget* owner)
{
    if (!engine.generatorAudio)
        return;
    AudioDeviceList& devices = engine.generatorAudio->devices();
    DirectXSettings& directX = engine.settings.directX;
    CDirectXAudioDevice dialog(devices, "DirectSound device for dialog sounds and wave editor",
                               directX.DirectSoundDeviceDialogSoundsName, engine.settings.audio.mastergain, owner);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const AudioDeviceChoice chosen = dialog.choice();
    directX.DirectSoundDeviceDialogSoundsName = chosen.description;
    directX.DirectSoundDeviceDialogSoundsGUID = chosen.guidText;
    engine.settings.audio.mastergain = dialog.gainDb();
    devices.open(chosen.description, true, prompt);
}

} // namespace velisto
