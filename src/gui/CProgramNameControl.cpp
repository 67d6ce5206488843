#include "CProgramNameControl.h"

#include "CProgramNameDlg.h"
#include "QtText.h"
#include "engine/Engine.h"
#include "midi/TrackBlocks.h"
#include "song/Positions.h"

#include <QPainter>

namespace velisto {

CProgramNameControl::CProgramNameControl(TrackRowContext& context, QWidget* parent) : CTrackControl(context, parent) {}

void CProgramNameControl::setMeasure(int measure)
{
    if (measure == measure_)
        return;
    measure_ = measure;
    update();
}

QString CProgramNameControl::instrument() const
{
    const Engine& engine = context_.engine;
    const Song& song = *engine.song;
    const Track& track = song.tracks[static_cast<std::size_t>(track_)];
    if (!engine.table.validIndex(track.device))
        return {};
    const OutputDevice& device = engine.table.device(track.device);
    const ProgramAtEvent program = programInForce(song, device.programIndex, track_, measureStart(song, measure_));
    if (!program.recorded)
        return {};
    return qtext(instrumentName(device.trackMode, program));
}

void CProgramNameControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter);
    paintText(painter, rect(), instrument(), QColor(235, 235, 200), Qt::AlignLeft);
}

void CProgramNameControl::clicked(QPoint, Qt::KeyboardModifiers)
{
    if (runExists())
        return;
    const Engine& engine = context_.engine;
    const Song& song = *engine.song;
    const Track& track = song.tracks[static_cast<std::size_t>(track_)];
    ProgramAtEvent shown;
    int mode = 0;
    if (engine.table.validIndex(track.device)) {
        const OutputDevice& device = engine.table.device(track.device);
        shown = programInForce(song, device.programIndex, track_, measureStart(song, measure_));
        mode = device.trackMode;
    }
    CProgramNameDlg dialog(track_, track.channel, shown, mode, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (insertProgramSelection(eventTarget(), track_, measure_, dialog.bankMsb(), dialog.bankLsb(),
                               dialog.program()) == InsertOutcome::Inserted &&
        context_.rowsChanged)
        context_.rowsChanged();
}

} // namespace velisto
