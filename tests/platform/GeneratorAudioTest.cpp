#include "audio/GeneratorAudio.h"

#include "app/MemoryProfileStore.h"
#include "app/UserPrompt.h"
#include "audio/NullAudioSystem.h"
#include "midi/DeviceTable.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "sampler/Sampler.h"
#include "soundlib/SoundFontInstaller.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

// The generator's .igr path survives a close and a reopen, and the settings learn the
// path the user chose when the generator closes and at exit.
TEST(GeneratorAudioTest, KeepsAndStoresTheCurrentGroupPath)
{
    LoopbackMidiPortSystem ports({});
    MemoryProfileStore tableStore;
    MemoryProfileStore settings;
    DeviceTable table(ports, tableStore);
    SilentPrompt prompt;
    GeneratorAudio audio(std::make_unique<NullAudioSystem>());
    ASSERT_TRUE(audio.install(table, nullptr, "/groups/Start.igr", prompt, &settings));
    EXPECT_EQ(audio.sampler(), nullptr);

    ASSERT_EQ(table.open(DeviceTable::kGeneratorIndex), "");
    ASSERT_NE(audio.sampler(), nullptr);
    EXPECT_EQ(audio.sampler()->igrPath(), "/groups/Start.igr");
    audio.sampler()->setIgrPath("/groups/Other Case.igr");
    EXPECT_EQ(audio.igrPath(), "/groups/Other Case.igr");
    EXPECT_FALSE(settings.hasKey(kAudioSection, kIgrPathKey)) << "nothing written while open";

    ASSERT_EQ(table.close(DeviceTable::kGeneratorIndex), "");
    EXPECT_EQ(audio.sampler(), nullptr) << "no pointer to the freed sampler";
    EXPECT_EQ(settings.getString(kAudioSection, kIgrPathKey, ""), "/groups/Other Case.igr");

    ASSERT_EQ(table.open(DeviceTable::kGeneratorIndex), "");
    ASSERT_NE(audio.sampler(), nullptr);
    EXPECT_EQ(audio.sampler()->igrPath(), "/groups/Other Case.igr") << "the reopened generator keeps the choice";
    audio.sampler()->setIgrPath("");
    audio.storeIgrPath();
    EXPECT_EQ(settings.getString(kAudioSection, kIgrPathKey, "?"), "");
    ASSERT_EQ(table.close(DeviceTable::kGeneratorIndex), "");
}

} // namespace
} // namespace velisto
