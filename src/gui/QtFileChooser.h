#pragma once
// FileChooser with Qt's file dialogs. The dialog's own overwrite question guards a save.
//
// Thread contract: user-interface thread only.

#include "app/FileChooser.h"

#include <QPointer>
#include <QWidget>

namespace velisto {

class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::filesystem::path> openFile(const FileDialogRequest& request) override;
    std::vector<std::filesystem::path> openFiles(const FileDialogRequest& request) override;
    std::optional<std::filesystem::path> saveFile(const FileDialogRequest& request) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace velisto
