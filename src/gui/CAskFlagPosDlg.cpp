#include "CAskFlagPosDlg.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "waveeditor/WaveDialogRules.h"
#include "waveeditor/WaveEditEngine.h"
#include "waveeditor/WaveViewModel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velisto {

CAskFlagPosDlg::CAskFlagPosDlg(WaveEditEngine& engine, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), engine_(engine), prompt_(prompt)
{
    setWindowTitle("Enter flag's position by address");
    const WaveFile& wave = engine.wave();
    QStringList lines;
    for (const std::string& line : flagPositionLines(wave))
        lines << qtext(line);
    auto* layout = new QFormLayout(this);
    positions_ = new QLabel(lines.join('\n'), this);
    positions_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addRow(positions_);
    mark_ = new QComboBox(this);
    if (wave.hasLoop()) {
        mark_->addItem("Loopstart", kLoopStartMark);
        mark_->addItem("Loopend", kLoopEndMark);
    }
    for (std::size_t i = 0; i < wave.cuePoints().size(); ++i)
        mark_->addItem(QString("Cue point #%1").arg(i), kFirstCueMark + static_cast<int>(i));
    layout->addRow("Please enter the physical byte address of", mark_);
    address_ = new QLineEdit(this);
    layout->addRow("&Address", address_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(mark_->count() > 0);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAskFlagPosDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The field starts with the chosen mark's address, to be edited.
    const auto showAddress = [this] {
        const int mark = mark_->currentData().toInt();
        const WaveFile& file = engine_.wave();
        std::int64_t at = -1;
        if (mark == kLoopStartMark)
            at = file.loopStart();
        else if (mark == kLoopEndMark)
            at = file.loopEnd();
        else if (mark >= kFirstCueMark)
            at = file.cuePoints()[static_cast<std::size_t>(mark - kFirstCueMark)];
        address_->setText(at >= 0 ? QString::number(at) : QString());
        address_->selectAll();
    };
    connect(mark_, &QComboBox::currentIndexChanged, this, showAddress);
    showAddress();
}

void CAskFlagPosDlg::accept()
{
    if (mark_->count() == 0)
        return;
    bool number = false;
    const qlonglong address = address_->text().trimmed().toLongLong(&number);
    // Not a number reads as 0, which the engine refuses as below the data's beginning.
    const WaveEditResult result = engine_.setMarkByAddress(mark_->currentData().toInt(), number ? address : 0);
    if (!result.done()) {
        prompt_.message(result.text, result.caption, PromptIcon::Exclamation);
        address_->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace velisto
