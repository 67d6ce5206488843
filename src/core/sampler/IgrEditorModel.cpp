#include "sampler/IgrEditorModel.h"

#include "midi/MidiStandardNames.h"

#include <algorithm>
#include <set>
#include <utility>

namespace velisto {

namespace {

constexpr const char* kCaption = "Velisto";

std::string jokerName(int key)
{
    // Keys 0..11 are named "C0".."B0": the pitch class is the name without its octave.
    std::string name(noteName(key - kFirstJokerKey));
    name.pop_back();
    return name;
}

std::string joinNames(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty())
            text += ',';
        text += name;
    }
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    auto begin = std::find_if_not(text.begin(), text.end(), space);
    auto end = std::find_if_not(text.rbegin(), std::make_reverse_iterator(begin), space).base();
    return std::string(begin, end);
}

} // namespace

std::string editorKeyText(int key)
{
    if (key < 0)
        return "?";
    if (key < kFirstJokerKey)
        return std::string(noteName(key));
    if (key <= kLastJokerKey)
        return jokerName(key) + "*";
    return "bad key";
}

std::string editorVelocityText(int low, int high)
{
    low = std::max(low, 1);
    high = std::min(high, 127);
    if (low > high)
        return "1-127";
    return std::to_string(low) + "-" + std::to_string(high);
}

IgrEditorModel::IgrEditorModel(UserPrompt& prompt, SampleInfoReader reader)
    : prompt_(prompt), reader_(std::move(reader))
{
}

std::string IgrEditorModel::title() const { return "Instrument group [" + fileName_ + "]" + (modified_ ? " *" : ""); }

int IgrEditorModel::selected(IgrSection section) const { return section == IgrSection::Programs ? program_ : drum_; }

void IgrEditorModel::select(IgrSection section, int number)
{
    (section == IgrSection::Programs ? program_ : drum_) = std::clamp(number, 0, kIgrListCount - 1);
}

void IgrEditorModel::step(IgrSection section, int delta) { select(section, selected(section) + delta); }

std::string IgrEditorModel::selectorText(IgrSection section) const
{
    return std::to_string(selected(section) + 1) +
           (section == IgrSection::Programs ? " of 128 Instruments" : " of 128 drum-instruments");
}

std::string& IgrEditorModel::list(IgrSection section)
{
    return section == IgrSection::Programs ? lists_.programs[static_cast<std::size_t>(program_)]
                                           : lists_.drums[static_cast<std::size_t>(drum_)];
}

const std::string& IgrEditorModel::list(IgrSection section) const
{
    return section == IgrSection::Programs ? lists_.programs[static_cast<std::size_t>(program_)]
                                           : lists_.drums[static_cast<std::size_t>(drum_)];
}

std::vector<std::string> IgrEditorModel::names(IgrSection section) const { return splitNames(list(section)); }

