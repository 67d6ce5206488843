#pragma once
// "MIDI mode reset": sends GM System On, GS Reset, XG System On or GM2 System On to one
// device through event output and closes. The buttons of standards the device's parameters
// do not support are disabled.
//
// Thread contract: user-interface thread only.

#include <QDialog>

#include <array>

class QPushButton;

namespace velisto {

class EventOutput;
class OutputDevice;

class CModeReset : public QDialog {
public:
    CModeReset(OutputDevice& device, EventOutput& output, QWidget* parent);

    // Mode 0..3 (GM, GS, XG, GM2).
    QPushButton* modeButton(int mode) const { return buttons_[static_cast<std::size_t>(mode)]; }

private:
    std::array<QPushButton*, 4> buttons_{};
};

} // namespace velisto
