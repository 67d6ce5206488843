#pragma once
// "Instrument group file editor": the 128 program lists and 128 drum lists of an .igr
// file, each shown for the selected program or drum key with its samples' keys and
// velocity ranges. Every rule is IgrEditorModel's; the window supplies the file dialogs,
// the clipboard and the title, and asks before it drops changes. Saving a group the
// generator plays hands the saved path to savedHandler, which reloads it.
//
// Thread contract: user-interface thread only.

#include "sampler/IgrEditorModel.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace velisto {

class FileChooser;

class CInstrumentGroupFileEditor : public QDialog {
public:
    // sampleFolder: where the add dialog starts (the last folder samples came from); the
    // editor updates it. Both must outlive the window.
    CInstrumentGroupFileEditor(UserPrompt& prompt, FileChooser& files, std::string& sampleFolder, QWidget* owner);

    void setSavedHandler(std::function<void(const std::string& path)> handler) { saved_ = std::move(handler); }

    IgrEditorModel& model() { return model_; }
    // The buttons by their texts, the lists and the selector lines, for the walkthrough
    // and the tests.
    QPushButton* button(const QString& text) const;
    QListWidget* list(IgrSection section) const { return parts_[index(section)].list; }
    QLabel* selector(IgrSection section) const { return parts_[index(section)].selector; }
    QLabel* directoryLine() const { return directory_; }

    // The buttons' actions.
    bool newFile();
    bool openFile();
    bool saveFile();
    bool saveFileAs();
    void addSamples(IgrSection section);
    void removeSamples(IgrSection section);
    void copyNames(IgrSection section);
    void pasteNames(IgrSection section);
    void step(IgrSection section, int delta);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct SectionWidgets {
        QLabel* selector = nullptr;
        QListWidget* list = nullptr;
    };
    static std::size_t index(IgrSection section) { return section == IgrSection::Programs ? 0 : 1; }
    QWidget* buildSection(IgrSection section);
    void showAll();
    void showList(IgrSection section);
    void saved();

    IgrEditorModel model_;
    FileChooser& files_;
    std::string& sampleFolder_;
    std::array<SectionWidgets, 2> parts_{};
    QLabel* directory_ = nullptr;
    std::function<void(const std::string&)> saved_;
};

} // namespace velisto
