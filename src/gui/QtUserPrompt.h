#pragma once
// UserPrompt as the user sees it: message boxes (an empty title shows "Velisto"), the
// load report in a dialog with a read-only text, and status texts in the status bar's
// message pane.
//
// Thread contract: user-interface thread only.

#include "app/UserPrompt.h"

#include <QPointer>
#include <QStatusBar>
#include <QWidget>

namespace velisto {

class QtUserPrompt : public UserPrompt {
public:
    // parent: the window the boxes are centred on (may be null at start-up).
    explicit QtUserPrompt(QWidget* parent = nullptr) : parent_(parent) {}

    void setParent(QWidget* parent) { parent_ = parent; }
    // Where status() writes; without one the texts are dropped.
    void setStatusBar(QStatusBar* statusBar) { statusBar_ = statusBar; }

    void message(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer askYesNo(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer askYesNoCancel(const std::string& text, const std::string& title, PromptIcon icon) override;
    PromptAnswer askRetryCancel(const std::string& text, const std::string& title, PromptIcon icon) override;
    void showReport(const std::string& text, const std::string& title) override;
    void status(const std::string& text) override;

private:
    QPointer<QWidget> parent_;
    QPointer<QStatusBar> statusBar_;
};

} // namespace velisto
