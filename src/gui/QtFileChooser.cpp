#include "QtFileChooser.h"

#include <QFileDialog>
#include <QStringList>

namespace velisto {

namespace {

// "Midi and karaoke files (*.mid *.kar *.MID *.KAR)" per filter, as Qt writes them.
QStringList nameFilters(const std::vector<FileFilter>& filters)
{
    QStringList names;
    for (const FileFilter& filter : filters) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns)
            patterns << QString::fromStdString(pattern);
        names << QString::fromStdString(filter.name) + " (" + patterns.join(' ') + ")";
    }
    return names;
}

std::optional<std::filesystem::path> run(QFileDialog& dialog, const FileDialogRequest& request)
{
    dialog.setNameFilters(nameFilters(request.filters));
    dialog.setDirectory(QString::fromStdString(request.folder.string()));
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

} // namespace

std::optional<std::filesystem::path> QtFileChooser::openFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run(dialog, request);
}

std::optional<std::filesystem::path> QtFileChooser::saveFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultExtension.empty()) {
        // Qt wants the suffix without its dot.
        const std::string& ext = request.defaultExtension;
        dialog.setDefaultSuffix(QString::fromStdString(ext.starts_with('.') ? ext.substr(1) : ext));
    }
    if (!request.defaultName.empty())
        dialog.selectFile(QString::fromStdString(request.defaultName));
    return run(dialog, request);
}

} // namespace velisto
