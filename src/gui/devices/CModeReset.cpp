#include "devices/CModeReset.h"

#include "midi/EventOutput.h"
#include "midi/MidiModeDefinition.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velisto {

CModeReset::CModeReset(OutputDevice& device, EventOutput& output, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("MIDI mode reset");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(device.name), this));
    const std::array<const char*, 4> texts{"Send GM mode &enter", "Send G&S mode reset", "Send &XG mode reset",
                                           "Send GM&2 mode reset"};
    const std::array<bool, 4> supported{true, device.gsSupported, device.xgSupported, device.gm2Supported};
    for (int mode = MidiMode::GM; mode <= MidiMode::GM2; ++mode) {
        const auto i = static_cast<std::size_t>(mode);
        auto* button = new QPushButton(texts[i], this);
        button->setAutoDefault(false);
        button->setEnabled(supported[i]);
        connect(button, &QPushButton::clicked, this, [this, &device, &output, mode] {
            output.sendModeReset(device, mode);
            accept();
        });
        layout->addWidget(button);
        buttons_[i] = button;
    }
    auto* note = new QLabel("If a button is disabled, the mode is unsupported by device parameters. ", this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace velisto
