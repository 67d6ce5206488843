#include "midi/MidiOutFramer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace velisto {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The framed message as bytes, or {"refused"} spelled as an empty optional.
std::optional<Bytes> frame(MidiOutFramer& framer, Bytes bytes)
{
    const auto message = framer.frameShort(bytes);
    if (!message)
        return std::nullopt;
    const auto view = message->view();
    return Bytes(view.begin(), view.end());
}

TEST(MidiOutFramer, WholeMessagesAreSentAtTheirStatusLength)
{
    MidiOutFramer framer;
    EXPECT_EQ(frame(framer, {0x90, 0x3C, 0x64}), (Bytes{0x90, 0x3C, 0x64}));
    EXPECT_EQ(frame(framer, {0xEF, 0x00, 0x40}), (Bytes{0xEF, 0x00, 0x40}));
    // Padding after the data bytes a status needs is not sent.
    EXPECT_EQ(frame(framer, {0xC3, 0x05, 0x00}), (Bytes{0xC3, 0x05}));
    EXPECT_EQ(frame(framer, {0xD0, 0x7F}), (Bytes{0xD0, 0x7F}));
    EXPECT_EQ(frame(framer, {0xF8, 0x00, 0x00}), (Bytes{0xF8}));
    EXPECT_EQ(frame(framer, {0xF1, 0x21}), (Bytes{0xF1, 0x21}));
    EXPECT_EQ(frame(framer, {0xF2, 0x01, 0x02}), (Bytes{0xF2, 0x01, 0x02}));
    EXPECT_EQ(frame(framer, {0xF6}), (Bytes{0xF6}));
    EXPECT_EQ(frame(framer, {0xFF}), (Bytes{0xFF}));
}

TEST(MidiOutFramer, MalformedShortMessagesAreRefused)
{
    MidiOutFramer framer;
    EXPECT_EQ(frame(framer, {}), std::nullopt);
    EXPECT_EQ(frame(framer, {0xF0, 0x7E, 0xF7}), std::nullopt) << "sysex is a long message";
    EXPECT_EQ(frame(framer, {0xF7}), std::nullopt);
    EXPECT_EQ(frame(framer, {0x90, 0x3C}), std::nullopt) << "a data byte missing";
    EXPECT_EQ(frame(framer, {0xB0}), std::nullopt);
    EXPECT_EQ(frame(framer, {0xF2, 0x01}), std::nullopt);
    EXPECT_EQ(frame(framer, {0x90, 0x3C, 0x80}), std::nullopt) << "a status byte as data";
    EXPECT_EQ(frame(framer, {0xC0, 0xC1}), std::nullopt);
    EXPECT_EQ(frame(framer, {0x3C, 0x64}), std::nullopt) << "no running status yet";
}

TEST(MidiOutFramer, RunningStatusIsPutBackInFront)
{
    MidiOutFramer framer;
    ASSERT_TRUE(frame(framer, {0x91, 0x3C, 0x64}));
    EXPECT_EQ(frame(framer, {0x3E, 0x64}), (Bytes{0x91, 0x3E, 0x64}));
    EXPECT_EQ(frame(framer, {0x40, 0x64, 0x00}), (Bytes{0x91, 0x40, 0x64})) << "padding dropped";
    EXPECT_EQ(frame(framer, {0x40}), std::nullopt) << "a data byte missing";

    // Real-time messages pass through running status; a refused message leaves it alone.
    ASSERT_TRUE(frame(framer, {0xF8}));
    EXPECT_EQ(frame(framer, {0xB1, 0x07}), std::nullopt);
    EXPECT_EQ(frame(framer, {0x3C, 0x00}), (Bytes{0x91, 0x3C, 0x00}));

    ASSERT_TRUE(frame(framer, {0xC2, 0x05}));
    EXPECT_EQ(frame(framer, {0x06}), (Bytes{0xC2, 0x06}));
}

TEST(MidiOutFramer, SystemCommonSysexAndResetEndRunningStatus)
{
    MidiOutFramer framer;
    ASSERT_TRUE(frame(framer, {0x90, 0x3C, 0x64}));
    ASSERT_TRUE(frame(framer, {0xF3, 0x01}));
    EXPECT_EQ(frame(framer, {0x3C, 0x00}), std::nullopt);

    ASSERT_TRUE(frame(framer, {0x90, 0x3C, 0x64}));
    ASSERT_TRUE(framer.acceptLong(Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(frame(framer, {0x3C, 0x00}), std::nullopt);

    ASSERT_TRUE(frame(framer, {0x90, 0x3C, 0x64}));
    EXPECT_FALSE(framer.acceptLong(Bytes{0xF0, 0x7E}));
    EXPECT_EQ(frame(framer, {0x3C, 0x00}), (Bytes{0x90, 0x3C, 0x00})) << "a refused sysex changes nothing";

    framer.reset();
    EXPECT_EQ(frame(framer, {0x3C, 0x00}), std::nullopt);
}

TEST(MidiOutFramer, LongMessagesMustBeOneWholeSysex)
{
    MidiOutFramer framer;
    EXPECT_TRUE(framer.acceptLong(Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_TRUE(framer.acceptLong(Bytes{0xF0, 0xF7}));
    EXPECT_FALSE(framer.acceptLong(Bytes{}));
    EXPECT_FALSE(framer.acceptLong(Bytes{0xF0}));
    EXPECT_FALSE(framer.acceptLong(Bytes{0xF0, 0x43, 0x10}));
    EXPECT_FALSE(framer.acceptLong(Bytes{0x43, 0x10, 0xF7}));
    EXPECT_FALSE(framer.acceptLong(Bytes{0xF0, 0x43, 0x90, 0xF7}));
    EXPECT_FALSE(framer.acceptLong(Bytes{0x90, 0x3C, 0x64}));
}

} // namespace
} // namespace velisto
