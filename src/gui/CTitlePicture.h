#pragma once
// The title picture shown while the program starts: a borderless 640 x 435 window in
// the middle of the screen, drawn here rather than loaded, so it is sharp at any scale.
//
// Thread contract: user-interface thread only.

#include <QWidget>

namespace velisto {

class CTitlePicture : public QWidget {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 435;

    CTitlePicture();
    // Centred on the primary screen, and painted before start-up goes on.
    void showCentred();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace velisto
