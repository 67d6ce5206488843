#include "core/sampler/SamplerTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::SamplerRig;
using test::TestSample;

constexpr std::size_t kSecond = 44100;

TEST(SamplerVoiceTest, PitchFollowsKeyDistanceAndJokers)
{
    SamplerRig rig;
    // 441 Hz at key 48, looped over whole periods.
    rig.addSample("tone.wav", {test::sine(4400, 100), 1, 48, std::pair{0u, 4400u}});
    rig.addSample("c.wav", {test::sine(4400, 100), 1, 128, std::pair{0u, 4400u}});
    rig.load({{0, "tone.wav"}, {1, "c.wav"}});
    ASSERT_EQ(rig.sampler->loadedProgram(0), 0);

    rig.noteOn(0, 60);
    auto out = rig.render(1.2);
    // 44100 * 1.0595^12 = 88236 samples per second.
    EXPECT_NEAR(test::pitchOf(out, kSecond / 10, kSecond), 441.0 * 88236 / 44100, 2.0);
    rig.sampler->releaseChannel(0);

    // A joker C sounds every C at its recorded pitch, and nothing else unshifted.
    rig.programChange(1, 1);
    for (const int key : {24, 60, 96}) {
        rig.noteOn(1, key);
        out = rig.render(0.6);
        EXPECT_NEAR(test::pitchOf(out, kSecond / 10, kSecond / 2), 441.0, 2.0) << key;
        rig.sampler->releaseChannel(1);
    }
    rig.noteOn(1, 62); // two keys above its pitch class
    out = rig.render(0.6);
    EXPECT_NEAR(test::pitchOf(out, kSecond / 10, kSecond / 2), 441.0 * 1.0595 * 1.0595, 2.0);
}

TEST(SamplerVoiceTest, FrequencyLimitRefusesTooHighNotesWithWarning)
{
    EXPECT_EQ(voiceFrequency(1.0 / semitonePower(12), 0, 0), 88236);
    EXPECT_EQ(voiceFrequency(1.0 / semitonePower(24), 8191, 2), 198178);
    EXPECT_EQ(voiceFrequency(1.0 / semitonePower(25), 8191, 2), 209970);
    EXPECT_EQ(voiceFrequency(1.0, -8192, 2), static_cast<std::int64_t>(44100 / (1 + (1.0595 * 1.0595 - 1))));

    SamplerRig rig;
    rig.addSample("low.wav", {test::sine(4400, 100), 1, 36, std::pair{0u, 4400u}});
    rig.load({{0, "low.wav"}});
    const auto& def = rig.device.liveState.definition();
    rig.device.liveState.setRpnValue(0, def.slotOf(ParamKind::Rpn, 0), 2);
    rig.device.liveState.setPitchBend(0, 127, 127);
    rig.noteOn(0, 60);
    EXPECT_EQ(rig.sampler->voiceCount(), 1);
    rig.noteOn(0, 61);
    EXPECT_EQ(rig.sampler->voiceCount(), 1);
    EXPECT_NE(rig.monitor.text().find("Warning : Velisto's Internal Sound Generator, MIDI channel 1, key C#5 not "
                                      "started.\r\nTotal frequency (key plus pitch wheel) for C#5 too high."),
              std::string::npos);
    const auto out = rig.render(0.5);
    EXPECT_NEAR(test::pitchOf(out, kSecond / 10, kSecond / 4), 441.0 * 198178 / 44100, 8.0);

    // A bend that would push the sounding voice over the limit is refused and reported.
    rig.device.liveState.setRpnValue(0, def.slotOf(ParamKind::Rpn, 0), 3);
    EXPECT_EQ(rig.sampler->retuneChannel(0), std::vector<int>{60});
}

