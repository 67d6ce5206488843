#include "sampler/WaveFile.h"

#include "core/sampler/WaveTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velisto {
namespace {

using namespace test;

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ =
            std::filesystem::temp_directory_path() / ("velisto-wave-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "a.wav").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void write(const Bytes& bytes) const
    {
        std::ofstream(path_, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Bytes contents() const
    {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::string openError(const WavBuilder& b, WaveOpenOptions options = {}) const
    {
        return openError(b.build(), options);
    }
    std::string openError(const Bytes& bytes, WaveOpenOptions options = {}) const
    {
        write(bytes);
        WaveFile wave;
        std::string error;
        EXPECT_FALSE(wave.open(path_, options, error));
        return error;
    }
    // Opens b's file; close() is left to the test.
    void openOk(const WavBuilder& b, WaveFile& wave, WaveOpenOptions options = {}) const
    {
        write(b.build());
        std::string error;
        ASSERT_TRUE(wave.open(path_, options, error)) << error;
    }

    std::filesystem::path folder_;
    std::string path_;
};

WaveOpenOptions writableAll()
{
    WaveOpenOptions o;
    o.writable = o.wantCuePoints = o.wantFastView = true;
    return o;
}

TEST_F(WaveFileTest, RefusesBrokenFilesWithTheirTexts)
{
    WavBuilder b;
    const std::string err = "Error in a.wav\n";
    for (int delta : {1, -1}) {
        b.riffDelta = delta;
        EXPECT_EQ(openError(b), err + "Header corrupt (lFileSize NOT EQUAL real filelength - 8).");
    }
    b.riffDelta = 0;

    EXPECT_EQ(openError(Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}), err + "RIFF corrupt or no WAV");
    EXPECT_EQ(openError(Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}), err + "Can't find fmt chunk");

    WavBuilder c = b;
    c.bits = 32;
    EXPECT_EQ(openError(c), "a.wav is a 32 bit wave file.\nOnly 8, 16 or 24 are supported by Velisto.");
    c = b;
    c.tag = 3;
    EXPECT_EQ(openError(c), err + "No PCM Wave format");
    c = b;
    c.rate = 0;
    EXPECT_EQ(openError(c), err + "No PCM Wave format");
    c = b;
    c.rate = 22050;
    WaveOpenOptions strict;
    strict.require44100 = strict.require16Bit = true;
    EXPECT_EQ(openError(c, strict), "a.wav has a frequency of 22050 samples per second.\nOnly 44100 is allowed here.");
    c = b;
    c.bits = 24;
    EXPECT_EQ(openError(c, strict), "a.wav has a resolution of 24 bits per sample.\nOnly 16 bit is allowed here.");
    c = b;
    c.channels = 3;
    EXPECT_EQ(openError(c), "a.wav has 3 channels.\nOnly 1 or 2 are allowed in Velisto.");

    Bytes shortFmt = b.build();
    shortFmt[16] = 14; // fmt length 14: the rest of the chunk then reads as garbage
    EXPECT_EQ(openError(shortFmt), err + "Format fmt chunk has unsupported length");

    Bytes noData = b.build();
    noData[36] = 'D';
    EXPECT_EQ(openError(noData), err + "No data chunk found");

    Bytes cut = b.build();
    cut.resize(cut.size() - 1);
    cut[4] -= 1;
    EXPECT_EQ(openError(cut), err + "Wave file corrupt. Data chunk is interrupted by EOF.");

    c = b;
    c.after = {{"LIST", Bytes(10, 1)}};
    Bytes cutChunk = c.build();
    cutChunk.resize(cutChunk.size() - 2);
    cutChunk[4] -= 2;
    EXPECT_EQ(openError(cutChunk), err + "Wave file corrupt. An additional non-data chunk is interrupted by EOF.");
}

TEST_F(WaveFileTest, CantOpenNamesFolderAndAccess)
{
    WaveFile wave;
    std::string error;
    const std::string missing = (folder_ / "gone.wav").string();
    EXPECT_FALSE(wave.open(missing, {}, error));
    EXPECT_EQ(error, "Can't open gone.wav\nin " + folder_.string() + ".\nDoes file exist ?");
    WaveOpenOptions writable;
    writable.writable = true;
    EXPECT_FALSE(wave.open(missing, writable, error));
    EXPECT_EQ(error, "Can't open gone.wav\nin " + folder_.string() + "\nwith write access. Check write protection !");
    EXPECT_FALSE(wave.open("velisto-no-such.wav", {}, error));
    EXPECT_EQ(error, "Can't open velisto-no-such.wav\nin the current directory\n" +
                         std::filesystem::current_path().string() + ".\nDoes file exist ?");
}

TEST_F(WaveFileTest, ReadsEveryFormatAndBuildsItsFastView)
{
    struct Case {
        int bits, channels;
        Bytes frame; // repeated 301 times: two entries, the second of one frame
        std::int32_t left, right;
    };
    // 8-bit: 0 -> -32768; 24-bit 0x800000 -> -32768; 16-bit -1000 / 2000.
    const std::vector<Case> cases = {
        {8, 1, {0}, 32768, 0},           {8, 2, {0, 255}, 32768, 32512},
        {16, 1, {0x18, 0xFC}, 1000, 0},  {16, 2, {0x18, 0xFC, 0xD0, 0x07}, 1000, 2000},
        {24, 1, {0, 0, 0x80}, 32768, 0}, {24, 2, {0xFF, 0xE8, 0x03, 0x00, 0x18, 0xFC}, 1000, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bit, " + std::to_string(c.channels) + " channels");
        WavBuilder b;
        b.bits = c.bits;
        b.channels = c.channels;
        b.rate = 8000;
        b.data.clear();
        for (int i = 0; i < 301; ++i)
            b.data.insert(b.data.end(), c.frame.begin(), c.frame.end());
        WaveFile wave;
        WaveOpenOptions o;
        o.wantFastView = true;
        openOk(b, wave, o);
        EXPECT_EQ(wave.frames(), 301);
        EXPECT_EQ(wave.samplesPerSecond(), 8000u);
        EXPECT_EQ(wave.blockSize(), 131072 / wave.frameSize() * wave.frameSize());
        FastViewImage expected;
        expected.left = {c.left, c.left};
        if (c.channels == 2)
            expected.right = {c.right, c.right};
        EXPECT_EQ(wave.fastView(), expected);
    }
}

TEST_F(WaveFileTest, ExtensibleFormatIsPcmOnlyWithThePcmSubFormat)
{
    WavBuilder b;
    b.tag = 0xFFFE;
    b.fmtExtra = {22,   0,    16,   0,    4,    0,    0,    0,    0x01, 0x00, 0x00, 0x00,
                  0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    WaveFile wave;
    openOk(b, wave);
    EXPECT_EQ(wave.bitsPerSample(), 16);
    b.fmtExtra[8] = 0x03; // IEEE float
    EXPECT_EQ(openError(b), "Error in a.wav\nNo PCM Wave format");
}

TEST_F(WaveFileTest, SamplerChunksGiveKeyGainVelocityLoopAndCues)
{
    WaveOpenOptions o;
    o.wantCuePoints = true;
    const auto read = [&](std::vector<Chunk> before, std::vector<Chunk> after) {
        WavBuilder b;
        b.before = std::move(before);
        b.after = std::move(after);
        auto wave = std::make_unique<WaveFile>();
        openOk(b, *wave, o);
        return wave;
    };
    // Before the data chunk nothing is interpreted.
    auto w = read({{"smpl", smplBody(60, {{10, 20}})}}, {});
    EXPECT_EQ(w->originalKey(), kNoOriginalKey);
    EXPECT_FALSE(w->hasLoop());

    w = read({}, {{"smpl", smplBody(0, {{10, 20}})}, {"inst", instBody(0, 0, -6, 0, 127, 0, 127)}});
    EXPECT_EQ(w->originalKey(), kNoOriginalKey);
    EXPECT_EQ(w->loopStart(), w->dataStart() + 20);
    EXPECT_EQ(w->loopEnd(), w->dataStart() + 40);
    EXPECT_EQ(w->gain(), -6);
    EXPECT_NEAR(w->gainFactor(), 0.501187, 1e-6);
    EXPECT_EQ(w->velocityLow(), -1);

    w = read({}, {{"smpl", smplBody(60, {})}, {"inst", instBody(62, 0, 0, 0, 127, 50, 40)}});
    EXPECT_EQ(w->originalKey(), 62);
    EXPECT_EQ(w->velocityLow(), -1);
    w = read({}, {{"inst", instBody(62, 0, 0, 0, 127, 10, 100)}, {"smpl", smplBody(60, {})}});
    EXPECT_EQ(w->originalKey(), 60);
    EXPECT_EQ(w->velocityLow(), 10);
    EXPECT_EQ(w->velocityHigh(), 100);

    // Loops must satisfy start < end <= frames; a key past the joker keys is none.
    for (const auto& loop : {std::pair{20u, 10u}, std::pair{0u, 601u}, std::pair{5u, 5u}}) {
        w = read({}, {{"smpl", smplBody(140, {loop})}});
        EXPECT_FALSE(w->hasLoop());
        EXPECT_EQ(w->originalKey(), kNoOriginalKey);
    }
    w = read({}, {{"smpl", smplBody(139, {{0, 600}})}});
    EXPECT_EQ(w->loopEnd(), w->dataStart() + 1200);
    EXPECT_EQ(w->originalKey(), 139);

    // A count larger than its chunk: only the points inside are read.
    w = read({}, {{"cue ", cueBody({3, 7}, 1000)}, {"LIST", Bytes(24, 0xFF)}});
    EXPECT_EQ(w->cuePoints(), (std::vector<std::int64_t>{w->dataStart() + 6, w->dataStart() + 14}));
}

TEST_F(WaveFileTest, FastViewChunkIsLoadedOrRebuilt)
{
    WavBuilder b;
    b.data.assign(601 * 2, 0);
    for (std::size_t i = 0; i < b.data.size(); i += 2)
        b.data[i] = 100; // every sample 100
    b.after = {{"mvlx", mvlxBody(3, 7, 1)}};
    WaveOpenOptions o;
    o.wantFastView = true;
    {
        WaveFile wave;
        openOk(b, wave, o);
        EXPECT_EQ(wave.fastView().left, (std::vector<std::int32_t>{7, 7, 7}));
    }
    b.after = {{"mvlx", mvlxBody(2, 7, 1)}};
    const Bytes shortImage = b.build();
    {
        WaveFile wave;
        openOk(b, wave, o);
        EXPECT_EQ(wave.fastView().left, (std::vector<std::int32_t>{100, 100, 100}));
        std::string error;
        EXPECT_TRUE(wave.close(error));
        EXPECT_EQ(contents(), shortImage);
    }
    {
        WaveFile wave;
        openOk(b, wave, writableAll());
        EXPECT_EQ(wave.fastView().left, (std::vector<std::int32_t>{100, 100, 100}));
        std::string error;
        ASSERT_TRUE(wave.close(error)) << error;
    }
    b.after = {{"xxxx", mvlxBody(2, 7, 1)}, {"mvlx", mvlxBody(3, 100, 1)}};
    EXPECT_EQ(contents(), b.build());
}

TEST_F(WaveFileTest, ChunkWriterKeepsFileInStep)
{
    std::string error;
    const auto rewrite = [&](const WavBuilder& from, auto change, const WavBuilder& expected) {
        WaveFile wave;
        openOk(from, wave, writableAll());
        change(wave);
        ASSERT_TRUE(wave.close(error)) << error;
        EXPECT_EQ(contents(), expected.build());
    };
    const Chunk odd{"abcd", {1, 2, 3}}; // skipped with its pad, kept byte-exact
    WavBuilder b;
    b.after = {{"cue ", cueBody({4})}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    WavBuilder e = b;
    e.after = {odd, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b, [](WaveFile& w) { w.setCuePoints({}); }, e);
    EXPECT_EQ(b.build().size() - e.build().size(), 12u + 24u);

    b.after = {odd, {"mvlx", mvlxBody(2, 0, 1)}};
    e.after = {odd, {"mvlx", mvlxBody(2, 0, 1)}, {"smpl", smplBody(0, {{100, 300}})}};
    rewrite(
        b, [](WaveFile& w) { EXPECT_TRUE(w.setLoop(w.dataStart() + 200, w.dataStart() + 600)); }, e);
    EXPECT_EQ(e.build().size() - b.build().size(), 68u);

    // Growing a cue chunk whose count overstated it leaves the following chunk alone.
    b.after = {{"cue ", cueBody({1}, 99)}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    e.after = {{"cue ", cueBody({2, 3, 5})}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b,
        [](WaveFile& w) {
            w.setCuePoints({w.dataStart() + 4, w.dataStart() + 6, w.dataStart() + 11});
        },
        e);

    b.after = {{"cue ", cueBody({1, 2, 3})}, odd};
    e.after = {{"cue ", cueBody({2})}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b, [](WaveFile& w) { w.setCuePoints({w.dataStart() + 4}); }, e);

    // Loop and key rewritten in place: further loops and sampler data stay.
    const Bytes extra{9, 8, 7, 6};
    b.after = {{"smpl", smplBody(60, {{1, 2}, {3, 4}}, extra)}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    e.after = {{"smpl", smplBody(64, {{10, 20}, {3, 4}}, extra)}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b,
        [](WaveFile& w) {
            w.setOriginalKey(64);
            w.setLoop(w.dataStart() + 20, w.dataStart() + 40);
        },
        e);

    // inst keeps fine tune and key range; clearing the loop removes smpl and leaves the key to inst.
    b.after = {
        {"inst", instBody(0, 5, 0, 10, 90, 0, 0)}, {"smpl", smplBody(60, {{1, 2}})}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    e.after = {{"inst", instBody(60, 5, -3, 10, 90, 20, 30)}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b,
        [](WaveFile& w) {
            w.setGain(-3);
            w.setVelocityRange(20, 30);
            w.clearLoop();
        },
        e);

    // With a loop the key lives in smpl: an inst no longer needed goes, its key moves over.
    b.after = {{"smpl", smplBody(0, {{1, 2}})}, {"inst", instBody(61, 0, -2, 0, 127, 0, 0)}};
    e.after = {{"smpl", smplBody(61, {{1, 2}})}, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b, [](WaveFile& w) { w.setGain(0); }, e);

    // A header-only smpl gets its loop slot between header and sampler data.
    b.after = {{"smpl", smplBody(62, {}, extra)}, odd};
    e.after = {{"smpl", smplBody(62, {{0, 8}}, extra)}, odd, {"mvlx", mvlxBody(2, 0, 1)}};
    rewrite(
        b, [](WaveFile& w) { w.setLoop(w.dataStart(), w.dataStart() + 16); }, e);

    // New chunks go before trailing bytes too short for a header.
    b.after = {odd, {"mvlx", mvlxBody(2, 0, 1)}};
    b.trailing = {1, 0, 0, 0, 'x', 0};
    e.after = {odd, {"mvlx", mvlxBody(2, 0, 1)}, {"smpl", smplBody(0, {{0, 1}})}};
    e.trailing = b.trailing;
    rewrite(
        b, [](WaveFile& w) { w.setLoop(w.dataStart(), w.dataStart() + 2); }, e);

    // Nothing changed: nothing written.
    rewrite(
        e, [](WaveFile&) {}, e);
}

TEST_F(WaveFileTest, FailedWriteIsReportedAndLeavesTheFileReadable)
{
    WavBuilder b;
    b.after = {{"mvlx", mvlxBody(2, 0, 1)}};
    const Bytes original = b.build();
    WaveFile wave;
    openOk(b, wave, writableAll());
    ASSERT_TRUE(wave.setLoop(wave.dataStart(), wave.dataStart() + 2));

    // A file size limit makes growing the file fail without privileges.
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = original.size();
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool closed = wave.close(error);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    EXPECT_FALSE(closed);
    EXPECT_EQ(error.rfind("Can't write the changes to a.wav.", 0), 0u) << error;
    EXPECT_EQ(contents(), original);
    EXPECT_TRUE(wave.open(path_, writableAll(), error)) << error;
}

} // namespace
} // namespace velisto
