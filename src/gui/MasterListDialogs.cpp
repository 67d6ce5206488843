#include "MasterListDialogs.h"

#include "CKeyDlg.h"
#include "CMeterDlg.h"
#include "CTempoDlg.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <memory>
#include <utility>

namespace velisto {

namespace {

// Lines of a heading, stacked (or side by side for a position "Measure:Beat:" "Tick").
QWidget* heading(const QStringList& lines, Qt::Orientation orientation, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout =
        new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const QString& line : lines)
        layout->addWidget(new QLabel(line, box));
    layout->addStretch();
    return box;
}

} // namespace

MasterListDialog::MasterListDialog(MasterListKind kind, Song& song, UndoStack& undo, UserPrompt& prompt,
                                   std::int32_t clickedTick, std::function<void()> songModified, QWidget* parent)
    : QDialog(parent), editor_(kind, song, undo, prompt, clickedTick, std::move(songModified))
{
    setModal(true);
}

MasterListDialog::~MasterListDialog()
{
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
}

void MasterListDialog::buildRows(const QStringList& positionHeading, const std::vector<QStringList>& valueHeadings)
{
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    outer->addLayout(grid);
    const int valueColumns = static_cast<int>(valueHeadings.size());
    const int insColumn = 1 + valueColumns;

    grid->addWidget(heading(positionHeading, Qt::Horizontal, this), 0, 0);
    for (int column = 0; column < valueColumns; ++column)
        grid->addWidget(heading(valueHeadings[static_cast<std::size_t>(column)], Qt::Vertical, this), 0, 1 + column);

    // Created row by row, so that Tab walks each row from its position to its "Del".
    for (int row = 0; row < kMasterEditorRows; ++row) {
        const auto r = static_cast<std::size_t>(row);
        positions_[r] = new QLineEdit(this);
        positions_[r]->setObjectName(QStringLiteral("position%1").arg(row));
        connect(positions_[r], &QLineEdit::editingFinished, this, [this, row] { editPosition(row); });
        grid->addWidget(positions_[r], 1 + row, 0);

        addValueControls(row, *grid, 1);

        inserts_[r] = new QPushButton(QStringLiteral("Ins"), this);
        inserts_[r]->setObjectName(QStringLiteral("ins%1").arg(row));
        deletes_[r] = new QPushButton(QStringLiteral("Del"), this);
        deletes_[r]->setObjectName(QStringLiteral("del%1").arg(row));
        for (QPushButton* button : {inserts_[r], deletes_[r]})
            button->setAutoDefault(false); // Enter in a field stores it, it presses nothing
        connect(inserts_[r], &QPushButton::clicked, this,
                [this, row] { change([this, row] { editor_.insertAfter(entryOfRow(row)); }); });
        connect(deletes_[r], &QPushButton::clicked, this,
                [this, row] { change([this, row] { editor_.remove(entryOfRow(row)); }); });
        grid->addWidget(inserts_[r], 1 + row, insColumn);
        grid->addWidget(deletes_[r], 1 + row, insColumn + 1);
    }

    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setObjectName(QStringLiteral("scroll"));
    scroll_->setFocusPolicy(Qt::StrongFocus); // arrows and page keys scroll the table
    scroll_->setPageStep(kMasterEditorRows);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) { scrolled(value); });
    grid->addWidget(scroll_, 1, insColumn + 2, kMasterEditorRows, 1);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    outer->addLayout(buttons);

    refresh();
}

void MasterListDialog::refresh()
{
    for (int row = 0; row < kMasterEditorRows; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const int entry = entryOfRow(row);
        positions_[r]->setText(QString::fromStdString(editor_.positionText(entry)));
        positions_[r]->setEnabled(entry >= 0);
        positions_[r]->setReadOnly(!editor_.positionEditable(entry));
        inserts_[r]->setEnabled(entry >= 0);
        deletes_[r]->setEnabled(entry > 0);
        showValues(row, entry);
    }
    const QSignalBlocker blocker(scroll_);
    scroll_->setRange(0, std::max(editor_.entries() - 1, 0));
    scroll_->setValue(editor_.firstRow());
}

void MasterListDialog::change(const std::function<void()>& apply)
{
    if (changing_)
        return;
    changing_ = true;
    apply();
    changing_ = false;
    refresh();
}

void MasterListDialog::editPosition(int row)
{
    const int entry = entryOfRow(row);
    const std::string text = positions_[static_cast<std::size_t>(row)]->text().toStdString();
    if (changing_ || !editor_.positionEditable(entry) || text == editor_.positionText(entry))
        return;
    // An invalid position has shown its text; the refresh gives the field its old one.
    change([this, entry, &text] { editor_.editPosition(entry, text); });
}

void MasterListDialog::scrolled(int firstRow)
{
    editor_.scrollTo(firstRow);
    refresh();
}

void runMasterListDialog(QWidget* parent, MasterListKind kind, Song& song, UndoStack& undo, UserPrompt& prompt,
                         std::int32_t clickedTick, std::function<void()> songModified)
{
    std::unique_ptr<MasterListDialog> dialog;
    switch (kind) {
    case MasterListKind::Tempo:
        dialog = std::make_unique<CTempoDlg>(song, undo, prompt, clickedTick, std::move(songModified), parent);
        break;
    case MasterListKind::Meter:
        dialog = std::make_unique<CMeterDlg>(song, undo, prompt, clickedTick, std::move(songModified), parent);
        break;
    case MasterListKind::Key:
        dialog = std::make_unique<CKeyDlg>(song, undo, prompt, clickedTick, std::move(songModified), parent);
        break;
    }
    if (dialog)
        dialog->exec();
}

} // namespace velisto
