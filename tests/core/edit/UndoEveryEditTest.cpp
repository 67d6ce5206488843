// Every edit function, applied to a real multi-track song after its undo step, is taken
// back exactly: the song written again has the same bytes as before the edit.

#include "app/UserPrompt.h"
#include "edit/Clipboard.h"
#include "edit/EditFrame.h"
#include "edit/StructuralEdits.h"
#include "edit/Transforms.h"
#include "edit/UndoStack.h"
#include "edit/ValueChange.h"
#include "midi/ProgramIndex.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velisto {
namespace {

namespace fs = std::filesystem;

TEST(UndoEveryEditTest, EachEditIsUndoneToTheSameBytes)
{
    const fs::path file = fs::path(VELISTO_TEST_DATA_DIR) / "corpus/midi/public/debian-planetblupi/music000.mid";
    SilentPrompt prompt;
    auto song = std::make_unique<Song>();
    LoadOptions load;
    load.silent = true;
    ASSERT_TRUE(MidiFileReader::load(file, *song, load, prompt).ok);
    const fs::path folder = fs::temp_directory_path() / ("velisto-undo-every-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    UndoStack stack(folder);

    Selection selection{1, 6, 2, 9};
    const EventFilterSettings filter;
    Clipboard clipboard;
    const ProgramIndex programs;
    using Edit = std::pair<std::string, std::function<bool(Song&)>>;
    const std::vector<Edit> edits{
        {"Quantize",
         [&](Song& s) {
             return quantize(s, editScope(s, selection, filter), {false, true, 97, true, 31});
         }},
        {"pitch",
         [&](Song& s) {
             return changePitch(s, editScope(s, selection, filter), {false, 5, 0, 0});
         }},
        {"Move", [&](Song& s) { return moveEvents(s, editScope(s, selection, filter), -700); }},
        {"Notelength", [&](Song& s) { return setNoteLength(s, editScope(s, selection, filter), 33); }},
        {"Channel change",
         [&](Song& s) {
             const MidiEvent* note = nullptr;
             for (const MidiEvent& event : s.tracks[2].events())
                 if (!note && event.kind() == EventKind::Note)
                     note = &event;
             const int from = note ? note->channel() : 0;
             return changeChannel(s, editScope(s, selection, filter), from, (from + 1) % 16, false);
         }},
        {"Value change",
         [&](Song& s) {
             ValueChangeOptions options;
             options.percent = true;
             options.constant = -40;
             return changeValues(s, editScope(s, selection, filter), options);
         }},
        {"Delete", [&](Song& s) { return deleteMeasures(s, measureRange(s, selection, 0, 0)); }},
        {"Insert", [&](Song& s) { return insertMeasures(s, measureRange(s, selection, 0, 0)); }},
        {"Paste",
         [&](Song& s) {
             clipboard.copy(s, selection);
             PasteCursor cursor{3, 20};
             return pasteEvents(s, clipboard, cursor, std::nullopt);
         }},
        {"Insert Track", [&](Song& s) { return insertTrack(s, 2, false, prompt); }},
        {"Delete Track", [&](Song& s) { return deleteTrack(s, 1, false, prompt); }},
        {"Split Channels",
         [&](Song& s) {
             return splitChannels(s, 2, false, programs, 0, {true, false}, prompt);
         }},
    };
    for (const auto& [name, edit] : edits) {
        const auto before = MidiFileWriter::encode(*song, true).bytes;
        // The path every dialog's OK takes: undo step, edit, result sound.
        EXPECT_EQ(applyEdit(stack, *song, name, "Editing...", prompt, edit), kSoundChanged)
            << name << " changed nothing";
        EXPECT_NE(MidiFileWriter::encode(*song, true).bytes, before) << name << " left the song as it was";
        ASSERT_NE(stack.undo(*song, prompt), UndoOutcome::Failed) << name;
        EXPECT_EQ(MidiFileWriter::encode(*song, true).bytes, before) << name << " was not undone exactly";
    }
    // Nothing to change: the other sound, and still an undo step.
    const std::size_t steps = stack.descriptions().size();
    EXPECT_EQ(applyEdit(stack, *song, "Move", "Moving...", prompt,
                        [&](Song& s) {
                            return moveEvents(s, editScope(s, Selection{200, 210, 0, 1}, filter), 5);
                        }),
              kSoundUnchanged);
    EXPECT_EQ(stack.descriptions().size(), steps + 1);
    fs::remove_all(folder);
}

} // namespace
} // namespace velisto
