// Pasting the copy buffer into files of other formats, with the paste options: the
// expected bytes are worked out by hand from the sample values.
#include "waveeditor/WaveEditEngine.h"

#include "core/waveeditor/WaveEditTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velisto {
namespace {

using namespace test;

Bytes samples16(const std::vector<int>& values)
{
    Bytes b;
    for (const int v : values)
        add16(b, static_cast<std::uint32_t>(v) & 0xFFFF);
    return b;
}

struct MixCase {
    const char* name;
    int sourceBits, sourceChannels;
    Bytes source;
    int targetBits, targetChannels;
    Bytes target;
    CopyBufferOptions options;
    Bytes expected; // the target's data afterwards
};

CopyBufferOptions mixWith(StereoToMono toMono = StereoToMono::Left)
{
    CopyBufferOptions o;
    o.insert = false;
    o.stereoToMono = toMono;
    return o;
}

TEST_F(WaveEditFixture, PasteConvertsMixesAndSaturates)
{
    CopyBufferOptions twiceStretched = mixWith();
    twiceStretched.replicate = 2;
    twiceStretched.stretch = 2;
    CopyBufferOptions exchanged = mixWith();
    exchanged.exchange = true;
    CopyBufferOptions zeroLeft = mixWith();
    zeroLeft.zeroLeft = true;
    CopyBufferOptions zeroRight = mixWith();
    zeroRight.zeroRight = true;
    CopyBufferOptions half = mixWith();
    half.volume = 0.5;
    CopyBufferOptions inserted = mixWith();
    inserted.insert = true;
    inserted.stretch = 1.5;

    const std::vector<MixCase> cases = {
        {"16 stereo mixed to 8 mono", 16, 2, samples16({0x1000, 0x2000, -0x1000, 0x3000}), 8, 1, Bytes{0x80, 0x90, 0x80},
         mixWith(StereoToMono::Mix), Bytes{0x98, 0xA0, 0x80}},
        {"right channel to mono", 16, 2, samples16({1, 2}), 16, 1, samples16({10, 10}), mixWith(StereoToMono::Right),
         samples16({12, 10})},
        {"saturates both ways", 16, 1, samples16({30000, -30000}), 16, 1, samples16({10000, -10000}), mixWith(),
         samples16({32767, -32768})},
        {"8 bit saturates", 8, 1, Bytes{0xF0, 0x10}, 8, 1, Bytes{0xF0, 0x10}, mixWith(), Bytes{0xFF, 0x00}},
        {"24 to 16 keeps the upper bits", 24, 1, Bytes{0x56, 0x34, 0x12}, 16, 1, samples16({1, 7}), mixWith(),
         samples16({0x1235, 7})},
        {"16 to 24", 16, 1, samples16({-2}), 24, 1, Bytes{1, 0, 0}, mixWith(), Bytes{0x01, 0xFE, 0xFF}},
        {"mono into stereo", 16, 1, samples16({5}), 16, 2, samples16({1, 2}), mixWith(), samples16({6, 7})},
        {"replicated and stretched", 16, 1, samples16({1, 2}), 16, 1, samples16({0, 0, 0, 0, 0, 0, 0, 0, 9}),
         twiceStretched, samples16({1, 1, 2, 2, 1, 1, 2, 2, 9})},
        {"exchange", 16, 2, samples16({1, 2}), 16, 2, samples16({0, 0}), exchanged, samples16({2, 1})},
        {"zero left", 16, 2, samples16({1, 2}), 16, 2, samples16({0, 0}), zeroLeft, samples16({0, 2})},
        {"zero right", 16, 2, samples16({1, 2}), 16, 2, samples16({0, 0}), zeroRight, samples16({1, 0})},
        {"half volume", 16, 1, samples16({1000, -1000}), 16, 1, samples16({0, 0}), half, samples16({500, -500})},
        // 3 frames stretched by 1.5 make 5 bytes; one silent frame more keeps the count even.
        {"8-bit insert, gap of silence", 8, 1, Bytes{0x81, 0x82, 0x83}, 8, 1, Bytes{0x40, 0x41}, inserted,
         Bytes{0x81, 0x81, 0x82, 0x83, 0x83, 0x80, 0x40, 0x41}},
    };
    for (const MixCase& c : cases) {
        SCOPED_TRACE(c.name);
        WavBuilder source;
        source.bits = c.sourceBits;
        source.channels = c.sourceChannels;
        source.data = c.source;
        writeBytes(file("source.wav"), source.build());
        WaveFile sourceWave;
        std::string error;
        ASSERT_TRUE(sourceWave.open(file("source.wav").string(), {}, error)) << error;
        ASSERT_TRUE(buffer_.fill(sourceWave, sourceWave.dataStart(), sourceWave.dataStart() + sourceWave.dataLength(),
                                 nullptr, error))
            << error;
        buffer_.options = c.options;

        EditorWave target{c.targetBits, c.targetChannels, c.target, 0, 1, {}};
        WaveEditEngine& engine = openEngine(target);
        ASSERT_TRUE(engine.paste(true, nullptr).done());
        Bytes data(static_cast<std::size_t>(engine.wave().dataLength()));
        ASSERT_TRUE(engine.wave().readData(engine.wave().dataStart(), data.data(), engine.wave().dataLength()));
        EXPECT_EQ(data, c.expected);
        ASSERT_TRUE(engine.close(error)) << error;
    }
}

TEST_F(WaveEditFixture, MixStopsAtTheEndOfTheData)
{
    EditorWave wave{16, 1, samples16({1, 2, 3, 4, 5, 6})};
    const Bytes original = wave.build();
    WaveEditEngine& engine = openEngine(wave);
    engine.select(at(0), at(4));
    ASSERT_TRUE(engine.copy(nullptr).done());
    buffer_.options.insert = false;
    engine.setCaret(at(4));
    ASSERT_TRUE(engine.paste(true, nullptr).done());
    EXPECT_EQ(readBytes(file()),
              withData(original, engine.wave().dataStart(), samples16({1, 2, 3, 4, 6, 8})));
    ASSERT_TRUE(engine.undo(nullptr).done());
    EXPECT_EQ(readBytes(file()), original);
    engine.setCaret(at(6));
    EXPECT_EQ(engine.paste(true, nullptr).text, kSelectionTooSmallText);
    EXPECT_EQ(engine.paste(false, nullptr).text, "First zoom more !");
    std::string error;
    ASSERT_TRUE(engine.close(error));
    EXPECT_EQ(readBytes(file()), original);
}

TEST_F(WaveEditFixture, AFileWithoutFramesOpensAndTakesAPaste)
{
    EditorWave source{16, 1, samples16({7, 8}), 0, 1, {}};
    writeBytes(file("s.wav"), source.build());
    WaveFile sourceWave;
    std::string error;
    ASSERT_TRUE(sourceWave.open(file("s.wav").string(), {}, error));
    ASSERT_TRUE(buffer_.fill(sourceWave, sourceWave.dataStart(), sourceWave.dataStart() + 4, nullptr, error));

    WavBuilder empty;
    empty.data.clear();
    writeBytes(file(), empty.build());
    WaveEditEngine engine(0, buffer_, folder_.path(), 4242);
    ASSERT_TRUE(engine.open(file().string(), nullptr, error)) << error;
    engine.selectAll();
    EXPECT_FALSE(engine.hasSelection());
    EXPECT_EQ(engine.changeVolume(2, nullptr).text, kSelectionTooSmallText);
    ASSERT_TRUE(engine.paste(true, nullptr).done());
    EXPECT_EQ(engine.wave().fastView().left, (std::vector<std::int32_t>{7}));
    ASSERT_TRUE(engine.close(error)) << error;
    empty.data = samples16({7, 8});
    empty.after = {{"mvlx", mvlxBody(1, 7, 1)}};
    EXPECT_EQ(readBytes(file()), empty.build());
}

TEST_F(WaveEditFixture, StereoIntoMonoAsksOnceAndBadOptionsAreRefused)
{
    EditorWave stereo{16, 2, samples16({100, 300})};
    writeBytes(file("s.wav"), stereo.build());
    WaveFile source;
    std::string error;
    ASSERT_TRUE(source.open(file("s.wav").string(), {}, error));
    ASSERT_TRUE(buffer_.fill(source, source.dataStart(), source.dataStart() + 4, nullptr, error));
    EditorWave mono{16, 1, samples16({0, 0}), 0, 1, {}};
    WaveEditEngine& engine = openEngine(mono);
    const Bytes original = readBytes(file());
    EXPECT_EQ(engine.paste(true, nullptr).status, WaveEditStatus::AskStereoToMono);
    buffer_.options.stretch = 0;
    EXPECT_EQ(engine.paste(true, nullptr).status, WaveEditStatus::Refused);
    buffer_.options.stretch = 1;
    buffer_.options.replicate = 0;
    EXPECT_EQ(engine.paste(true, nullptr).status, WaveEditStatus::Refused);
    EXPECT_EQ(readBytes(file()), original);
    buffer_.options.replicate = 1;
    buffer_.options.stereoToMono = StereoToMono::Mix;
    ASSERT_TRUE(engine.paste(true, nullptr).done());
    Bytes data(6);
    ASSERT_TRUE(engine.wave().readData(engine.wave().dataStart(), data.data(), 6));
    EXPECT_EQ(data, samples16({200, 0, 0}));
    ASSERT_TRUE(engine.close(error));
}

} // namespace
} // namespace velisto
