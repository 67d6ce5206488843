#include "CTrackName.h"

#include "CTrackControl.h"
#include "QtText.h"
#include "app/CommandIds.h"
#include "app/TrackControls.h"
#include "app/UiNotifier.h"
#include "engine/Engine.h"

#include <QFocusEvent>

namespace velisto {

CTrackName::CTrackName(TrackRowContext& context, int row, QWidget* parent)
    : QLineEdit(parent), context_(context), row_(row)
{
    setFrame(false);
    setTextMargins(2, 0, 0, 0);
    // A frameless field paints no base of its own.
    setAutoFillBackground(true);
    // A palette, not a style sheet: a sheet makes every row's repaint several times dearer.
    showEditing(false);
    // Return ends the edit like leaving the field does.
    connect(this, &QLineEdit::returnPressed, this, [this] {
        if (parentWidget())
            parentWidget()->setFocus(Qt::OtherFocusReason);
    });
}

void CTrackName::setTrack(int track)
{
    if (track == track_)
        return;
    if (editTrack_ >= 0) {
        store();
        editTrack_ = track;
    }
    track_ = track;
    showName();
}

void CTrackName::showName()
{
    setText(qtext(context_.engine.song->tracks[static_cast<std::size_t>(track_)].name));
    // A long name shows its beginning, not where typing ended.
    setCursorPosition(0);
}

void CTrackName::refresh()
{
    if (editTrack_ < 0 && track_ >= 0)
        showName();
}

void CTrackName::showEditing(bool editing)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, editing ? QColor(250, 250, 250) : QColor(28, 28, 32));
    colours.setColor(QPalette::Window, colours.color(QPalette::Base));
    colours.setColor(QPalette::Text, editing ? QColor(0, 0, 0) : QColor(240, 240, 240));
    setPalette(colours);
}

void CTrackName::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    showEditing(true);
    editTrack_ = track_;
    if (context_.nameEditRow)
        context_.nameEditRow(row_ + 1);
}

void CTrackName::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    showEditing(false);
    store();
    editTrack_ = -1;
    setCursorPosition(0);
    if (context_.nameEditRow)
        context_.nameEditRow(0);
}

void CTrackName::store()
{
    if (editTrack_ < 0 || editTrack_ >= kTrackCount)
        return;
    setTrackName(*context_.engine.song, editTrack_, text().toStdString(), context_.notifier);
}

} // namespace velisto
