#include "CMeterDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>

#include <iterator>

namespace velisto {

CMeterDlg::CMeterDlg(Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
                     std::function<void()> songModified, QWidget* parent)
    : MasterListDialog(MasterListKind::Meter, song, undo, prompt, clickedTick, std::move(songModified), parent)
{
    setWindowTitle(QStringLiteral("Meter"));
    buildRows({QStringLiteral("Measure")}, {{QStringLiteral("Numerator/Denominator")}});
}

void CMeterDlg::addValueControls(int row, QGridLayout& grid, int firstColumn)
{
    auto* cell = new QWidget(this);
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* numerator = new QComboBox(cell);
    numerator->setObjectName(QStringLiteral("numerator%1").arg(row));
    for (int n = 1; n <= kMeterNumeratorMax; ++n)
        numerator->addItem(QString::number(n), n);
    auto* denominator = new QComboBox(cell);
    denominator->setObjectName(QStringLiteral("denominator%1").arg(row));
    for (const int d : kMeterDenominators)
        denominator->addItem(QString::number(d), d);
    for (QComboBox* combo : {numerator, denominator}) {
        connect(combo, &QComboBox::activated, this, [this, row] { editMeter(row); });
        layout->addWidget(combo);
    }
    numerators_[static_cast<std::size_t>(row)] = numerator;
    denominators_[static_cast<std::size_t>(row)] = denominator;
    grid.addWidget(cell, 1 + row, firstColumn);
}

void CMeterDlg::showValues(int row, int entry)
{
    const auto r = static_cast<std::size_t>(row);
    numerators_[r]->setEnabled(entry >= 0);
    denominators_[r]->setEnabled(entry >= 0);
    numerators_[r]->setCurrentIndex(numerators_[r]->findData(editor().meterNumerator(entry)));
    denominators_[r]->setCurrentIndex(denominators_[r]->findData(editor().meterDenominator(entry)));
}

void CMeterDlg::editMeter(int row)
{
    const int entry = entryOfRow(row);
    if (changing() || entry < 0)
        return;
    const auto r = static_cast<std::size_t>(row);
    const int numerator = numerators_[r]->currentData().toInt();
    const int denominator = denominators_[r]->currentData().toInt();
    change([this, entry, numerator, denominator] { editor().editMeter(entry, numerator, denominator); });
}

} // namespace velisto
