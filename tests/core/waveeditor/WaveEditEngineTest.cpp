#include "waveeditor/WaveEditEngine.h"

#include "core/waveeditor/WaveEditTestSupport.h"

#include <gtest/gtest.h>

#include "app/Progress.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {
namespace {

using namespace test;

struct FormatCase {
    int bits;
    int channels;
    std::size_t dataBytes;
};

const std::vector<FormatCase> kFormats = {
    {8, 1, 601}, {8, 2, 1200}, {16, 1, 1200}, {16, 2, 2400}, {24, 1, 1800}, {24, 2, 3600},
};

TEST_F(WaveEditFixture, CutPasteDeleteAndTheirUndoKeepEveryByte)
{
    for (const FormatCase& f : kFormats) {
        SCOPED_TRACE(std::to_string(f.bits) + " bit, " + std::to_string(f.channels) + " channels");
        EditorWave wave{f.bits, f.channels, rampData(f.dataBytes, 1)};
        const Bytes original = wave.build();
        WaveEditEngine& engine = openEngine(wave);
        const std::int64_t start = engine.wave().dataStart();
        const auto fs = static_cast<std::size_t>(wave.frameSize());
        std::vector<Bytes> states{wave.data};
        const auto expectState = [&](const Bytes& data) {
            EXPECT_EQ(readBytes(file()), withData(original, start, data));
            EXPECT_EQ(engine.wave().fastView(), buildFastView(data, f.bits, f.channels));
        };

        // Cut frames 40..120: the loop start and the first cue inside go to the cut's start.
        engine.select(at(120), at(40));
        ASSERT_TRUE(engine.cut(nullptr).done());
        Bytes data = states.back();
        const Bytes cutBytes(data.begin() + static_cast<std::int64_t>(40 * fs),
                             data.begin() + static_cast<std::int64_t>(120 * fs));
        data.erase(data.begin() + static_cast<std::int64_t>(40 * fs), data.begin() + static_cast<std::int64_t>(120 * fs));
        states.push_back(data);
        expectState(data);
        EXPECT_EQ(engine.wave().loopStart(), at(40));
        EXPECT_EQ(engine.wave().loopEnd(), at(220));
        EXPECT_EQ(engine.wave().cuePoints(), (std::vector<std::int64_t>{at(40), at(120)}));
        EXPECT_FALSE(engine.hasSelection());

        // Paste as insert at frame 10.
        engine.setCaret(at(11) - 1); // rounded down to the frame
        ASSERT_TRUE(engine.paste(true, nullptr).done());
        data.insert(data.begin() + static_cast<std::int64_t>(10 * fs), cutBytes.begin(), cutBytes.end());
        states.push_back(data);
        expectState(data);
        EXPECT_EQ(engine.selectionStart(), at(10));
        EXPECT_EQ(engine.selectionEnd(), at(90));

        // Delete 5 frames at the start: a mono 8- or 24-bit file keeps an even data length.
        engine.select(at(0), at(5));
        ASSERT_TRUE(engine.remove(nullptr).done());
        const std::size_t removed = (5 * fs) % 2 ? 4 * fs : 5 * fs;
        data.erase(data.begin(), data.begin() + static_cast<std::int64_t>(removed));
        states.push_back(data);
        expectState(data);

        while (states.size() > 1) {
            states.pop_back();
            ASSERT_TRUE(engine.undo(nullptr).done());
            expectState(states.back());
        }
        EXPECT_FALSE(engine.canUndo());
        EXPECT_EQ(engine.wave().cuePoints(), (std::vector<std::int64_t>{at(50), at(200)}));
        std::string error;
        ASSERT_TRUE(engine.close(error)) << error;
        EXPECT_EQ(readBytes(file()), original);
    }
}

// The image an edit leaves is the image of the data it leaves, whichever runs it built
// again and whichever it shifted: edits of whole runs and of parts of runs, at a run
// boundary and inside a run, for every command and its undo.
TEST_F(WaveEditFixture, FastViewAfterEveryEditIsTheImageOfTheResult)
{
    struct Edit {
        const char* name;
        std::int64_t from, frames;
    };
    const std::vector<Edit> edits = {
        {"whole runs at a run boundary", 600, 300}, {"whole runs inside a run", 750, 600},
        {"part of a run at a boundary", 600, 77},   {"part of a run inside it", 750, 131},
        {"whole runs up to the end", 1201, 300},    {"from the start", 0, 450},
    };
    for (const FormatCase& f : kFormats) {
        for (const Edit& e : edits) {
            SCOPED_TRACE(std::to_string(f.bits) + " bit, " + std::to_string(f.channels) + " channels, " + e.name);
            EditorWave wave{f.bits, f.channels, rampData(static_cast<std::size_t>(1501 * f.bits / 8 * f.channels), 7)};
            WaveEditEngine& engine = openEngine(wave);
            const auto expectImageOfData = [&](const char* step) {
                const Bytes bytes = readBytes(file());
                const auto start = bytes.begin() + engine.wave().dataStart();
                const Bytes data(start, start + engine.wave().dataLength());
                EXPECT_EQ(engine.wave().fastView(), buildFastView(data, f.bits, f.channels)) << step;
            };
            const auto selectEdit = [&] { engine.select(at(e.from), at(e.from + e.frames)); };
            const auto undo = [&](const char* step) {
                ASSERT_TRUE(engine.undo(nullptr).done()) << step;
                expectImageOfData(step);
            };

            selectEdit();
            ASSERT_TRUE(engine.cut(nullptr).done());
            expectImageOfData("cut");
            undo("undo of the cut");
            selectEdit();
            ASSERT_TRUE(engine.remove(nullptr).done());
            expectImageOfData("delete");
            undo("undo of the delete");

            engine.setCaret(at(e.from)); // the cut's frames are in the copy buffer
            ASSERT_TRUE(engine.paste(true, nullptr).done());
            expectImageOfData("paste");
            undo("undo of the paste");
            buffer_.options.insert = false;
            ASSERT_TRUE(engine.paste(true, nullptr).done());
            expectImageOfData("paste as mix");
            undo("undo of the mix");
            buffer_.options.insert = true;

            selectEdit();
            ASSERT_TRUE(engine.changeVolume(3.0, nullptr).done());
            expectImageOfData("volume");
            undo("undo of the volume");
            std::string error;
            ASSERT_TRUE(engine.close(error)) << error;
            EXPECT_EQ(readBytes(file()), wave.build());
        }
    }
}

TEST_F(WaveEditFixture, FastViewFollowsMovesOfBlocksSplittingFrames)
{
    // 24-bit stereo: a 128 KB block ends inside a frame, moving towards the end and back.
    EditorWave wave{24, 2, rampData(6 * 90001, 11)};
    WaveEditEngine& engine = openEngine(wave);
    Bytes data = wave.data;
    for (const auto& [from, to] : {std::pair{1000, 1700}, std::pair{0, 301}, std::pair{88000, 89000}}) {
        engine.select(at(from), at(to));
        ASSERT_TRUE(engine.remove(nullptr).done());
        data.erase(data.begin() + from * 6, data.begin() + to * 6);
        EXPECT_EQ(engine.wave().fastView(), buildFastView(data, 24, 2)) << from;
    }
    engine.select(at(500), at(1201));
    ASSERT_TRUE(engine.copy(nullptr).done());
    engine.setCaret(at(40010));
    ASSERT_TRUE(engine.paste(true, nullptr).done());
    data.insert(data.begin() + 40010 * 6, data.begin() + 500 * 6, data.begin() + 1201 * 6);
    EXPECT_EQ(engine.wave().fastView(), buildFastView(data, 24, 2));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(engine.undo(nullptr).done());
    EXPECT_EQ(engine.wave().fastView(), buildFastView(wave.data, 24, 2));
    std::string error;
    ASSERT_TRUE(engine.close(error));
    EXPECT_EQ(readBytes(file()), wave.build());
}

TEST_F(WaveEditFixture, RefusalsLeaveTheFileAsItWas)
{
    struct Case {
        const char* name;
        int bits;
        std::int64_t from, to; // frames; to < 0: no selection
        bool cut;
        std::string text;
        std::string caption;
    };
    const std::vector<Case> cases = {
        {"no selection", 16, 0, -1, true, "No selection", "Cut/Delete"},
        {"whole data", 16, 0, 600, false, "Wave file's audio data length must not be 0", "Cut/Delete"},
        {"one byte of 8-bit mono", 8, 7, 8, true, "Selection too small", "Cut/Delete"},
        {"copy without selection", 16, 0, -1, false, "No selection", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditorWave wave{c.bits, 1, rampData(static_cast<std::size_t>(600 * c.bits / 8), 5)};
        const Bytes original = wave.build();
        WaveEditEngine& engine = openEngine(wave);
        if (c.to >= 0)
            engine.select(at(c.from), at(c.to));
        const bool copyOnly = c.caption.empty();
        const WaveEditResult result = copyOnly ? engine.copy(nullptr) : c.cut ? engine.cut(nullptr) : engine.remove(nullptr);
        EXPECT_EQ(result.status, WaveEditStatus::Refused);
        EXPECT_EQ(result.text, c.text);
        EXPECT_EQ(result.caption, c.caption);
        EXPECT_FALSE(engine.canUndo());
        EXPECT_EQ(readBytes(file()), original);
        EXPECT_TRUE(buffer_.empty());
        std::string error;
        ASSERT_TRUE(engine.close(error));
        EXPECT_EQ(readBytes(file()), original);
    }
}

TEST_F(WaveEditFixture, AllButOneFrameAndOddCutsOfEightBitMono)
{
    EditorWave wave{8, 1, rampData(601, 9)};
    WaveEditEngine& engine = openEngine(wave);
    engine.select(at(10), at(13)); // 3 bytes cut 2
    ASSERT_TRUE(engine.cut(nullptr).done());
    EXPECT_EQ(buffer_.length(), 2);
    EXPECT_EQ(engine.wave().dataLength(), 599);
    engine.selectAll(); // 599 bytes: 598 go, one frame stays
    ASSERT_TRUE(engine.remove(nullptr).done());
    EXPECT_EQ(engine.wave().dataLength(), 1);
    EXPECT_FALSE(engine.wave().hasLoop());
    std::string error;
    ASSERT_TRUE(engine.close(error)) << error;
    WaveFile reopened;
    WaveOpenOptions options;
    options.wantCuePoints = true;
    ASSERT_TRUE(reopened.open(file().string(), options, error)) << error;
    EXPECT_EQ(reopened.dataLength(), 1);
    EXPECT_EQ(reopened.cuePoints().size(), 2u);
}

TEST_F(WaveEditFixture, UndoKeepsTenLevelsAndTheirFilesOnly)
{
    EditorWave wave{16, 2, rampData(2400, 3)};
    WaveEditEngine& engine = openEngine(wave);
    std::vector<Bytes> states;
    for (int i = 0; i < 12; ++i) {
        states.push_back(readBytes(file()));
        engine.select(at(i), at(i + 2));
        ASSERT_TRUE(engine.remove(nullptr).done());
    }
    const WaveUndoStack& undo = engine.undoStack();
    EXPECT_EQ(undo.size(), 10);
    EXPECT_FALSE(std::filesystem::exists(undo.fileFor(0)));
    EXPECT_FALSE(std::filesystem::exists(undo.fileFor(1)));
    for (int n = 2; n < 12; ++n)
        EXPECT_TRUE(std::filesystem::exists(undo.fileFor(n))) << n;
    EXPECT_EQ(undo.fileFor(5).filename(), "~vlxw3undo4242_5");
    for (int i = 11; i >= 2; --i) {
        ASSERT_TRUE(engine.undo(nullptr).done());
        EXPECT_EQ(readBytes(file()), states[static_cast<std::size_t>(i)]) << i;
        EXPECT_FALSE(std::filesystem::exists(undo.fileFor(i)));
    }
    EXPECT_EQ(engine.undo(nullptr).status, WaveEditStatus::Refused);
    engine.select(at(0), at(1));
    ASSERT_TRUE(engine.remove(nullptr).done());
    std::string error;
    ASSERT_TRUE(engine.close(error));
    EXPECT_FALSE(std::filesystem::exists(undo.fileFor(12)));
}

TEST_F(WaveEditFixture, UnwritableUndoFolderLeavesTheFileUnchanged)
{
    EditorWave wave{16, 1, rampData(1200, 3)};
    const Bytes original = wave.build();
    WaveEditEngine& engine = openEngine(wave, folder_.path() / "missing");
    buffer_.options.insert = true;
    engine.select(at(10), at(20));
    ASSERT_TRUE(engine.copy(nullptr).done());
    for (int op = 0; op < 3; ++op) {
        const WaveEditResult result = op == 0   ? engine.cut(nullptr)
                                      : op == 1 ? engine.paste(true, nullptr)
                                                : engine.changeVolume(0.5, nullptr);
        EXPECT_EQ(result.status, WaveEditStatus::Failed) << op;
        EXPECT_NE(result.text.find("~vlxw3undo4242_0"), std::string::npos) << result.text;
        EXPECT_EQ(readBytes(file()), original) << op;
    }
    std::string error;
    ASSERT_TRUE(engine.close(error));
    EXPECT_EQ(readBytes(file()), original);
}

class CancellingProgress : public Progress {
public:
    void begin(std::string_view text) override { texts.emplace_back(text); }
    void advance(long long, long long) override {}
    void end() override {}
    bool cancelled() const override { return cancel; }
    bool cancel = true;
    std::vector<std::string> texts;
};

TEST_F(WaveEditFixture, CancelAndALostUndoFileLeaveTheFileAlone)
{
    EditorWave wave{16, 2, rampData(2400, 3)};
    const Bytes original = wave.build();
    WaveEditEngine& engine = openEngine(wave);
    CancellingProgress progress;
    engine.select(at(10), at(20));
    EXPECT_EQ(engine.remove(&progress).status, WaveEditStatus::Cancelled);
    EXPECT_FALSE(engine.canUndo());
    EXPECT_EQ(readBytes(file()), original);

    progress.cancel = false;
    progress.texts.clear();
    ASSERT_TRUE(engine.cut(&progress).done());
    engine.setCaret(at(100));
    ASSERT_TRUE(engine.paste(true, &progress).done());
    EXPECT_EQ(progress.texts, (std::vector<std::string>{
                                  " Filling copy buffer ...            ",
                                  " Saving undo data ...            ",
                                  " Moving audio data ...            ",
                                  "1. Phase : Moving data behind data chunk",
                                  "2. Phase : Moving audio data",
                                  "3. Phase : Zero new space",
                                  "4. Phase : Mixing paste buffer into free area",
                              }));
    const Bytes pasted = readBytes(file());
    std::filesystem::remove(engine.undoStack().fileFor(engine.undoStack().counter() - 2)); // the cut's
    ASSERT_TRUE(engine.undo(nullptr).done()); // the insert needs no saved bytes
    const Bytes cut = readBytes(file());
    EXPECT_NE(cut, pasted);
    EXPECT_EQ(engine.undo(nullptr).status, WaveEditStatus::Failed);
    EXPECT_EQ(readBytes(file()), cut);
    std::string error;
    ASSERT_TRUE(engine.close(error));
}

TEST_F(WaveEditFixture, PlaybackStopsBeforeEveryChange)
{
    EditorWave wave{16, 1, rampData(1200, 3)};
    WaveEditEngine& engine = openEngine(wave);
    int stops = 0;
    engine.setBeforeChange([&] { ++stops; });
    engine.select(at(10), at(20));
    ASSERT_TRUE(engine.copy(nullptr).done());
    EXPECT_EQ(stops, 0);
    ASSERT_TRUE(engine.paste(true, nullptr).done());
    ASSERT_TRUE(engine.changeVolume(2.0, nullptr).done());
    ASSERT_TRUE(engine.undo(nullptr).done());
    std::string error;
    ASSERT_TRUE(engine.close(error));
    EXPECT_EQ(stops, 4);
}

TEST_F(WaveEditFixture, ExportWritesTheSelectionNeverOntoAnOpenFile)
{
    EditorWave wave{24, 2, rampData(3600, 3)};
    const Bytes original = wave.build();
    WaveEditEngine& engine = openEngine(wave);
    const std::vector<FileIdentity> open{*engine.identity()};
    EXPECT_EQ(engine.exportSelection(file("out.wav"), open, nullptr).text, kSelectionTooSmallText);
    engine.select(at(100), at(150));
    std::filesystem::create_symlink(file(), file("link.wav"));
    for (const char* name : {"a.wav", "link.wav"}) {
        const WaveEditResult refused = engine.exportSelection(file(name), open, nullptr);
        EXPECT_EQ(refused.status, WaveEditStatus::Refused);
        EXPECT_EQ(refused.text, "Please select another name,\nnot the current wave name !");
    }
    EXPECT_EQ(readBytes(file()), original);

    writeBytes(file("out.wav"), Bytes{1, 2, 3});
    ASSERT_TRUE(engine.exportSelection(file("out.wav"), open, nullptr).done());
    WavBuilder expected;
    expected.bits = 24;
    expected.channels = 2;
    expected.data.assign(wave.data.begin() + 600, wave.data.begin() + 900);
    EXPECT_EQ(readBytes(file("out.wav")), expected.build());
    std::string error;
    ASSERT_TRUE(engine.close(error));
}

TEST(WaveNewFile, WritesSilenceOfTheFormatThroughATemporaryFile)
{
    ScratchFolder folder("wave-new");
    struct Case {
        std::uint32_t rate;
        bool stereo;
        int bits;
        std::uint8_t silence;
    };
    for (const Case& c : {Case{11025, false, 8, 0x80}, Case{22050, true, 16, 0}, Case{11025, false, 24, 0}}) {
        const auto path = folder.path() / "new.wav";
        ASSERT_TRUE(createWaveFile(path, 1, c.rate, c.stereo, c.bits, {}, nullptr).done());
        WavBuilder expected;
        expected.rate = c.rate;
        expected.bits = c.bits;
        expected.channels = c.stereo ? 2 : 1;
        expected.data.assign(static_cast<std::size_t>(60 * c.rate * static_cast<std::uint32_t>(expected.channels * c.bits / 8)),
                             c.silence);
        EXPECT_EQ(readBytes(path), expected.build());
        const std::vector<FileIdentity> open{*fileIdentity(path)};
        EXPECT_EQ(createWaveFile(path, 1, c.rate, c.stereo, c.bits, open, nullptr).text,
                  "Please select another name,\nnot the current wave name !");
    }
    EXPECT_EQ(createWaveFile(folder.path() / "missing" / "x.wav", 1, 44100, true, 16, {}, nullptr).text,
              "Can't create file.");
}

} // namespace
} // namespace velisto
