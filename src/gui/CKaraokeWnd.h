#pragma once
// The karaoke window: the line being sung and the next one, with the ball hopping over
// the current line's syllables. It holds its own KaraokeModel and catches up with the
// ticks the run has played whenever it is told to (catchUp), so everything it draws
// follows from the ticks alone.
//
// Thread contract: user-interface thread only.

#include "app/KaraokeModel.h"

#include <QFont>
#include <QWidget>

#include <memory>

namespace velisto {

class CKaraokeWnd : public QWidget {
public:
    static constexpr int kBallSize = 12;

    // song must stay unchanged while the window lives (the run that opened it holds it).
    CKaraokeWnd(const Song& song, const KaraokeSettings& settings, std::int32_t startTick, QWidget* parent);

    // Plays the ticks up to tick, repainting when anything drawn changed.
    void catchUp(std::int32_t tick);
    const KaraokeModel& model() const { return *model_; }
    const QFont& textFont() const { return font_; }

    // A song text as it is stored: UTF-8 when it is valid UTF-8, else Latin-1.
    static QString decodeText(std::string_view text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
    std::unique_ptr<KaraokeModel> model_;
};

} // namespace velisto
