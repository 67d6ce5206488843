#include "midi/MidiBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace velisto {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A JACK server name nobody runs, so that "jack" finds no server whatever runs here.
constexpr const char* absentJackServer = "velisto-test-no-such-server";

bool sequencerOpens()
{
    const int fd = ::open("/dev/snd/seq", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

TEST(MidiBackend, NoneHasNoPortsAndOpensNothing)
{
    for (const char* name : {"none", "NONE", "None"}) {
        const MidiBackendChoice choice = chooseMidiPortSystem(name);
        ASSERT_TRUE(choice.system) << name;
        EXPECT_EQ(choice.system->apiName(), "none");
        EXPECT_TRUE(choice.message.empty()) << choice.message;
        EXPECT_TRUE(choice.system->outputPortNames().empty());
        const MidiOutOpenResult opened = choice.system->openOutput(0);
        EXPECT_FALSE(opened.port);
        EXPECT_EQ(opened.error, MidiOpenError::BadDeviceId);
        EXPECT_TRUE(choice.system->inputPortNames().empty());
        const MidiInOpenResult input = choice.system->openInput(0, [](const MidiInMessage&) {});
        EXPECT_FALSE(input.port);
        EXPECT_EQ(input.error, MidiOpenError::BadDeviceId);
        EXPECT_FALSE(input.detail.empty());
    }
}

TEST(MidiBackend, UnknownNameGivesNoneAndSaysWhy)
{
    const MidiBackendChoice choice = chooseMidiPortSystem("winmm");
    ASSERT_TRUE(choice.system);
    EXPECT_EQ(choice.system->apiName(), "none");
    EXPECT_NE(choice.message.find("\"winmm\""), std::string::npos) << choice.message;
    EXPECT_NE(choice.message.find("alsa, jack, none"), std::string::npos) << choice.message;
}

TEST(MidiBackend, UnavailableSystemGivesNoneAndSaysWhy)
{
    const ScopedEnv server("JACK_DEFAULT_SERVER", absentJackServer);
    const MidiBackendChoice jack = chooseMidiPortSystem("jack");
    ASSERT_TRUE(jack.system);
    EXPECT_EQ(jack.system->apiName(), "none");
    EXPECT_NE(jack.message.find("no JACK server"), std::string::npos) << jack.message;

    if (sequencerOpens())
        GTEST_SKIP() << "an ALSA sequencer exists here, so \"alsa\" cannot be shown failing";
    const MidiBackendChoice alsa = chooseMidiPortSystem("alsa");
    ASSERT_TRUE(alsa.system);
    EXPECT_EQ(alsa.system->apiName(), "none");
    EXPECT_NE(alsa.message.find("ALSA sequencer"), std::string::npos) << alsa.message;
}

TEST(MidiBackend, AutomaticChoiceTakesTheSequencerElseNone)
{
    const ScopedEnv server("JACK_DEFAULT_SERVER", absentJackServer);
    const MidiBackendChoice choice = chooseMidiPortSystem("");
    ASSERT_TRUE(choice.system);
    EXPECT_TRUE(choice.message.empty()) << choice.message;
    EXPECT_EQ(choice.system->apiName(), sequencerOpens() ? "alsa" : "none");
}

TEST(MidiBackend, CreateReadsTheEnvironment)
{
    {
        const ScopedEnv api("VELISTO_MIDI_API", "none");
        const auto system = createMidiPortSystem();
        ASSERT_TRUE(system);
        EXPECT_EQ(system->apiName(), "none");
    }
    {
        const ScopedEnv api("VELISTO_MIDI_API", "bogus");
        testing::internal::CaptureStderr();
        const auto system = createMidiPortSystem();
        const std::string printed = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(system);
        EXPECT_EQ(system->apiName(), "none");
        EXPECT_NE(printed.find("\"bogus\""), std::string::npos) << printed;
    }
}

} // namespace
} // namespace velisto
