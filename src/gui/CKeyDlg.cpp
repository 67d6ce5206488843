#include "CKeyDlg.h"

#include <QComboBox>
#include <QGridLayout>

namespace velisto {

namespace {

// Index i stands for i - 7 sharps (negative: flats).
QStringList sharpsFlatsItems()
{
    QStringList items;
    for (int flats = 7; flats >= 1; --flats)
        items << QStringLiteral("%1 flats").arg(flats);
    items << QStringLiteral("0 key of C");
    for (int sharps = 1; sharps <= 7; ++sharps)
        items << QStringLiteral("%1 sharps").arg(sharps);
    return items;
}

} // namespace

CKeyDlg::CKeyDlg(Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
                 std::function<void()> songModified, QWidget* parent)
    : MasterListDialog(MasterListKind::Key, song, undo, prompt, clickedTick, std::move(songModified), parent)
{
    setWindowTitle(QStringLiteral("Key editor"));
    buildRows({QStringLiteral("Measure:Beat:"), QStringLiteral("Tick")},
              {{QStringLiteral("Number of"), QStringLiteral("sharps/flats")},
               {QStringLiteral("minor/"), QStringLiteral("major")}});
}

void CKeyDlg::addValueControls(int row, QGridLayout& grid, int firstColumn)
{
    auto* sharpsFlats = new QComboBox(this);
    sharpsFlats->setObjectName(QStringLiteral("sharpsFlats%1").arg(row));
    sharpsFlats->addItems(sharpsFlatsItems());
    auto* majorMinor = new QComboBox(this);
    majorMinor->setObjectName(QStringLiteral("majorMinor%1").arg(row));
    majorMinor->addItems({QStringLiteral("maj"), QStringLiteral("min")});
    for (QComboBox* combo : {sharpsFlats, majorMinor})
        connect(combo, &QComboBox::activated, this, [this, row] { editKey(row); });
    sharpsFlats_[static_cast<std::size_t>(row)] = sharpsFlats;
    majorMinor_[static_cast<std::size_t>(row)] = majorMinor;
    grid.addWidget(sharpsFlats, 1 + row, firstColumn);
    grid.addWidget(majorMinor, 1 + row, firstColumn + 1);
}

void CKeyDlg::showValues(int row, int entry)
{
    const auto r = static_cast<std::size_t>(row);
    sharpsFlats_[r]->setEnabled(entry >= 0);
    majorMinor_[r]->setEnabled(entry >= 0);
    sharpsFlats_[r]->setCurrentIndex(entry >= 0 ? editor().keyComboIndex(entry) : -1);
    majorMinor_[r]->setCurrentIndex(entry < 0 ? -1 : editor().keyMajor(entry) ? 0 : 1);
}

void CKeyDlg::editKey(int row)
{
    const int entry = entryOfRow(row);
    if (changing() || entry < 0)
        return;
    const auto r = static_cast<std::size_t>(row);
    const int index = sharpsFlats_[r]->currentIndex();
    const bool major = majorMinor_[r]->currentIndex() == 0;
    change([this, entry, index, major] { editor().editKey(entry, index, major); });
}

} // namespace velisto
