#include "edit/CCutCopyDlg.h"

#include "edit/EventFilter.h"

#include <QLabel>
#include <QVBoxLayout>

namespace velisto {

namespace {

EventPredicate filterOf(const EditScope& scope)
{
    return [filter = scope.filter](const MidiEvent& event) { return passesFilter(filter, event); };
}

QString selectionText(const Selection& selection)
{
    return QString("Tracks %1 to %2, measures %3 to %4")
        .arg(selection.firstTrack + 1)
        .arg(selection.lastTrack + 1)
        .arg(selection.firstMeasure + 1)
        .arg(selection.lastMeasure + 1);
}

} // namespace

CCopyDlg::CCopyDlg(EditContext context, Clipboard& clipboard, QWidget* parent)
    : CEditDialog(std::move(context), "Copy midi events", parent), clipboard_(clipboard)
{
    fields()->addWidget(new QLabel(selectionText(this->context().selection), this));
    finishLayout();
}

bool CCopyDlg::apply(Song& song, const EditScope& scope, bool)
{
    return clipboard_.copy(song, scope.selection, filterOf(scope));
}

CCutDlg::CCutDlg(EditContext context, Clipboard& clipboard, QWidget* parent)
    : CEditDialog(std::move(context), "Cut", parent), clipboard_(clipboard)
{
    fields()->addWidget(new QLabel(selectionText(this->context().selection), this));
    finishLayout();
}

bool CCutDlg::apply(Song& song, const EditScope& scope, bool test)
{
    return cutEvents(song, scope.selection, filterOf(scope), test ? nullptr : &clipboard_);
}

} // namespace velisto
