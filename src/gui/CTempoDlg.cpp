#include "CTempoDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

namespace velisto {

namespace {

const QStringList kTempoPresets{"60", "80", "90", "96", "120", "138", "160"};

} // namespace

CTempoDlg::CTempoDlg(Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
                     std::function<void()> songModified, QWidget* parent)
    : MasterListDialog(MasterListKind::Tempo, song, undo, prompt, clickedTick, std::move(songModified), parent)
{
    setWindowTitle(QStringLiteral("Tempo"));
    buildRows({QStringLiteral("Measure:Beat:"), QStringLiteral("Tick")}, {{QStringLiteral("Tempo")}});
}

void CTempoDlg::addValueControls(int row, QGridLayout& grid, int firstColumn)
{
    auto* combo = new QComboBox(this);
    combo->setObjectName(QStringLiteral("tempo%1").arg(row));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(kTempoPresets);
    connect(combo, &QComboBox::activated, this,
            [this, row, combo](int index) { editTempo(row, combo->itemText(index)); });
    connect(combo->lineEdit(), &QLineEdit::editingFinished, this,
            [this, row, combo] { editTempo(row, combo->currentText()); });
    tempos_[static_cast<std::size_t>(row)] = combo;
    grid.addWidget(combo, 1 + row, firstColumn);
}

void CTempoDlg::showValues(int row, int entry)
{
    QComboBox* combo = tempos_[static_cast<std::size_t>(row)];
    combo->setEnabled(entry >= 0);
    combo->setEditText(QString::fromStdString(editor().tempoText(entry)));
}

void CTempoDlg::editTempo(int row, const QString& text)
{
    const int entry = entryOfRow(row);
    if (changing() || entry < 0)
        return;
    // No number, or the stored value: the refresh shows the stored text again.
    change([this, entry, &text] { editor().editTempo(entry, text.toStdString()); });
}

} // namespace velisto
