#include "devices/COutputMonitor.h"

#include "QtText.h"
#include "midi/DeviceMidiState.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "playback/OutputMonitor.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

namespace velisto {

namespace {

constexpr int kMargin = 8;

// The log's lines end with "\r\n"; the text field wants bare line breaks, and no empty
// line after the last one.
QString shownLines(const std::string& text)
{
    QString lines = qtext(text);
    lines.remove(QChar('\r'));
    if (lines.endsWith(QChar('\n')))
        lines.chop(1);
    return lines;
}

} // namespace

COutputMonitor::COutputMonitor(OutputMonitor& monitor, QWidget* owner) : QDialog(owner), monitor_(monitor)
{
    setWindowTitle("MIDI output monitor");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setUndoRedoEnabled(false);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFont("Monospace"));
    clear_ = new QPushButton("Clear", this);
    clear_->setAutoDefault(false);
    connect(clear_, &QPushButton::clicked, this, [this] { monitor_.clear(); });
    resize(640, 420);

    monitor_.open();
    // Called by the log's writers with its lock held: only queue, never call back. Calls
    // still queued when the window goes are dropped with it.
    monitor_.setRefreshRequest([this] { QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection); });
}

COutputMonitor::~COutputMonitor()
{
    monitor_.setRefreshRequest({});
    monitor_.close();
    if (closed_)
        closed_();
}

void COutputMonitor::refresh()
{
    const MonitorAppend append = monitor_.takeAppended();
    if (append.cleared)
        text_->clear();
    if (append.text.empty())
        return;
    QScrollBar* bar = text_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    QTextCursor end(text_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text_->document()->isEmpty() ? shownLines(append.text) : "\n" + shownLines(append.text));
    if (following)
        bar->setValue(bar->maximum());
}

QString COutputMonitor::text() const { return text_->toPlainText(); }

void COutputMonitor::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutFields();
}

void COutputMonitor::layoutFields()
{
    // The button keeps its size in the bottom right corner; the text takes 95% of the
    // width, centred, and 90% of the height above the button.
    const QSize button = clear_->sizeHint();
    clear_->setGeometry(width() - button.width() - kMargin, height() - button.height() - kMargin, button.width(),
                        button.height());
    const int above = height() - button.height() - 2 * kMargin;
    const int textWidth = width() * 95 / 100;
    const int textHeight = above * 90 / 100;
    text_->setGeometry((width() - textWidth) / 2, (above - textHeight) / 2 + kMargin / 2, textWidth, textHeight);
}

void dumpDeviceStates(const DeviceTable& table, const EventOutput& output, OutputMonitor& monitor)
{
    if (!monitor.active())
        return;
    for (int row = 1; row <= table.openCount(); ++row) {
        const int index = table.deviceAtRow(row);
        if (index < 0)
            continue;
        const OutputDevice& device = table.device(index);
        for (const std::string& line : output.copyLiveState(device).dump(device.name))
            monitor.addLine(-1, line);
    }
}

} // namespace velisto
