#pragma once
// The "Working..." window of the wave editor's long operations: application-modal, with a
// text line, a progress bar and Cancel. The operation runs on the user-interface thread
// and reports through Progress; each report lets the window repaint and see Cancel.
//
// Thread contract: user-interface thread only.

#include "app/Progress.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velisto {

class CWorkingDlg : public QDialog, public Progress {
public:
    explicit CWorkingDlg(QWidget* owner);

    // One operation's several phases share the window: it shows once the work has taken a
    // moment and hides at finish(), not at each phase's end.
    void start();
    void finish();

    void begin(std::string_view text) override;
    void advance(long long done, long long total) override;
    void end() override;
    bool cancelled() const override { return cancelled_; }

    QString text() const;
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void reject() override; // Esc and the close button cancel, they do not hide the window

private:
    void pump();

    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QElapsedTimer sinceStart_;
    QElapsedTimer sincePump_;
    bool cancelled_ = false;
};

} // namespace velisto
