#include "app/SongDocument.h"

#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"

namespace velisto {

namespace fs = std::filesystem;

std::string saveQuestionText(std::string_view fileName)
{
    std::string text = "Save changes";
    if (!fileName.empty())
        text += " to " + std::string(fileName);
    return text + " ?";
}

SongDocument::SongDocument(Song& song, FrameState& frame, UndoStack& undo, DeviceTable& devices, Settings& settings,
                           UserPrompt& prompt, FileChooser& files)
    : song_(song), frame_(frame), undo_(undo), devices_(devices), settings_(settings), prompt_(prompt), files_(files)
{
}

std::vector<FileFilter> SongDocument::openFilters()
{
    return {{"Midi and karaoke files", {"*.mid", "*.kar", "*.MID", "*.KAR"}}};
}

std::vector<FileFilter> SongDocument::saveFilters() { return {{"Midi files", {"*.mid"}}, {"All Files", {"*"}}}; }

bool SongDocument::mayDiscardChanges()
{
    if (!frame_.modified)
        return true;
    const PromptAnswer answer = prompt_.askYesNoCancel(saveQuestionText(frame_.fileName),
                                                       std::string(kSaveQuestionTitle), PromptIcon::Question);
    if (answer == PromptAnswer::Cancel)
        return false;
    // Only this save's own result counts: an earlier successful save says nothing about
    // whether the changes made since then are safe.
    return answer != PromptAnswer::Yes || save();
}

bool SongDocument::saveQuestion(bool force)
{
    if (!force && !mayDiscardChanges())
        return false;
    clearSong(force);
    return true;
}

void SongDocument::clearSong(bool force)
{
    if (clearHandler_)
        clearHandler_();
    song_.clear(force ? std::nullopt : std::optional<std::int32_t>(devices_.defaultDevice()));
    devices_.resetReceiverModels();
    devices_.rebuildProgramIndexes(song_);
    frame_.selection.reset();
}

bool SongDocument::newSong()
{
    if (!idle() || !saveQuestion())
        return false;
    frame_.fileName.clear();
    frame_.filePath.clear();
    frame_.modified = false;
    song_.ppq = 120;
    undo_.clear();
    setWaveFileName(std::string(kNewSongWaveName));
    return true;
}

OpenOutcome SongDocument::open()
{
    if (!idle() || !mayDiscardChanges())
        return {};
    FileDialogRequest request;
    request.filters = openFilters();
    request.folder = settings_.midi.Directory;
    const std::optional<fs::path> path = files_.openFile(request);
    if (!path)
        return {};
    settings_.midi.Directory = path->parent_path().string();
    return load(*path);
}

OpenOutcome SongDocument::load(const fs::path& path)
{
    if (!idle())
        return {};
    LoadOptions options;
    options.applyKnobRecords = settings_.mixer.setknobswhileloadbyinternmeta;
    options.chooseKnobsByUsage = settings_.mixer.setauto;
    options.defaultDevice = devices_.defaultDevice();
    const auto afterRead = [this](const LoadResult& loaded) {
        if (clearHandler_)
            clearHandler_();
        devices_.resetReceiverModels();
        runPostLoadSteps(song_, devices_, settings_, loaded, prompt_, choose_);
    };
    const LoadResult loaded = MidiFileReader::load(path, song_, options, prompt_, afterRead);
    if (!loaded.ok)
        return {};
    frame_.fileName = path.filename().string();
    frame_.filePath = path.string();
    frame_.modified = false;
    frame_.selection.reset();
    undo_.clear();
    setWaveFileName(song_.waveFileName);
    return {true, loaded.formatZero};
}

bool SongDocument::save()
{
    if (!idle())
        return false;
    if (frame_.fileName.empty() || frame_.filePath.empty())
        return saveAs();
    return writeTo(frame_.filePath);
}

bool SongDocument::saveAs()
{
    if (!idle())
        return false;
    FileDialogRequest request;
    request.filters = saveFilters();
    request.folder = settings_.midi.Directory;
    request.defaultName = frame_.fileName;
    request.defaultExtension = ".mid";
    const std::optional<fs::path> path = files_.saveFile(request);
    if (!path)
        return false;
    settings_.midi.Directory = path->parent_path().string();
    if (!writeTo(*path))
        return false;
    frame_.fileName = path->filename().string();
    frame_.filePath = path->string();
    if (const std::optional<std::string> wave = waveFileNameFor(frame_.fileName))
        setWaveFileName(*wave);
    return true;
}

bool SongDocument::writeTo(const fs::path& path)
{
    if (!MidiFileWriter::write(path, song_, false, prompt_).ok)
        return false;
    frame_.modified = false;
    return true;
}

OpenOutcome SongDocument::openStartupFile()
{
    const std::string name = std::exchange(frame_.startupFile, {});
    if (name.empty())
        return {};
    return load(startupFileName(name));
}

UndoOutcome SongDocument::undo(bool postedByRun)
{
    if (!idle() || (frame_.listCellEditing && !postedByRun))
        return UndoOutcome::Nothing;
    const UndoOutcome outcome = undo_.undo(song_, prompt_);
    if (outcome == UndoOutcome::Undone || outcome == UndoOutcome::UndoneSilently)
        devices_.rebuildProgramIndexes(song_);
    // The song now differs from what the last save wrote. A test's undo only takes back
    // the test, so it leaves the flag as the test found it.
    if (outcome == UndoOutcome::Undone)
        frame_.modified = true;
    return outcome;
}

void SongDocument::setWaveFileName(const std::string& name)
{
    song_.waveFileName = name;
    settings_.midi2wav.Waveoutfilename = name;
}

} // namespace velisto
