#pragma once
// The value change's drawing area: 200 curve points over the selection's span, drawn with
// the mouse (a drag fills every point it skipped) or by keys (Left/Right pick a point,
// Up/Down/PageUp/PageDown set its level), with the scale texts at the left and the
// preview marker.
//
// Thread contract: user-interface thread only.

#include "edit/ValueChange.h"

#include <QWidget>

namespace velisto {

class CCurveView : public QWidget {
public:
    explicit CCurveView(QWidget* parent);

    const CurveLevels& curve() const { return curve_; }
    void setCurve(const CurveLevels& curve);
    // Which scale the left edge shows: percent, absolute or signed absolute.
    enum class Scale { Percent, Absolute, Signed };
    void setScale(Scale scale);
    int selectedPoint() const { return point_; }
    // The preview's position; -1 hides the marker.
    void setMarker(int point);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect plotArea() const;
    void drawTo(QPoint position, bool continueLine);

    CurveLevels curve_{};
    Scale scale_ = Scale::Percent;
    int point_ = 0;
    int marker_ = -1;
    int lastPoint_ = -1;
    int lastLevel_ = 0;
};

} // namespace velisto