std::vector<std::string> IgrEditorModel::shownLines(IgrSection section) const
{
    SampleDirectory samples(directory_);
    std::vector<std::string> lines;
    for (const std::string& name : names(section)) {
        std::string ignored;
        const std::optional<SampleInfo> info =
            directory_.empty() ? std::nullopt : reader_(samples.resolve(name), ignored);
        if (!info) {
            lines.push_back(name + " load err");
            continue;
        }
        std::string line = name;
        if (section == IgrSection::Programs)
            line += ", key " + editorKeyText(info->originalKey);
        line += ", velocity " + editorVelocityText(info->velocityLow, info->velocityHigh);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string IgrEditorModel::copyText(IgrSection section) const { return joinNames(names(section)); }

bool IgrEditorModel::confirmDiscard(const std::function<bool()>& save)
{
    if (!modified_)
        return true;
    switch (prompt_.askYesNoCancel("Save changes ?", kCaption, PromptIcon::Question)) {
    case PromptAnswer::Yes:
        return save && save();
    case PromptAnswer::No:
        return true;
    default:
        return false;
    }
}

bool IgrEditorModel::newFile(const std::function<bool()>& save)
{
    if (!confirmDiscard(save))
        return false;
    lists_ = IgrLists();
    fileName_.clear();
    directory_.clear();
    modified_ = false;
    return true;
}

bool IgrEditorModel::open(const std::string& path, const std::function<bool()>& save)
{
    if (!confirmDiscard(save))
        return false;
    IgrLists read;
    switch (readIgrFile(path, read)) {
    case IgrReadStatus::CannotOpen:
        error("Can't read file");
        return false;
    case IgrReadStatus::NotIgr:
        error("No valid Velisto .igr file");
        return false;
    case IgrReadStatus::Ok:
        break;
    }
    lists_ = std::move(read);
    fileName_ = path;
    // The group's samples lie beside it, so that is where added samples must come from.
    directory_ = directoryPart(path);
    modified_ = false;
    return true;
}

bool IgrEditorModel::save()
{
    if (fileName_.empty() || !writeIgrFile(fileName_, lists_, prompt_))
        return false;
    modified_ = false;
    return true;
}

IgrSaveAsResult IgrEditorModel::saveAs(const std::string& path)
{
    std::string target = path;
    if (fileNamePart(target).find('.') == std::string::npos)
        target += ".igr";
    const std::string directory = directoryPart(target);
    if (!lists_.empty() && directory != directory_) {
        error(".igr file must be in the directory of the .wav files !");
        return IgrSaveAsResult::WrongDirectory;
    }
    if (!writeIgrFile(target, lists_, prompt_))
        return IgrSaveAsResult::NotSaved;
    fileName_ = target;
    directory_ = directory;
    modified_ = false;
    return IgrSaveAsResult::Saved;
}

void IgrEditorModel::addSamples(IgrSection section, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        const std::string directory = directoryPart(path);
        if (!directory_.empty() && directory != directory_) {
            error("All .wav files must be in the directory shown above !");
            return;
        }
        const std::string fileName = fileNamePart(path);
        if (!storableName(fileName)) {
            error("The file name " + fileName +
                  " contains ',' or ';', which an .igr file cannot hold.\nPlease rename the file.");
            continue;
        }
        std::string readerError;
        if (!reader_(path, readerError)) {
            error(readerError);
            continue;
        }
        const std::string name = lowerCase(fileName);
        if (contains(section, name)) {
            error(duplicateText(section, name));
            continue;
        }
        // The first sample that goes in fixes the directory for the whole group.
        directory_ = directory;
        append(section, name);
    }
}

void IgrEditorModel::removeSamples(IgrSection section, const std::vector<int>& indices)
{
    std::vector<std::string> kept = names(section);
    const std::set<int> chosen(indices.begin(), indices.end());
    std::vector<std::string> remaining;
    for (int i = 0; i < static_cast<int>(kept.size()); ++i) {
        if (!chosen.contains(i))
            remaining.push_back(std::move(kept[static_cast<std::size_t>(i)]));
    }
    if (remaining.size() == kept.size())
        return;
    list(section) = joinNames(remaining);
    modified_ = true;
    if (lists_.empty()) {
        // Nothing left that ties the group to a folder: the next sample may come from anywhere.
        directory_.clear();
        fileName_.clear();
    }
}

void IgrEditorModel::pasteNames(IgrSection section, const std::string& text)
{
    for (const std::string& piece : splitNames(text, ",;")) {
        const std::string name = lowerCase(trimmed(piece));
        if (name.empty())
            continue;
        if (contains(section, name)) {
            error(duplicateText(section, name));
            continue;
        }
        append(section, name);
    }
}

bool IgrEditorModel::contains(IgrSection section, const std::string& name) const
{
    const std::vector<std::string> present = names(section);
    return std::find(present.begin(), present.end(), name) != present.end();
}

void IgrEditorModel::append(IgrSection section, const std::string& name)
{
    std::string& text = list(section);
    if (!splitNames(text).empty())
        text += ',';
    else
        text.clear();
    text += name;
    modified_ = true;
}

void IgrEditorModel::error(const std::string& text) const { prompt_.message(text, kCaption, PromptIcon::Error); }

std::string IgrEditorModel::duplicateText(IgrSection section, const std::string& name) const
{
    return name + (section == IgrSection::Programs ? " already included in this instrument."
                                                   : " already included for this drum.");
}

} // namespace velisto
