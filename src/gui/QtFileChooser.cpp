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

std::vector<std::filesystem::path> runMany(QFileDialog& dialog, const FileDialogRequest& request)
{
    dialog.setNameFilters(nameFilters(request.filters));
    dialog.setDirectory(QString::fromStdString(request.folder.string()));
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    std::vector<std::filesystem::path> chosen;
    if (dialog.exec() == QDialog::Accepted)
        for (const QString& file : dialog.selectedFiles())
            chosen.emplace_back(file.toStdString());
    return chosen;
}

std::optional<std::filesystem::path> run(QFileDialog& dialog, const FileDialogRequest& request)
{
    std::vector<std::filesystem::path> chosen = runMany(dialog, request);
    if (chosen.empty())
        return std::nullopt;
    return chosen.front();
}

} // namespace

std::optional<std::filesystem::path> QtFileChooser::openFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run(dialog, request);
}

std::vector<std::filesystem::path> QtFileChooser::openFiles(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return runMany(dialog, request);
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
