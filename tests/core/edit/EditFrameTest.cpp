#include "edit/EditFrame.h"

#include "app/UserPrompt.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velisto {
namespace {

class RecordingPrompt : public SilentPrompt {
public:
    std::vector<std::string> messages;
    void message(const std::string& text, const std::string&, PromptIcon) override { messages.push_back(text); }
};

TEST(EditFrameTest, SelectsTheCurrentTrackFromTheCursorToItsLastEvent)
{
    Song song;
    song.tracks[3].append(MidiEvent::note(measureStart(song, 2), 0, 60, 100, 60));
    song.tracks[3].append(MidiEvent::note(measureStart(song, 5) + 7, 0, 62, 100, 60));
    RecordingPrompt prompt;

    EXPECT_EQ(selectionForEdit(song, std::nullopt, 3, 4, prompt), (Selection{3, 3, 4, 5}));
    EXPECT_EQ(selectionForEdit(song, std::nullopt, 3, 5, prompt), (Selection{3, 3, 5, 5}));
    EXPECT_TRUE(prompt.messages.empty());

    // Past the last event, and an empty track.
    EXPECT_FALSE(selectionForEdit(song, std::nullopt, 3, 6, prompt));
    EXPECT_FALSE(selectionForEdit(song, std::nullopt, 4, 0, prompt));
    EXPECT_EQ(prompt.messages, (std::vector<std::string>{"No selection", "No selection"}));

    // An existing selection is used as it is, even on an empty track.
    const Selection made{7, 9, 1, 2};
    EXPECT_EQ(selectionForEdit(song, made, 4, 0, prompt), made);
}

TEST(EditFrameTest, RefusesSelectionsTheFunctionCannotUse)
{
    Song song;
    song.tracks[1].device = 0;
    song.tracks[2].device = 0;
    song.tracks[3].device = 1;
    RecordingPrompt prompt;
    EXPECT_TRUE(selectionOnOneDevice(song, Selection{1, 2, 0, 0}, prompt));
    EXPECT_FALSE(selectionOnOneDevice(song, Selection{2, 3, 0, 0}, prompt));

    EXPECT_TRUE(acceptsCurrentTrackFunction(TrackFunction::DeleteTrack, std::nullopt, prompt));
    EXPECT_FALSE(acceptsCurrentTrackFunction(TrackFunction::InsertTrack, Selection{}, prompt));
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0], kMixedDevicesText);
    EXPECT_EQ(prompt.messages[1], "In contrast to some other edit functions\n'insert track' doesn't use a selection, "
                                  "it always affects the current track.\nPlease release selection.");
}

} // namespace
} // namespace velisto
