#include "CDeviceNameControl.h"

#include "CDeviceNameDlg.h"
#include "QtText.h"
#include "engine/Engine.h"

#include <QPainter>

#include <numeric>
#include <vector>

namespace velisto {

CDeviceNameControl::CDeviceNameControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent) {}

void CDeviceNameControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    const DeviceTable& table = context_.engine.table;
    const int device = context_.engine.song->tracks[static_cast<std::size_t>(track_)].device;
    const QString name = table.validIndex(device) ? qtext(table.device(device).name) : QString();
    paintText(painter, rect(), name, QColor(215, 215, 225), Qt::AlignLeft);
}

void CDeviceNameControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    Engine& engine = context_.engine;
    Song& song = *engine.song;
    for (;;) {
        CDeviceNameDlg dialog(engine.table, track_, song.tracks[static_cast<std::size_t>(track_)].device, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        std::vector<int> tracks{track_};
        if (dialog.allTracks()) {
            tracks.resize(kTrackCount);
            std::iota(tracks.begin(), tracks.end(), 0);
        }
        const AssignOutcome outcome =
            engine.table.assignTracksFromUserInterface(song, tracks, dialog.device(), context_.prompt);
        if (outcome == AssignOutcome::OpenFailed)
            continue;
        if (outcome == AssignOutcome::Assigned && dialog.insertName())
            insertDeviceNameEvent(eventTarget(), track_);
        break;
    }
    if (context_.rowsChanged)
        context_.rowsChanged();
}

} // namespace velisto