TEST(SamplerVoiceTest, LoopPlaysSeamlesslyAcrossRefillsForMinutes)
{
    SamplerRig rig;
    // An irregular loop not aligned to the ring's halves.
    constexpr std::uint32_t kStart = 1001;
    constexpr std::uint32_t kEnd = 7777;
    std::vector<std::int16_t> data(8000);
    std::uint32_t x = 12345;
    for (auto& v : data) {
        x = x * 1103515245 + 12345;
        v = static_cast<std::int16_t>((x >> 16) % 40000 - 20000);
    }
    rig.addSample("loop.wav", {data, 1, 60, std::pair{kStart, kEnd}});
    rig.load({{0, "loop.wav"}});
    rig.noteOn(0, 60);
    const auto out = rig.render(150.0);
    const std::size_t delay = rig.mixer.master().latencyFrames();
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i + delay < out.size() / 2; ++i) {
        const std::size_t src = i < kEnd ? i : kStart + (i - kStart) % (kEnd - kStart);
        const float want = data[src] / 32768.0F;
        if (std::abs(out[2 * (i + delay)] - want) > 1e-4F || std::abs(out[2 * (i + delay) + 1] - want) > 1e-4F)
            ++mismatches;
    }
    EXPECT_EQ(mismatches, 0U);
}

// Level of a steady sample after a note: DC makes the fade directly visible.
TestSample steady(std::int16_t value, int frames = 4000)
{
    return {std::vector<std::int16_t>(static_cast<std::size_t>(frames), value), 1, 60, std::pair{0u, 4000u}};
}

TEST(SamplerVoiceTest, ReleaseFadeLastsTheTableTime)
{
    for (const auto& [program, ms] : {std::pair{0, 150}, std::pair{33, 75}, std::pair{48, 300}}) {
        SamplerRig rig;
        rig.addSample("dc.wav", steady(16000));
        rig.load({{program, "dc.wav"}});
        rig.programChange(0, program);
        rig.noteOn(0, 60);
        auto out = rig.render(0.3);
        const float full = out[out.size() - 2];
        ASSERT_NEAR(full, 16000 / 32768.0F, 1e-3F);
        rig.noteOff(0, 60);
        out = rig.render(1.0);
        std::size_t fadeStart = 0;
        while (fadeStart < out.size() / 2 && out[2 * fadeStart] >= full * 0.999F)
            ++fadeStart;
        std::size_t silent = fadeStart;
        while (silent < out.size() / 2 && out[2 * silent] > 1e-6F)
            ++silent;
        ASSERT_LT(silent, out.size() / 2) << program;
        EXPECT_LT(fadeStart, kSecond / 5) << program; // within about a half ring
        EXPECT_NEAR((silent - fadeStart) * 1000.0 / kSecond, ms, 2.0) << program;
        EXPECT_EQ(rig.sampler->voiceCount(), 0) << program;
    }
}

TEST(SamplerVoiceTest, VelocityVolumeAndPanShapeTheLevel)
{
    EXPECT_EQ(volumeAndPan(0.0, 64).volume, kVolumeSilent);
    EXPECT_EQ(volumeAndPan(1.0, 0).pan, kPanLeft);
    EXPECT_EQ(volumeAndPan(1.0, 128).pan, kPanRight);
    EXPECT_NEAR(levelCurve(0), 0.0114, 1e-4);

    SamplerRig rig;
    rig.addSample("dc.wav", steady(16000));
    rig.load({{0, "dc.wav"}});
    const float full = 16000 / 32768.0F;
    const float curve64 = static_cast<float>(levelCurve(64)); // 0.26164
    rig.noteOn(0, 60, 64);
    auto out = rig.render(0.2);
    EXPECT_NEAR(out[out.size() - 2], full * curve64, full * 0.002F);

    rig.setController(0, Cc::Volume, 64);
    out = rig.render(0.1);
    EXPECT_NEAR(out[out.size() - 2], full * curve64 * curve64, full * 0.002F);

    rig.setController(0, Cc::Volume, 127);
    rig.setController(0, Cc::Pan, 0);
    out = rig.render(0.1);
    EXPECT_NEAR(out[out.size() - 2], full * curve64 * 2, full * 0.004F);
    EXPECT_EQ(out[out.size() - 1], 0.0F);
    rig.setController(0, Cc::Pan, 127);
    out = rig.render(0.1);
    EXPECT_LT(out[out.size() - 2], out[out.size() - 1] * 0.02F);
    rig.setController(0, Cc::Pan, 64);
    out = rig.render(0.1);
    EXPECT_EQ(out[out.size() - 2], out[out.size() - 1]);

    // The master volume scales every voice on the channels' curve (64 << 7: half way).
    const float centred = out[out.size() - 2];
    ASSERT_TRUE(rig.device.liveState.setMasterVolume(64 << 7));
    rig.sampler->updateChannelMix(0, Cc::Volume);
    out = rig.render(0.1);
    EXPECT_NEAR(out[out.size() - 2], centred * curve64, full * 0.002F);
}

