#pragma once
// The open and save file dialogs, as core code asks for them. The GUI shows its file
// dialogs; tests answer from a script. Called on the user-interface thread only.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velisto {

// One entry of a dialog's file type list: its name and the patterns it shows ("*.mid").
// Patterns are matched as written, so a list that should show upper-case names too
// carries both spellings.
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;
    bool operator==(const FileFilter&) const = default;
};

struct FileDialogRequest {
    std::string title;               // empty: the dialog's usual title
    std::vector<FileFilter> filters; // the first is selected
    std::filesystem::path folder;    // where the dialog starts
    std::string defaultName;         // the name field's first text (save dialogs)
    std::string defaultExtension;    // appended to a typed name without one, e.g. ".mid"
    bool operator==(const FileDialogRequest&) const = default;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // An existing file, or nullopt when the user cancelled.
    virtual std::optional<std::filesystem::path> openFile(const FileDialogRequest& request) = 0;
    // Several existing files chosen together; empty when the user cancelled. A chooser
    // that cannot select several offers one.
    virtual std::vector<std::filesystem::path> openFiles(const FileDialogRequest& request)
    {
        std::optional<std::filesystem::path> one = openFile(request);
        return one ? std::vector<std::filesystem::path>{*one} : std::vector<std::filesystem::path>{};
    }
    // The file to write; the dialog has already asked before replacing an existing one.
    // nullopt when the user cancelled.
    virtual std::optional<std::filesystem::path> saveFile(const FileDialogRequest& request) = 0;
};

} // namespace velisto
