#include "edit/CMIDISequenceProperties.h"

#include "QtText.h"
#include "app/SongSummary.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace velisto {

namespace {

QString propertiesText(const SongSummary& summary)
{
    QString out;
    out += QString("File:               %1\n").arg(summary.fileName.empty() ? QString("(new song)") : qtext(summary.fileName));
    out += QString("Ticks per quarter:  %1\n").arg(summary.ppq);
    out += QString("Length:             %1  (%2)\n\n").arg(qtext(summary.lengthPosition), qtext(summary.lengthTime));
    out += "Tempo\n";
    for (const SongSummary::Tempo& tempo : summary.tempos)
        out += QString("  %1  %2 bpm\n").arg(qtext(tempo.position)).arg(tempo.bpm, 0, 'f', 2);
    out += "\nMeter\n";
    for (const SongSummary::Meter& meter : summary.meters)
        out += QString("  measure %1  %2/%3\n").arg(meter.measure + 1, 4).arg(meter.numerator).arg(meter.denominator);
    out += "\nKey\n";
    for (const SongSummary::Key& key : summary.keys)
        out += QString("  %1  %2\n").arg(qtext(key.position), qtext(key.name));
    out += "\nTrack  Channel  Events  Name\n";
    for (const SongSummary::TrackLine& track : summary.tracks) {
        if (!track.used())
            continue;
        out += QString("%1  %2  %3  %4\n")
                   .arg(track.index + 1, 5)
                   .arg(track.channel + 1, 7)
                   .arg(track.events, 6)
                   .arg(qtext(track.name));
    }
    return out;
}

} // namespace

CMIDISequenceProperties::CMIDISequenceProperties(const Song& song, const std::string& fileName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("MIDI sequence properties");
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(propertiesText(SongSummary::of(song, fileName)));
    text_->setMinimumSize(text_->fontMetrics().horizontalAdvance(QString(60, 'M')), 440);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

} // namespace velisto
