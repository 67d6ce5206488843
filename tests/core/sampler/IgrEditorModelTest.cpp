#include "sampler/IgrEditorModel.h"

#include "core/midi/DeviceTestSupport.h"
#include "core/sampler/IgrTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::FakeSamples;
using test::igrImage;
using test::ScratchFolder;
using test::ScriptedPrompt;
using Lines = std::vector<std::string>;
constexpr IgrSection kPrograms = IgrSection::Programs;
constexpr IgrSection kDrums = IgrSection::Drums;

class IgrEditorModelTest : public ::testing::Test {
protected:
    IgrEditorModelTest() : folder_("igr-editor"), other_("igr-editor-other"), model_(prompt_, samples_.reader())
    {
        samples_.table["a.wav"] = {60, 1, 127};
        samples_.table["B.wav"] = {128, 100, 20};
        samples_.table["c.wav"] = {kNoOriginalKey, 0, 200};
        samples_.table["d.wav"] = {140, 10, 90};
        samples_.table["A.wav"] = {61, 1, 127};
        for (const auto& [name, info] : samples_.table)
            folder_.write(name, "");
    }
    Lines messages() const
    {
        Lines texts;
        for (const auto& shown : prompt_.messages)
            texts.push_back(shown.text);
        return texts;
    }

    ScratchFolder folder_;
    ScratchFolder other_;
    ScriptedPrompt prompt_;
    FakeSamples samples_;
    IgrEditorModel model_;
};

TEST_F(IgrEditorModelTest, AddingSamplesFixesTheDirectoryAndRefusesWhatCannotGoIn)
{
    model_.addSamples(kPrograms, {folder_.file("a.wav"), folder_.file("B.wav"), folder_.file("x,y.wav"),
                                  folder_.file("gone.wav"), folder_.file("A.wav")});
    EXPECT_EQ(model_.names(kPrograms), (Lines{"a.wav", "b.wav"}));
    EXPECT_EQ(model_.sampleDirectory(), folder_.dir());
    ASSERT_EQ(prompt_.messages.size(), 3u);
    EXPECT_NE(prompt_.messages[0].text.find("x,y.wav"), std::string::npos);
    EXPECT_EQ(prompt_.messages[1].text, "Can't open " + folder_.file("gone.wav"));
    EXPECT_EQ(prompt_.messages[2].text, "a.wav already included in this instrument.");
    EXPECT_EQ(prompt_.messages[2].title, "Velisto");
    EXPECT_EQ(prompt_.messages[2].icon, PromptIcon::Error);
    EXPECT_EQ(model_.title(), "Instrument group [] *");

    model_.select(kDrums, 36);
    model_.addSamples(kDrums, {folder_.file("a.wav"), other_.file("c.wav"), folder_.file("c.wav")});
    EXPECT_EQ(model_.names(kDrums), Lines{"a.wav"}); // stops at the file from elsewhere
    model_.addSamples(kDrums, {folder_.file("a.wav")});
    EXPECT_EQ(messages().back(), "a.wav already included for this drum.");
    EXPECT_EQ(messages()[3], "All .wav files must be in the directory shown above !");
    EXPECT_EQ(model_.lists().drums[36], "a.wav");
}

TEST_F(IgrEditorModelTest, ShownLinesNameKeyAndVelocity)
{
    model_.addSamples(kPrograms,
                      {folder_.file("a.wav"), folder_.file("B.wav"), folder_.file("c.wav"), folder_.file("d.wav")});
    model_.pasteNames(kPrograms, "lost.wav");
    EXPECT_EQ(model_.shownLines(kPrograms),
              (Lines{"a.wav, key C5, velocity 1-127", "b.wav, key C*, velocity 1-127", "c.wav, key ?, velocity 1-127",
                     "d.wav, key bad key, velocity 10-90", "lost.wav load err"}));
    model_.pasteNames(kDrums, "a.wav");
    EXPECT_EQ(model_.shownLines(kDrums), Lines{"a.wav, velocity 1-127"});
    EXPECT_EQ(editorKeyText(139), "B*");
    EXPECT_EQ(editorKeyText(127), "G10");
}

TEST_F(IgrEditorModelTest, PasteSplitsAtCommaAndSemicolonAndReportsDuplicates)
{
    model_.pasteNames(kPrograms, "A.wav; b.wav,a.wav\n,,");
    EXPECT_EQ(model_.names(kPrograms), (Lines{"a.wav", "b.wav"}));
    EXPECT_EQ(messages(), Lines{"a.wav already included in this instrument."});
    // The same title as every other change.
    EXPECT_EQ(model_.title(), "Instrument group [] *");
    EXPECT_EQ(model_.copyText(kPrograms), "a.wav,b.wav");
}

