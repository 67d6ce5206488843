#pragma once
// The "MIDI output monitor" window: the output monitor's log in a read-only text field
// with "Clear" below it. The log is kept by OutputMonitor while this window exists; the
// window only appends what was added since its last refresh, so a long log costs nothing
// per line, and it follows the last line unless the user scrolled up to read.
//
// Thread contract: user-interface thread only; the log's writers reach it through a
// queued refresh.

#include <QDialog>

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace velisto {

class DeviceTable;
class EventOutput;
class OutputMonitor;

class COutputMonitor : public QDialog {
public:
    // Opens the log (empty) for as long as the window lives; deletes itself when closed.
    COutputMonitor(OutputMonitor& monitor, QWidget* owner);
    ~COutputMonitor() override;

    void setClosedHandler(std::function<void()> handler) { closed_ = std::move(handler); }
    // Shows what the log gained since the last refresh.
    void refresh();

    QString text() const;
    QPlainTextEdit* textField() const { return text_; }
    QPushButton* clearButton() const { return clear_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutFields();

    OutputMonitor& monitor_;
    QPlainTextEdit* text_ = nullptr;
    QPushButton* clear_ = nullptr;
    std::function<void()> closed_;
};

// Ctrl+M: the "DEVICEMIDISTATES" report of the live state of every open device, in row
// order, into the log (nothing while the monitor is closed).
void dumpDeviceStates(const DeviceTable& table, const EventOutput& output, OutputMonitor& monitor);

} // namespace velisto
