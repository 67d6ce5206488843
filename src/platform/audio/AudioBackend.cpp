#include "audio/AudioBackend.h"

#include "audio/NullAudioSystem.h"
#include "audio/RtAudioSystem.h"
#include "sampler/CNotifyThread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace velisto {

namespace {

// Below the audio servers' own threads (70s-90s), above the MIDI clock (40): a refill
// that comes late is heard as a gap.
constexpr int kNotifyPriority = 50;

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower;
}

AudioBackendChoice null(std::string message) { return {std::make_unique<NullAudioSystem>(), std::move(message)}; }

void raiseNotifyThread() { raiseAudioThreadPriority(); }

} // namespace

bool raiseAudioThreadPriority()
{
    const int lowest = sched_get_priority_min(SCHED_FIFO);
    const int highest = sched_get_priority_max(SCHED_FIFO);
    if (lowest < 0 || highest < 0)
        return false;
    sched_param param{};
    param.sched_priority = std::clamp(kNotifyPriority, lowest, highest);
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

AudioBackendChoice chooseAudioSystem(std::string_view requested)
{
    const std::string name = lowerCase(requested);
    if (name == "null")
        return null({});
    if (!name.empty() && name != "alsa" && name != "pulse" && name != "jack")
        return null("VELISTO_AUDIO_API=\"" + std::string(requested) +
                    "\" is not one of alsa, pulse, jack, null; no sound is played");
    std::string error;
    std::unique_ptr<RtAudioSystem> system = RtAudioSystem::create(name, error);
    if (!system)
        return null(name.empty() ? std::string() : "VELISTO_AUDIO_API=" + name + ": " + error + "; no sound is played");
    if (name.empty() && system->devices().empty())
        return null({});
    return {std::move(system), {}};
}

std::unique_ptr<AudioSystem> createAudioSystem()
{
    CNotifyThread::setThreadStartHook(&raiseNotifyThread);
    const char* requested = std::getenv("VELISTO_AUDIO_API");
    AudioBackendChoice choice = chooseAudioSystem(requested != nullptr ? requested : "");
    if (!choice.message.empty())
        std::fprintf(stderr, "velisto: %s\n", choice.message.c_str());
    return std::move(choice.system);
}

} // namespace velisto