TEST_F(IgrEditorModelTest, RemovingTheLastSampleFreesDirectoryAndFileName)
{
    folder_.write("g.igr", igrImage({{0, "a.wav,b.wav,c.wav"}}, {{1, "a.wav"}}));
    ASSERT_TRUE(model_.open(folder_.file("g.igr"), {}));
    EXPECT_EQ(model_.title(), "Instrument group [" + folder_.file("g.igr") + "]");
    model_.removeSamples(kPrograms, {0, 2});
    EXPECT_EQ(model_.lists().programs[0], "b.wav");
    EXPECT_TRUE(model_.modified());
    model_.removeSamples(kPrograms, {0});
    EXPECT_EQ(model_.sampleDirectory(), folder_.dir()); // a drum list still holds a sample
    model_.select(kDrums, 1);
    model_.removeSamples(kDrums, {0});
    EXPECT_EQ(model_.sampleDirectory(), "");
    EXPECT_EQ(model_.fileName(), "");
    model_.addSamples(kPrograms, {other_.file("a.wav")});
    EXPECT_EQ(model_.sampleDirectory(), other_.dir());
}

TEST_F(IgrEditorModelTest, SaveAsChecksTheDirectoryAndRoundTrips)
{
    model_.addSamples(kPrograms, {folder_.file("a.wav")});
    EXPECT_FALSE(model_.save()); // no name yet
    EXPECT_EQ(model_.saveAs(other_.file("g.igr")), IgrSaveAsResult::WrongDirectory);
    EXPECT_EQ(messages().back(), ".igr file must be in the directory of the .wav files !");
    ASSERT_EQ(model_.saveAs(folder_.file("group")), IgrSaveAsResult::Saved);
    EXPECT_EQ(model_.fileName(), folder_.file("group.igr"));
    EXPECT_FALSE(model_.modified());

    IgrEditorModel reopened(prompt_, samples_.reader());
    ASSERT_TRUE(reopened.open(folder_.file("group.igr"), {}));
    EXPECT_EQ(reopened.lists(), model_.lists());
    EXPECT_EQ(reopened.shownLines(kPrograms), Lines{"a.wav, key C5, velocity 1-127"});

    std::string notIgr = igrImage({});
    notIgr[7] = 'x';
    folder_.write("bad.igr", notIgr);
    EXPECT_FALSE(reopened.open(folder_.file("bad.igr"), {}));
    EXPECT_FALSE(reopened.open(folder_.file("none.igr"), {}));
    const Lines shown = messages();
    EXPECT_EQ(Lines(shown.end() - 2, shown.end()), (Lines{"No valid Velisto .igr file", "Can't read file"}));
    EXPECT_EQ(reopened.fileName(), folder_.file("group.igr"));
}

TEST_F(IgrEditorModelTest, UnsavedChangesAreAskedAbout)
{
    int saves = 0;
    const auto save = [&] { return ++saves, true; };
    EXPECT_TRUE(model_.newFile(save)); // nothing to ask
    model_.pasteNames(kPrograms, "a.wav");
    prompt_.answers = {PromptAnswer::Cancel, PromptAnswer::Yes, PromptAnswer::No};
    EXPECT_FALSE(model_.newFile(save));
    EXPECT_EQ(model_.names(kPrograms), Lines{"a.wav"});
    EXPECT_TRUE(model_.confirmDiscard(save));
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(model_.newFile(save));
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(model_.lists().empty());
    ASSERT_EQ(prompt_.questions.size(), 3u);
    EXPECT_EQ(prompt_.questions[0].text, "Save changes ?");
    EXPECT_EQ(prompt_.questions[0].title, "Velisto");
}

TEST_F(IgrEditorModelTest, SelectorsStopAtTheEnds)
{
    EXPECT_EQ(model_.selectorText(kPrograms), "1 of 128 Instruments");
    model_.step(kPrograms, -1);
    EXPECT_EQ(model_.selected(kPrograms), 0);
    model_.select(kDrums, 127);
    model_.step(kDrums, 1);
    EXPECT_EQ(model_.selectorText(kDrums), "128 of 128 drum-instruments");
}

} // namespace
} // namespace velisto