TEST(SamplerVoiceTest, DrumsChokeOpenHiHatAndPlayOneShotsToTheEnd)
{
    SamplerRig rig;
    rig.addSample("open.wav", steady(8000));
    rig.addSample("closed.wav", steady(3000));
    // A 1 s one-shot: long enough that a release would cut it short.
    rig.addSample("kick.wav", {std::vector<std::int16_t>(44100, 5000), 1, 36, std::nullopt});
    rig.load({}, {{46, "open.wav"}, {42, "closed.wav"}, {36, "kick.wav"}});
    ASSERT_TRUE(rig.sampler->drumLoaded(9));

    rig.noteOn(9, 46);
    auto out = rig.render(0.1);
    EXPECT_NEAR(out[out.size() - 2], 8000 / 32768.0F, 1e-3F);
    rig.sampler->stopOpenHiHat(9);
    rig.noteOn(9, 42);
    out = rig.render(0.1);
    EXPECT_NEAR(out[out.size() - 2], 3000 / 32768.0F, 1e-3F);
    EXPECT_EQ(rig.sampler->voiceCount(), 1);
    rig.sampler->releaseChannel(9);

    rig.noteOn(9, 36);
    rig.noteOff(9, 36); // ignored: the one-shot plays on
    out = rig.render(1.2);
    // From the look-ahead on: before it, what the mixer held back of the hi-hat.
    const std::size_t delay = rig.mixer.master().latencyFrames();
    std::size_t sounding = 0;
    while (delay + sounding < out.size() / 2 && out[2 * (delay + sounding)] > 0.0F)
        ++sounding;
    EXPECT_NEAR(static_cast<double>(sounding), 44100.0, 2.0);
    EXPECT_EQ(rig.sampler->voiceCount(), 0);
}

TEST(SamplerVoiceTest, Gm2DrumPanComesFromTheChannelKeyMap)
{
    SamplerRig rig;
    DeviceMidiState& state = rig.device.liveState;
    ASSERT_TRUE(state.setMode(MidiMode::GM2));
    state.reset(ResetKind::MidiMode);
    rig.setController(9, Cc::Volume, 127);
    const int keyMap = state.keyMapOfChannel(9);
    ASSERT_GE(keyMap, 0);
    ASSERT_TRUE(state.setKeyBasedValue(keyMap, 38, state.definition().keyBasedSlotOf(Cc::Pan), 0));
    rig.addSample("snare.wav", steady(8000));
    rig.load({}, {{38, "snare.wav"}, {40, "snare.wav"}});
    rig.noteOn(9, 38);
    auto out = rig.render(0.1);
    EXPECT_GT(out[out.size() - 2], 0.2F);
    EXPECT_EQ(out[out.size() - 1], 0.0F);
    rig.sampler->releaseChannel(9);
    rig.noteOn(9, 40); // key 40 keeps its kit pan: both sides sound
    out = rig.render(0.1);
    EXPECT_GT(out[out.size() - 1], 0.0F);
}

TEST(SamplerVoiceTest, SlotTableFullReportsNoFreeVoices)
{
    SamplerRig rig;
    rig.addSample("dc.wav", steady(100));
    rig.load({{0, "dc.wav"}});
    ASSERT_EQ(rig.sampler->mastervoiceCount(), 1);
    for (int i = 0; i < kVoiceSlots - 1; ++i)
        rig.noteOn(0, 60);
    EXPECT_EQ(rig.sampler->voiceCount(), kVoiceSlots - 1);
    EXPECT_EQ(rig.mixer.count(), static_cast<std::size_t>(kVoiceSlots - 1));
    rig.noteOn(0, 60);
    EXPECT_EQ(rig.sampler->voiceCount(), kVoiceSlots - 1);
    EXPECT_EQ(rig.sampler->status().text.rfind("No free voices", 0), 0U);
    EXPECT_NE(rig.monitor.text().find("MIDI channel 1,key C5 no free voice"), std::string::npos);
    // Note offs take the oldest voice first and free it at the end of its release.
    rig.noteOff(0, 60);
    rig.render(0.5);
    EXPECT_EQ(rig.sampler->voiceCount(), kVoiceSlots - 2);
}

} // namespace
} // namespace velisto
