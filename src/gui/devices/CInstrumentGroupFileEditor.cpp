#include "devices/CInstrumentGroupFileEditor.h"

#include "QtText.h"
#include "app/FileChooser.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "sampler/IgrFile.h"
#include "sampler/SampleInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velisto {

namespace {

FileFilter igrFilter() { return {"Instrument group files", {"*.igr", "*.IGR"}}; }

std::string folderOf(const std::filesystem::path& path) { return directoryPart(path.string()); }

} // namespace

CInstrumentGroupFileEditor::CInstrumentGroupFileEditor(UserPrompt& prompt, FileChooser& files,
                                                       std::string& sampleFolder, QWidget* owner)
    : QDialog(owner), model_(prompt, readSampleInfo), files_(files), sampleFolder_(sampleFolder)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    const auto fileButton = [this, fileRow](const char* text, auto action) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        fileRow->addWidget(b);
    };
    fileButton("New .igr file", [this] { newFile(); });
    fileButton("Open .igr file", [this] { openFile(); });
    fileButton("Save .igr file", [this] { saveFile(); });
    fileButton("Save as .igr file", [this] { saveFileAs(); });
    fileRow->addStretch();
    layout->addLayout(fileRow);
    directory_ = new QLabel(this);
    directory_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(directory_);
    auto* sections = new QHBoxLayout;
    sections->addWidget(buildSection(IgrSection::Programs));
    sections->addWidget(buildSection(IgrSection::Drums));
    layout->addLayout(sections, 1);
    resize(940, 520);
    showAll();
}

QWidget* CInstrumentGroupFileEditor::buildSection(IgrSection section)
{
    const bool programs = section == IgrSection::Programs;
    auto* box = new QGroupBox(programs ? "Instruments" : "Drum instruments", this);
    auto* grid = new QGridLayout(box);
    auto* minus = new QPushButton("-", box);
    auto* plus = new QPushButton("+", box);
    for (QPushButton* b : {minus, plus}) {
        b->setAutoDefault(false);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance("+") + 24);
    }
    connect(minus, &QPushButton::clicked, this, [this, section] { step(section, -1); });
    connect(plus, &QPushButton::clicked, this, [this, section] { step(section, 1); });
    SectionWidgets& parts = parts_[index(section)];
    parts.selector = new QLabel(box);
    parts.selector->setAlignment(Qt::AlignCenter);
    parts.list = new QListWidget(box);
    parts.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->addWidget(minus, 0, 0);
    grid->addWidget(parts.selector, 0, 1);
    grid->addWidget(plus, 0, 2);
    grid->addWidget(parts.list, 1, 0, 1, 3);
    const auto action = [this, box, grid](int row, const char* text, auto onClick) {
        auto* b = new QPushButton(text, box);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, onClick);
        grid->addWidget(b, row, 0, 1, 3);
    };
    action(2, programs ? "Add samples to instrument" : "Add sample to instrument",
           [this, section] { addSamples(section); });
    action(3, "Remove", [this, section] { removeSamples(section); });
    action(4, "Copy sample names to clipboard", [this, section] { copyNames(section); });
    action(5, "Paste names from clipboard", [this, section] { pasteNames(section); });
    return box;
}

