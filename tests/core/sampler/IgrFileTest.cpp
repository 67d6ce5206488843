#include "sampler/IgrFile.h"

#include "core/midi/DeviceTestSupport.h"
#include "core/sampler/IgrTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::igrImage;
using test::ScratchFolder;
using test::ScriptedPrompt;

TEST(IgrFileTest, EditorReadCopiesListsLowerCasedAndRefusesWhatIsNoGroup)
{
    ScratchFolder folder("igr-file-read");
    folder.write("a.igr", igrImage({{0, "A.wav,b.WAV"}, {127, ",x.wav"}}, {{35, "Kick\xC4.wav"}}) + "tail");
    IgrLists lists;
    ASSERT_EQ(readIgrFile(folder.file("a.igr"), lists), IgrReadStatus::Ok);
    EXPECT_EQ(lists.programs[0], "a.wav,b.wav");
    EXPECT_EQ(lists.programs[127], ",x.wav");
    EXPECT_EQ(lists.drums[35], "kick\xC4.wav"); // bytes beyond ASCII stay
    EXPECT_FALSE(lists.empty());

    std::string wrongMagic = igrImage({});
    wrongMagic[7] = ':';
    folder.write("b.igr", wrongMagic);
    EXPECT_EQ(readIgrFile(folder.file("b.igr"), lists), IgrReadStatus::NotIgr);
    const std::string whole = igrImage({});
    folder.write("c.igr", whole.substr(0, whole.size() - 2)); // 255 lists
    EXPECT_EQ(readIgrFile(folder.file("c.igr"), lists), IgrReadStatus::NotIgr);
    EXPECT_EQ(readIgrFile(folder.file("none.igr"), lists), IgrReadStatus::CannotOpen);
    EXPECT_EQ(lists.programs[0], "a.wav,b.wav"); // failed reads leave the lists alone
}

TEST(IgrFileTest, WriteProducesTheFormatAndReadsBack)
{
    ScratchFolder folder("igr-file-write");
    IgrLists lists;
    lists.programs[0] = "a.wav,b.wav";
    lists.drums[127] = "z.wav";
    ScriptedPrompt prompt;
    ASSERT_TRUE(writeIgrFile(folder.file("g.igr"), lists, prompt));
    std::ifstream in(folder.file("g.igr"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, igrImage({{0, "a.wav,b.wav"}}, {{127, "z.wav"}}));
    IgrLists read;
    ASSERT_EQ(readIgrFile(folder.file("g.igr"), read), IgrReadStatus::Ok);
    EXPECT_EQ(read, lists);
    EXPECT_TRUE(prompt.questions.empty());
}

TEST(IgrFileTest, FailedWriteAsksRetryCancel)
{
    ScratchFolder folder("igr-file-unwritable");
    std::filesystem::create_directory(folder.file("g.igr")); // a folder can't be written as a file
    ScriptedPrompt prompt;
    prompt.answers = {PromptAnswer::Retry, PromptAnswer::Cancel};
    EXPECT_FALSE(writeIgrFile(folder.file("g.igr"), IgrLists(), prompt));
    ASSERT_EQ(prompt.questions.size(), 2u);
    EXPECT_EQ(prompt.questions[0].text, "Can't write file. Writeable medium ? If so check write protection.");
    EXPECT_EQ(prompt.questions[0].title, "Write .igr");
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("g.igr")));
}

TEST(IgrFileTest, SampleDirectoryPrefersTheExactNameThenMatchesAnyCase)
{
    ScratchFolder folder("igr-file-case");
    folder.write("Snare.wav", "");
    folder.write("SNARE.wav", "");
    folder.write("kick.wav", "");
    folder.write("KICK.WAV", "");
    SampleDirectory samples(folder.dir());
    EXPECT_EQ(samples.resolve("kick.wav"), folder.file("kick.wav"));
    EXPECT_EQ(samples.resolve("snare.wav"), folder.file("SNARE.wav")); // first in byte order
    EXPECT_EQ(samples.resolve("tom.wav"), folder.file("tom.wav"));
}

} // namespace
} // namespace velisto
