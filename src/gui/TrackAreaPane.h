#pragma once
// The main window's central area, where the track area goes: until its window exists
// this pane paints the background and the song's name, and it reports its first paint,
// after which the file named on the command line is opened.
//
// Thread contract: user-interface thread only.

#include <QWidget>

#include <functional>

namespace velisto {

class TrackAreaPane : public QWidget {
public:
    explicit TrackAreaPane(QWidget* parent = nullptr);

    // Called once, after the first paint.
    void setFirstPaintHandler(std::function<void()> handler) { firstPaint_ = std::move(handler); }
    void setCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> firstPaint_;
    QString caption_;
    bool painted_ = false;
};

} // namespace velisto
