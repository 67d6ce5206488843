// The window slots, the view geometry, the dialogs' field rules and the marks by address.
#include "waveeditor/WaveDialogRules.h"
#include "waveeditor/WaveEditorSlots.h"
#include "waveeditor/WaveViewModel.h"

#include "core/waveeditor/WaveEditTestSupport.h"
#include "sampler/SampleMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velisto {
namespace {

using namespace test;

TEST(WaveEditorSlots, TenWindowsOneFileEachFoundThroughLinks)
{
    ScratchFolder folder("wave-slots");
    writeBytes(folder.path() / "a.wav", Bytes{1});
    std::filesystem::create_symlink(folder.path() / "a.wav", folder.path() / "b.wav");
    WaveEditorSlots slots;
    for (int i = 0; i < kMaxWaveEditors; ++i)
        EXPECT_EQ(slots.acquire(), i);
    EXPECT_EQ(slots.acquire(), std::nullopt); // the eleventh: kTooManyWaveEditorsText
    slots.release(4);
    EXPECT_EQ(slots.count(), 9);
    EXPECT_EQ(slots.acquire(), 4);
    slots.setFile(7, fileIdentity(folder.path() / "a.wav"));
    EXPECT_EQ(slots.windowWithFile(folder.path() / "b.wav"), 7);
    EXPECT_EQ(slots.windowWithFile(folder.path() / "missing.wav"), std::nullopt);
    slots.release(7);
    EXPECT_EQ(slots.windowWithFile(folder.path() / "a.wav"), std::nullopt);

    // Windows opened one after another at the stored place step down; a moved one frees it.
    EXPECT_EQ(cascadedTop(100, 300, {}), 100);
    EXPECT_EQ(cascadedTop(100, 300, {{100, 400}, {122, 422}}), 144);
    EXPECT_EQ(cascadedTop(100, 300, {{122, 422}}), 100);
    EXPECT_EQ(cascadedTop(100, 300, {{100, 350}}), 100); // same top, other bottom

    EXPECT_EQ(waveEditorTitle("kick.wav", 22050, 8, 1), "Wave editor [kick.wav] 22050 Hz 8 bit mono");
    EXPECT_EQ(waveEditorTitle("pad.wav", 44100, 24, 2), "Wave editor [pad.wav] 44100 Hz 24 bit stereo");
}

TEST(WaveViewModel, ColumnsZoomPeaksAndFlags)
{
    WaveViewModel view;
    view.setSize(60000, 100);
    view.zoomToFit();
    EXPECT_EQ(view.framesPerPixel(), 600);
    EXPECT_TRUE(view.drawsFastView());
    EXPECT_FALSE(view.exactPosition());
    EXPECT_EQ(view.frameAt(10.5), 6300);
    EXPECT_EQ(view.frameAt(-5), 0);
    EXPECT_EQ(view.frameAt(1000), 60000);

    FastViewImage image;
    image.left.assign(200, 10);
    image.left[3] = 99;   // frames 900..1199: column 1
    image.left[199] = 55; // the last run: column 99
    const std::vector<std::int32_t> peaks = view.fastViewPeaks(image, 0);
    ASSERT_EQ(peaks.size(), 100u);
    EXPECT_EQ(peaks[0], 10);
    EXPECT_EQ(peaks[1], 99);
    EXPECT_EQ(peaks[2], 10);
    EXPECT_EQ(peaks[99], 55);

    // Zooming in at column 50 keeps frame 30000 there.
    view.zoom(4, 50);
    EXPECT_EQ(view.framesPerPixel(), 150);
    EXPECT_EQ(view.frameAt(50), 30000);
    EXPECT_TRUE(view.exactPosition());
    view.zoom(100000, 0);
    EXPECT_EQ(view.framesPerPixel(), 1.0 / 64);
    view.zoom(0.000001, 0);
    EXPECT_EQ(view.framesPerPixel(), 600);
    EXPECT_EQ(view.firstFrame(), 0);

    // Samples: 2 frames a column, 16-bit stereo, the right channel.
    view.setSize(8, 4);
    view.zoomToFit();
    Bytes frames;
    for (int v : {0, 100, 0, -300, 0, 5, 0, 7, 0, -32768, 0, 0, 0, 1, 0, 2})
        add16(frames, static_cast<std::uint32_t>(v) & 0xFFFF);
    EXPECT_EQ(view.samplePeaks(frames, 16, 2, 1), (std::vector<std::int32_t>{300, 7, 32768, 2}));
    EXPECT_EQ(view.samplePeaks(frames, 16, 2, 0), (std::vector<std::int32_t>{0, 0, 0, 0}));

    // Flags within 10 pixels; the nearest wins.
    view.setSize(1000, 1000);
    view.zoomToFit();
    const std::vector<std::int64_t> cues{500, 515};
    EXPECT_EQ(view.hitFlag(100, 95, 900, cues), kLoopStartMark);
    EXPECT_EQ(view.hitFlag(111, 100, 900, cues), kNoMark);
    EXPECT_EQ(view.hitFlag(890, 100, 900, cues), kLoopEndMark);
    EXPECT_EQ(view.hitFlag(509, -1, -1, cues), kFirstCueMark + 1);
    EXPECT_EQ(view.hitFlag(506, -1, -1, cues), kFirstCueMark);
    // Columns of device pixels at twice the logical ones: the reach is 20 of them.
    EXPECT_EQ(view.hitFlag(120, 100, 900, cues, 2.0), kLoopStartMark);
    EXPECT_EQ(view.hitFlag(121, 100, 900, cues, 2.0), kNoMark);

    WaveViewModel empty;
    empty.setSize(0, 200);
    empty.zoomToFit();
    EXPECT_EQ(empty.frameAt(150), 0);
}

TEST(WaveDialogRules, FieldsOfSetWaveInfoAndNewFile)
{
    struct Velocity {
        const char* from;
        const char* to;
        std::pair<int, int> range;
    };
    for (const Velocity& v : {Velocity{"", "", {-1, -1}}, Velocity{"", "100", {-1, -1}}, Velocity{"10", "", {-1, -1}},
                              Velocity{"0", "200", {1, 127}}, Velocity{"50", "40", {-1, -1}},
                              Velocity{" 20 ", "30", {20, 30}}, Velocity{"x", "30", {-1, -1}}})
        EXPECT_EQ(velocityRangeFromFields(v.from, v.to), v.range) << v.from << ".." << v.to;

    EXPECT_EQ(tempoLine(0, 44100), "");
    EXPECT_EQ(tempoLine(44100 * 20, 44100), "120.00 BPM"); // 40 quarters in 20 s
    EXPECT_EQ(tempoLine(100, 0), "");

    EXPECT_EQ(checkCopyBufferOptions(1, 1.0), "");
    EXPECT_NE(checkCopyBufferOptions(0, 1.0), "");
    EXPECT_NE(checkCopyBufferOptions(1, 0.0), "");
    EXPECT_NE(checkCopyBufferOptions(1, -2.0), "");

    struct Factor {
        const char* text;
        std::optional<double> value;
        bool usable;
    };
    for (const Factor& f : {Factor{"1.5", 1.5, true}, Factor{" 0.25 ", 0.25, true}, Factor{"16", 16.0, true},
                            Factor{"16.01", 16.01, false}, Factor{"0", 0.0, false}, Factor{"-2", -2.0, false},
                            Factor{"", std::nullopt, false}, Factor{"2x", std::nullopt, false},
                            Factor{"nan", std::nullopt, false}}) {
        EXPECT_EQ(factorFromField(f.text), f.value) << f.text;
        EXPECT_EQ(checkVolumeFactor(factorFromField(f.text)).empty(), f.usable) << f.text;
    }

    EXPECT_EQ(checkNewWaveFields({}), "");
    EXPECT_EQ(checkNewWaveFields({121, 44100, true, 16}), "Please enter a value between 1 and 120");
    EXPECT_EQ(checkNewWaveFields({0, 44100, true, 16}), "Please enter a value between 1 and 120");
    EXPECT_NE(checkNewWaveFields({5, 48000, true, 16}), "");
    EXPECT_NE(checkNewWaveFields({5, 96000, false, 32}), "");
}

TEST_F(WaveEditFixture, FlagsByAddressAreCheckedAndRoundedToTheirFrame)
{
    EditorWave wave{16, 2, rampData(2400, 1)}; // 600 frames of 4 bytes, loop 100..300
    WaveEditEngine& engine = openEngine(wave);
    const std::int64_t start = engine.wave().dataStart();
    struct Case {
        int mark;
        std::int64_t address;
        std::string text;
    };
    const std::vector<Case> refused = {
        {kLoopStartMark, start - 1, "Byte address must not be smaller than data beginning inside wave."},
        {kLoopEndMark, start + 2401, "Byte address must not be greater than wave's data beginning + data length."},
        {kLoopStartMark, at(300), "Loopstart has to be smaller than loopend !"},
        {kLoopStartMark, at(400), "Loopstart has to be smaller than loopend !"},
        {kLoopEndMark, at(100) + 3, "Loopend has to be greater than loopstart !"},
    };
    for (const Case& c : refused) {
        const WaveEditResult result = engine.setMarkByAddress(c.mark, c.address);
        EXPECT_EQ(result.status, WaveEditStatus::Refused);
        EXPECT_EQ(result.text, c.text);
    }
    EXPECT_EQ(engine.wave().loopStart(), at(100));
    EXPECT_EQ(engine.wave().loopEnd(), at(300));

    ASSERT_TRUE(engine.setMarkByAddress(kLoopStartMark, at(150) + 3).done());
    EXPECT_EQ(engine.wave().loopStart(), at(150));
    ASSERT_TRUE(engine.setMarkByAddress(kLoopEndMark, start + 2400).done());
    EXPECT_EQ(engine.wave().loopEnd(), at(600));
    ASSERT_TRUE(engine.setMarkByAddress(kFirstCueMark + 1, at(7) + 1).done());
    EXPECT_EQ(engine.wave().cuePoints(), (std::vector<std::int64_t>{at(50), at(7)}));
    EXPECT_EQ(flagPositionLines(engine.wave()),
              (std::vector<std::string>{"Loopstart " + std::to_string(at(150)),
                                        "Loopend " + std::to_string(at(600)),
                                        "Cue point #0 " + std::to_string(at(50)),
                                        "Cue point #1 " + std::to_string(at(7)),
                                        "Wave start address is " + std::to_string(start),
                                        "Wave end address is " + std::to_string(start + 2400)}));
    engine.wave().clearLoop();
    EXPECT_EQ(engine.setMarkByAddress(kLoopStartMark, at(1)).text, "No loop set");

    // Opening another file commits the marks first.
    writeBytes(file("b.wav"), wave.build());
    std::string error;
    ASSERT_TRUE(engine.open(file("b.wav").string(), nullptr, error)) << error;
    WaveFile first;
    WaveOpenOptions options;
    options.wantCuePoints = true;
    ASSERT_TRUE(first.open(file().string(), options, error)) << error;
    EXPECT_FALSE(first.hasLoop());
    EXPECT_EQ(first.cuePoints(), (std::vector<std::int64_t>{at(50), at(7)}));
}

TEST(SampleMapListing, WaveFilesOfTheGroupsFolderCaseInsensitive)
{
    ScratchFolder folder("wave-listed");
    std::filesystem::create_directories(folder.path() / "igr");
    SampleMap map;
    EXPECT_FALSE(map.listsWaveFile((folder.path() / "igr" / "kick.wav").string()));
    SampleLists programs;
    SampleLists drums;
    programs[0].push_back({"piano c4.wav", 60, 1, 127});
    drums[36].push_back({"kick.wav", 36, 1, 127});
    map.install(programs, drums, (folder.path() / "igr" / "demo.igr").string());
    EXPECT_TRUE(map.listsWaveFile((folder.path() / "igr" / "KICK.wav").string()));
    EXPECT_TRUE(map.listsWaveFile((folder.path() / "igr" / "Piano C4.WAV").string()));
    EXPECT_TRUE(map.listsWaveFile((folder.path() / "igr" / "." / "kick.wav").string()));
    EXPECT_FALSE(map.listsWaveFile((folder.path() / "kick.wav").string()));
    EXPECT_FALSE(map.listsWaveFile((folder.path() / "igr" / "snare.wav").string()));
}

} // namespace
} // namespace velisto