QPushButton* CInstrumentGroupFileEditor::button(const QString& text) const
{
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void CInstrumentGroupFileEditor::showAll()
{
    setWindowTitle(qtext(model_.title()));
    directory_->setText("Directory : " + qtext(model_.sampleDirectory()));
    showList(IgrSection::Programs);
    showList(IgrSection::Drums);
}

void CInstrumentGroupFileEditor::showList(IgrSection section)
{
    const int number = model_.selected(section);
    // The General MIDI name beside the number: the number alone means little to a player.
    const std::string_view name = section == IgrSection::Programs ? gmProgramName(number)
                                                                  : drumName(MidiMode::GM, number, 0);
    QString text = qtext(model_.selectorText(section));
    if (!name.empty())
        text += "  (" + qtext(name) + ")";
    parts_[index(section)].selector->setText(text);
    QListWidget* list = parts_[index(section)].list;
    list->clear();
    for (const std::string& line : model_.shownLines(section))
        list->addItem(qtext(line));
}

bool CInstrumentGroupFileEditor::newFile()
{
    const bool done = model_.newFile([this] { return saveFile(); });
    showAll();
    return done;
}

bool CInstrumentGroupFileEditor::openFile()
{
    FileDialogRequest request;
    request.title = "Open .igr file";
    request.filters = {igrFilter()};
    request.folder = model_.sampleDirectory().empty() ? sampleFolder_ : model_.sampleDirectory();
    const std::optional<std::filesystem::path> path = files_.openFile(request);
    if (!path)
        return false;
    const bool opened = model_.open(path->string(), [this] { return saveFile(); });
    showAll();
    return opened;
}

bool CInstrumentGroupFileEditor::saveFile()
{
    if (model_.fileName().empty())
        return saveFileAs();
    if (!model_.save())
        return false;
    saved();
    return true;
}

bool CInstrumentGroupFileEditor::saveFileAs()
{
    FileDialogRequest request;
    request.title = "Save as .igr file";
    request.filters = {igrFilter(), {"All Files", {"*"}}};
    request.defaultExtension = ".igr";
    request.folder = model_.sampleDirectory().empty() ? sampleFolder_ : model_.sampleDirectory();
    request.defaultName = fileNamePart(model_.fileName());
    // A file elsewhere than its samples is refused, and the dialog opens again.
    for (;;) {
        const std::optional<std::filesystem::path> path = files_.saveFile(request);
        if (!path)
            return false;
        switch (model_.saveAs(path->string())) {
        case IgrSaveAsResult::Saved:
            saved();
            return true;
        case IgrSaveAsResult::WrongDirectory:
            continue;
        case IgrSaveAsResult::NotSaved:
            showAll();
            return false;
        }
    }
}

void CInstrumentGroupFileEditor::saved()
{
    showAll();
    if (saved_)
        saved_(model_.fileName());
}

void CInstrumentGroupFileEditor::addSamples(IgrSection section)
{
    FileDialogRequest request;
    request.title = section == IgrSection::Programs ? "Add samples to instrument" : "Add sample to instrument";
    request.filters = {{"16 bit uncompressed Wave files", {"*.wav", "*.WAV"}}};
    request.folder = sampleFolder_.empty() ? model_.sampleDirectory() : sampleFolder_;
    const std::vector<std::filesystem::path> chosen = files_.openFiles(request);
    if (chosen.empty())
        return;
    sampleFolder_ = folderOf(chosen.front());
    std::vector<std::string> paths;
    for (const std::filesystem::path& path : chosen)
        paths.push_back(path.string());
    model_.addSamples(section, paths);
    showAll();
}

void CInstrumentGroupFileEditor::removeSamples(IgrSection section)
{
    std::vector<int> rows;
    QListWidget* list = parts_[index(section)].list;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.push_back(i);
    model_.removeSamples(section, rows);
    showAll();
}

void CInstrumentGroupFileEditor::copyNames(IgrSection section)
{
    QApplication::clipboard()->setText(qtext(model_.copyText(section)));
}

void CInstrumentGroupFileEditor::pasteNames(IgrSection section)
{
    model_.pasteNames(section, QApplication::clipboard()->text().toStdString());
    showAll();
}

void CInstrumentGroupFileEditor::step(IgrSection section, int delta)
{
    model_.step(section, delta);
    showList(section);
}

void CInstrumentGroupFileEditor::closeEvent(QCloseEvent* event)
{
    if (model_.confirmDiscard([this] { return saveFile(); }))
        event->accept();
    else
        event->ignore();
}

void CInstrumentGroupFileEditor::reject()
{
    // Esc closes like the window's close button, through the same question.
    close();
}

} // namespace velisto
